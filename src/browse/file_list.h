#pragma once

#include <functional>

#include <QListView>
#include <QString>
#include <QStringList>

#include "exif/photo_kinds.h"

class QStringListModel;

namespace tovrin {

// The file list (`File1`): the photos of one folder, with extended selection
// (click, Shift+click for a range, Ctrl+click to add or remove one entry).
// It lists the plain files whose names end in one of the extensions Tovrin
// handles (PhotoKinds: ".jpg", ".jpeg", ".heic", ".cr2", ".mov", ...), in any
// mix of case; hidden files, folders and special files are left out. Entries are
// sorted by name without regard to case and shown as the file system gives
// them. Every listing reads the disk afresh; nothing is cached.
//
// The click handler is the list's click event. It runs whenever the user
// changes the selection or the current entry, or clicks an entry, and
// whenever code selects an entry through setCurrentEntry(), setSelected() or
// selectEveryEntry(). It runs synchronously inside that call, so an exception
// it throws reaches the code that selected the entry; inside the list's own
// mouse and key handling it must not throw.
class FileList : public QListView {
    Q_OBJECT

public:
    // "*.jpg;*.jpeg;*.jpe;*.heic;...": the engine's one list of names, which
    // tovrin-cli's folder walk takes too.
    static inline const QString Pattern = QString::fromStdString(PhotoNamePattern());

    explicit FileList(QWidget* parent = nullptr);

    void setClickHandler(std::function<void()> handler) { m_click = std::move(handler); }

    // The folder, in Qt form without a trailing separator (except a root).
    QString path() const { return m_path; }
    // Moves the list to `folder` and reads it. Raises pathChanged() when it is
    // another folder; setting the same folder again does nothing. A folder
    // that cannot be read lists nothing.
    void setPath(const QString& folder);
    // Reads the folder again; afterwards no entry is current or selected.
    void refresh();

    // What currentEntry() gives when no entry is current.
    static constexpr int NoEntry = -1;

    int entryCount() const { return int(m_names.size()); }
    // The file name of entry `index`; empty when there is no such entry.
    QString entry(int index) const;
    // The current entry (the one with the focus), NoEntry when there is none.
    int currentEntry() const;
    // Makes entry `index` current and the only selected one, as a click does;
    // NoEntry clears the current entry and the selection.
    void setCurrentEntry(int index);
    // The current entry's file name, empty when there is none.
    QString currentFileName() const;

    bool isSelected(int index) const;
    // Selects or deselects one entry and leaves the others as they are. With
    // no current entry, the entry becomes current.
    void setSelected(int index, bool selected);
    int selectedCount() const;
    // Selects every entry, from the first to the last; the current entry
    // stays. The click handler runs once.
    void selectEveryEntry();
    // Selects the entries of `names` that the list holds and nothing else,
    // the first of them current; the click handler runs once. Returns how
    // many it selected; with none, the list is left as it is.
    int selectNames(const QStringList& names);

signals:
    void pathChanged();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void click();
    QStringList readFolder() const;

    QStringListModel* m_model;
    QString m_path;
    QStringList m_names;
    std::function<void()> m_click;
    // Set when the selection or the current entry moved during a user event.
    bool m_touched = false;
};

}  // namespace tovrin
