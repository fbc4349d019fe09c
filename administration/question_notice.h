#pragma once
// The question notice: the question's text alone, before its icon window.

#include "platform/ui/form.h"

#include <QLabel>
#include <QPointer>

#include <memory>

namespace Ui {
class TForm4;
}
class SurveyRun;

class TForm4 : public vui::Form
{
    Q_OBJECT
public:
    explicit TForm4(QWidget* owner = nullptr, bool opening = true);
    ~TForm4() override;
    // A notice created with a chain window as owner: the run's notice done
    // with, made again as a new one would be, or else a new one.
    static TForm4* open(QWidget* owner);

    void FormCreate();
    void BitBtn1Click(); // "Aceptar": on to the icon window

    std::shared_ptr<SurveyRun> run() const { return m_run; }
    QWidget* opener() const { return m_opener; }

    QLabel* Label1;
    vui::BitBtn* BitBtn1;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<Ui::TForm4> ui;
    std::shared_ptr<SurveyRun> m_run;
    QPointer<QWidget> m_opener;
};

extern vui::GlobalForm<TForm4> Form4;

// Starts the chain of a run from the run state: the notice of question
// SiguientePregunta, owned by `owner`, shown; then SiguientePregunta + 1.
TForm4* openFirstNotice(QWidget* owner);
