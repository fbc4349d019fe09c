// The drive list and the directory list over the real file system.

#include "platform/ui/file_lists.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestFileLists : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_savedCwd = QDir::currentPath();
        m_tmp = std::make_unique<QTemporaryDir>();
        m_base = QDir(m_tmp->path()).canonicalPath();
        for (const char* sub : { "iconos/grandes", "Zeta", "alfa" })
            QDir(m_base).mkpath(QLatin1String(sub));
        QDir::setCurrent(m_base);
    }
    void cleanup()
    {
        QDir::setCurrent(m_savedCwd);
        m_tmp.reset();
    }

    void entriesShowTheRoadAndTheSubdirectories()
    {
        const QList<vui::DirectoryEntry> entries = vui::directoryEntries(m_base);
        const qsizetype depth = m_base.count(QLatin1Char('/'));
        QCOMPARE(entries.size(), depth + 1 + 3);
        QCOMPARE(entries.first().path, QStringLiteral("/"));
        const vui::DirectoryEntry& here = entries.at(depth);
        QVERIFY(here.path == m_base && here.open);
        // Subdirectories come after, one level deeper, in name order whatever the case.
        QStringList names;
        for (qsizetype i = depth + 1; i < entries.size(); ++i) {
            names << entries.at(i).name;
            QCOMPARE(entries.at(i).depth, here.depth + 1);
        }
        QCOMPARE(names, (QStringList { "alfa", "iconos", "Zeta" }));
    }
    void rootOf_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("root");
        // clang-format off
        QTest::newRow("system") << "/home/autor" << "/";
        QTest::newRow("mounted") << "/media/usb/iconos" << "/media/usb";
        QTest::newRow("the mount itself") << "/media/usb" << "/media/usb";
        QTest::newRow("a sibling with the same start") << "/media/usb2/x" << "/";
        // clang-format on
    }
    void rootOf()
    {
        QFETCH(QString, path);
        QTEST(vui::rootOf(path, { "/", "/media/usb" }), "root");
    }
    void openingEntries()
    {
        vui::DirectoryListBox list;
        list.resize(145, 300);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QCOMPARE(list.directory(), m_base); // starts at the working directory
        QSignalSpy changes(&list, &vui::DirectoryListBox::changed);
        QTest::keyClick(&list, Qt::Key_Return); // the highlighted entry is the directory itself
        QCOMPARE(changes.count(), 0);

        const QRect rect = list.visualItemRect(list.findItems(QStringLiteral("iconos"), Qt::MatchExactly).value(0));
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(changes.count(), 1);
        QCOMPARE(QDir::currentPath(), m_base + QStringLiteral("/iconos"));
        QVERIFY(!list.findItems(QStringLiteral("grandes"), Qt::MatchExactly).isEmpty());
        // Enter opens the highlighted entry: the one above is the parent.
        list.setCurrentRow(list.currentRow() - 1);
        QTest::keyClick(&list, Qt::Key_Return);
        QVERIFY(list.directory() == m_base && QDir::currentPath() == m_base);

        QVERIFY_THROWS_EXCEPTION(std::exception, list.setDirectory(m_base + QStringLiteral("/no-existe")));
        QCOMPARE(list.directory(), m_base);
        QCOMPARE(changes.count(), 2);
    }
    void driveListMovesTheList()
    {
        vui::DirectoryListBox list;
        vui::DriveComboBox drives;
        drives.setDirList(&list);
        const QStringList items = vui::mountedRoots();
        QCOMPARE(drives.count(), items.size());
        for (int i = 0; i < drives.count(); ++i)
            QCOMPARE(drives.itemText(i), items.at(i));
        const QString home = drives.drive();
        QCOMPARE(home, vui::rootOf(m_base, items));
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
        QCOMPARE(list.directory(), m_base);
        // Choosing the drive already chosen is a click but no change.
        emit drives.activated(drives.findText(home));
        QCOMPARE(clicks.count(), 3);
        QCOMPARE(driveChanges.count(), 2);
    }

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_savedCwd;
    QString m_base;
};

QTEST_MAIN(TestFileLists)
#include "tst_file_lists.moc"
