#include "icon_window.h"

#include "administration/answer_recording.h"
#include "administration/run_clock.h"
#include "administration/survey_run.h"
#include "platform/db/bitmap_file.h"
#include "platform/ui/errors.h"
#include "platform/ui/fonts.h"
#include "shell/run_state.h"
#include "store/data_module.h"
#include "ui_icon_window.h"

#include <QCloseEvent>
#include <QCursor>

#include <algorithm>
#include <cmath>

vui::GlobalForm<TForm5> Form5;

int IconosMostrados[13] = {};
int InicioMs = 0;
int Encontrado = 0;
QDateTime LecturaReloj;
quint16 HoraInicio = 0, MinutoInicio = 0, SegundoInicio = 0, MsInicio = 0;
quint32 RandSeed = 0;

void Randomize(const QTime& utcTime)
{
    RandSeed = quint32(msSinceMidnight(utcTime));
}

int Random(int range)
{
    RandSeed = RandSeed * 134775813u + 1u;
    return int((quint64(quint32(range)) * RandSeed) >> 32);
}

QPoint iconButtonPosition(int count, int i, int formWidth, int formHeight)
{
    // The angle factor is 0.01745, not pi/180: the positions depend on it.
    const double a = (360.0 / count) * 0.01745 * i;
    const double x = std::cos(a) * 125.0 + (formWidth / 2) - 16.5;
    const double y = std::sin(a) * 125.0 + (formHeight / 2) - 33.0;
    // nearbyint rounds halves to the even neighbour (the default mode).
    return QPoint(int(std::nearbyint(x)), int(std::nearbyint(y)));
}

QPoint pointerTarget(const QRect& outerBounds)
{
    return QPoint(outerBounds.left() + outerBounds.width() / 2, outerBounds.top() + outerBounds.height() / 2);
}

std::array<int, 13> drawIcons(int count, int totalIconos)
{
    std::array<int, 13> icons {};
    for (int k = 1; k <= count && k <= 12; ++k) {
        int v = Random(totalIconos) + 1;
        // Distinct icons only when there are enough pictures for every button.
        if (k >= 2 && totalIconos >= count) {
            auto taken = [&] { return std::find(icons.begin() + 1, icons.begin() + k, v) != icons.begin() + k; };
            while (taken())
                v = Random(totalIconos) + 1;
        }
        icons[k] = v;
    }
    return icons;
}

TForm5::TForm5(QWidget* owner, bool opening)
    : vui::Form(nullptr)
    , ui(std::make_unique<Ui::TForm5>())
    , m_opener(owner)
{
    if (opening)
        m_run = runFor(owner);
    setParent(opening ? chainParent(m_run, owner) : owner, windowFlags());
    ui->setupUi(this);
    SpeedButtons = { ui->SpeedButton1, ui->SpeedButton2, ui->SpeedButton3, ui->SpeedButton4, ui->SpeedButton5,
        ui->SpeedButton6, ui->SpeedButton7, ui->SpeedButton8, ui->SpeedButton9, ui->SpeedButton10, ui->SpeedButton11,
        ui->SpeedButton12 };
    setDialogFrame(544, 375);
    vui::usePixelFonts(this);

    // The global instance stands for the one start-up made before the data
    // module: it is bound to nothing, whenever it is first used.
    if (opening && DataModule6) {
        const char* fields[] = { "Edicion", "Pregunta", "Icono", "Tiempo", "Suma_tiempo", "Rep_icono", "Promedio" };
        vui::DBEdit* edits[]
            = { ui->DBEdit1, ui->DBEdit2, ui->DBEdit3, ui->DBEdit4, ui->DBEdit5, ui->DBEdit6, ui->DBEdit7 };
        for (int i = 0; i < 7; ++i)
            edits[i]->bind(DataModule6->DataSource4, QLatin1String(fields[i]));
        ui->DBImage1->bind(DataModule6->DataSource4, QStringLiteral("Grafico"));
    }

    using Handler = void (TForm5::*)();
    static const Handler handlers[12] = { &TForm5::SpeedButton1Click, &TForm5::SpeedButton2Click,
        &TForm5::SpeedButton3Click, &TForm5::SpeedButton4Click, &TForm5::SpeedButton5Click, &TForm5::SpeedButton6Click,
        &TForm5::SpeedButton7Click, &TForm5::SpeedButton8Click, &TForm5::SpeedButton9Click, &TForm5::SpeedButton10Click,
        &TForm5::SpeedButton11Click, &TForm5::SpeedButton12Click };
    for (int k = 0; k < 12; ++k) {
        const Handler handler = handlers[k];
        vui::on(SpeedButtons[k], &QToolButton::clicked, this, [this, handler](bool) { (this->*handler)(); });
    }

    if (opening)
        vui::guarded([this] { FormCreate(); });
}

