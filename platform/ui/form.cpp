#include "form.h"

#include "errors.h"
#include "picture_controls.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QStyle>

namespace vui {

BitBtn::BitBtn(QWidget* parent)
    : QPushButton(parent)
{
    setAutoDefault(false);
}

void BitBtn::setKind(Kind kind)
{
    m_kind = kind;
    switch (kind) {
    case OK:
        setIcon(standardIcon(QStyle::SP_DialogOkButton));
        m_modalResult = mrOk;
        m_defaultButton = true;
        break;
    case Cancel:
        setIcon(standardIcon(QStyle::SP_DialogCancelButton));
        m_modalResult = mrCancel;
        break;
    case Ignore:
        setIcon(standardIcon(QStyle::SP_DialogResetButton));
        m_modalResult = mrIgnore;
        break;
    case Custom:
        break;
    }
}

Form::Form(QWidget* owner)
    : QDialog(owner)
{
}

void Form::setDialogFrame(int width, int height)
{
    // Sizeable frame, a title, no system menu and no title-bar buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    setSizeGripEnabled(false);
    m_frameSize = QSize(width, height);
    resize(m_frameSize);
    m_centred = true;
    centreOnScreen();
}

void Form::restoreDialogFrame()
{
    if (m_frameSize.isValid())
        resize(m_frameSize);
    centreOnScreen();
}

void Form::centreOnScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
}

void Form::setVisible(bool visible)
{
    if (visible && !isVisible()) {
        // Placed before the window exists, every dialog alike: the window
        // manager then puts each frame at the same place, so the dialogs of a
        // chain do not jump by the height of a title bar.
        if (m_centred && !testAttribute(Qt::WA_WState_Created))
            centreOnScreen();
        m_opening = true;
        for (auto* edit : findChildren<QLineEdit*>())
            edit->installEventFilter(this);
        for (auto* box : findChildren<QComboBox*>())
            box->installEventFilter(this);
    }
    QDialog::setVisible(visible);
}

// Enter presses the focused button, else the shown default button (a disabled
// one swallows it); Escape presses the Cancel button (reject).
void Form::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!enter || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        QDialog::keyPressEvent(event);
        return;
    }
    if (auto* focused = qobject_cast<QPushButton*>(focusWidget()); focused && focused->isEnabled()) {
        focused->click();
        return;
    }
    for (auto* button : findChildren<BitBtn*>()) {
        if (button->isDefaultButton() && button->isVisible()) {
            if (button->isEnabled())
                button->click();
            return;
        }
    }
}

// An edit box selects its whole text when it takes the focus from the
// keyboard, from the program or as its window opens; not from a click, nor
// when its window is merely activated again.
bool Form::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const bool select = reason != Qt::MouseFocusReason && reason != Qt::PopupFocusReason
            && (reason != Qt::ActiveWindowFocusReason || m_opening);
        m_opening = false;
        auto* edit = qobject_cast<QLineEdit*>(watched);
        if (auto* box = qobject_cast<QComboBox*>(watched))
            edit = box->lineEdit();
        if (select && edit)
            edit->selectAll();
    }
    return QDialog::eventFilter(watched, event);
}

void Form::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        m_opening = false;
    QDialog::changeEvent(event);
}

int Form::showModal()
{
    m_modalResult = mrNone;
    ++m_modalDepth;
    const int result = exec();
    --m_modalDepth;
    return m_modalResult != mrNone ? m_modalResult : result;
}

void Form::runHandler(const std::function<void()>& handler)
{
    guarded(handler);
}

void Form::finishModal()
{
    // Also when the handler hid the dialog: the modal loop still has to end.
    if (m_modalDepth > 0 && m_modalResult != mrNone)
        done(m_modalResult);
}

void Form::reject()
{
    // Escape presses the Cancel button, when the dialog has one.
    for (auto* button : findChildren<BitBtn*>()) {
        if (button->kind() == BitBtn::Cancel && button->isVisible() && button->isEnabled()) {
            button->click();
            return;
        }
    }
}

void Form::closeEvent(QCloseEvent* event)
{
    if (m_modalDepth > 0) {
        m_modalResult = mrCancel;
        done(mrCancel);
    }
    event->accept();
}

namespace {

class EnterAsTab : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && key->modifiers() == Qt::NoModifier) {
                QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
                QApplication::sendEvent(watched, &tab);
                return true;
            }
        }
        return false;
    }
};

} // namespace

void enterAsTab(QWidget* widget)
{
    widget->installEventFilter(new EnterAsTab(widget));
}

} // namespace vui
