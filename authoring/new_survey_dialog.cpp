#include "new_survey_dialog.h"

#include "platform/ui/fonts.h"
#include "ui_new_survey_dialog.h"

#include "authoring/question_entry_dialog.h"
#include "platform/ui/errors.h"
#include "platform/ui/picture_controls.h"
#include "platform/ui/widget_events.h"
#include "shell/run_state.h"
#include "store/data_module.h"

#include <QKeyEvent>
#include <QStyle>

vui::GlobalForm<TForm2> Form2;

namespace {

// Runs a range rule on a field; the text is set only when the rule changes
// it, since setting it moves the cursor to the end.
void applyRule(QLineEdit* field, QString (*rule)(const QString&))
{
    const QString text = rule(field->text());
    if (text != field->text())
        field->setText(text);
}

} // namespace

int limitValue(const QString& text)
{
    return integerValue(QLatin1Char('1') + text) - 100;
}

int integerValue(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || text.trimmed() != text)
        throw vdb::Error(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}

QString questionsAfterChange(const QString& text)
{
    QString result = limitValue(text) > 50 ? QStringLiteral("50") : text;
    if (!result.isEmpty() && integerValue(result) == 0)
        result = QStringLiteral("1");
    return result;
}

QString questionsAfterExit(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("1") : text;
}

QString iconsAfterChange(const QString& text)
{
    QString result = limitValue(text) > 12 ? QStringLiteral("12") : text;
    if (result == QLatin1String("0"))
        result = QStringLiteral("2");
    return result;
}

QString iconsAfterExit(const QString& text)
{
    return text.isEmpty() || integerValue(text) < 2 ? QStringLiteral("2") : text;
}

TForm2::TForm2(QWidget* owner, bool opening)
    : vui::Form(owner)
    , ui(std::make_unique<Ui::TForm2>())
{
    ui->setupUi(this);
    vui::usePixelFonts(this);
    setDialogFrame(544, 375);
    Label10 = ui->Label10;
    Label1 = ui->Label1;
    Label2 = ui->Label2;
    Label3 = ui->Label3;
    Label4 = ui->Label4;
    Edit1 = ui->Edit1;
    Edit2 = ui->Edit2;
    Edit4 = ui->Edit4;
    Edit3 = ui->Edit3;
    UpDown1 = ui->UpDown1;
    UpDown2 = ui->UpDown2;
    DriveComboBox1 = ui->DriveComboBox1;
    DirectoryListBox1 = ui->DirectoryListBox1;
    BitBtn1 = ui->BitBtn1;
    BitBtn2 = ui->BitBtn2;

    // "Aceptar" carries OK but is no default button: Enter reaches it only
    // when it has the focus.
    BitBtn1->setIcon(vui::standardIcon(QStyle::SP_DialogOkButton));
    BitBtn1->setModalResult(vui::mrOk);
    BitBtn2->setKind(vui::BitBtn::Cancel);
    UpDown1->setAssociate(Edit1);
    UpDown2->setAssociate(Edit2);
    DriveComboBox1->setDirList(DirectoryListBox1);

    vui::onKeyPress(Edit1, this, &TForm2::Edit1KeyPress);
    vui::onKeyPress(Edit2, this, &TForm2::Edit2KeyPress);
    vui::onKeyPress(Edit4, this, &TForm2::Edit4KeyPress);
    vui::onKeyPress(DriveComboBox1, this, &TForm2::DriveComboBox1KeyPress);
    vui::onKeyPress(DirectoryListBox1, this, &TForm2::DirectoryListBox1KeyPress);
    vui::onExit(Edit1, this, &TForm2::Edit1Exit);
    vui::onExit(Edit2, this, &TForm2::Edit2Exit);
    vui::on(Edit1, &QLineEdit::textChanged, this, [this](const QString&) { Edit1Change(); });
    vui::on(Edit2, &QLineEdit::textChanged, this, [this](const QString&) { Edit2Change(); });
    vui::on(Edit3, &QLineEdit::textChanged, this, [this](const QString&) { Edit3Change(); });
    vui::on(Edit4, &QLineEdit::textChanged, this, [this](const QString&) { Edit4Change(); });
    vui::on(DirectoryListBox1, &vui::DirectoryListBox::changed, this, &TForm2::DirectoryListBox1Change);
    vui::on(DriveComboBox1, &vui::DriveComboBox::changed, this, &TForm2::DirectoryListBox1Change);
    vui::on(DriveComboBox1, &vui::DriveComboBox::clicked, this, &TForm2::DirectoryListBox1Change);
    vui::on(DriveComboBox1, &vui::DriveComboBox::entered, this, &TForm2::DirectoryListBox1Change);
    onClick(BitBtn1, this, &TForm2::BitBtn1Click);
    onClick(BitBtn2, this, &TForm2::BitBtn2Click);

    if (opening)
        vui::guarded([this] { FormCreate(); });
}