TForm5::~TForm5() = default;

TForm5* TForm5::open(QWidget* owner)
{
    TForm5* icons = takeSpare(owner, &SurveyRun::spareIconWindow);
    if (!icons)
        return new TForm5(owner);
    icons->m_opener = owner;
    icons->m_answered = false;
    icons->m_iconos = {};
    // As a new window has them: hidden and without a picture until laid out.
    for (vui::SpeedButton* button : icons->SpeedButtons) {
        button->hide();
        button->setPicture(QImage());
    }
    icons->restoreDialogFrame();
    vui::guarded([icons] { icons->FormCreate(); });
    return icons;
}

void TForm5::closeEvent(QCloseEvent* event)
{
    if (!refuseUserClose(m_run, event))
        vui::Form::closeEvent(event);
}

void TForm5::FormCreate()
{
    SurveyRun& run = *m_run;
    setWindowTitle(QString::number(run.siguiente - 1) + QStringLiteral(". ") + run.question(run.siguiente - 1));
    Encontrado = 0;
    if (MainWindow)
        QCursor::setPos(pointerTarget(mainWindowBounds()));

    const run_clock::Reading reading = run_clock::now();
    const QTime start = reading.local;
    m_steadyStartMs = reading.steadyMs;
    LecturaReloj = QDateTime(QDate::currentDate(), start);
    HoraInicio = quint16(start.hour());
    MinutoInicio = quint16(start.minute());
    SegundoInicio = quint16(start.second());
    MsInicio = quint16(start.msec());
    InicioMs = msSinceMidnight(start);
    m_inicioMs = InicioMs;

    Randomize(run_clock::utcTime());

    // The circle's centre comes from the never-shown global instance's size.
    const int width = Form5 ? Form5->width() : 544;
    const int height = Form5 ? Form5->height() : 375;
    const int count = std::min(run.numIconos, 12);
    // The draws depend only on the seed, so they can all be made first.
    const std::array<int, 13> drawn = drawIcons(count, run.totalIconos);
    for (int i = 0; i < count; ++i) {
        const int k = i + 1;
        vui::SpeedButton* button = SpeedButtons[i];
        button->setVisible(true);
        button->move(iconButtonPosition(run.numIconos, i, width, height));
        m_iconos[k] = drawn[k];
        IconosMostrados[k] = drawn[k];
        // A file that cannot be read is named as the survey gives it.
        const QString file = run.iconFileName(drawn[k]);
        button->setPicture(vdb::loadBitmapFile(iconFilePath(file), file));
    }
}

void TForm5::SpeedButton1Click()
{
    recordAnswer(this, 1);
}
void TForm5::SpeedButton2Click()
{
    recordAnswer(this, 2);
}
void TForm5::SpeedButton3Click()
{
    recordAnswer(this, 3);
}
void TForm5::SpeedButton4Click()
{
    recordAnswer(this, 4);
}
void TForm5::SpeedButton5Click()
{
    recordAnswer(this, 5);
}
void TForm5::SpeedButton6Click()
{
    recordAnswer(this, 6);
}
void TForm5::SpeedButton7Click()
{
    recordAnswer(this, 7);
}
void TForm5::SpeedButton8Click()
{
    recordAnswer(this, 8);
}
void TForm5::SpeedButton9Click()
{
    recordAnswer(this, 9);
}
void TForm5::SpeedButton10Click()
{
    recordAnswer(this, 10);
}
void TForm5::SpeedButton11Click()
{
    recordAnswer(this, 11);
}
void TForm5::SpeedButton12Click()
{
    recordAnswer(this, 12);
}
