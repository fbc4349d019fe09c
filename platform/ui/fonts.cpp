#include "fonts.h"

#include <QComboBox>
#include <QListWidget>

namespace vui {

void setPixelSize(std::initializer_list<QWidget*> widgets, int pixels)
{
    for (QWidget* widget : widgets) {
        QFont font = widget->font();
        font.setPixelSize(pixels);
        widget->setFont(font);
    }
}

void setRows(QListWidget* list, const QStringList& lines, int rowHeight)
{
    list->clear();
    for (const QString& line : lines)
        (new QListWidgetItem(line, list))->setSizeHint(QSize(0, rowHeight));
}

void setRows(QComboBox* list, const QStringList& lines, int rowHeight)
{
    list->clear();
    for (const QString& line : lines) {
        list->addItem(line);
        list->setItemData(list->count() - 1, QSize(0, rowHeight), Qt::SizeHintRole);
    }
    // A non-editable list chooses its first entry by itself.
    list->setCurrentIndex(-1);
}

} // namespace vui
