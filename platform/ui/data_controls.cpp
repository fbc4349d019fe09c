#include "data_controls.h"

#include "errors.h"
#include "picture_controls.h"

#include <QKeyEvent>
#include <QPixmap>
#include <QStyle>

namespace vui {

namespace {

vdb::DataSet* activeSet(const QPointer<vdb::DataSource>& source)
{
    if (!source || !source->dataSet() || !source->dataSet()->active())
        return nullptr;
    return source->dataSet();
}

} // namespace

// ---- DBEdit ---------------------------------------------------------------

DBEdit::DBEdit(QWidget* parent)
    : QLineEdit(parent)
{
    connect(this, &QLineEdit::textEdited, this, [this] { m_dirty = true; });
}

void DBEdit::bind(vdb::DataSource* source, const QString& fieldName)
{
    m_source = source;
    m_field = fieldName;
    if (source && source->dataSet()) {
        connect(source->dataSet(), &vdb::DataSet::dataChanged, this, &DBEdit::refresh);
        connect(source->dataSet(), &vdb::DataSet::updateRecord, this, &DBEdit::writeBack);
    }
    refresh();
}

void DBEdit::setText(const QString& text)
{
    QLineEdit::setText(text);
    if (!m_refreshing)
        m_dirty = true;
}

void DBEdit::refresh()
{
    QString text;
    if (vdb::DataSet* ds = activeSet(m_source)) {
        if (ds->findField(m_field))
            text = ds->fieldByName(m_field).asString();
    }
    m_refreshing = true;
    QLineEdit::setText(text);
    m_refreshing = false;
    m_dirty = false;
}

void DBEdit::writeBack()
{
    vdb::DataSet* ds = activeSet(m_source);
    if (!m_dirty || !ds)
        return;
    ds->fieldByName(m_field).setAsString(text());
    m_dirty = false;
}

// ---- DBImage --------------------------------------------------------------

DBImage::DBImage(QWidget* parent)
    : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
}

void DBImage::bind(vdb::DataSource* source, const QString& fieldName)
{
    m_source = source;
    m_field = fieldName;
    if (source && source->dataSet()) {
        connect(source->dataSet(), &vdb::DataSet::dataChanged, this, &DBImage::refresh);
        connect(source->dataSet(), &vdb::DataSet::updateRecord, this, &DBImage::writeBack);
    }
    refresh();
}

void DBImage::setPicture(const QImage& picture)
{
    m_picture = picture;
    m_dirty = true;
    show(picture);
}

void DBImage::refresh()
{
    // Pictures are read only while the control is visible: a hidden one must
    // not pull every picture off the disk during a walk.
    QImage picture;
    if (vdb::DataSet* ds = activeSet(m_source); ds && isVisible() && ds->findField(m_field))
        picture = ds->fieldByName(m_field).asImage();
    m_picture = picture;
    m_dirty = false;
    show(picture);
}

void DBImage::show(const QImage& picture)
{
    if (picture.isNull()) {
        clear();
        return;
    }
    QPixmap pixmap = QPixmap::fromImage(picture);
    if (pixmap.width() > width() || pixmap.height() > height())
        pixmap = pixmap.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    setPixmap(pixmap);
}

void DBImage::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    show(m_picture);
}

void DBImage::writeBack()
{
    vdb::DataSet* ds = activeSet(m_source);
    if (!m_dirty || !ds)
        return;
    ds->fieldByName(m_field).setImage(m_picture);
    m_dirty = false;
}

// ---- DBNavigator ----------------------------------------------------------

DBNavigator::DBNavigator(QWidget* parent)
    : QWidget(parent)
{
    const QStyle::StandardPixmap icons[4] = { QStyle::SP_MediaSkipBackward, QStyle::SP_MediaSeekBackward,
        QStyle::SP_MediaSeekForward, QStyle::SP_MediaSkipForward };
    const char* hints[4] = { "Primero", "Anterior", "Siguiente", "Último" };
    for (int i = 0; i < 4; ++i) {
        m_buttons[i] = new QToolButton(this);
        m_buttons[i]->setIcon(standardIcon(icons[i]));
        m_buttons[i]->setToolTip(QString::fromUtf8(hints[i]));
        m_buttons[i]->setFocusPolicy(Qt::NoFocus);
        connect(m_buttons[i], &QToolButton::clicked, this, [this, i] { guarded([&] { press(Button(i)); }); });
    }
    setFocusPolicy(Qt::TabFocus);
    refresh();
}

void DBNavigator::bind(vdb::DataSource* source)
{
    m_source = source;
    if (source && source->dataSet())
        connect(source->dataSet(), &vdb::DataSet::dataChanged, this, &DBNavigator::refresh);
    refresh();
}

void DBNavigator::press(Button which)
{
    vdb::DataSet* ds = m_source ? m_source->dataSet() : nullptr;
    if (!ds)
        return;
    switch (which) {
    case nbFirst:
        ds->first();
        break;
    case nbPrior:
        ds->prior();
        break;
    case nbNext:
        ds->next();
        break;
    case nbLast:
        ds->last();
        break;
    }
    emit clicked(which);
}

void DBNavigator::refresh()
{
    vdb::DataSet* ds = activeSet(m_source);
    const bool up = ds && !ds->bof();
    const bool down = ds && !ds->eof();
    m_buttons[nbFirst]->setEnabled(up);
    m_buttons[nbPrior]->setEnabled(up);
    m_buttons[nbNext]->setEnabled(down);
    m_buttons[nbLast]->setEnabled(down);
    // A greyed button never has the keyboard: the navigator takes the focus
    // only while one of its buttons can act, and then on the nearest one.
    setFocusPolicy(up || down ? Qt::TabFocus : Qt::NoFocus);
    if (!up && !down && hasFocus())
        focusNextChild();
    if (const int current = enabledNear(m_current, 0); current != m_current) {
        m_current = current;
        showCurrent();
    }
}

int DBNavigator::enabledNear(int from, int step) const
{
    for (int distance = step == 0 ? 0 : 1; distance < 4; ++distance) {
        for (int side : { 1, -1 }) {
            if (step != 0 && side != step)
                continue;
            const int i = from + side * distance;
            if (i >= nbFirst && i <= nbLast && m_buttons[i]->isEnabled())
                return i;
        }
    }
    return from;
}

// One tab stop for the whole navigator: the arrow keys choose a button and
// Space presses it; Enter and Escape stay with the dialog.
void DBNavigator::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        m_current = enabledNear(m_current, event->key() == Qt::Key_Right ? 1 : -1);
        showCurrent();
        break;
    case Qt::Key_Space:
        if (m_buttons[m_current]->isEnabled())
            m_buttons[m_current]->click();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void DBNavigator::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    showCurrent();
}

void DBNavigator::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    showCurrent();
}

void DBNavigator::showCurrent()
{
    for (int i = 0; i < 4; ++i)
        m_buttons[i]->setStyleSheet(i == m_current && hasFocus()
                ? QStringLiteral("QToolButton { border: 1px dotted palette(text); }")
                : QString());
}

void DBNavigator::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int w = width() / 4;
    for (int i = 0; i < 4; ++i)
        m_buttons[i]->setGeometry(i * w, 0, i == 3 ? width() - 3 * w : w, height());
}

} // namespace vui
