#pragma once
// The survey list: shows one survey at a time with its questions. Select mode
// ("Aceptar") hands the survey over to a run; delete mode ("Borrar") removes it.

#include "platform/ui/data_controls.h"
#include "platform/ui/form.h"

#include <QLabel>
#include <QListWidget>
#include <QToolButton>

#include <memory>

namespace Ui {
class TForm7;
}

class TForm7 : public vui::Form
{
    Q_OBJECT
public:
    explicit TForm7(QWidget* owner = nullptr, bool opening = true);
    ~TForm7() override;

    void FormCreate();
    void DBNavigator1Click(vui::DBNavigator::Button button);
    void BitBtn1Click(); // "Aceptar": the hand-over
    void BitBtn2Click(); // "Cancelar"
    void BitBtn3Click(); // "Borrar": defined with the deletion

    // Refills ListBox1 with the questions of the current parameter row.
    void fillList();

    QLabel* Label1;
    QLabel* Label2;
    vui::DBEdit* DBEdit1;
    QListWidget* ListBox1;
    vui::DBNavigator* DBNavigator1;
    vui::BitBtn* BitBtn1;
    vui::BitBtn* BitBtn2;
    vui::BitBtn* BitBtn3;
    // Never shown: fields of the current parameter, question and result rows.
    vui::DBEdit* DBEdit2; // Num
    vui::DBEdit* DBEdit3; // Num_ico
    vui::DBEdit* DBEdit4; // Total_ico
    vui::DBEdit* DBEdit5; // Direccion
    vui::DBEdit* DBEdit6; // Edicion of the current question row
    vui::DBEdit* DBEdit7; // Edicion of the current result row
    QToolButton* SpeedButton1; // scratch picture of the icon check

private:
    std::unique_ptr<Ui::TForm7> ui;
};

extern vui::GlobalForm<TForm7> Form7;

// The hand-over's icon check: every icon file 1..totalIconos loads as a
// Windows bitmap; throws the loading error of the first one that does not.
void checkIconFiles(int totalIconos);

// A parameter row a run can be made of: 2..12 icons and 1..50 questions.
bool surveyShapeValid(int numIconos, int numPreguntas);
