#pragma once

#include <functional>

#include <QByteArray>
#include <QList>
#include <QString>

namespace tovrin {

// One entry of the drive list. On this platform a drive is a mounted volume,
// and its root is the mount point ("/", "/media/alice/CAMERA").
struct Drive {
    QString root;
    QString label;

    bool operator==(const Drive&) const = default;
};

// Where the drive list gets its drives from; tests replace it.
using DriveSource = std::function<QList<Drive>()>;

// Whether a mounted volume of this type at this mount point is one the user
// can keep photos on: not a kernel or memory file system, not a snap image,
// not a mount under /proc, /sys, /dev or /run (except /run/media).
bool IsRealFileSystem(const QByteArray& type, const QString& root);

// The mounted, ready, real file systems, sorted by root, one per root.
QList<Drive> MountedDrives();

// The root of the drive that holds `path`: the longest listed root that is
// `path` itself or one of its ancestors. Empty when none holds it.
QString DriveRoot(const QString& path, const QList<Drive>& drives);

// Where choosing a drive places the folder list. The platform keeps one
// current folder per process, not one per drive: the drive that holds the
// working folder opens there, every other drive at its root.
QString DriveCurrentFolder(const QString& root, const QString& workingFolder,
                           const QList<Drive>& drives);

}  // namespace tovrin
