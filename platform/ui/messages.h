#pragma once
// The program's two kinds of message box.

#include <QString>

class QMessageBox;
class QWidget;

namespace vui {

// The program file's name without its extension.
QString applicationTitle();

// Widens a box so that the window system's title bar shows its caption whole.
void fitCaption(QMessageBox& box);

// A Yes/No question captioned "Vesmarin", without an icon, Yes the default,
// answered only by Yes or No; it and the notice belong to the nearest shown
// window from `parent` up.
bool askYesNo(QWidget* parent, const QString& text);

// A plain notice with one OK button, captioned with the application's title.
void notice(QWidget* parent, const QString& text);

} // namespace vui
