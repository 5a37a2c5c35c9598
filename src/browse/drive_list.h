#pragma once

#include <QComboBox>
#include <QList>
#include <QString>

#include "browse/drives.h"

namespace tovrin {

// The drive list (`Drive1`): a drop-down list of the mounted volumes with the
// current drive shown. It starts on the drive that holds the working folder.
// driveChanged() is the list's change event, raised whenever the current
// drive changes, by the user (mouse, wheel, arrow keys) or by setDrive().
class DriveList : public QComboBox {
    Q_OBJECT

public:
    explicit DriveList(QWidget* parent = nullptr, DriveSource source = MountedDrives);

    // The current drive's root.
    QString drive() const { return m_drive; }
    // Makes the drive that holds `path` current (a root names its own drive).
    // Raises driveChanged() when that is another drive. Throws RuntimeError
    // 68 when no listed drive holds the path.
    void setDrive(const QString& path);

    // Re-reads the drives. The current drive stays current; if it has gone,
    // it stays listed until another drive is chosen.
    void refresh();

    int entryCount() const { return int(m_drives.size()); }
    // The root of entry `index`.
    QString entry(int index) const;

    // The root of the listed drive that holds `path`, empty when none does.
    QString driveRootOf(const QString& path) const;
    // Where choosing drive `root` places the folder list.
    QString CurrentFolderOf(const QString& root) const;

signals:
    void driveChanged();
    // The list lost the focus to another control of the program (not to its
    // own drop-down, and not because another program became active).
    void focusLost();

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void fill();
    void choose(int index);
    static QString entryText(const tovrin::Drive& drive);

    DriveSource m_source;
    QList<tovrin::Drive> m_drives;
    QString m_drive;
};

}  // namespace tovrin
