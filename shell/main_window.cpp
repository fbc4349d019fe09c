#include "main_window.h"

#include "authoring/change_question_dialog.h"
#include "authoring/new_survey_dialog.h"
#include "authoring/survey_list.h"
#include "platform/ui/errors.h"
#include "platform/ui/messages.h"
#include "reporting/report_choice.h"
#include "resources/pictures.h"
#include "shell/about_box.h"
#include "shell/run_state.h"
#include "store/data_module.h"

#include "ui_main_window.h"

#include <QCloseEvent>
#include <QToolButton>

TForm1* Form1 = nullptr;

bool surveysExist(vdb::DataSet* table)
{
    table->open();
    table->edit();
    EdicionActual = table->recordCount();
    table->last();
    return !table->bof();
}

TForm1::TForm1(QWidget* owner)
    : QMainWindow(owner)
    , ui(std::make_unique<Ui::TForm1>())
{
    ui->setupUi(this);
    MainMenu1 = ui->MainMenu1;
    Principal = ui->Principal;
    Editar1 = ui->Editar1;
    Ayuda1 = ui->Ayuda1;
    Encuesta = ui->Encuesta;
    MostrarReporte1 = ui->MostrarReporte1;
    N2 = ui->N2;
    Salir1 = ui->Salir1;
    EditarEncuesta1 = ui->EditarEncuesta1;
    BorrarEncuesta1 = ui->BorrarEncuesta1;
    ModificarPreguntas1 = ui->ModificarPreguntas1;
    Acercade1 = ui->Acercade1;
    ToolBar1 = ui->ToolBar1;
    SpeedButton3 = ui->SpeedButton3;
    SpeedButton1 = ui->SpeedButton1;
    SpeedButton2 = ui->SpeedButton2;
    ToolButton1 = ui->ToolButton1;
    SpeedButton5 = ui->SpeedButton5;
    SpeedButton4 = ui->SpeedButton4;
    Image1 = ui->Image1;
    DBEdit1 = ui->DBEdit1;
    Label1 = ui->Label1;

    N2->setSeparator(true);
    // System menu, minimise and close; maximising is not offered.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    QPalette face = palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    setPalette(face);

    const struct
    {
        QToolButton* button;
        const char* picture;
    } pictures[] = { { SpeedButton3, "create_survey" }, { SpeedButton1, "modify_questions" },
        { SpeedButton2, "delete_survey" }, { SpeedButton5, "apply_survey" }, { SpeedButton4, "show_report" } };
    for (const auto& p : pictures)
        p.button->setIcon(QIcon(vres::picture(QLatin1String(p.picture), vres::kToolPictureSize)));
    Image1->setPixmap(QPixmap::fromImage(
        vres::pictureImage(QStringLiteral("background"), vres::kBackgroundSize, QImage::Format_RGB888)));
    Image1->setVisible(false);

    // The running survey's question list is kept in the run state; these
    // components only stand where the list and the table's field would be.
    ui->Memo1->setVisible(false);
    DBEdit1->setVisible(false);
    Label1->setVisible(false);

    // Menu items and tool buttons send a "checked" flag the handlers do not take.
    auto guardedCommand
        = [this](void (TForm1::*handler)()) { return [this, handler] { vui::guarded([&] { (this->*handler)(); }); }; };
    connect(Encuesta, &QAction::triggered, this, guardedCommand(&TForm1::EncuestaClick));
    connect(SpeedButton5, &QToolButton::clicked, this, guardedCommand(&TForm1::EncuestaClick));
    connect(MostrarReporte1, &QAction::triggered, this, guardedCommand(&TForm1::MostrarReporte1Click));
    connect(SpeedButton4, &QToolButton::clicked, this, guardedCommand(&TForm1::MostrarReporte1Click));
    connect(Salir1, &QAction::triggered, this, guardedCommand(&TForm1::Salir1Click));
    connect(EditarEncuesta1, &QAction::triggered, this, guardedCommand(&TForm1::EditarEncuesta1Click));
    connect(SpeedButton3, &QToolButton::clicked, this, guardedCommand(&TForm1::EditarEncuesta1Click));
    connect(BorrarEncuesta1, &QAction::triggered, this, guardedCommand(&TForm1::BorrarEncuesta1Click));
    connect(SpeedButton2, &QToolButton::clicked, this, guardedCommand(&TForm1::BorrarEncuesta1Click));
    connect(ModificarPreguntas1, &QAction::triggered, this, guardedCommand(&TForm1::ModificarPreguntas1Click));
    connect(SpeedButton1, &QToolButton::clicked, this, guardedCommand(&TForm1::ModificarPreguntas1Click));
    connect(Acercade1, &QAction::triggered, this, guardedCommand(&TForm1::Acercade1Click));

    resize(696, 453);
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    fitClientArea();

    if (DataModule6)
        bindDataControls();
    if (!MainWindow)
        MainWindow = this;
    vui::guarded([this] { FormCreate(); });
}

