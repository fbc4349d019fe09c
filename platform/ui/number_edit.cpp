#include "number_edit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QValidator>

namespace vui {

QString digitsOf(const QString& text)
{
    QString digits;
    for (QChar c : text)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits += c;
    return digits;
}

namespace {

// The last guard: whatever reaches the text by a road not handled below
// (a middle-click selection, for one) keeps only its digits.
class DigitsValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override
    {
        const QString digits = digitsOf(input);
        if (digits != input) {
            pos = int(digitsOf(input.left(pos)).size());
            input = digits;
        }
        return Acceptable;
    }
};

} // namespace

NumberEdit::NumberEdit(QWidget* parent)
    : QLineEdit(parent)
{
    setValidator(new DigitsValidator(this));
}

void NumberEdit::pasteDigits(const QString& text)
{
    if (isReadOnly())
        return;
    // insert() keeps within the length limit once the other characters are gone.
    insert(digitsOf(text));
}

void NumberEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Paste)) {
        pasteDigits(QApplication::clipboard()->text());
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void NumberEdit::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (QAction* action : menu->actions()) {
        const bool paste = action->objectName() == QLatin1String("edit-paste")
            || action->text().section(QLatin1Char('\t'), 0, 0) == QLineEdit::tr("&Paste");
        if (!paste)
            continue;
        disconnect(action, &QAction::triggered, nullptr, nullptr);
        connect(action, &QAction::triggered, this, [this] { pasteDigits(QApplication::clipboard()->text()); });
    }
    menu->popup(event->globalPos());
}

void NumberEdit::dropEvent(QDropEvent* event)
{
    if (!event->mimeData()->hasText() || isReadOnly()) {
        event->ignore();
        return;
    }
    setCursorPosition(cursorPositionAt(event->position().toPoint()));
    pasteDigits(event->mimeData()->text());
    event->acceptProposedAction();
    setFocus(Qt::MouseFocusReason);
}

} // namespace vui
