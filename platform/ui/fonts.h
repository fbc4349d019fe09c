#pragma once
// Fonts and list rows sized in pixels, as the forms give them: a point size
// would change with the screen's resolution.

#include <QStringList>

#include <initializer_list>

class QComboBox;
class QListWidget;
class QWidget;

namespace vui {

// Gives each widget its own font at `pixels` pixels high.
void setPixelSize(std::initializer_list<QWidget*> widgets, int pixels);

// Replaces a list's entries with `lines`, each row `rowHeight` pixels high.
// A combo box is left with nothing chosen.
void setRows(QListWidget* list, const QStringList& lines, int rowHeight);
void setRows(QComboBox* list, const QStringList& lines, int rowHeight);

} // namespace vui
