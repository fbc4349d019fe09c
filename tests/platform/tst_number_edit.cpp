// The number edit box and the key-press and exit hooks that the number
// fields use: only digits ever stand in the field, however they come.

#include "platform/ui/number_edit.h"
#include "platform/ui/widget_events.h"

#include <QClipboard>
#include <QMenu>
#include <QtTest>

class TestNumberEdit : public QObject
{
    Q_OBJECT

private slots:
    void pasteKeepsDigitsWithinTheLength_data()
    {
        QTest::addColumn<int>("maxLength");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("after");
        // clang-format off
        QTest::newRow("two of three") << 2 << "" << "a1b2c3" << "12";
        QTest::newRow("after a digit") << 2 << "5" << "x7y8" << "57";
        QTest::newRow("letters only") << 4 << "9" << "abc" << "9";
        QTest::newRow("negative number") << 4 << "" << " -12" << "12";
        // clang-format on
    }
    void pasteKeepsDigitsWithinTheLength()
    {
        QFETCH(int, maxLength);
        QFETCH(QString, before);
        QFETCH(QString, clipboard);
        QWidget window;
        auto* edit = new vui::NumberEdit(&window);
        edit->setMaxLength(maxLength);
        window.show();
        QApplication::clipboard()->setText(clipboard);
        // Ctrl+V and Shift+Insert paste alike.
        for (auto [key, modifier] :
            { std::pair { Qt::Key_V, Qt::ControlModifier }, { Qt::Key_Insert, Qt::ShiftModifier } }) {
            edit->setText(before);
            edit->end(false);
            QTest::keyClick(edit, key, modifier);
            QTEST(edit->text(), "after");
        }
    }
    void contextMenuAndProgramKeepDigits()
    {
        QWidget window;
        auto* edit = new vui::NumberEdit(&window);
        edit->setMaxLength(2);
        window.show();
        QApplication::clipboard()->setText(QStringLiteral("q4w2e"));
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), edit->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(edit, &event);
        QMenu* menu = nullptr;
        QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())));
        for (QAction* action : menu->actions())
            if (action->text().startsWith(QLineEdit::tr("&Paste")))
                action->trigger();
        menu->close();
        QCOMPARE(edit->text(), QStringLiteral("42"));
        edit->setMaxLength(4);
        edit->setText(QStringLiteral("1a2"));
        QCOMPARE(edit->text(), QStringLiteral("12"));
    }
    void keyPressHandlerDropsAndPasses()
    {
        QWidget window;
        auto* edit = new QLineEdit(&window);
        QString seen;
        vui::onKeyPress(edit, [&seen](QChar& key) {
            seen += key;
            if (key == QLatin1Char('x'))
                key = QChar();
        });
        window.show();
        QTest::keyClicks(edit, "axbx");
        QCOMPARE(edit->text(), QStringLiteral("ab"));
        // Keys that type nothing are not shown to the handler and still work;
        // Enter, also from the keypad, and Backspace are characters.
        QTest::keyClick(edit, Qt::Key_Left);
        QTest::keyClick(edit, Qt::Key_Delete);
        QCOMPARE(edit->text(), QStringLiteral("a"));
        QTest::keyClick(edit, Qt::Key_Escape);
        QTest::keyClick(edit, Qt::Key_Enter, Qt::KeypadModifier);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(seen, QStringLiteral("axbx\r\b"));
    }
    void exitFollowsTheFocusWithinTheWindow()
    {
        QWidget window;
        auto* first = new QLineEdit(&window);
        auto* second = new QLineEdit(&window);
        second->move(0, 40);
        int exits = 0;
        int enters = 0;
        vui::onExit(first, [&exits] { ++exits; });
        vui::onEnter(second, [&enters] { ++enters; });
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        first->setFocus(Qt::OtherFocusReason);
        QTRY_VERIFY(first->hasFocus());
        QTest::keyClick(first, Qt::Key_Tab);
        QTRY_VERIFY(second->hasFocus());
        QCOMPARE(exits, 1);
        QCOMPARE(enters, 1);
        // Another window taking the activation is no exit.
        first->setFocus(Qt::OtherFocusReason);
        QTRY_VERIFY(first->hasFocus());
        QWidget other;
        other.show();
        QApplication::setActiveWindow(&other);
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QCOMPARE(exits, 1);
        // Nor is the end of a control that has the focus: its window is going.
        QApplication::setActiveWindow(&window);
        QTRY_VERIFY(first->hasFocus());
        delete first;
        QCOMPARE(exits, 1);
    }
};

QTEST_MAIN(TestNumberEdit)
#include "tst_number_edit.moc"
