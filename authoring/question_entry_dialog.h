#pragma once
// The question-entry dialog: N numbered one-line fields, N being the number
// of questions just given in the new-survey dialog. "Aceptar" stores the
// texts as the survey's question rows, in order; "Ignorar" goes back to the
// parameters in a new-survey dialog in re-edit mode.

#include "platform/ui/form.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRect>
#include <QScrollArea>
#include <QSize>

#include <array>
#include <memory>

namespace Ui {
class TForm3;
}

inline constexpr int kMaxQuestions = 50;

// Where question k's label and field stand within GroupBox1: questions 1 to
// 25 down the first column, 26 to 50 down the second, 30 pixels apart.
QRect questionLabelGeometry(int k);
QRect questionEditGeometry(int k);

// The layout for N questions.
struct QuestionLayout
{
    QSize dialog; // outer size the opener gives the dialog
    QSize groupBox; // GroupBox1
    int buttonLeft = 0; // both buttons
};
QuestionLayout questionLayout(int n);

class TForm3 : public vui::Form
{
    Q_OBJECT
public:
    explicit TForm3(QWidget* owner = nullptr, bool opening = true);
    ~TForm3() override;

    void FormCreate();
    void FormKeyPress(QChar& key);
    void BitBtn1Click(); // "Aceptar"
    void BitBtn2Click(); // "Ignorar"

    // Question k's field and label, k from 1 to 50.
    QLineEdit* questionEdit(int k) const { return m_edits.at(size_t(k - 1)); }
    QLabel* questionLabel(int k) const { return m_labels.at(size_t(k - 1)); }
    // The number of questions shown, read once at creation.
    int questionCount() const { return m_count; }

    QScrollArea* ScrollBox;
    QGroupBox* GroupBox1;
    vui::BitBtn* BitBtn1;
    vui::BitBtn* BitBtn2;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::unique_ptr<Ui::TForm3> ui;
    std::array<QLineEdit*, kMaxQuestions> m_edits {};
    std::array<QLabel*, kMaxQuestions> m_labels {};
    int m_count = 0;
};

extern vui::GlobalForm<TForm3> Form3;
