// The number edit box and the key-press, enter and exit hooks that the
// number fields use: only digits ever stand in the field.

#include "platform/ui/number_edit.h"
#include "platform/ui/widget_events.h"

#include <QClipboard>
#include <QMenu>
#include <QtTest>

class TestNumberEdit : public QObject
{
    Q_OBJECT

private slots:
    void digitsOf_data();
    void digitsOf();
    void pasteKeepsDigitsWithinTheLength_data();
    void pasteKeepsDigitsWithinTheLength();
    void contextMenuPasteKeepsDigits();
    void textSetByTheProgramKeepsDigits();
    void typedCharacter_data();
    void typedCharacter();
    void keyPressHandlerDropsAndPasses();
    void exitFollowsTheFocusWithinTheWindow();
};

void TestNumberEdit::digitsOf_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("digits");
    QTest::newRow("mixed") << "a1b2c3"
                           << "123";
    QTest::newRow("signs and blanks") << " -4 +5 "
                                      << "45";
    QTest::newRow("none") << "abc"
                          << "";
    QTest::newRow("only digits") << "0508"
                                 << "0508";
}

void TestNumberEdit::digitsOf()
{
    QFETCH(QString, text);
    QFETCH(QString, digits);
    QCOMPARE(vui::digitsOf(text), digits);
}

void TestNumberEdit::pasteKeepsDigitsWithinTheLength_data()
{
    QTest::addColumn<int>("maxLength");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("after");
    QTest::newRow("two of three") << 2 << ""
                                  << "a1b2c3"
                                  << "12";
    QTest::newRow("after a digit") << 2 << "5"
                                   << "x7y8"
                                   << "57";
    QTest::newRow("four places") << 4 << ""
                                 << "x12345"
                                 << "1234";
    QTest::newRow("letters only") << 4 << "9"
                                  << "abc"
                                  << "9";
    QTest::newRow("negative number") << 4 << ""
                                     << "-12"
                                     << "12";
}

void TestNumberEdit::pasteKeepsDigitsWithinTheLength()
{
    QFETCH(int, maxLength);
    QFETCH(QString, before);
    QFETCH(QString, clipboard);
    QFETCH(QString, after);
    QWidget window;
    auto* edit = new vui::NumberEdit(&window);
    edit->setMaxLength(maxLength);
    edit->setText(before);
    window.show();
    QApplication::clipboard()->setText(clipboard);
    edit->end(false);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(edit->text(), after);
    // Shift+Insert is the other paste key.
    edit->setText(before);
    edit->end(false);
    QTest::keyClick(edit, Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(edit->text(), after);
}

void TestNumberEdit::contextMenuPasteKeepsDigits()
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
    QAction* paste = nullptr;
    for (QAction* action : menu->actions())
        if (action->text().startsWith(QLineEdit::tr("&Paste")))
            paste = action;
    QVERIFY(paste);
    paste->trigger();
    menu->close();
    QCOMPARE(edit->text(), QStringLiteral("42"));
}

void TestNumberEdit::textSetByTheProgramKeepsDigits()
{
    vui::NumberEdit edit;
    edit.setMaxLength(4);
    edit.setText(QStringLiteral("1a2"));
    QCOMPARE(edit.text(), QStringLiteral("12"));
}

void TestNumberEdit::typedCharacter_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("typed");
    QTest::newRow("digit") << int(Qt::Key_7) << 0 << "7"
                           << "7";
    QTest::newRow("letter") << int(Qt::Key_A) << 0 << "a"
                            << "a";
    QTest::newRow("blank") << int(Qt::Key_Space) << 0 << " "
                           << " ";
    QTest::newRow("enter") << int(Qt::Key_Return) << 0 << "\r"
                           << "\r";
    QTest::newRow("keypad enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << "\r"
                                  << "\r";
    QTest::newRow("backspace") << int(Qt::Key_Backspace) << 0 << "\b"
                               << "\b";
    QTest::newRow("delete") << int(Qt::Key_Delete) << 0 << "\x7f"
                            << "";
    QTest::newRow("up") << int(Qt::Key_Up) << 0 << ""
                        << "";
    QTest::newRow("tab") << int(Qt::Key_Tab) << 0 << "\t"
                         << "";
    QTest::newRow("escape") << int(Qt::Key_Escape) << 0 << "\x1b"
                            << "";
    QTest::newRow("ctrl+v") << int(Qt::Key_V) << int(Qt::ControlModifier) << "\x16"
                            << "";
}

void TestNumberEdit::typedCharacter()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, text);
    QFETCH(QString, typed);
    QKeyEvent event(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), text);
    const QChar c = vui::typedCharacter(&event);
    QCOMPARE(c.isNull() ? QString() : QString(c), typed);
}

void TestNumberEdit::keyPressHandlerDropsAndPasses()
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
    QCOMPARE(seen, QStringLiteral("axbx"));
    // Keys that type nothing are not shown to the handler and still work.
    QTest::keyClick(edit, Qt::Key_Left);
    QTest::keyClick(edit, Qt::Key_Delete);
    QCOMPARE(edit->text(), QStringLiteral("a"));
    QCOMPARE(seen, QStringLiteral("axbx"));
}

void TestNumberEdit::exitFollowsTheFocusWithinTheWindow()
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
    QCOMPARE(exits, 1);
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QCOMPARE(exits, 1);
}

QTEST_MAIN(TestNumberEdit)
#include "tst_number_edit.moc"
