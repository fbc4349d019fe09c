// The drive list and the directory list over the real file system.

#include "platform/ui/file_lists.h"

#include <QDir>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestFileLists : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void entriesShowTheRoadAndTheSubdirectories();
    void rootOf_data();
    void rootOf();
    void listStartsAtTheWorkingDirectory();
    void doubleClickOpensAnEntry();
    void enterOpensTheHighlightedEntry();
    void sameDirectoryIsNoChange();
    void missingDirectoryIsRefused();
    void driveListOffersTheMountedFileSystems();
    void choosingADriveMovesTheList();
    void focusRaisesEntered();

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_savedCwd;
    QString m_base;
};

void TestFileLists::init()
{
    m_savedCwd = QDir::currentPath();
    m_tmp = std::make_unique<QTemporaryDir>();
    m_base = QDir(m_tmp->path()).canonicalPath();
    QDir(m_base).mkpath(QStringLiteral("iconos/grandes"));
    QDir(m_base).mkpath(QStringLiteral("Zeta"));
    QDir(m_base).mkpath(QStringLiteral("alfa"));
    QDir::setCurrent(m_base);
}

void TestFileLists::cleanup()
{
    QDir::setCurrent(m_savedCwd);
    m_tmp.reset();
}

void TestFileLists::entriesShowTheRoadAndTheSubdirectories()
{
    const QList<vui::DirectoryEntry> entries = vui::directoryEntries(m_base);
    const QStringList parts = m_base.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QCOMPARE(entries.size(), parts.size() + 1 + 3);
    QCOMPARE(entries.first().path, QStringLiteral("/"));
    QCOMPARE(entries.first().depth, 0);
    QVERIFY(entries.first().open);
    const vui::DirectoryEntry& here = entries.at(parts.size());
    QCOMPARE(here.path, m_base);
    QCOMPARE(here.name, parts.last());
    QVERIFY(here.open);
    // Subdirectories come after, one level deeper, in name order whatever the case.
    QStringList names;
    for (qsizetype i = parts.size() + 1; i < entries.size(); ++i) {
        names << entries.at(i).name;
        QCOMPARE(entries.at(i).depth, here.depth + 1);
        QVERIFY(!entries.at(i).open);
    }
    QCOMPARE(names, (QStringList { "alfa", "iconos", "Zeta" }));
}

void TestFileLists::rootOf_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("root");
    QTest::newRow("system") << "/home/autor"
                            << "/";
    QTest::newRow("mounted") << "/media/usb/iconos"
                             << "/media/usb";
    QTest::newRow("the mount itself") << "/media/usb"
                                      << "/media/usb";
    QTest::newRow("a sibling with the same start") << "/media/usb2/x"
                                                   << "/";
}

void TestFileLists::rootOf()
{
    QFETCH(QString, path);
    QFETCH(QString, root);
    QCOMPARE(vui::rootOf(path, { "/", "/media/usb" }), root);
}

void TestFileLists::listStartsAtTheWorkingDirectory()
{
    vui::DirectoryListBox list;
    QCOMPARE(list.directory(), m_base);
    QVERIFY(list.currentItem());
    QCOMPARE(list.currentItem()->data(Qt::UserRole).toString(), m_base);
}

