#include "form.h"

#include "errors.h"
#include "picture_controls.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QStyle>

namespace vui {

BitBtn::BitBtn(QWidget* parent)
    : QPushButton(parent)
{
    setAutoDefault(true);
}

void BitBtn::setKind(Kind kind)
{
    m_kind = kind;
    switch (kind) {
    case OK:
        setIcon(standardIcon(QStyle::SP_DialogOkButton));
        m_modalResult = mrOk;
        setDefault(true);
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
    resize(width, height);
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

// Only an OK-kind button (or one a window makes default itself) is a default
// button: Qt would otherwise make the first button default when the dialog
// shows, so the buttons stand aside while it does.
void Form::setVisible(bool visible)
{
    if (!visible) {
        QDialog::setVisible(visible);
        return;
    }
    QList<QPushButton*> standing;
    for (auto* button : findChildren<QPushButton*>()) {
        if (button->autoDefault() && !button->isDefault()) {
            button->setAutoDefault(false);
            standing << button;
        }
    }
    QDialog::setVisible(visible);
    for (auto* button : standing)
        button->setAutoDefault(true);
}

void Form::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
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

void installFontSubstitutions()
{
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Arial Narrow"), QStringLiteral("Liberation Sans Narrow"));
    QFont::insertSubstitution(QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"));
}

} // namespace vui
