#pragma once
// The program's two kinds of message box.

#include <QString>

class QWidget;

namespace vui {

// The program file's name without its extension.
QString applicationTitle();

// A Yes/No question captioned "Vesmarin", without an icon, Yes the default.
bool askYesNo(QWidget* parent, const QString& text);

// A plain notice with one OK button, captioned with the application's title.
void notice(QWidget* parent, const QString& text);

} // namespace vui
