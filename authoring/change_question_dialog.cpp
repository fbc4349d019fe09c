#include "change_question_dialog.h"

#include "ui_change_question_dialog.h"

#include "platform/ui/errors.h"
#include "platform/ui/fonts.h"
#include "shell/run_state.h"
#include "store/data_module.h"

#include <QKeyEvent>
#include <QSignalBlocker>

vui::GlobalForm<TForm8> Form8;

namespace {

// One walk from the first row to the end: every row of `edition` whose text
// field reads `oldText` gets `newText`; a changed row keeps its place, and the
// walk moves on from it, so no row is examined twice.
int replaceText(vdb::DataSet& table, const QString& textField, const QString& edition, const QString& oldText,
    const QString& newText)
{
    int changed = 0;
    table.first();
    while (!table.eof()) {
        if (table.fieldByName(QStringLiteral("edicion")).asString() == edition
            && table.fieldByName(textField).asString() == oldText) {
            table.edit();
            table.fieldByName(textField).setAsString(newText);
            table.post();
            ++changed;
        }
        table.next();
    }
    return changed;
}

// The character a key press puts into a one-line field, if any. Keys that only
// move, delete forwards or leave the field give none.
std::optional<QChar> typedCharacter(const QKeyEvent& key)
{
    switch (key.key()) {
    case Qt::Key_Backspace:
        return QChar(0x08);
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QChar(0x0D);
    case Qt::Key_Delete:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return std::nullopt;
    default:
        break;
    }
    if ((key.modifiers() & Qt::ControlModifier) && key.key() >= Qt::Key_A && key.key() <= Qt::Key_Z)
        return QChar(key.key() - Qt::Key_A + 1); // Ctrl+C is character 3, as a keyboard sends it
    if (!key.text().isEmpty())
        return key.text().at(0);
    return std::nullopt;
}

} // namespace

QuestionChange changeQuestionText(const QString& edition, const QString& oldText, const QString& newText)
{
    TDataModule6& dm = *DataModule6;
    // Both files are reached before the transaction: none can be attached
    // while it runs.
    dm.Table2->open();
    dm.Table3->open();
    QuestionChange changed;
    try {
        vdb::Transaction transaction(kDatabaseName);
        {
            // Bound controls are not redrawn for every row of the walks, and
            // none of them hands a text of its own to the rows written here.
            const QSignalBlocker questionsQuiet(dm.Table2);
            const QSignalBlocker resultsQuiet(dm.Table3);
            // The walks decide on the files as they are under the lock.
            dm.Table2->reload();
            dm.Table3->reload();
            changed.questionRows = replaceText(*dm.Table2, QStringLiteral("preguntas"), edition, oldText, newText);
            changed.resultRows = replaceText(*dm.Table3, QStringLiteral("pregunta"), edition, oldText, newText);
        }
        transaction.commit();
        emit dm.Table2->dataChanged();
        emit dm.Table3->dataChanged();
    } catch (const vdb::Error& error) {
        throw vdb::Error(
            QStringLiteral("No se pudo modificar la pregunta; las tablas quedan como estaban.\n%1").arg(error.text()));
    }
    return changed;
}

TForm8::TForm8(QWidget* owner, bool opening)
    : vui::Form(owner)
    , ui(std::make_unique<Ui::TForm8>())
{
    ui->setupUi(this);
    vui::usePixelFonts(this);
    setDialogFrame(544, 375);
    Label1 = ui->Label1;
    Label2 = ui->Label2;
    Label3 = ui->Label3;
    Label4 = ui->Label4;
    DBEdit1 = ui->DBEdit1;
    DBNavigator1 = ui->DBNavigator1;
    ComboBox1 = ui->ComboBox1;
    Edit1 = ui->Edit1;
    BitBtn1 = ui->BitBtn1;
    BitBtn2 = ui->BitBtn2;
    DBEdit2 = ui->DBEdit2;
    DBEdit3 = ui->DBEdit3;

    BitBtn1->setKind(vui::BitBtn::OK);
    BitBtn2->setKind(vui::BitBtn::Cancel);
    if (DataModule6) {
        DBEdit1->bind(DataModule6->DataSource2, QStringLiteral("Edicion"));
        DBNavigator1->bind(DataModule6->DataSource2);
        DBEdit2->bind(DataModule6->DataSource3, QStringLiteral("Preguntas"));
        DBEdit3->bind(DataModule6->DataSource4, QStringLiteral("Pregunta"));
    }

    vui::on(DBNavigator1, &vui::DBNavigator::clicked, this, &TForm8::DBNavigator1Click);
    vui::on(ComboBox1, &QComboBox::activated, this, [this](int) { ComboBox1Change(); });
    onClick(BitBtn1, this, &TForm8::BitBtn1Click);
    onClick(BitBtn2, this, &TForm8::BitBtn2Click);
    Edit1->installEventFilter(this);
    ComboBox1->setFocus();

    if (opening)
        vui::guarded([this] { FormCreate(); });
}

TForm8::~TForm8() = default;

void TForm8::FormCreate()
{
    DataModule6->Table1->open();
    if (EdicionActual == 1)
        DBNavigator1->hide();
    DataModule6->Table1->first();
    fillList();
}

void TForm8::fillList()
{
    ComboBox1->clear();
    vui::setRows(ComboBox1, questionLines(DBEdit1->text()), 16);
}

void TForm8::DBNavigator1Click(vui::DBNavigator::Button)
{
    fillList();
}

void TForm8::ComboBox1Change()
{
    Label3->setEnabled(true);
    Edit1->setEnabled(true);
}

void TForm8::Edit1KeyPress(QChar& key)
{
    if (key == QChar(0x08)) {
        // Only a Backspace on the empty field withdraws "Aceptar".
        if (Edit1->text().isEmpty())
            BitBtn1->setEnabled(false);
        return;
    }
    BitBtn1->setEnabled(true);
}

bool TForm8::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != Edit1 || event->type() != QEvent::KeyPress)
        return vui::Form::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    // With "Aceptar" enabled, Enter presses it and never reaches the field.
    if (enter && BitBtn1->isEnabled())
        return false;
    std::optional<QChar> typed = typedCharacter(*key);
    if (!typed)
        return false;
    QChar character = *typed;
    vui::guarded([&] { Edit1KeyPress(character); });
    // A one-line field does nothing with Enter; the dialog must not take it
    // as a press of the button it has just enabled.
    return enter;
}

void TForm8::BitBtn1Click()
{
    const QString newText = Edit1->text();
    changeQuestionText(DBEdit1->text(), ComboBox1->currentText(), newText);
    DataModule6->Table1->close();
    DataModule6->Table2->close();
    // A running survey writes its answers into the results table without
    // opening it: closing it under the run would lose the next answer.
    if (!RunUnderWay)
        DataModule6->Table3->close();
    hide();
}

void TForm8::BitBtn2Click()
{
    hide();
}
