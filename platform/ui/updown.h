#pragma once
// An up-down control bound to an edit box: its two arrows, and the Up and
// Down keys while the edit box has the focus, step the number in the edit
// box's text within a minimum and a maximum and write the result back.

#include <QPointer>
#include <QWidget>

class QLineEdit;
class QToolButton;

namespace vui {

// The position one step on from `current`: kept within [minimum, maximum],
// or carried round to the other end when `wrap` is set.
int upDownStep(int current, int delta, int minimum, int maximum, bool wrap);

class UpDown : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int minimum READ minimum WRITE setMinimum)
    Q_PROPERTY(int maximum READ maximum WRITE setMaximum)
    Q_PROPERTY(int position READ position WRITE setPosition)
    Q_PROPERTY(int increment READ increment WRITE setIncrement)
    Q_PROPERTY(bool wrap READ wrap WRITE setWrap)
public:
    explicit UpDown(QWidget* parent = nullptr);

    // The edit box whose text the control steps; its text becomes the position.
    void setAssociate(QLineEdit* edit);

    int minimum() const { return m_minimum; }
    void setMinimum(int value) { m_minimum = value; }
    int maximum() const { return m_maximum; }
    void setMaximum(int value) { m_maximum = value; }
    int position() const { return m_position; }
    void setPosition(int value);
    int increment() const { return m_increment; }
    void setIncrement(int value) { m_increment = value; }
    bool wrap() const { return m_wrap; }
    void setWrap(bool value) { m_wrap = value; }

    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }

signals:
    void clicked(bool up);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void step(int direction);
    void writeText();

    QPointer<QLineEdit> m_edit;
    QToolButton* m_up;
    QToolButton* m_down;
    int m_minimum = 0;
    int m_maximum = 100;
    int m_position = 0;
    int m_increment = 1;
    bool m_wrap = false;
};

} // namespace vui
