#include "browse/folder_list.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>

#include "browse/parent_folder.h"
#include "exif/runtime_error.h"
#include "ui/focus_mark.h"

namespace tovrin {

namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int DepthRole = Qt::UserRole + 1;

// Draws each entry indented by its depth, as a Windows directory list draws its tree.
class IndentDelegate : public FocusMarkDelegate {
public:
    using FocusMarkDelegate::FocusMarkDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem indented = option;
        indented.rect.setLeft(option.rect.left() + indentOf(option, index));
        FocusMarkDelegate::paint(painter, indented, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QSize size = QStyledItemDelegate::sizeHint(option, index);
        return {size.width() + indentOf(option, index), size.height()};
    }

private:
    static int indentOf(const QStyleOptionViewItem& option, const QModelIndex& index) {
        return index.data(DepthRole).toInt() * option.fontMetrics.height() / 2;
    }
};

// A folder can be listed when it can be read and, on POSIX, searched.
bool canList(const QFileInfo& folder) {
#ifdef Q_OS_UNIX
    return folder.isReadable() && folder.isExecutable();
#else
    return folder.isReadable();
#endif
}

QStringList ancestorsOf(const QString& path) {
    QStringList chain{path};
    for (QString up = ParentFolder(path); up != chain.first(); up = ParentFolder(up)) {
        chain.prepend(up);
    }
    return chain;
}

QString nameOf(const QString& folder) {
    const QString name = QFileInfo(folder).fileName();
    return name.isEmpty() ? QDir::toNativeSeparators(folder) : name;
}

}  // namespace

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setItemDelegate(new IndentDelegate(this));
    m_path = CleanFolder(QDir::currentPath());
    reread();
    rebuild(QString());
}

void FolderList::setPath(const QString& folder) {
    const QString path = CleanFolder(folder);
    const QFileInfo info(path);
    if (!info.exists()) {
        throw RuntimeError(error::PathNotFound);
    }
    if (!info.isDir() || !canList(info)) {
        throw RuntimeError(error::PathFileAccess);
    }
    const bool changed = path != m_path;
    m_path = path;
    reread();
    rebuild(QString());
    if (changed) {
        emit pathChanged();
    }
}

void FolderList::refresh() {
    const QString highlight = entry(currentEntry());
    reread();
    rebuild(highlight);
}

void FolderList::reread() {
    m_ancestors = ancestorsOf(m_path);
    m_subfolders.clear();
    const QDir dir(m_path);
    const QStringList names =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    m_subfolders.reserve(names.size());
    for (const QString& name : names) {
        m_subfolders.append(dir.filePath(name));
    }
}

QString FolderList::entry(int index) const {
    const int row = rowOf(index);
    if (row < 0) {
        return {};
    }
    if (row < m_ancestors.size()) {
        return m_ancestors.at(row);
    }
    return m_subfolders.at(row - m_ancestors.size());
}

int FolderList::currentEntry() const {
    // With no highlight the list reads as on its current folder.
    const int row = currentRow();
    return row < 0 ? CurrentFolderEntry : entryOf(row);
}

void FolderList::setCurrentEntry(int index) {
    const int row = rowOf(index);
    if (row >= 0) {
        setCurrentRow(row);
    }
}

void FolderList::rebuild(const QString& highlight) {
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    setUpdatesEnabled(false);
    clear();
    int highlightRow = int(m_ancestors.size()) - 1;
    for (int depth = 0; depth < m_ancestors.size(); ++depth) {
        auto* item = new QListWidgetItem(open, nameOf(m_ancestors.at(depth)), this);
        item->setData(PathRole, m_ancestors.at(depth));
        item->setData(DepthRole, depth);
        if (m_ancestors.at(depth) == highlight) {
            highlightRow = depth;
        }
    }
    const int subDepth = int(m_ancestors.size());
    for (int i = 0; i < m_subfolders.size(); ++i) {
        auto* item = new QListWidgetItem(closed, nameOf(m_subfolders.at(i)), this);
        item->setData(PathRole, m_subfolders.at(i));
        item->setData(DepthRole, subDepth);
        if (m_subfolders.at(i) == highlight) {
            highlightRow = subDepth + i;
        }
    }
    setCurrentRow(highlightRow);
    setUpdatesEnabled(true);
}

int FolderList::rowOf(int entry) const {
    const int ancestors = int(m_ancestors.size());
    const int row = ancestors + entry;
    if (row < 0 || row >= ancestors + m_subfolders.size()) {
        return -1;
    }
    return row;
}

int FolderList::entryOf(int row) const { return row - int(m_ancestors.size()); }

}  // namespace tovrin
