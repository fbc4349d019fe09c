#pragma once
// "Mostrar Reporte": the author chooses a report by edition or by question,
// the survey with the record navigator and, for a question report, the
// question; "Siguente" shows the report.

#include "platform/ui/data_controls.h"
#include "platform/ui/form.h"

#include <memory>

class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QRadioButton;

namespace Ui {
class TForm9;
}

class TForm9 : public vui::Form
{
    Q_OBJECT
public:
    explicit TForm9(QWidget* owner = nullptr, bool opening = true);
    ~TForm9() override;

    QGroupBox* RadioGroup1;
    QRadioButton* RadioGroup1Item0; // "por Edición"
    QRadioButton* RadioGroup1Item1; // "por Pregunta"
    QGroupBox* GroupBox1;
    QLabel* Label2;
    vui::DBEdit* DBEdit1;
    QListWidget* ListBox1;
    QComboBox* ComboBox1;
    vui::BitBtn* BitBtn1;
    vui::BitBtn* BitBtn2;
    vui::DBNavigator* DBNavigator1;
    vui::DBEdit* DBEdit2;
    vui::DBEdit* DBEdit3;
    vui::DBEdit* DBEdit4;

    // The radio group's selected item: -1 none, 0 edition, 1 question.
    int itemIndex() const;

    void FormCreate();
    void RadioGroup1Click();
    void DBNavigator1Click();
    void ComboBox1Change();
    void BitBtn1Click(); // report_queries.cpp
    void BitBtn2Click();

private:
    void fillList(bool questionMode);
    std::unique_ptr<Ui::TForm9> ui;
};

extern vui::GlobalForm<TForm9> Form9;
