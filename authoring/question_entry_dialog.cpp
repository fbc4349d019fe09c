#include "question_entry_dialog.h"

#include "platform/ui/fonts.h"
#include "ui_question_entry_dialog.h"

#include "authoring/new_survey_dialog.h"
#include "platform/ui/errors.h"
#include "platform/ui/picture_controls.h"
#include "platform/ui/widget_events.h"
#include "shell/run_state.h"
#include "store/data_module.h"

#include <QApplication>
#include <QStyle>

#include <algorithm>

vui::GlobalForm<TForm3> Form3;

QRect questionLabelGeometry(int k)
{
    const int row = k <= 25 ? k - 1 : k - 26;
    const int left = k <= 9 ? 16 : k <= 25 ? 8 : 312;
    return { left, 8 + 30 * row, k <= 9 ? 15 : 22, 20 };
}

QRect questionEditGeometry(int k)
{
    const int row = k <= 25 ? k - 1 : k - 26;
    return { k <= 25 ? 40 : 344, 8 + 30 * row, 250, 24 };
}

QuestionLayout questionLayout(int n)
{
    if (n <= 11)
        return { { 544, 375 }, { 533, 350 }, 408 };
    if (n <= 25)
        return { { 544, 375 }, { 520, questionLabelGeometry(n).top() + 40 }, 408 };
    return { { 810, 492 }, { 785, 757 }, 650 };
}

TForm3::TForm3(QWidget* owner, bool opening)
    : vui::Form(owner)
    , ui(std::make_unique<Ui::TForm3>())
{
    ui->setupUi(this);
    vui::usePixelFonts(this);
    setDialogFrame(810, 492);
    ScrollBox = ui->ScrollBox;
    GroupBox1 = ui->GroupBox1;
    BitBtn1 = ui->BitBtn1;
    BitBtn2 = ui->BitBtn2;
    for (int k = 1; k <= kMaxQuestions; ++k) {
        m_edits[size_t(k - 1)] = GroupBox1->findChild<QLineEdit*>(QStringLiteral("Edit%1").arg(k));
        m_labels[size_t(k - 1)] = GroupBox1->findChild<QLabel*>(QStringLiteral("Label%1").arg(k));
        // Key preview: the dialog sees each character before the field does.
        vui::onKeyPress(m_edits[size_t(k - 1)], this, &TForm3::FormKeyPress);
    }
    BitBtn1->setIcon(vui::standardIcon(QStyle::SP_DialogOkButton));
    BitBtn1->setModalResult(vui::mrOk);
    BitBtn2->setKind(vui::BitBtn::Ignore);
    onClick(BitBtn1, this, &TForm3::BitBtn1Click);
    onClick(BitBtn2, this, &TForm3::BitBtn2Click);

    // A field that takes the focus, however it got it, is scrolled into view.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && ui->ScrollContents->isAncestorOf(now))
            ScrollBox->ensureWidgetVisible(now);
    });

    if (opening)
        vui::guarded([this] { FormCreate(); });
}

TForm3::~TForm3() = default;

void TForm3::FormCreate()
{
    m_count = std::clamp(NumPreguntas, 0, kMaxQuestions);
    for (int k = 1; k <= m_count; ++k) {
        questionEdit(k)->setVisible(true);
        questionLabel(k)->setVisible(true);
    }
    const QuestionLayout layout = questionLayout(NumPreguntas);
    BitBtn1->move(layout.buttonLeft, BitBtn1->y());
    BitBtn2->move(layout.buttonLeft, BitBtn2->y());
    GroupBox1->resize(layout.groupBox);
    // The group box stands 4 pixels above the client area; what scrolls is
    // the part of it below the top edge.
    ui->ScrollContents->resize(layout.groupBox.width(), layout.groupBox.height() + GroupBox1->y());
}

void TForm3::FormKeyPress(QChar& key)
{
    if (key != QLatin1Char('\r'))
        return;
    key = QChar();
    vui::postNextControl(this);
}

void TForm3::BitBtn1Click()
{
    vdb::Table* table = DataModule6->Table2;
    table->open();
    {
        PendingRowGuard pending(table);
        for (int k = 1; k <= m_count; ++k) {
            table->last();
            if (table->bof())
                table->insert();
            else
                table->append();
            table->fieldByName(QStringLiteral("Edicion")).setAsString(QString::number(EdicionActual));
            table->fieldByName(QStringLiteral("Preguntas")).setAsString(questionEdit(k)->text());
            table->post();
        }
    }
    table->close();
    hide();
}

void TForm3::BitBtn2Click()
{
    ModoReedicion = 1;
    auto* parameters = new TForm2(this);
    parameters->setWindowTitle(QStringLiteral("Vesmarin - Edicion de Encuesta"));
    hide();
    parameters->showModal();
}

void TForm3::resizeEvent(QResizeEvent* event)
{
    ScrollBox->setGeometry(rect());
    vui::Form::resizeEvent(event);
}
