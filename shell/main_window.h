#pragma once
// The main window: the menu and tool bar that dispatch the five survey
// commands, the about box and the exit confirmation.

#include <QMainWindow>

#include <memory>

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QToolButton;

namespace vdb {
class DataSet;
}
namespace vui {
class DBEdit;
class Image;
} // namespace vui
namespace Ui {
class TForm1;
}

class TForm1 : public QMainWindow
{
    Q_OBJECT
public:
    explicit TForm1(QWidget* owner = nullptr);
    ~TForm1() override;

    // Binds DBEdit1 to the data module; start-up calls it once the module
    // exists, since the main window is created before it.
    void bindDataControls();

    void EncuestaClick(); // "Aplicar Encuesta"
    void EditarEncuesta1Click(); // "Crear Encuesta"
    void ModificarPreguntas1Click(); // "Modificar Preguntas"
    void BorrarEncuesta1Click(); // "Borrar Encuesta"
    void MostrarReporte1Click(); // "Mostrar Reporte"
    void Acercade1Click();
    void Salir1Click();
    void FormCreate();
    void FormCloseQuery(bool& canClose);

    QMenuBar* MainMenu1;
    QMenu* Principal;
    QMenu* Editar1;
    QMenu* Ayuda1;
    QAction* Encuesta;
    QAction* MostrarReporte1;
    QAction* N2;
    QAction* Salir1;
    QAction* EditarEncuesta1;
    QAction* BorrarEncuesta1;
    QAction* ModificarPreguntas1;
    QAction* Acercade1;

    QWidget* ToolBar1;
    QToolButton* SpeedButton3;
    QToolButton* SpeedButton1;
    QToolButton* SpeedButton2;
    QWidget* ToolButton1;
    QToolButton* SpeedButton5;
    QToolButton* SpeedButton4;
    vui::Image* Image1;
    vui::DBEdit* DBEdit1;
    QLabel* Label1;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void openNewSurveyDialog();
    void fitClientArea();

    std::unique_ptr<Ui::TForm1> ui;
};

extern TForm1* Form1;

// The survey-existence test: opens the table, begins an edit (an insertion on
// an empty table), takes the row count into EdicionActual and moves to the last
// row, which drops the untouched edit. True when the table has rows.
bool surveysExist(vdb::DataSet* table);
