#include "fonts.h"

#include "form.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>

namespace vui {

void installFontSubstitutions()
{
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Arial Narrow"), QStringLiteral("Liberation Sans Narrow"));
    QFont::insertSubstitution(QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"));
}

void installFonts()
{
    installFontSubstitutions();
    QFont base(QStringLiteral("MS Sans Serif"));
    base.setPixelSize(11);
    QApplication::setFont(base);
}

namespace {

void widenToText(QLabel* label)
{
    if (label->wordWrap() || label->text().isEmpty() || label->textFormat() == Qt::RichText)
        return;
    const int needed = label->fontMetrics().horizontalAdvance(label->text()) + label->margin() * 2
        + label->contentsMargins().left() + label->contentsMargins().right();
    const int grow = needed - label->width();
    if (grow <= 0)
        return;
    // A centred text grows on both sides, a right-aligned one to the left.
    const Qt::Alignment align = label->alignment() & Qt::AlignHorizontal_Mask;
    const int left = align & Qt::AlignHCenter ? label->x() - grow / 2
        : align & Qt::AlignRight              ? label->x() - grow
                                              : label->x();
    label->setGeometry(left, label->y(), needed, label->height());
}

} // namespace

void usePixelFonts(QWidget* form)
{
    // A parent comes before its children, which then inherit its pixel size.
    QList<QWidget*> widgets = form->findChildren<QWidget*>();
    widgets.prepend(form);
    for (QWidget* widget : widgets) {
        if (!widget->testAttribute(Qt::WA_SetFont) || widget->font().pixelSize() > 0)
            continue;
        QFont font = widget->font();
        font.setPixelSize(qRound(font.pointSizeF() * 96.0 / 72.0));
        widget->setFont(font);
    }
    for (QLabel* label : form->findChildren<QLabel*>())
        widenToText(label);
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
