#pragma once
// The icon window: the question's number and text in its title, and the
// survey's icons drawn at random and laid out on a circle. A click on an icon
// is the answer (answer_recording).

#include "platform/ui/data_controls.h"
#include "platform/ui/form.h"
#include "platform/ui/picture_controls.h"

#include <QDateTime>
#include <QImage>
#include <QLabel>
#include <QPoint>
#include <QPointer>

#include <array>
#include <memory>

namespace Ui {
class TForm5;
}
class SurveyRun;

// Icon window data, shared by the window's creation and the click.
extern int IconosMostrados[13]; // entries 1..12: the icon shown on each button
extern int InicioMs; // start of the answer, ms since local midnight
extern int Encontrado; // 1 once the click found an existing result row
extern QDateTime LecturaReloj; // the last clock reading
extern quint16 HoraInicio, MinutoInicio, SegundoInicio, MsInicio;

// The platform's generator: one 32-bit seed for the whole program.
extern quint32 RandSeed;
// Seeds from a UTC time of day: milliseconds since midnight.
void Randomize(const QTime& utcTime);
// 0..range-1 (0 for a range of 0); advances the seed once.
int Random(int range);

// Top-left corner of button i (0-based) of count buttons, in client
// coordinates of a window of the given size.
QPoint iconButtonPosition(int count, int i, int formWidth = 544, int formHeight = 375);

// The screen point the pointer goes to: the centre of a window's outer frame.
QPoint pointerTarget(const QRect& outerBounds);

// The icon numbers for count buttons out of totalIconos pictures, drawn with
// Random(): distinct when there are enough pictures.
std::array<int, 13> drawIcons(int count, int totalIconos);

class TForm5 : public vui::Form
{
    Q_OBJECT
public:
    explicit TForm5(QWidget* owner = nullptr, bool opening = true);
    ~TForm5() override;
    // An icon window created with a notice as owner: the run's icon window
    // done with, made again as a new one would be, or else a new one.
    static TForm5* open(QWidget* owner);

    void FormCreate();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void SpeedButton6Click();
    void SpeedButton7Click();
    void SpeedButton8Click();
    void SpeedButton9Click();
    void SpeedButton10Click();
    void SpeedButton11Click();
    void SpeedButton12Click();

    std::shared_ptr<SurveyRun> run() const { return m_run; }
    QWidget* opener() const { return m_opener; }
    vui::SpeedButton* speedButton(int k) const { return SpeedButtons[k - 1]; }
    // The picture loaded for button k, as read from its file.
    QImage picture(int k) const { return SpeedButtons[k - 1]->picture(); }
    int shownIcon(int k) const { return m_iconos[k]; }
    int startMs() const { return m_inicioMs; }
    qint64 steadyStartMs() const { return m_steadyStartMs; }
    bool answered() const { return m_answered; }
    void setAnswered() { m_answered = true; }

    std::array<vui::SpeedButton*, 12> SpeedButtons {}; // SpeedButton1 .. SpeedButton12

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<Ui::TForm5> ui;
    std::shared_ptr<SurveyRun> m_run;
    QPointer<QWidget> m_opener;
    std::array<int, 13> m_iconos {};
    int m_inicioMs = 0;
    qint64 m_steadyStartMs = 0;
    bool m_answered = false;
};

extern vui::GlobalForm<TForm5> Form5;
