#pragma once
// The change-a-question dialog: the author browses the surveys, chooses one of
// the shown survey's questions and gives it a new text, which replaces the
// old one in the question rows and in the result rows of that survey.

#include "platform/ui/data_controls.h"
#include "platform/ui/form.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <memory>

namespace Ui {
class TForm8;
}

class TForm8 : public vui::Form
{
    Q_OBJECT
public:
    explicit TForm8(QWidget* owner = nullptr, bool opening = true);
    ~TForm8() override;

    void FormCreate();
    void DBNavigator1Click(vui::DBNavigator::Button button);
    void ComboBox1Change();
    // Runs for each character that reaches Edit1, before the field applies it.
    void Edit1KeyPress(QChar& key);
    void BitBtn1Click(); // "Aceptar"
    void BitBtn2Click(); // "Cancelar"

    // Refills ComboBox1 with the questions of the survey shown; nothing chosen.
    void fillList();

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    vui::DBEdit* DBEdit1;
    vui::DBNavigator* DBNavigator1;
    QComboBox* ComboBox1;
    QLineEdit* Edit1;
    vui::BitBtn* BitBtn1;
    vui::BitBtn* BitBtn2;
    // Never shown: the current question row's and result row's texts.
    vui::DBEdit* DBEdit2;
    vui::DBEdit* DBEdit3;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<Ui::TForm8> ui;
};

extern vui::GlobalForm<TForm8> Form8;

// Gives every question row and result row of survey `edition` whose text is
// `oldText` the text `newText`; nothing else changes and each row keeps its
// place. Opens the question and results tables when they are closed. All or
// nothing: on a failure both tables are left as they were.
// Returns the number of question rows and result rows changed.
struct QuestionChange
{
    int questionRows = 0;
    int resultRows = 0;
};
QuestionChange changeQuestionText(const QString& edition, const QString& oldText, const QString& newText);
