#pragma once
// A drive list and a directory list. This platform has no drive letters: the
// drive list offers the mounted file systems by their root directories. The
// directory list shows the road from the root to its directory and the
// directory's subdirectories; its directory is the process's working
// directory whenever it changes.

#include <QComboBox>
#include <QHash>
#include <QListWidget>
#include <QPointer>

namespace vui {

// The root directories of the mounted file systems, sorted; "/" first.
QStringList mountedRoots();
// The root, among `roots`, of the file system that holds `path`.
QString rootOf(const QString& path, const QStringList& roots);

// The entries of a directory list standing at `directory`: the directory's
// ancestors from the root down, the directory itself, then its
// subdirectories in name order, each with its depth below the root.
struct DirectoryEntry
{
    QString path;
    QString name;
    int depth = 0;
    bool open = false; // the directory itself or one of its ancestors
};
QList<DirectoryEntry> directoryEntries(const QString& directory);

class DirectoryListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit DirectoryListBox(QWidget* parent = nullptr);

    QString directory() const { return m_directory; }
    // Moves the list, and the process, to `path`. Fails with a message when
    // the directory cannot be entered. No change event when it is the same.
    void setDirectory(const QString& path);
    // Opens the highlighted entry, as a double click or Enter does.
    void openCurrent();

signals:
    void changed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void fill();
    QString m_directory;
};

class DriveComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit DriveComboBox(QWidget* parent = nullptr);

    // The directory list that choosing a drive moves.
    void setDirList(DirectoryListBox* list);

    QString drive() const { return m_drive; }
    // Chooses the drive whose root is `root`, as the user would: the
    // directory list moves to that drive's current directory.
    void chooseDrive(const QString& root);

signals:
    void changed(); // another drive was chosen; the directory list has moved
    void clicked(); // an entry was chosen in the list, the same or another
    void entered(); // the control gained the focus

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    void followDirList();
    void selectRoot(const QString& root);

    QPointer<DirectoryListBox> m_dirList;
    QString m_drive;
    QHash<QString, QString> m_currentOnDrive; // the last directory seen on each drive
};

} // namespace vui
