#include "report_form.h"

#include "platform/ui/fonts.h"
#include "store/data_module.h"
#include "ui_report_form.h"

vui::GlobalForm<TForm10> Form10;

namespace {

QFont narrow(int pixels, bool bold = false)
{
    QFont font(QStringLiteral("Arial Narrow"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

template <typename T>
T* text(vrep::Band* band, const char* name, int left, int top, int width, int height, int pixels, bool bold)
{
    auto* p = band->add<T>(QLatin1String(name), QRect(left, top, width, height));
    p->setFont(narrow(pixels, bold));
    return p;
}

vrep::Label* label(vrep::Band* band, const char* name, const QString& caption, int left, int top, int width, int height)
{
    auto* l = text<vrep::Label>(band, name, left, top, width, height, 13, true);
    l->setCaption(caption);
    return l;
}

vrep::DBText* field(vrep::Band* band, const char* name, const char* fieldName, int left, int width)
{
    auto* t = text<vrep::DBText>(band, name, left, 8, width, 17, 13, false);
    t->setDataField(DataModule6 ? DataModule6->Query2 : nullptr, QLatin1String(fieldName));
    return t;
}

void chartLook(vrep::ChartSettings& c)
{
    c.titleFont = narrow(16, true);
    c.titleColour = Qt::black;
    c.legendVisible = true;
    c.legendFont = narrow(11);
    c.legendColour = Qt::black;
    c.legendTopPercent = 6;
    c.gradientEnd = QColor(192, 192, 192);
    c.series.colour = Qt::red;
    c.series.colourEachPoint = true;
    c.series.marksFont = narrow(11);
}

// A chart box of the summary, hidden until a question report shows it.
vrep::Chart* chartBox(vrep::Band* band, const char* name, const QRect& box, vrep::ChartSettings::Kind kind,
    vdb::DataSet* rows, const char* chartName, const QString& title, const char* seriesName, const char* valueField)
{
    auto* chart = band->add<vrep::Chart>(QLatin1String(name), box, kind);
    chart->setDataSet(rows);
    chart->setEnabled(false);
    vrep::ChartSettings& c = chart->chart();
    chartLook(c);
    c.name = QLatin1String(chartName);
    c.title = title;
    c.series.name = QLatin1String(seriesName);
    c.series.valueField = QLatin1String(valueField);
    c.series.labelField = QStringLiteral("Icono");
    return chart;
}

} // namespace

TForm10::TForm10(QWidget* owner, bool opening)
    : vui::Form(owner)
    , ui(std::make_unique<Ui::TForm10>())
{
    ui->setupUi(this);
    vui::usePixelFonts(this);
    buildReport();
    Q_UNUSED(opening); // the holder has no creation step of its own
}

TForm10::~TForm10() = default;

void TForm10::buildReport()
{
    QuickRep1 = new vrep::Report(this);
    QuickRep1->setObjectName(QStringLiteral("QuickRep1"));
    vdb::Query* rows = DataModule6 ? DataModule6->Query2 : nullptr;
    vdb::Query* icon = DataModule6 ? DataModule6->Query3 : nullptr;
    QuickRep1->setDataSet(rows);
    QuickRep1->setTitle(QStringLiteral("Reporte"));
    QuickRep1->setPrintIfEmpty(true);
    QuickRep1->setZoom(100);

    QRBand1 = QuickRep1->addBand(QStringLiteral("QRBand1"), vrep::Band::Title, 43);
    QRSysData1
        = QRBand1->add<vrep::SysData>(QStringLiteral("QRSysData1"), QRect(316, 0, 107, 26), vrep::SysData::ReportTitle);
    QRSysData1->setFont(narrow(21, true));
    QRSysData1->setCentred(true);

    QRBand2 = QuickRep1->addBand(QStringLiteral("QRBand2"), vrep::Band::ColumnHeader, 48);
    QRLabel1 = label(QRBand2, "QRLabel1", QStringLiteral("Edicion"), 16, 8, 41, 17);
    QRLabel2 = label(QRBand2, "QRLabel2", QStringLiteral("Pregunta"), 80, 8, 49, 17);
    QRLabel3 = label(QRBand2, "QRLabel3", QStringLiteral("# de Icono"), 430, 8, 57, 17);
    QRLabel6 = label(QRBand2, "QRLabel6", QStringLiteral("Icono"), 510, 8, 32, 17);
    QRLabel7 = label(QRBand2, "QRLabel7", QStringLiteral("# de "), 595, 0, 26, 17);
    QRLabel8 = label(QRBand2, "QRLabel8", QStringLiteral("Repeticiones"), 574, 16, 70, 17);
    QRLabel4 = label(QRBand2, "QRLabel4", QStringLiteral("Tiempo Promedio"), 652, 0, 92, 17);
    QRLabel9 = label(QRBand2, "QRLabel9", QStringLiteral("en segundos"), 663, 16, 70, 17);
    QRShape1 = QRBand2->add<vrep::Shape>(QStringLiteral("QRShape1"), QRect(8, 40, 737, 1));

    QRBand3 = QuickRep1->addBand(QStringLiteral("QRBand3"), vrep::Band::Detail, 41);
    QRDBText1 = field(QRBand3, "QRDBText1", "Edicion", 16, 35);
    QRDBText2 = field(QRBand3, "QRDBText2", "Pregunta", 80, 44);
    // A long question stops short of the icon number's column.
    QRDBText2->setMaxWidth(340);
    QRDBText3 = field(QRBand3, "QRDBText3", "Icono", 454, 27);
    QRDBImage1 = QRBand3->add<vrep::DBImage>(QStringLiteral("QRDBImage1"), QRect(504, 0, 33, 33));
    QRDBImage1->setDataField(rows, QStringLiteral("Grafico"));
    QRDBText5 = field(QRBand3, "QRDBText5", "Rep_icono", 595, 52);
    QRDBText4 = field(QRBand3, "QRDBText4", "Promedio", 684, 46);

    QRBand5 = QuickRep1->addBand(QStringLiteral("QRBand5"), vrep::Band::Summary, 522);
    QRShape2 = QRBand5->add<vrep::Shape>(QStringLiteral("QRShape2"), QRect(8, 24, 737, 1));
    QRLabel5 = label(QRBand5, "QRLabel5", QStringLiteral("QRLabel5"), 25, 48, 52, 17);
    QRExpr1 = text<vrep::Expr>(QRBand5, "QRExpr1", 160, 48, 47, 17, 13, true);

    QRChart1 = chartBox(QRBand5, "QRChart1", QRect(16, 125, 337, 268), vrep::ChartSettings::Bar, rows, "QRDBChart1",
        QStringLiteral("PROMEDIO"), "Series1", "Promedio");
    QRDBChart1 = &QRChart1->chart();
    Series1 = &QRDBChart1->series;
    Series1->title = QStringLiteral("Promedio");
    Series1->xField = QStringLiteral("Icono");
    Series1->marksVisible = false;
    QRDBChart1->bottomAxis.title = QStringLiteral("Número de Icono");
    QRDBChart1->bottomAxis.titleFont = narrow(13, true);
    QRDBChart1->bottomAxis.labelFont = narrow(12);
    QRDBChart1->bottomAxis.logarithmic = true;
    QRDBChart1->leftAxis.title = QStringLiteral("Tiempo");
    QRDBChart1->leftAxis.titleFont = narrow(13, true);
    QRDBChart1->leftAxis.labelFont = narrow(12);
    QRDBChart1->rightAxis.titleFont = narrow(15);
    QRDBChart1->depthPercent = 60;
    QRDBChart1->elevation = 320;
    QRDBChart1->backWall = Qt::white;
    QRDBChart1->bottomWall = Qt::black;
    QRDBChart1->leftWall = QColor(192, 192, 192);

    QRChart2 = chartBox(QRBand5, "QRChart2", QRect(384, 125, 337, 268), vrep::ChartSettings::Pie, rows, "QRDBChart2",
        QStringLiteral("NÚMERO DE REPETICIONES"), "Series3", "Rep_icono");
    QRDBChart2 = &QRChart2->chart();
    Series3 = &QRDBChart2->series;
    Series3->marksVisible = true;
    Series3->marksTransparent = true;
    Series3->marksArrowVisible = false;
    Series3->marksArrowLength = 8;
    Series3->otherSliceText = QStringLiteral("Other");
    QRDBChart2->bottomAxis.visible = false;
    QRDBChart2->leftAxis.visible = false;
    QRDBChart2->rightAxis.visible = false;
    QRDBChart2->legendShowsPercent = true;
    QRDBChart2->depthPercent = 30;
    QRDBChart2->elevation = 315;
    QRDBChart2->bottomWall = Qt::white;

    QRLabel10 = label(QRBand5, "QRLabel10", QStringLiteral("El Icono más apropiado es:"), 24, 463, 145, 24);
    QRLabel10->setColour(Qt::black);
    QRLabel10->setEnabled(false);
    QRDBImage2 = QRBand5->add<vrep::DBImage>(QStringLiteral("QRDBImage2"), QRect(186, 457, 33, 33));
    QRDBImage2->setDataField(icon, QStringLiteral("Grafico"));
    QRDBImage2->setEnabled(false);

    QRBand6 = QuickRep1->addBand(QStringLiteral("QRBand6"), vrep::Band::PageFooter, 40);
    QRShape3 = QRBand6->add<vrep::Shape>(QStringLiteral("QRShape3"), QRect(8, 8, 737, 1));
    QRSysData2 = QRBand6->add<vrep::SysData>(QStringLiteral("QRSysData2"), QRect(8, 16, 31, 17), vrep::SysData::Date);
    QRSysData2->setFont(narrow(13));
    QRSysData3
        = QRBand6->add<vrep::SysData>(QStringLiteral("QRSysData3"), QRect(712, 16, 41, 17), vrep::SysData::PageNumber);
    QRSysData3->setFont(narrow(13));
}

void TForm10::setQuestionReport(bool byQuestion)
{
    for (vrep::Printable* p : std::initializer_list<vrep::Printable*> { QRChart1, QRChart2, QRDBImage2, QRLabel10 })
        p->setEnabled(byQuestion);
    QRLabel5->setCaption(byQuestion ? QStringLiteral("Número de Encuestas") : QStringLiteral("Total de Registros"));
    QRExpr1->setExpression(byQuestion ? QStringLiteral("SUM(Rep_icono)") : QStringLiteral("COUNT"));
    QRBand5->setHeight(byQuestion ? 522 : 100);
}
