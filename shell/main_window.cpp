#include "main_window.h"

#include "authoring/change_question_dialog.h"
#include "authoring/new_survey_dialog.h"
#include "authoring/survey_list.h"
#include "platform/ui/errors.h"
#include "platform/ui/fonts.h"
#include "platform/ui/messages.h"
#include "reporting/report_choice.h"
#include "resources/pictures.h"
#include "shell/about_box.h"
#include "shell/run_state.h"
#include "store/data_module.h"

#include "ui_main_window.h"

#include <QCloseEvent>
#include <QToolButton>

#include <future>
#include <vector>

TForm1* Form1 = nullptr;

namespace {

// The tool buttons' pictures.
const struct
{
    QToolButton* TForm1::*button;
    const char* picture;
} kToolPictures[] = { { &TForm1::SpeedButton3, "create_survey" }, { &TForm1::SpeedButton1, "modify_questions" },
    { &TForm1::SpeedButton2, "delete_survey" }, { &TForm1::SpeedButton5, "apply_survey" },
    { &TForm1::SpeedButton4, "show_report" } };

// A command's window: made on the main window, with the caption it goes by.
template <typename Window> Window* commandWindow(TForm1* owner, const QString& caption)
{
    auto* form = new Window(owner);
    form->setWindowTitle(caption);
    return form;
}

// Opens the results and surveys tables; when a survey exists, shows the
// survey list modally with one of its buttons.
bool showSurveyList(TForm1* owner, const QString& caption, vui::BitBtn* TForm7::*button)
{
    DataModule6->Table3->open();
    DataModule6->Table1->open();
    if (!surveysExist(DataModule6->Table1))
        return false;
    auto* form = commandWindow<TForm7>(owner, caption);
    (form->*button)->setVisible(true);
    form->showModal();
    return true;
}

} // namespace

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
    // The pictures, the background above all, are drawn on another core while
    // the widgets are built: start-up then waits for the slower of the two only.
    // Without a thread to be had, they are drawn here when needed.
    const qreal ratio = qGuiApp->devicePixelRatio();
    std::future<std::vector<QImage>> pictures = std::async(std::launch::async | std::launch::deferred, [ratio] {
        std::vector<QImage> drawn;
        for (const auto& tool : kToolPictures)
            drawn.push_back(vres::screenPictureImage(QLatin1String(tool.picture), vres::kToolPictureSize, ratio));
        drawn.push_back(vres::pictureImage(QStringLiteral("background"), vres::kBackgroundSize, QImage::Format_RGB32));
        return drawn;
    });
    ui->setupUi(this);
    vui::usePixelFonts(this);
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

    const std::vector<QImage> drawn = pictures.get();
    for (size_t i = 0; i < std::size(kToolPictures); ++i)
        (this->*kToolPictures[i].button)->setIcon(QIcon(QPixmap::fromImage(drawn[i])));
    // Kept in the layout the stretching works in, so that no paint converts it.
    Image1->setPicture(drawn.back());
    Image1->setVisible(false);

    // The running survey's question list is kept in the run state; these
    // components only stand where the list and the table's field would be.
    ui->Memo1->setVisible(false);
    DBEdit1->setVisible(false);
    Label1->setVisible(false);

    // Menu items and tool buttons send a "checked" flag the handlers do not take.
    auto guardedCommand
        = [this](void (TForm1::*handler)()) { return [this, handler] { vui::guarded([&] { (this->*handler)(); }); }; };
    const struct
    {
        QAction* item;
        QToolButton* button;
        void (TForm1::*handler)();
    } commands[] = { { Encuesta, SpeedButton5, &TForm1::EncuestaClick },
        { MostrarReporte1, SpeedButton4, &TForm1::MostrarReporte1Click }, { Salir1, nullptr, &TForm1::Salir1Click },
        { EditarEncuesta1, SpeedButton3, &TForm1::EditarEncuesta1Click },
        { BorrarEncuesta1, SpeedButton2, &TForm1::BorrarEncuesta1Click },
        { ModificarPreguntas1, SpeedButton1, &TForm1::ModificarPreguntas1Click },
        { Acercade1, nullptr, &TForm1::Acercade1Click } };
    for (const auto& c : commands) {
        connect(c.item, &QAction::triggered, this, guardedCommand(c.handler));
        if (c.button)
            connect(c.button, &QToolButton::clicked, this, guardedCommand(c.handler));
    }

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
    commandWindow<TForm2>(this, QStringLiteral(" Vesmarin - Edicion de Encuesta"))->showModal();
}

void TForm1::EncuestaClick()
{
    if (showSurveyList(this, QStringLiteral(" Vesmarin - Selección de Encuesta"), &TForm7::BitBtn1))
        return;
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
        commandWindow<TForm8>(this, QStringLiteral(" Vesmarin - Modificar Preguntas"))->showModal();
        return;
    }
    DataModule6->Table1->close();
    vui::notice(this, QStringLiteral("No hay encuestas"));
}

void TForm1::BorrarEncuesta1Click()
{
    if (!showSurveyList(this, QStringLiteral(" Vesmarin - Borrar Encuesta"), &TForm7::BitBtn3))
        vui::notice(this, QStringLiteral("No hay encuestas"));
}

void TForm1::MostrarReporte1Click()
{
    DataModule6->Table1->open();
    EdicionActual = DataModule6->Table1->recordCount();
    DataModule6->Table3->open();
    DataModule6->Table3->last();
    if (!DataModule6->Table3->bof()) {
        commandWindow<TForm9>(this, QStringLiteral(" Vesmarin - Mostrar Reporte"))->show();
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
    commandWindow<TForm11>(this, QStringLiteral(" Acerca de Vesmarin"))->showModal();
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