void TestFileLists::doubleClickOpensAnEntry()
{
    vui::DirectoryListBox list;
    list.resize(145, 300);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QSignalSpy changes(&list, &vui::DirectoryListBox::changed);
    const QList<QListWidgetItem*> found = list.findItems(QStringLiteral("iconos"), Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    const QRect rect = list.visualItemRect(found.first());
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(changes.count(), 1);
    QCOMPARE(list.directory(), m_base + QStringLiteral("/iconos"));
    QCOMPARE(QDir::currentPath(), m_base + QStringLiteral("/iconos"));
    // The new directory's own subdirectory is now listed.
    QCOMPARE(list.findItems(QStringLiteral("grandes"), Qt::MatchExactly).size(), 1);
}

void TestFileLists::enterOpensTheHighlightedEntry()
{
    vui::DirectoryListBox list;
    list.show();
    QSignalSpy changes(&list, &vui::DirectoryListBox::changed);
    // The entry above the current directory is its parent.
    list.setCurrentRow(list.currentRow() - 1);
    QTest::keyClick(&list, Qt::Key_Return);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(list.directory(), QFileInfo(m_base).path());
    QCOMPARE(QDir::currentPath(), QFileInfo(m_base).path());
}

void TestFileLists::sameDirectoryIsNoChange()
{
    vui::DirectoryListBox list;
    QSignalSpy changes(&list, &vui::DirectoryListBox::changed);
    QTest::keyClick(&list, Qt::Key_Return); // the highlighted entry is the directory itself
    list.setDirectory(m_base + QStringLiteral("/"));
    QCOMPARE(changes.count(), 0);
}

void TestFileLists::missingDirectoryIsRefused()
{
    vui::DirectoryListBox list;
    QSignalSpy changes(&list, &vui::DirectoryListBox::changed);
    QVERIFY_THROWS_EXCEPTION(std::exception, list.setDirectory(m_base + QStringLiteral("/no-existe")));
    QCOMPARE(list.directory(), m_base);
    QCOMPARE(QDir::currentPath(), m_base);
    QCOMPARE(changes.count(), 0);
}

void TestFileLists::driveListOffersTheMountedFileSystems()
{
    vui::DirectoryListBox list;
    vui::DriveComboBox drives;
    drives.setDirList(&list);
    QStringList items;
    for (int i = 0; i < drives.count(); ++i)
        items << drives.itemText(i);
    QCOMPARE(items, vui::mountedRoots());
    QVERIFY(items.contains(QStringLiteral("/")));
    QCOMPARE(drives.drive(), vui::rootOf(m_base, items));
    QCOMPARE(drives.currentText(), drives.drive());
}

void TestFileLists::choosingADriveMovesTheList()
{
    vui::DirectoryListBox list;
    vui::DriveComboBox drives;
    drives.setDirList(&list);
    QString other;
    for (const QString& root : vui::mountedRoots())
        if (root != drives.drive() && QFileInfo(root).isExecutable())
            other = root;
    if (other.isEmpty())
        QSKIP("only one mounted file system here");
    const QString home = drives.drive();

    QSignalSpy listChanges(&list, &vui::DirectoryListBox::changed);
    QSignalSpy driveChanges(&drives, &vui::DriveComboBox::changed);
    QSignalSpy clicks(&drives, &vui::DriveComboBox::clicked);
    drives.show();
    const int index = drives.findText(other);
    // Choosing an entry the way the popup does.
    emit drives.activated(index);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(driveChanges.count(), 1);
    QCOMPARE(listChanges.count(), 1);
    QCOMPARE(list.directory(), other);
    QCOMPARE(QDir::currentPath(), other);
    QCOMPARE(drives.drive(), other);

    // Back on the first drive, the list returns to the directory it left there.
    emit drives.activated(drives.findText(home));
    QCOMPARE(list.directory(), m_base);
    QCOMPARE(driveChanges.count(), 2);
    // Choosing the drive already chosen is a click but no change.
    emit drives.activated(drives.findText(home));
    QCOMPARE(clicks.count(), 3);
    QCOMPARE(driveChanges.count(), 2);
}

void TestFileLists::focusRaisesEntered()
{
    QWidget window;
    auto* before = new QLineEdit(&window);
    auto* drives = new vui::DriveComboBox(&window);
    drives->move(0, 40);
    QSignalSpy entered(drives, &vui::DriveComboBox::entered);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    before->setFocus();
    QTRY_VERIFY(before->hasFocus());
    QTest::keyClick(before, Qt::Key_Tab);
    QTRY_VERIFY(drives->hasFocus());
    QCOMPARE(entered.count(), 1);
}

QTEST_MAIN(TestFileLists)
#include "tst_file_lists.moc"
