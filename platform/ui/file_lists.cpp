#include "file_lists.h"

#include "errors.h"
#include "picture_controls.h"

#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStorageInfo>
#include <QStyle>
#include <QStyledItemDelegate>

#include <stdexcept>

namespace vui {

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kDepthRole = Qt::UserRole + 1;
constexpr int kIndent = 8;
constexpr int kRowHeight = 16;

QString cleanPath(const QString& path)
{
    return QDir::cleanPath(QDir(path).absolutePath());
}

// Draws each entry indented by its depth, as the list shows the tree.
class IndentDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem shifted = option;
        shifted.rect.adjust(index.data(kDepthRole).toInt() * kIndent, 0, 0, 0);
        QStyledItemDelegate::paint(painter, shifted, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        return { size.width() + index.data(kDepthRole).toInt() * kIndent, kRowHeight };
    }
};

} // namespace

QStringList mountedRoots()
{
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        const QString root = volume.rootPath();
        if (QFileInfo(root).isDir() && !roots.contains(root))
            roots << root;
    }
    const QString system = QDir::rootPath();
    if (!roots.contains(system))
        roots << system;
    std::sort(roots.begin(), roots.end());
    return roots;
}

QString rootOf(const QString& path, const QStringList& roots)
{
    const QString clean = cleanPath(path);
    QString best = QDir::rootPath();
    for (const QString& root : roots) {
        const bool inside
            = clean == root || clean.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'));
        if (inside && root.size() > best.size())
            best = root;
    }
    return best;
}

QList<DirectoryEntry> directoryEntries(const QString& directory)
{
    QList<DirectoryEntry> entries;
    QDir dir(cleanPath(directory));
    QStringList chain;
    for (QDir up = dir;; up.cdUp()) {
        chain.prepend(up.absolutePath());
        if (up.isRoot())
            break;
    }
    for (int i = 0; i < chain.size(); ++i) {
        const QString name = i == 0 ? chain[i] : QFileInfo(chain[i]).fileName();
        entries.append({ chain[i], name, i, true });
    }
    const QStringList children
        = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    for (const QString& child : children)
        entries.append({ dir.filePath(child), child, int(chain.size()), false });
    return entries;
}

// ---- DirectoryListBox -----------------------------------------------------

DirectoryListBox::DirectoryListBox(QWidget* parent)
    : QListWidget(parent)
    , m_directory(cleanPath(QDir::currentPath()))
{
    setItemDelegate(new IndentDelegate(this));
    setUniformItemSizes(true);
    fill();
}

void DirectoryListBox::setDirectory(const QString& path)
{
    const QString target = cleanPath(path);
    if (target == m_directory)
        return;
    if (!QFileInfo(target).isDir() || !QDir::setCurrent(target))
        throw std::runtime_error(QStringLiteral("No se puede abrir el directorio %1").arg(target).toStdString());
    m_directory = cleanPath(QDir::currentPath());
    fill();
    emit changed();
}

void DirectoryListBox::openCurrent()
{
    if (QListWidgetItem* item = currentItem())
        setDirectory(item->data(kPathRole).toString());
}

void DirectoryListBox::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
        guarded([this] { openCurrent(); });
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void DirectoryListBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    QListWidgetItem* item = event->button() == Qt::LeftButton ? itemAt(event->position().toPoint()) : nullptr;
    if (!item) {
        QListWidget::mouseDoubleClickEvent(event);
        return;
    }
    setCurrentItem(item);
    guarded([this] { openCurrent(); });
    event->accept();
}

void DirectoryListBox::fill()
{
    clear();
    const QIcon open = standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = standardIcon(QStyle::SP_DirClosedIcon);
    QListWidgetItem* here = nullptr;
    for (const DirectoryEntry& entry : directoryEntries(m_directory)) {
        auto* item = new QListWidgetItem(entry.open ? open : closed, entry.name, this);
        item->setData(kPathRole, entry.path);
        item->setData(kDepthRole, entry.depth);
        if (entry.path == m_directory)
            here = item;
    }
    setCurrentItem(here);
    // Scrolling lays out every row; a list not on screen scrolls to its
    // current row by itself when it is shown.
    if (here && isVisible())
        scrollToItem(here);
}

// ---- DriveComboBox --------------------------------------------------------

DriveComboBox::DriveComboBox(QWidget* parent)
    : QComboBox(parent)
{
    const QStringList roots = mountedRoots();
    addItems(roots);
    const QString here = cleanPath(QDir::currentPath());
    m_drive = rootOf(here, roots);
    m_currentOnDrive.insert(m_drive, here);
    selectRoot(m_drive);
    connect(this, &QComboBox::activated, this, [this](int index) {
        // A drive that cannot be entered leaves the list showing the drive in use.
        if (!guarded([this, index] { chooseDrive(itemText(index)); }))
            selectRoot(m_drive);
        emit clicked();
    });
}

void DriveComboBox::setDirList(DirectoryListBox* list)
{
    if (m_dirList)
        disconnect(m_dirList, nullptr, this, nullptr);
    m_dirList = list;
    if (m_dirList) {
        connect(m_dirList, &DirectoryListBox::changed, this, &DriveComboBox::followDirList);
        followDirList();
    }
}

void DriveComboBox::chooseDrive(const QString& root)
{
    if (root == m_drive) {
        selectRoot(m_drive);
        return;
    }
    const QString target = m_currentOnDrive.value(root, root);
    if (m_dirList) {
        m_dirList->setDirectory(target);
    } else if (!QDir::setCurrent(target)) {
        throw std::runtime_error(QStringLiteral("No se puede abrir el directorio %1").arg(target).toStdString());
    }
    m_drive = root;
    selectRoot(root);
    emit changed();
}

void DriveComboBox::focusInEvent(QFocusEvent* event)
{
    QComboBox::focusInEvent(event);
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        emit entered();
}

void DriveComboBox::followDirList()
{
    // The directory list may have walked onto another file system.
    const QString directory = m_dirList->directory();
    QStringList roots;
    for (int i = 0; i < count(); ++i)
        roots << itemText(i);
    m_drive = rootOf(directory, roots);
    m_currentOnDrive.insert(m_drive, directory);
    selectRoot(m_drive);
}

void DriveComboBox::selectRoot(const QString& root)
{
    const int index = findText(root);
    if (index >= 0)
        setCurrentIndex(index);
}

} // namespace vui
