#include "browse/drive_list.h"

#include <algorithm>

#include <QDir>
#include <QFocusEvent>
#include <QSignalBlocker>

#include "exif/runtime_error.h"

namespace tovrin {

DriveList::DriveList(QWidget* parent, DriveSource source)
    : QComboBox(parent), m_source(std::move(source)) {
    m_drives = m_source();
    m_drive = tovrin::DriveRoot(QDir::currentPath(), m_drives);
    if (m_drive.isEmpty() && !m_drives.isEmpty()) {
        m_drive = m_drives.first().root;
    }
    fill();
    connect(this, &QComboBox::activated, this, &DriveList::choose);
}

void DriveList::setDrive(const QString& path) {
    QString root;
    for (const tovrin::Drive& drive : m_drives) {
        if (drive.root == path) {
            root = path;
        }
    }
    if (root.isEmpty()) {
        root = driveRootOf(path);
    }
    if (root.isEmpty()) {
        throw RuntimeError(error::DeviceUnavailable);
    }
    if (root == m_drive) {
        return;
    }
    m_drive = root;
    fill();
    emit driveChanged();
}

void DriveList::refresh() {
    m_drives = m_source();
    fill();
}

QString DriveList::entry(int index) const {
    if (index < 0 || index >= m_drives.size()) {
        return {};
    }
    return m_drives.at(index).root;
}

QString DriveList::driveRootOf(const QString& path) const {
    return tovrin::DriveRoot(path, m_drives);
}

QString DriveList::CurrentFolderOf(const QString& root) const {
    return DriveCurrentFolder(root, QDir::currentPath(), m_drives);
}

void DriveList::focusOutEvent(QFocusEvent* event) {
    QComboBox::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason) {
        emit focusLost();
    }
}

void DriveList::fill() {
    // A drive that has gone away stays the current entry until the user picks
    // another one, so the list never shows a drive other than the current.
    const auto current = std::find_if(m_drives.cbegin(), m_drives.cend(),
                                      [this](const tovrin::Drive& d) { return d.root == m_drive; });
    if (current == m_drives.cend() && !m_drive.isEmpty()) {
        m_drives.append({m_drive, QString()});
    }
    const QSignalBlocker blocker(this);
    clear();
    int currentRow = -1;
    for (int i = 0; i < m_drives.size(); ++i) {
        addItem(entryText(m_drives.at(i)));
        if (m_drives.at(i).root == m_drive) {
            currentRow = i;
        }
    }
    setCurrentIndex(currentRow);
}

void DriveList::choose(int index) {
    if (index < 0 || index >= m_drives.size() || m_drives.at(index).root == m_drive) {
        return;
    }
    m_drive = m_drives.at(index).root;
    emit driveChanged();
}

QString DriveList::entryText(const tovrin::Drive& drive) {
    if (drive.label.isEmpty()) {
        return QDir::toNativeSeparators(drive.root);
    }
    return QDir::toNativeSeparators(drive.root) + QStringLiteral(" [") + drive.label +
           QLatin1Char(']');
}

}  // namespace tovrin
