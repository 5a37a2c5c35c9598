#include "browse/file_list.h"

#include <QDir>
#include <QFileInfo>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStringListModel>
#include <QToolTip>

#include "browse/parent_folder.h"
#include "ui/focus_mark.h"

namespace tovrin {

FileList::FileList(QWidget* parent) : QListView(parent), m_model(new QStringListModel(this)) {
    setModel(m_model);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new FocusMarkDelegate(this));
    // One row height for all rows keeps a folder of many thousand photos
    // quick to show and to scroll.
    setUniformItemSizes(true);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { m_touched = true; });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { m_touched = true; });
    m_path = CleanFolder(QDir::currentPath());
    refresh();
}

void FileList::setPath(const QString& folder) {
    const QString path = CleanFolder(folder);
    if (path == m_path) {
        return;
    }
    m_path = path;
    refresh();
    emit pathChanged();
}

void FileList::refresh() {
    m_names = readFolder();
    m_model->setStringList(m_names);
    selectionModel()->clear();
}

QStringList FileList::readFolder() const {
    // The name filters match without regard to case; leaving out QDir::Hidden
    // and QDir::System leaves out hidden files, devices, sockets and broken
    // links. Sorting by name needs no per-file status beyond the listing.
    // Hidden is the engine's IsHiddenEntry (hidden or system attribute on
    // Windows, a leading "." elsewhere), which tovrin-cli's walk uses too.
    QDir dir(m_path);
    dir.setNameFilters(Pattern.split(QLatin1Char(';')));
    dir.setFilter(QDir::Files | QDir::NoDotAndDotDot);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    return dir.entryList();
}

QString FileList::entry(int index) const {
    if (index < 0 || index >= m_names.size()) {
        return {};
    }
    return m_names.at(index);
}

int FileList::currentEntry() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : NoEntry;
}

void FileList::setCurrentEntry(int index) {
    if (index < 0 || index >= m_names.size()) {
        selectionModel()->clear();
    } else {
        selectionModel()->setCurrentIndex(m_model->index(index),
                                          QItemSelectionModel::ClearAndSelect);
        scrollTo(m_model->index(index));
    }
    click();
}

QString FileList::currentFileName() const { return entry(currentEntry()); }

bool FileList::isSelected(int index) const {
    if (index < 0 || index >= m_names.size()) {
        return false;
    }
    return selectionModel()->isSelected(m_model->index(index));
}

void FileList::setSelected(int index, bool selected) {
    if (index < 0 || index >= m_names.size()) {
        return;
    }
    const QModelIndex entry = m_model->index(index);
    const auto command = selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect;
    if (!currentIndex().isValid()) {
        selectionModel()->setCurrentIndex(entry, command);
    } else {
        selectionModel()->select(entry, command);
    }
    click();
}

int FileList::selectedCount() const {
    int count = 0;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        count += range.height();
    }
    return count;
}

void FileList::selectEveryEntry() {
    if (!m_names.isEmpty()) {
        const QItemSelection all(m_model->index(0), m_model->index(int(m_names.size()) - 1));
        selectionModel()->select(all, QItemSelectionModel::Select);
    }
    click();
}

int FileList::selectNames(const QStringList& names) {
    QItemSelection chosen;
    QModelIndex first;
    for (const QString& name : names) {
        const auto row = m_names.indexOf(name);
        if (row < 0) {
            continue;
        }
        const QModelIndex entry = m_model->index(int(row));
        if (!first.isValid()) {
            first = entry;
        }
        chosen.select(entry, entry);
    }
    if (!first.isValid()) {
        return 0;
    }
    selectionModel()->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect);
    selectionModel()->select(chosen, QItemSelectionModel::Select);
    scrollTo(first);
    click();
    return selectedCount();
}

bool FileList::viewportEvent(QEvent* event) {
    // A name longer than the list is wide shows in full as a tooltip; one
    // that fits shows none.
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex entry = indexAt(help->pos());
        QString text;
        if (entry.isValid()) {
            QStyleOptionViewItem option;
            initViewItemOption(&option);
            const int needed = itemDelegate()->sizeHint(option, entry).width();
            const QRect shown = visualRect(entry).intersected(viewport()->rect());
            if (needed > shown.width()) {
                text = m_names.at(entry.row());
            }
        }
        if (text.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), text, viewport(), visualRect(entry));
        }
        return true;
    }
    return QListView::viewportEvent(event);
}

void FileList::mousePressEvent(QMouseEvent* event) {
    m_touched = false;
    const bool onEntry = indexAt(event->position().toPoint()).isValid();
    QListView::mousePressEvent(event);
    if (m_touched || onEntry) {
        click();
    }
}

void FileList::mouseMoveEvent(QMouseEvent* event) {
    m_touched = false;
    QListView::mouseMoveEvent(event);
    if (m_touched) {
        click();
    }
}

void FileList::mouseReleaseEvent(QMouseEvent* event) {
    m_touched = false;
    QListView::mouseReleaseEvent(event);
    if (m_touched) {
        click();
    }
}

void FileList::keyPressEvent(QKeyEvent* event) {
    m_touched = false;
    QListView::keyPressEvent(event);
    if (m_touched) {
        click();
    }
}

void FileList::click() {
    if (m_click) {
        m_click();
    }
}

}  // namespace tovrin
