#pragma once
// Dialog windows as the program uses them: a modal result set by buttons,
// default and cancel buttons, no title-bar buttons, on top, centred.

#include <QDialog>
#include <QPushButton>

#include <functional>
#include <utility>

namespace vui {

enum ModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7 };

// A push button with a kind: OK, Cancel and Ignore carry their modal result
// and standard picture; OK is the default button and Cancel answers Escape.
// Qt's own default-button machinery stays off: having had the focus never
// makes a button the default (see Form::keyPressEvent).
class BitBtn : public QPushButton
{
    Q_OBJECT
public:
    enum Kind { Custom, OK, Cancel, Ignore };
    explicit BitBtn(QWidget* parent = nullptr);
    void setKind(Kind kind);
    Kind kind() const { return m_kind; }
    void setModalResult(int result) { m_modalResult = result; }
    int modalResult() const { return m_modalResult; }
    // The button Enter presses, while it is shown and enabled, unless the
    // focus is on another button.
    void setDefaultButton(bool isDefault) { m_defaultButton = isDefault; }
    bool isDefaultButton() const { return m_defaultButton; }

private:
    Kind m_kind = Custom;
    int m_modalResult = mrNone;
    bool m_defaultButton = false;
};

class Form : public QDialog
{
    Q_OBJECT
public:
    explicit Form(QWidget* owner = nullptr);

    // 544 x 375, sizeable, no title-bar buttons, on top, centred.
    void setDialogFrame(int width = 544, int height = 375);
    void centreOnScreen();
    // The size and place setDialogFrame gave, for a hidden window shown
    // again as a new one would be shown.
    void restoreDialogFrame();

    int showModal();
    int modalResult() const { return m_modalResult; }
    void setModalResult(int result) { m_modalResult = result; }

    // Connects a button: its modal result is set before the handler runs, and
    // a modal display ends once the handler has returned or failed.
    template <typename W, typename Handler> void onClick(QAbstractButton* button, W* window, Handler handler)
    {
        connect(button, &QAbstractButton::clicked, this, [this, button, window, handler] {
            if (auto* bit = qobject_cast<BitBtn*>(button); bit && bit->modalResult() != mrNone)
                m_modalResult = bit->modalResult();
            runHandler([&] { (window->*handler)(); });
            finishModal();
        });
    }

    void setVisible(bool visible) override;

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void runHandler(const std::function<void()>& handler);
    void finishModal();

private:
    int m_modalResult = mrNone;
    int m_modalDepth = 0;
    bool m_centred = false;
    QSize m_frameSize;
    bool m_opening = false;
};

// A window the program keeps one instance of for the whole run, made the
// first time anything uses it: most of them are never shown, and building
// their widgets at start-up kept the main window waiting. The handle stands
// for the pointer, so every use (a member, a test for null, a conversion)
// finds the window as start-up would have made it, as T(nullptr, false).
template <typename T> class GlobalForm
{
public:
    void makeOnFirstUse()
    {
        m_form = nullptr;
        m_pending = true;
    }
    T* get()
    {
        if (std::exchange(m_pending, false))
            m_form = new T(nullptr, false);
        return m_form;
    }
    operator T*() { return get(); }
    T* operator->() { return get(); }
    GlobalForm& operator=(T* form)
    {
        m_form = form;
        m_pending = false;
        return *this;
    }
    // Deletes the window, if it was ever made, and forgets it.
    void release()
    {
        m_pending = false;
        delete std::exchange(m_form, nullptr);
    }

private:
    T* m_form = nullptr;
    bool m_pending = false;
};

// Enter in the widget moves the focus to the next control, as Tab does.
void enterAsTab(QWidget* widget);

} // namespace vui
