// The number edit box, the up-down control, the key and focus hooks, and the
// drive and directory lists over the real file system.

#include "platform/ui/file_lists.h"
#include "platform/ui/number_edit.h"
#include "platform/ui/updown.h"
#include "platform/ui/widget_events.h"
#include "tests/support/test_support.h"

#include <QClipboard>
#include <QDir>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

class TestControls : public QObject
{
    Q_OBJECT

private slots:
    void digitsWithinTheLength_data()
    {
        QTest::addColumn<int>("maxLength");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("after");
        // clang-format off
        QTest::newRow("one after a digit") << 2 << "5" << "x7y8" << "57";
        QTest::newRow("the fifth dropped") << 4 << "9" << " -1234" << "9123";
        QTest::newRow("letters only, one set by the program") << 4 << "9a" << "abc" << "9";
        // clang-format on
    }
    void digitsWithinTheLength()
    {
        QFETCH(int, maxLength);
        QFETCH(QString, before);
        QFETCH(QString, input);
        vui::NumberEdit edit;
        edit.setMaxLength(maxLength);
        edit.show();
        QApplication::clipboard()->setText(input);
        const auto menuPaste = [&edit] {
            QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), edit.mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(&edit, &event);
            QWidget* menu = QApplication::activePopupWidget();
            QVERIFY(menu);
            QTest::keyClick(menu, Qt::Key_P); // &Paste
        };
        // Typed, pasted by key or from the context menu: all alike.
        const std::function<void()> ways[] = { [&] { QTest::keyClicks(&edit, input); },
            [&] { QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier); }, menuPaste };
        for (const auto& way : ways) {
            edit.setText(before);
            edit.end(false);
            way();
            QTEST(edit.text(), "after");
        }
    }

    void upDownSteps_data()
    {
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("after");
        // Up from below, at and above the top; down from above, at and below the bottom.
        for (const auto& [lo, hi] : { std::pair { 1, 50 }, { 2, 12 } })
            for (int off : { -1, 0, 1 }) {
                QTest::addRow("%d-%d: up from %d", lo, hi, hi + off)
                    << lo << hi << QString::number(hi + off) << int(Qt::Key_Up) << QString::number(hi);
                QTest::addRow("%d-%d: down from %d", lo, hi, lo - off)
                    << lo << hi << QString::number(lo - off) << int(Qt::Key_Down) << QString::number(lo);
            }
        QTest::newRow("emptied: from where it stood") << 2 << 12 << "" << int(Qt::Key_Up) << "6";
    }
    void upDownSteps()
    {
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(QString, typed);
        QFETCH(int, key);
        QFETCH(QString, after);
        QWidget window;
        auto* edit = new QLineEdit(&window);
        auto* upDown = new vui::UpDown(&window);
        upDown->setGeometry(51, 0, 15, 28);
        upDown->setMinimum(minimum);
        upDown->setMaximum(maximum);
        upDown->setPosition(5);
        upDown->setAssociate(edit);
        QCOMPARE(edit->text(), "5");
        QVERIFY(testing_support::showActive(&window));
        edit->setFocus();
        QTRY_VERIFY_WITH_TIMEOUT(edit->hasFocus(), 3000);
        // The arrow keys step as the arrows do, and the arrows take no focus from the field.
        for (bool byKey : { true, false }) {
            upDown->setPosition(5);
            edit->setText(typed);
            QSignalSpy changes(edit, &QLineEdit::textChanged);
            if (byKey)
                QTest::keyClick(edit, Qt::Key(key));
            else
                QTest::mouseClick(key == Qt::Key_Up ? upDown->upButton() : upDown->downButton(), Qt::LeftButton);
            QCOMPARE(edit->text(), after);
            QCOMPARE(changes.count(), int(after != typed));
            QVERIFY(edit->hasFocus());
        }
        QTest::keyClick(edit, Qt::Key(key), Qt::ControlModifier); // an arrow with a modifier is the field's own
        QCOMPARE(edit->text(), after);
    }

    void keyAndFocusHooks()
    {
        QWidget window;
        auto* first = new QLineEdit(&window);
        auto* second = new QLineEdit(&window);
        QString seen;
        int exits = 0, enters = 0;
        vui::onKeyPress(first, [&seen](QChar& key) {
            seen += key;
            if (key == QLatin1Char('x'))
                key = QChar();
        });
        vui::onExit(first, [&exits] { ++exits; });
        vui::onEnter(second, [&enters] { ++enters; });
        QVERIFY(testing_support::showActive(&window));
        first->setFocus(Qt::OtherFocusReason);
        QTRY_VERIFY_WITH_TIMEOUT(first->hasFocus(), 3000);
        QTest::keyClicks(first, "axbx");
        // Keys that type nothing still work unseen; Enter (keypad too) and Backspace are seen.
        for (Qt::Key key : { Qt::Key_Left, Qt::Key_Delete, Qt::Key_Escape, Qt::Key_Enter, Qt::Key_Backspace })
            QTest::keyClick(first, key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        QVERIFY(first->text().isEmpty() && seen == "axbx\r\b");
        QTest::keyClick(first, Qt::Key_Tab);
        QTRY_VERIFY_WITH_TIMEOUT(second->hasFocus(), 3000);
        QVERIFY(exits == 1 && enters == 1);
        // Another window taking the activation is no exit.
        first->setFocus(Qt::OtherFocusReason);
        QTRY_VERIFY_WITH_TIMEOUT(first->hasFocus(), 3000);
        QWidget other;
        QVERIFY(testing_support::showActive(&other));
        QCOMPARE(exits, 1);
        // Nor is the end of a control that has the focus: its window is going.
        QApplication::setActiveWindow(&window);
        QTRY_VERIFY_WITH_TIMEOUT(first->hasFocus(), 3000);
        delete first;
        QCOMPARE(exits, 1);
    }

    void directoryAndDriveLists()
    {
        // The lists start at the working directory: here a fresh folder whose subfolders are named in mixed case.
        const QTemporaryDir tmp;
        const QString base = QDir(tmp.path()).canonicalPath();
        for (const char* sub : { "iconos/grandes", "Zeta", "alfa" })
            QDir(base).mkpath(QLatin1String(sub));
        QDir::setCurrent(base);
        // The road from the root, then the subdirectories in name order whatever the case.
        const int depth = int(base.count(QLatin1Char('/')));
        QStringList shown;
        for (const vui::DirectoryEntry& e : vui::directoryEntries(base))
            shown << QStringLiteral("%1 %2 %3 %4").arg(e.path, e.name).arg(e.depth - depth).arg(e.open);
        const QString here = QStringLiteral("%1 %2 0 1").arg(base, QFileInfo(base).fileName());
        QCOMPARE(shown.first(), QStringLiteral("/ / %1 1").arg(-depth));
        QCOMPARE(shown.mid(depth),
            (QStringList { here, base + "/alfa alfa 1 0", base + "/iconos iconos 1 0", base + "/Zeta Zeta 1 0" }));
        // A path's drive is the deepest mount it lies in, not one that merely starts alike.
        const QStringList mounts { "/", "/media/usb" };
        QCOMPARE(QStringList({ vui::rootOf("/home/autor", mounts), vui::rootOf("/media/usb/iconos", mounts),
                     vui::rootOf("/media/usb", mounts), vui::rootOf("/media/usb2/x", mounts) }),
            QStringList({ "/", "/media/usb", "/media/usb", "/" }));

        vui::DirectoryListBox list;
        list.resize(145, 300);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QCOMPARE(list.directory(), base); // starts at the working directory
        QSignalSpy changes(&list, &vui::DirectoryListBox::changed);
        QTest::keyClick(&list, Qt::Key_Return); // the highlighted entry is the directory itself
        QCOMPARE(changes.count(), 0);

        const QRect rect = list.visualItemRect(list.findItems("iconos", Qt::MatchExactly).value(0));
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(changes.count(), 1);
        QCOMPARE(QDir::currentPath(), base + "/iconos");
        QVERIFY(!list.findItems("grandes", Qt::MatchExactly).isEmpty());
        // Enter opens the highlighted entry: the one above is the parent.
        list.setCurrentRow(list.currentRow() - 1);
        QTest::keyClick(&list, Qt::Key_Return);
        QVERIFY(list.directory() == base && QDir::currentPath() == base);

        QVERIFY_THROWS_EXCEPTION(std::exception, list.setDirectory(base + "/no-existe"));
        QCOMPARE(list.directory(), base);
        QCOMPARE(changes.count(), 2);

        vui::DriveComboBox drives;
        drives.setDirList(&list);
        const QStringList items = vui::mountedRoots();
        QCOMPARE(drives.count(), items.size());
        const QString home = drives.drive();
        QCOMPARE(home, vui::rootOf(base, items));
        QString other;
        for (const QString& root : items)
            other = root != home && QFileInfo(root).isExecutable() ? root : other;
        if (other.isEmpty())
            QSKIP("only one mounted file system here");

        QSignalSpy driveChanges(&drives, &vui::DriveComboBox::changed);
        QSignalSpy clicks(&drives, &vui::DriveComboBox::clicked);
        drives.show();
        emit drives.activated(drives.findText(other)); // as the popup chooses
        QVERIFY(list.directory() == other && QDir::currentPath() == other);
        // Back on the first drive, the list returns to the directory it left there.
        emit drives.activated(drives.findText(home));
        QCOMPARE(list.directory(), base);
        // Choosing the drive already chosen is a click but no change.
        emit drives.activated(drives.findText(home));
        QCOMPARE(clicks.count(), 3);
        QCOMPARE(driveChanges.count(), 2);
    }
};

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
