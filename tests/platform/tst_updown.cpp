// The up-down control: stepping the bound edit box from the arrows and the
// arrow keys, within its bounds.

#include "platform/ui/updown.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

class TestUpDown : public QObject
{
    Q_OBJECT

private slots:
    void step_data();
    void step();
    void arrowsStopAtTheBounds();
    void arrowKeysStepLikeTheArrows();
    void stepStartsFromTheTypedNumber();
    void takesNoFocus();

private:
    struct Bound
    {
        std::unique_ptr<QWidget> window;
        QLineEdit* edit;
        vui::UpDown* upDown;
    };
    Bound make(int minimum, int maximum, int position);
};

TestUpDown::Bound TestUpDown::make(int minimum, int maximum, int position)
{
    Bound b;
    b.window = std::make_unique<QWidget>();
    b.edit = new QLineEdit(b.window.get());
    b.edit->setGeometry(10, 10, 41, 28);
    b.upDown = new vui::UpDown(b.window.get());
    b.upDown->setGeometry(51, 10, 15, 28);
    b.upDown->setMinimum(minimum);
    b.upDown->setMaximum(maximum);
    b.upDown->setPosition(position);
    b.upDown->setAssociate(b.edit);
    b.window->show();
    QApplication::setActiveWindow(b.window.get());
    return b;
}

void TestUpDown::step_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<bool>("wrap");
    QTest::addColumn<int>("expected");
    QTest::newRow("up inside") << 7 << 1 << 1 << 50 << false << 8;
    QTest::newRow("down inside") << 7 << -1 << 1 << 50 << false << 6;
    QTest::newRow("up at maximum") << 50 << 1 << 1 << 50 << false << 50;
    QTest::newRow("down at minimum") << 1 << -1 << 1 << 50 << false << 1;
    QTest::newRow("icons up at 12") << 12 << 1 << 2 << 12 << false << 12;
    QTest::newRow("icons down at 2") << 2 << -1 << 2 << 12 << false << 2;
    QTest::newRow("wrap over the top") << 12 << 1 << 2 << 12 << true << 2;
    QTest::newRow("wrap under the bottom") << 2 << -1 << 2 << 12 << true << 12;
}

void TestUpDown::step()
{
    QFETCH(int, current);
    QFETCH(int, delta);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(bool, wrap);
    QFETCH(int, expected);
    QCOMPARE(vui::upDownStep(current, delta, minimum, maximum, wrap), expected);
}

void TestUpDown::arrowsStopAtTheBounds()
{
    Bound b = make(1, 50, 1);
    QCOMPARE(b.edit->text(), QStringLiteral("1"));
    QSignalSpy changes(b.edit, &QLineEdit::textChanged);

    QTest::mouseClick(b.upDown->downButton(), Qt::LeftButton);
    QCOMPARE(b.edit->text(), QStringLiteral("1"));
    QCOMPARE(changes.count(), 0);

    for (int i = 0; i < 60; ++i)
        QTest::mouseClick(b.upDown->upButton(), Qt::LeftButton);
    QCOMPARE(b.edit->text(), QStringLiteral("50"));
    QCOMPARE(changes.count(), 49); // one change per step, none beyond the maximum
    QCOMPARE(b.upDown->position(), 50);

    QTest::mouseClick(b.upDown->downButton(), Qt::LeftButton);
    QCOMPARE(b.edit->text(), QStringLiteral("49"));
}

void TestUpDown::arrowKeysStepLikeTheArrows()
{
    Bound b = make(2, 12, 2);
    b.edit->setFocus();
    QTRY_VERIFY(b.edit->hasFocus());
    QTest::keyClick(b.edit, Qt::Key_Up);
    QCOMPARE(b.edit->text(), QStringLiteral("3"));
    for (int i = 0; i < 20; ++i)
        QTest::keyClick(b.edit, Qt::Key_Up);
    QCOMPARE(b.edit->text(), QStringLiteral("12"));
    QTest::keyClick(b.edit, Qt::Key_Down);
    QCOMPARE(b.edit->text(), QStringLiteral("11"));
    for (int i = 0; i < 20; ++i)
        QTest::keyClick(b.edit, Qt::Key_Down);
    QCOMPARE(b.edit->text(), QStringLiteral("2"));
}

void TestUpDown::stepStartsFromTheTypedNumber()
{
    Bound b = make(1, 50, 1);
    b.edit->selectAll();
    QTest::keyClicks(b.edit, "30");
    QTest::mouseClick(b.upDown->upButton(), Qt::LeftButton);
    QCOMPARE(b.edit->text(), QStringLiteral("31"));
    // An emptied field steps from where the control last stood.
    b.edit->clear();
    QTest::mouseClick(b.upDown->downButton(), Qt::LeftButton);
    QCOMPARE(b.edit->text(), QStringLiteral("30"));
}

void TestUpDown::takesNoFocus()
{
    Bound b = make(1, 50, 1);
    b.edit->setFocus();
    QTRY_VERIFY(b.edit->hasFocus());
    QTest::mouseClick(b.upDown->upButton(), Qt::LeftButton);
    QVERIFY(b.edit->hasFocus());
    QCOMPARE(b.upDown->focusPolicy(), Qt::NoFocus);
    QCOMPARE(b.upDown->upButton()->focusPolicy(), Qt::NoFocus);
}

QTEST_MAIN(TestUpDown)
#include "tst_updown.moc"
