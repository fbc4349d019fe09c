#include "survey_list.h"

#include "administration/question_notice.h"
#include "administration/survey_run.h"
#include "platform/db/bitmap_file.h"
#include "platform/ui/errors.h"
#include "platform/ui/fonts.h"
#include "platform/ui/messages.h"
#include "shell/run_state.h"
#include "store/data_module.h"
#include "ui_survey_list.h"

#include <QBitmap>
#include <QPainter>

vui::GlobalForm<TForm7> Form7;

namespace {

const QString kDatosIncorrectos = QStringLiteral("Los datos de la Encuesta son Incorrectos o han sido Modificados");

// A waste bin in one colour on a transparent 16 x 16 ground.
QPixmap wasteBin(const QColor& ink)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(ink);
    p.drawLine(2, 3, 13, 3); // rim of the lid
    p.drawLine(6, 1, 9, 1); // handle
    p.drawPoint(5, 2);
    p.drawPoint(10, 2);
    p.drawRect(3, 4, 9, 10); // body
    for (int x = 5; x <= 10; x += 2)
        p.drawLine(x, 6, x, 12); // ribs
    return pixmap;
}

QIcon wasteBinIcon()
{
    QIcon icon;
    icon.addPixmap(wasteBin(Qt::black), QIcon::Normal);
    icon.addPixmap(wasteBin(Qt::gray), QIcon::Disabled);
    return icon;
}

} // namespace

void checkIconFiles(int totalIconos)
{
    for (int i = 1; i <= totalIconos; ++i) {
        const QString file = iconFileName(i);
        vdb::loadBitmapFile(iconFilePath(file), file);
    }
}

bool surveyShapeValid(int numIconos, int numPreguntas)
{
    return numIconos >= 2 && numIconos <= 12 && numPreguntas >= 1 && numPreguntas <= 50;
}

TForm7::TForm7(QWidget* owner, bool opening)
    : vui::Form(owner)
    , ui(std::make_unique<Ui::TForm7>())
{
    ui->setupUi(this);
    vui::usePixelFonts(this);
    Label1 = ui->Label1;
    Label2 = ui->Label2;
    DBEdit1 = ui->DBEdit1;
    ListBox1 = ui->ListBox1;
    DBNavigator1 = ui->DBNavigator1;
    BitBtn1 = ui->BitBtn1;
    BitBtn2 = ui->BitBtn2;
    BitBtn3 = ui->BitBtn3;
    DBEdit2 = ui->DBEdit2;
    DBEdit3 = ui->DBEdit3;
    DBEdit4 = ui->DBEdit4;
    DBEdit5 = ui->DBEdit5;
    DBEdit6 = ui->DBEdit6;
    DBEdit7 = ui->DBEdit7;
    SpeedButton1 = ui->SpeedButton1;
    setDialogFrame(544, 375);

    ListBox1->setUniformItemSizes(true);

    BitBtn1->setKind(vui::BitBtn::OK);
    BitBtn2->setKind(vui::BitBtn::Cancel);
    BitBtn3->setModalResult(vui::mrOk);
    // Both are default buttons; only the one the opener shows ever acts.
    BitBtn3->setDefaultButton(true);
    BitBtn3->setIcon(wasteBinIcon());

    if (DataModule6) {
        DBEdit1->bind(DataModule6->DataSource2, QStringLiteral("Edicion"));
        DBEdit2->bind(DataModule6->DataSource2, QStringLiteral("Num"));
        DBEdit3->bind(DataModule6->DataSource2, QStringLiteral("Num_ico"));
        DBEdit4->bind(DataModule6->DataSource2, QStringLiteral("Total_ico"));
        DBEdit5->bind(DataModule6->DataSource2, QStringLiteral("Direccion"));
        DBEdit6->bind(DataModule6->DataSource3, QStringLiteral("Edicion"));
        DBEdit7->bind(DataModule6->DataSource4, QStringLiteral("Edicion"));
        DBNavigator1->bind(DataModule6->DataSource2);
    }

    onClick(BitBtn1, this, &TForm7::BitBtn1Click);
    onClick(BitBtn2, this, &TForm7::BitBtn2Click);
    onClick(BitBtn3, this, &TForm7::BitBtn3Click);
    vui::on(DBNavigator1, &vui::DBNavigator::clicked, this, &TForm7::DBNavigator1Click);

    if (opening)
        vui::guarded([this] { FormCreate(); });
}

TForm7::~TForm7() = default;

void TForm7::FormCreate()
{
    DataModule6->Table1->open();
    DataModule6->Table2->open();
    if (EdicionActual == 1)
        DBNavigator1->hide();
    DataModule6->Table1->first();
    fillList();
}

void TForm7::fillList()
{
    const QStringList lines = questionLines(DataModule6->Table1->fieldByName(QStringLiteral("Edicion")).asString());
    vui::setRows(ListBox1, lines, 16);
}

void TForm7::DBNavigator1Click(vui::DBNavigator::Button)
{
    fillList();
}

void TForm7::BitBtn1Click()
{
    vdb::Table* parameters = DataModule6->Table1;
    auto text = [parameters](const char* name) { return parameters->fieldByName(QLatin1String(name)).asString(); };
    EdicionActual = integerOfText(text("Edicion"));
    NumPreguntas = integerOfText(text("Num"));
    NumIconos = integerOfText(text("Num_ico"));
    TotalIconos = integerOfText(text("Total_ico"));
    DirIconos = text("Direccion");
    QStringList lines;
    for (int i = 0; i < ListBox1->count(); ++i)
        lines << ListBox1->item(i)->text();
    Memo1.replace(lines);
    DataModule6->Table1->close();
    DataModule6->Table2->close();
    SiguientePregunta = 1;

    QString refusal;
    try {
        // A row changed outside the program could ask for a run that cannot go on.
        if (!surveyShapeValid(NumIconos, NumPreguntas))
            throw vdb::Error(kDatosIncorrectos);
        checkIconFiles(TotalIconos);
        // Hidden from now on, the list owns the run's windows until the run is over.
        if (SiguientePregunta <= NumPreguntas)
            openFirstNotice(this)->run()->releaseAnchorAtEnd = true;
    } catch (const vdb::PictureTooLarge& error) {
        // Named, so that the author knows which picture to replace.
        refusal = kDatosIncorrectos + QStringLiteral("\n\n") + error.text();
    } catch (const std::exception&) {
        refusal = kDatosIncorrectos;
    }
    if (!refusal.isEmpty()) {
        vui::notice(this, refusal);
        DataModule6->Table3->close();
    }
    hide();
}

void TForm7::BitBtn2Click()
{
    DataModule6->Table1->close();
    DataModule6->Table2->close();
    hide();
}
