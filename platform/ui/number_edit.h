#pragma once
// An edit box for a whole number typed as digits. Text that arrives other
// than by typing (pasted, dropped, set by the program) is reduced to its
// digits, as many as the length limit leaves room for.

#include <QLineEdit>

namespace vui {

// The digits of a text, in order.
QString digitsOf(const QString& text);

class NumberEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit NumberEdit(QWidget* parent = nullptr);

    // Inserts the digits of `text` at the cursor, replacing the selection.
    void pasteDigits(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

} // namespace vui
