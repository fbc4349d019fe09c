#include "updown.h"

#include "errors.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

#include <algorithm>

namespace vui {

int upDownStep(int current, int delta, int minimum, int maximum, bool wrap)
{
    const qint64 next = qint64(current) + delta;
    if (next > maximum)
        return wrap ? minimum : maximum;
    if (next < minimum)
        return wrap ? maximum : minimum;
    return int(next);
}

UpDown::UpDown(QWidget* parent)
    : QWidget(parent)
    , m_up(new QToolButton(this))
    , m_down(new QToolButton(this))
{
    setFocusPolicy(Qt::NoFocus);
    for (QToolButton* button : { m_up, m_down }) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRepeat(true);
    }
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    connect(m_up, &QToolButton::clicked, this, [this] { guarded([this] { step(+1); }); });
    connect(m_down, &QToolButton::clicked, this, [this] { guarded([this] { step(-1); }); });
}

void UpDown::setAssociate(QLineEdit* edit)
{
    if (m_edit)
        m_edit->removeEventFilter(this);
    m_edit = edit;
    if (m_edit) {
        m_edit->installEventFilter(this);
        writeText();
    }
}

void UpDown::setPosition(int value)
{
    m_position = std::clamp(value, std::min(m_minimum, m_maximum), std::max(m_minimum, m_maximum));
    writeText();
}

void UpDown::step(int direction)
{
    // The edit box may have been typed into since the last step: its number,
    // when it reads as one, is where the step starts.
    if (m_edit) {
        bool ok = false;
        const int typed = m_edit->text().toInt(&ok);
        if (ok)
            m_position = std::clamp(typed, m_minimum, m_maximum);
    }
    m_position = upDownStep(m_position, direction * m_increment, m_minimum, m_maximum, m_wrap);
    writeText();
    emit clicked(direction > 0);
}

void UpDown::writeText()
{
    const QString text = QString::number(m_position);
    if (m_edit && m_edit->text() != text)
        m_edit->setText(text);
}

bool UpDown::eventFilter(QObject* watched, QEvent* event)
{
    // The type first: a widget being destroyed still sends events, and is no
    // QLineEdit any more by then.
    if (event->type() == QEvent::KeyPress && watched == m_edit && isEnabled()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
            if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
                guarded([&] { step(key->key() == Qt::Key_Up ? +1 : -1); });
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void UpDown::resizeEvent(QResizeEvent* event)
{
    const int half = height() / 2;
    m_up->setGeometry(0, 0, width(), half);
    m_down->setGeometry(0, half, width(), height() - half);
    QWidget::resizeEvent(event);
}

} // namespace vui