TForm1::~TForm1()
{
    if (MainWindow == this)
        MainWindow = nullptr;
}

void TForm1::bindDataControls()
{
    DBEdit1->bind(DataModule6->DataSource2, QStringLiteral("Edicion"));
}

void TForm1::FormCreate()
{
    Image1->setVisible(true);
}

void TForm1::fitClientArea()
{
    // The tool bar follows the width; the picture is stretched over the rest.
    QWidget* client = centralWidget();
    ToolBar1->setGeometry(0, 0, client->width(), ToolBar1->height());
    Image1->setGeometry(0, ToolBar1->height(), client->width(), qMax(0, client->height() - ToolBar1->height()));
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    fitClientArea();
}

void TForm1::openNewSurveyDialog()
{
    auto* form = new TForm2(this);
    form->setWindowTitle(QStringLiteral(" Vesmarin - Edicion de Encuesta"));
    form->showModal();
}

void TForm1::EncuestaClick()
{
    DataModule6->Table3->open();
    DataModule6->Table1->open();
    if (surveysExist(DataModule6->Table1)) {
        auto* form = new TForm7(this);
        form->setWindowTitle(QStringLiteral(" Vesmarin - Selección de Encuesta"));
        form->BitBtn1->setVisible(true);
        form->showModal();
        return;
    }
    if (!vui::askYesNo(this, QStringLiteral("No hay encuestas ¿Desea editar una?"))) {
        close();
        return;
    }
    ModoReedicion = 0;
    EdicionActual = DataModule6->Table1->recordCount() + 1;
    openNewSurveyDialog();
}

void TForm1::EditarEncuesta1Click()
{
    ModoReedicion = 0;
    DataModule6->Table1->open();
    EdicionActual = DataModule6->Table1->recordCount() + 1;
    openNewSurveyDialog();
}

void TForm1::ModificarPreguntas1Click()
{
    DataModule6->Table1->open();
    if (surveysExist(DataModule6->Table1)) {
        auto* form = new TForm8(this);
        form->setWindowTitle(QStringLiteral(" Vesmarin - Modificar Preguntas"));
        form->showModal();
        return;
    }
    DataModule6->Table1->close();
    vui::notice(this, QStringLiteral("No hay encuestas"));
}

void TForm1::BorrarEncuesta1Click()
{
    DataModule6->Table3->open();
    DataModule6->Table1->open();
    if (surveysExist(DataModule6->Table1)) {
        auto* form = new TForm7(this);
        form->setWindowTitle(QStringLiteral(" Vesmarin - Borrar Encuesta"));
        form->BitBtn3->setVisible(true);
        form->showModal();
        return;
    }
    vui::notice(this, QStringLiteral("No hay encuestas"));
}

void TForm1::MostrarReporte1Click()
{
    DataModule6->Table1->open();
    EdicionActual = DataModule6->Table1->recordCount();
    DataModule6->Table3->open();
    DataModule6->Table3->last();
    if (!DataModule6->Table3->bof()) {
        auto* form = new TForm9(this);
        form->setWindowTitle(QStringLiteral(" Vesmarin - Mostrar Reporte"));
        form->show();
        return;
    }
    // A survey under way writes its answers into the open results table
    // without opening it again: it must stay open.
    if (!RunUnderWay)
        DataModule6->Table3->close();
    vui::notice(this, QStringLiteral("No hay encuestas"));
}

void TForm1::Acercade1Click()
{
    auto* form = new TForm11(this);
    form->setWindowTitle(QStringLiteral(" Acerca de Vesmarin"));
    form->showModal();
}

void TForm1::Salir1Click()
{
    close();
}

void TForm1::FormCloseQuery(bool& canClose)
{
    if (!vui::askYesNo(this, QStringLiteral("¿Desea salir?")))
        canClose = false;
}

void TForm1::closeEvent(QCloseEvent* event)
{
    bool canClose = true;
    vui::guarded([&] { FormCloseQuery(canClose); });
    if (!canClose) {
        event->ignore();
        return;
    }
    event->accept();
    // Windows left open beside the main window, such as a report choice, go with it.
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow() && child->isVisible())
            child->close();
    }
}
