#pragma once

#include <QListWidget>
#include <QString>
#include <QStringList>

namespace tovrin {

// The folder list (`Dir1`), a classic directory list box: the ancestors of
// its path from the root down, the current folder, then the current folder's
// subfolders one level deeper. Clicking or the arrow keys only highlight an
// entry; the path changes when code sets it (the browser opens the
// highlighted entry on Enter and double-click).
//
// Entry indexes follow the classic list: -1 is the current folder, -2 its
// parent and so on up to the root; 0 .. ListCount()-1 are the subfolders.
class FolderList : public QListWidget {
    Q_OBJECT

public:
    explicit FolderList(QWidget* parent = nullptr);

    QString Path() const { return m_path; }
    // Opens `folder` and re-reads it. Raises pathChanged() when the path is
    // another folder than before. Throws RuntimeError 76 when the folder does
    // not exist and 75 when it is no folder or cannot be read; the list then
    // stays as it was.
    void setPath(const QString& folder);
    // Re-reads the subfolders of the current path; the highlight stays on the
    // same folder when it is still there. A folder that has gone shows no
    // subfolders.
    void Refresh();

    // The number of subfolders.
    int ListCount() const { return int(m_subfolders.size()); }
    // The full path of entry `index` (classic indexes, see above); empty when
    // there is no such entry.
    QString List(int index) const;
    // The highlighted entry (classic index).
    int ListIndex() const;
    void setListIndex(int index);

signals:
    void pathChanged();

private:
    void reread();
    // Fills the rows; the highlight goes to `highlight` when listed, else to
    // the current folder.
    void rebuild(const QString& highlight);
    int rowOf(int listIndex) const;
    int listIndexOf(int row) const;

    QString m_path;
    QStringList m_ancestors;   // root first; the current folder is last
    QStringList m_subfolders;  // full paths
};

}  // namespace tovrin
