#pragma once
// Fonts and list rows sized in pixels, as the forms give them: a point size
// would change with the screen's resolution.

#include <QStringList>

class QComboBox;
class QListWidget;
class QWidget;

namespace vui {

// Maps the Windows font names the forms use onto installed fonts.
void installFontSubstitutions();

// The forms' font names mapped onto installed fonts, and the application's
// own font (message boxes, Qt's dialogs, the preview's tool bar) set to the
// forms' base font, so that every window speaks in the same typeface.
void installFonts();

// Turns every font a form's layout gives in points into the pixel height it
// has at the 96 dots per inch the forms were drawn at, and widens each label
// that holds a text to show the whole of it, as the platform's labels size
// themselves to their text. A label whose text comes later keeps its size.
void usePixelFonts(QWidget* form);

// Replaces a list's entries with `lines`, each row `rowHeight` pixels high.
// A combo box is left with nothing chosen.
void setRows(QListWidget* list, const QStringList& lines, int rowHeight);
void setRows(QComboBox* list, const QStringList& lines, int rowHeight);

} // namespace vui
