#pragma once

#include <QListWidget>
#include <QString>
#include <QStringList>

namespace tovrin {

// The folder list (`Dir1`), a Windows-style directory list box: the ancestors of
// its path from the root down, the current folder, then the current folder's
// subfolders one level deeper. Clicking or the arrow keys only highlight an
// entry; the path changes when code sets it (the browser opens the
// highlighted entry on Enter and double-click).
//
// Entries are numbered as in a Windows directory list box: the current
// folder is CurrentFolderEntry (-1), its parent the number below (-2) and so on
// up to the root; the subfolders are 0 .. entryCount()-1.
class FolderList : public QListWidget {
    Q_OBJECT

public:
    explicit FolderList(QWidget* parent = nullptr);

    QString path() const { return m_path; }
    // Opens `folder` and re-reads it. Raises pathChanged() when the path is
    // another folder than before. Throws RuntimeError 76 when the folder does
    // not exist and 75 when it is no folder or cannot be read; the list then
    // stays as it was.
    void setPath(const QString& folder);
    // Re-reads the subfolders of the current path; the highlight stays on the
    // same folder when it is still there. A folder that has gone shows no
    // subfolders.
    void refresh();

    // The number of subfolders.
    static constexpr int CurrentFolderEntry = -1;

    int entryCount() const { return int(m_subfolders.size()); }
    // The full path of entry `index` (numbered as above); empty when
    // there is no such entry.
    QString entry(int index) const;
    // The highlighted entry.
    int currentEntry() const;
    void setCurrentEntry(int index);

signals:
    void pathChanged();

private:
    void reread();
    // Fills the rows; the highlight goes to `highlight` when listed, else to
    // the current folder.
    void rebuild(const QString& highlight);
    int rowOf(int entry) const;
    int entryOf(int row) const;

    QString m_path;
    QStringList m_ancestors;   // root first; the current folder is last
    QStringList m_subfolders;  // full paths
};

}  // namespace tovrin
