#include "report_choice.h"

#include "platform/ui/errors.h"
#include "platform/ui/fonts.h"
#include "platform/ui/widget_events.h"
#include "report_form.h"
#include "shell/run_state.h"
#include "store/data_module.h"
#include "ui_report_choice.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>

vui::GlobalForm<TForm9> Form9;

namespace {

// "Siguente": a green arrow pointing on.
QIcon nextPicture()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath arrow;
    arrow.moveTo(2, 6);
    arrow.lineTo(8, 6);
    arrow.lineTo(8, 2);
    arrow.lineTo(14, 8);
    arrow.lineTo(8, 14);
    arrow.lineTo(8, 10);
    arrow.lineTo(2, 10);
    arrow.closeSubpath();
    p.fillPath(arrow, QColor(0, 128, 0));
    p.setPen(QColor(0, 64, 0));
    p.drawPath(arrow);
    return QIcon(pixmap);
}

// The window's own picture: a small bar chart.
QIcon windowPicture()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(QColor(192, 192, 192));
    QPainter p(&pixmap);
    const QColor colours[] = { Qt::red, Qt::blue, Qt::green, Qt::yellow };
    const int heights[] = { 12, 22, 8, 17 };
    for (int i = 0; i < 4; ++i) {
        p.fillRect(QRect(3 + i * 7, 29 - heights[i], 5, heights[i]), colours[i]);
        p.setPen(Qt::black);
        p.drawRect(QRect(3 + i * 7, 29 - heights[i], 5, heights[i]));
    }
    return QIcon(pixmap);
}

} // namespace

TForm9::TForm9(QWidget* owner, bool opening)
    : vui::Form(owner)
    , ui(std::make_unique<Ui::TForm9>())
{
    ui->setupUi(this);
    vui::usePixelFonts(this);
    RadioGroup1 = ui->RadioGroup1;
    RadioGroup1Item0 = ui->RadioGroup1Item0;
    RadioGroup1Item1 = ui->RadioGroup1Item1;
    GroupBox1 = ui->GroupBox1;
    Label2 = ui->Label2;
    DBEdit1 = ui->DBEdit1;
    ListBox1 = ui->ListBox1;
    ComboBox1 = ui->ComboBox1;
    BitBtn1 = ui->BitBtn1;
    BitBtn2 = ui->BitBtn2;
    DBNavigator1 = ui->DBNavigator1;
    DBEdit2 = ui->DBEdit2;
    DBEdit3 = ui->DBEdit3;
    DBEdit4 = ui->DBEdit4;

    setDialogFrame(560, 445);
    setWindowIcon(windowPicture());
    BitBtn1->setIcon(nextPicture());
    BitBtn2->setKind(vui::BitBtn::Cancel);
    ListBox1->setUniformItemSizes(true);
    ComboBox1->setMaxVisibleItems(8);
    // "Siguente" reports on the question text as typed: nothing completes it.
    ComboBox1->setCompleter(nullptr);
    vui::radioGroup({ RadioGroup1Item0, RadioGroup1Item1 });

    if (DataModule6) {
        DBEdit1->bind(DataModule6->DataSource2, QStringLiteral("Edicion"));
        DBEdit2->bind(DataModule6->DataSource2, QStringLiteral("Direccion"));
        DBEdit3->bind(DataModule6->DataSource5, QStringLiteral("Rep_icono"));
        DBEdit4->bind(DataModule6->DataSource5, QStringLiteral("Promedio"));
        DBNavigator1->bind(DataModule6->DataSource2);
    }

    // A radio item reports a choice when it becomes the selected one.
    for (QRadioButton* item : { RadioGroup1Item0, RadioGroup1Item1 })
        connect(item, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked)
                vui::guarded([this] { RadioGroup1Click(); });
        });
    vui::on(DBNavigator1, &vui::DBNavigator::clicked, this, [this](vui::DBNavigator::Button) { DBNavigator1Click(); });
    vui::on(ComboBox1, &QComboBox::editTextChanged, this, [this](const QString&) { ComboBox1Change(); });
    onClick(BitBtn1, this, &TForm9::BitBtn1Click);
    onClick(BitBtn2, this, &TForm9::BitBtn2Click);

    if (opening)
        vui::guarded([this] { FormCreate(); });
}

TForm9::~TForm9() = default;

int TForm9::itemIndex() const
{
    if (RadioGroup1Item0->isChecked())
        return 0;
    if (RadioGroup1Item1->isChecked())
        return 1;
    return -1;
}

void TForm9::FormCreate()
{
    DataModule6->Table1->open();
    DataModule6->Table2->open();
    if (EdicionActual == 1)
        DBNavigator1->hide();
}

void TForm9::fillList(bool questionMode)
{
    // Read first: a failing query leaves the old lines in place.
    const QStringList lines = questionLines(DBEdit1->text());
    if (questionMode) {
        const QSignalBlocker quiet(ComboBox1); // the text typed stays as it is
        const QString typed = ComboBox1->currentText();
        vui::setRows(ComboBox1, lines, 20);
        ComboBox1->setEditText(typed);
    } else {
        vui::setRows(ListBox1, lines, 20);
    }
}

void TForm9::RadioGroup1Click()
{
    DBNavigator1->setEnabled(true);
    const bool questionMode = itemIndex() == 1;
    if (!questionMode) {
        BitBtn1->setEnabled(true);
        GroupBox1->setTitle(QStringLiteral(" REPORTE POR EDICIÓN"));
        if (Form10)
            Form10->setQuestionReport(false);
        ListBox1->show();
        ComboBox1->hide();
    } else {
        GroupBox1->setTitle(QStringLiteral(" REPORTE POR PREGUNTA"));
        ComboBox1->setEditText(QString());
        BitBtn1->setEnabled(false);
        if (Form10)
            Form10->setQuestionReport(true);
        ComboBox1->show();
        ListBox1->hide();
    }
    DataModule6->Table1->first();
    fillList(questionMode);
}

void TForm9::DBNavigator1Click()
{
    if (ListBox1->isVisibleTo(this)) {
        fillList(false);
        return;
    }
    ComboBox1->setEditText(QString());
    BitBtn1->setEnabled(false);
    fillList(true);
}

void TForm9::ComboBox1Change()
{
    if (!ComboBox1->currentText().isEmpty())
        BitBtn1->setEnabled(true);
}

void TForm9::BitBtn2Click()
{
    hide();
}