TForm2::~TForm2() = default;

void TForm2::FormCreate()
{
    if (ModoReedicion != 1)
        return;
    vdb::Table* table = DataModule6->Table1;
    table->open();
    table->edit();
    table->last();
    Edit1->setText(table->fieldByName(QStringLiteral("Num")).asString());
    Edit2->setText(table->fieldByName(QStringLiteral("Num_ico")).asString());
    Edit4->setText(table->fieldByName(QStringLiteral("Total_ico")).asString());
    Edit3->setText(table->fieldByName(QStringLiteral("Direccion")).asString());
}

void TForm2::numberKeyPress(QChar& key)
{
    if (key == QLatin1Char('\r')) {
        key = QChar();
        vui::postNextControl(this);
        return;
    }
    const bool digit = key >= QLatin1Char('0') && key <= QLatin1Char('9');
    if (!digit && key != QLatin1Char('\b'))
        key = QChar();
}

void TForm2::Edit1KeyPress(QChar& key)
{
    numberKeyPress(key);
}

void TForm2::Edit2KeyPress(QChar& key)
{
    numberKeyPress(key);
}

void TForm2::Edit4KeyPress(QChar& key)
{
    numberKeyPress(key);
}

void TForm2::Edit1Change()
{
    applyRule(Edit1, questionsAfterChange);
}

void TForm2::Edit1Exit()
{
    applyRule(Edit1, questionsAfterExit);
}

void TForm2::Edit2Change()
{
    applyRule(Edit2, iconsAfterChange);
}

void TForm2::Edit2Exit()
{
    applyRule(Edit2, iconsAfterExit);
}

void TForm2::DirectoryListBox1Change()
{
    DirectoryListBox1->show();
    Edit3->setText(DirectoryListBox1->directory());
}

void TForm2::DriveComboBox1KeyPress(QChar& key)
{
    if (key != QLatin1Char('\r'))
        return;
    key = QChar();
    vui::postNextControl(this);
    DirectoryListBox1->show();
}

void TForm2::DirectoryListBox1KeyPress(QChar& key)
{
    // The list opens the highlighted entry after this; a new directory then
    // reaches Edit3 through the list's change.
    if (key == QLatin1Char('\r'))
        Edit3->setText(DirectoryListBox1->directory());
}

void TForm2::Edit3Change()
{
    DirIconos = Edit3->text();
    updateAceptar();
}

void TForm2::Edit4Change()
{
    updateAceptar();
}

void TForm2::updateAceptar()
{
    const bool haveCount = !Edit4->text().isEmpty();
    if (haveCount && Edit3->text() == DirectoryListBox1->directory())
        m_directoryTaken = true;
    // An emptied icon count would be stored as a blank Total_ico, which no
    // survey can run with: "Aceptar" waits for a count again.
    BitBtn1->setEnabled(m_directoryTaken && haveCount);
}

void TForm2::BitBtn1Click()
{
    vdb::Table* table = DataModule6->Table1;
    table->open();
    NumPreguntas = integerValue(Edit1->text());
    auto* questions = new TForm3(this);
    questions->setWindowTitle(QStringLiteral("Vesmarin - Inserta Tus Preguntas ...."));
    if (NumPreguntas <= 25)
        questions->resize(544, 375);

    table->edit();
    table->last();
    const bool empty = table->bof();
    {
        PendingRowGuard pending(table);
        if (empty)
            table->insert();
        else if (ModoReedicion == 1)
            table->edit();
        else
            table->append();
        table->fieldByName(QStringLiteral("Edicion")).setAsString(QString::number(EdicionActual));
        table->fieldByName(QStringLiteral("Num")).setAsString(Edit1->text());
        table->fieldByName(QStringLiteral("Num_ico")).setAsString(Edit2->text());
        table->fieldByName(QStringLiteral("Total_ico")).setAsString(Edit4->text());
        table->fieldByName(QStringLiteral("Direccion")).setAsString(Edit3->text());
        table->post();
    }
    table->close();
    hide();
    questions->showModal();
}

void TForm2::BitBtn2Click()
{
    if (ModoReedicion == 1) {
        vdb::Table* table = DataModule6->Table1;
        table->edit();
        table->last();
        table->deleteRecord();
        table->close();
    }
    hide();
}
