#pragma once
// The new-survey dialog: the author gives the number of questions, the icons
// shown per question, the icon pictures available and their directory; its
// "Aceptar" stores them as one parameter row and goes on to the questions.
// In re-edit mode it starts from the last parameter row, overwrites it, and
// its "Cancelar" deletes it.

#include "platform/db/dataset.h"
#include "platform/ui/file_lists.h"
#include "platform/ui/form.h"
#include "platform/ui/number_edit.h"
#include "platform/ui/updown.h"

#include <QLabel>
#include <QLineEdit>

#include <exception>
#include <memory>

namespace Ui {
class TForm2;
}

class TForm2 : public vui::Form
{
    Q_OBJECT
public:
    explicit TForm2(QWidget* owner = nullptr, bool opening = true);
    ~TForm2() override;

    void FormCreate();
    void Edit1KeyPress(QChar& key);
    void Edit2KeyPress(QChar& key);
    void Edit4KeyPress(QChar& key);
    void Edit1Change();
    void Edit1Exit();
    void Edit2Change();
    void Edit2Exit();
    void DirectoryListBox1Change();
    void DriveComboBox1KeyPress(QChar& key);
    void DirectoryListBox1KeyPress(QChar& key);
    void Edit3Change();
    void Edit4Change();
    void BitBtn1Click(); // "Aceptar"
    void BitBtn2Click(); // "Cancelar"

    QLabel* Label10;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    vui::NumberEdit* Edit1;
    vui::NumberEdit* Edit2;
    vui::NumberEdit* Edit4;
    QLineEdit* Edit3;
    vui::UpDown* UpDown1;
    vui::UpDown* UpDown2;
    vui::DriveComboBox* DriveComboBox1;
    vui::DirectoryListBox* DirectoryListBox1;
    vui::BitBtn* BitBtn1;
    vui::BitBtn* BitBtn2;

private:
    void numberKeyPress(QChar& key);
    void updateAceptar();

    std::unique_ptr<Ui::TForm2> ui;
    bool m_directoryTaken = false; // "Aceptar" has once been made available
};

extern vui::GlobalForm<TForm2> Form2;

// The number that a field's text stands for in the upper-limit tests: "1"
// followed by the text, read as one integer, less 100. An empty text reads
// as -99 and one digit as the digit less 90, so neither passes a limit.
int limitValue(const QString& text);
// A field's text as an integer; fails with "'%s' is not a valid integer value".
int integerValue(const QString& text);

// The range rules of the number fields: what the field holds once the rule
// has run on `text`.
QString questionsAfterChange(const QString& text); // Edit1: above 50 is 50; 0 is 1
QString questionsAfterExit(const QString& text); // Edit1 left empty is 1
QString iconsAfterChange(const QString& text); // Edit2: above 12 is 12; "0" is 2
QString iconsAfterExit(const QString& text); // Edit2 left empty or below 2 is 2

// Drops the row a dataset is inserting or editing when the scope is left by
// an error: a failed post must not leave the table stuck in that state for
// every later command.
class PendingRowGuard
{
public:
    explicit PendingRowGuard(vdb::DataSet* dataSet)
        : m_dataSet(dataSet)
        , m_exceptions(std::uncaught_exceptions())
    {
    }
    ~PendingRowGuard()
    {
        if (std::uncaught_exceptions() > m_exceptions && m_dataSet)
            m_dataSet->cancel();
    }
    PendingRowGuard(const PendingRowGuard&) = delete;
    PendingRowGuard& operator=(const PendingRowGuard&) = delete;

private:
    vdb::DataSet* m_dataSet;
    int m_exceptions;
};
