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
    void step_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("delta");
        QTest::addColumn<bool>("wrap");
        QTest::addColumn<int>("expected");
        QTest::newRow("up inside") << 7 << 1 << false << 8;
        QTest::newRow("down inside") << 7 << -1 << false << 6;
        QTest::newRow("up at maximum") << 12 << 1 << false << 12;
        QTest::newRow("down at minimum") << 2 << -1 << false << 2;
        QTest::newRow("wrap over the top") << 12 << 1 << true << 2;
        QTest::newRow("wrap under the bottom") << 2 << -1 << true << 12;
    }
    void step()
    {
        QFETCH(int, current);
        QFETCH(int, delta);
        QFETCH(bool, wrap);
        QTEST(vui::upDownStep(current, delta, 2, 12, wrap), "expected");
    }

    void stepsTheBoundEdit()
    {
        QWidget window;
        auto* edit = new QLineEdit(&window);
        auto* upDown = new vui::UpDown(&window);
        upDown->setGeometry(51, 0, 15, 28);
        upDown->setMinimum(1);
        upDown->setMaximum(50);
        upDown->setPosition(1);
        upDown->setAssociate(edit);
        window.show();
        QApplication::setActiveWindow(&window);
        QCOMPARE(edit->text(), QStringLiteral("1"));
        QSignalSpy changes(edit, &QLineEdit::textChanged);
        QTest::mouseClick(upDown->downButton(), Qt::LeftButton);
        for (int i = 0; i < 60; ++i)
            QTest::mouseClick(upDown->upButton(), Qt::LeftButton);
        QCOMPARE(edit->text(), QStringLiteral("50"));
        QCOMPARE(changes.count(), 49); // one change per step, none beyond the bounds

        // The arrow keys step as the arrows do, from the number typed, and
        // the arrows take no focus from the field.
        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        edit->selectAll();
        QTest::keyClicks(edit, "30");
        QTest::keyClick(edit, Qt::Key_Up);
        QCOMPARE(edit->text(), QStringLiteral("31"));
        QTest::mouseClick(upDown->downButton(), Qt::LeftButton);
        QTest::keyClick(edit, Qt::Key_Down);
        QCOMPARE(edit->text(), QStringLiteral("29"));
        QVERIFY(edit->hasFocus());
        // An emptied field steps from where the control last stood.
        edit->clear();
        QTest::mouseClick(upDown->upButton(), Qt::LeftButton);
        QCOMPARE(edit->text(), QStringLiteral("30"));
    }
};

QTEST_MAIN(TestUpDown)
#include "tst_updown.moc"
