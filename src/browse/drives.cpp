#include "browse/drives.h"

#include <algorithm>

#include <QDir>
#include <QSet>
#include <QStorageInfo>

namespace tovrin {

namespace {

Qt::CaseSensitivity pathCase() {
#ifdef Q_OS_WIN
    return Qt::CaseInsensitive;
#else
    return Qt::CaseSensitive;
#endif
}

bool holds(const QString& root, const QString& path) {
    if (path.compare(root, pathCase()) == 0) {
        return true;
    }
    if (root.endsWith(QLatin1Char('/'))) {
        return path.startsWith(root, pathCase());
    }
    return path.startsWith(root + QLatin1Char('/'), pathCase());
}

}  // namespace

bool IsRealFileSystem(const QByteArray& type, const QString& root) {
    static const QSet<QByteArray> pseudo = {
        "autofs",      "binfmt_misc",   "bpf",        "cgroup",     "cgroup2",   "configfs",
        "debugfs",     "devpts",        "devtmpfs",   "efivarfs",   "fusectl",   "fuse.gvfsd-fuse",
        "fuse.portal", "fuse.snapfuse", "hugetlbfs",  "mqueue",     "nsfs",      "proc",
        "pstore",      "ramfs",         "rpc_pipefs", "securityfs", "selinuxfs", "squashfs",
        "sysfs",       "tmpfs",         "tracefs",
    };
    if (pseudo.contains(type)) {
        return false;
    }
    for (const char* system : {"/proc", "/sys", "/dev", "/run"}) {
        if (holds(QLatin1String(system), root)) {
            return holds(QStringLiteral("/run/media"), root) && root != QLatin1String("/run/media");
        }
    }
    return true;
}

QList<Drive> MountedDrives() {
    QList<Drive> drives;
    QSet<QString> seen;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady()) {
            continue;
        }
        const QString root = QDir::fromNativeSeparators(volume.rootPath());
        if (!IsRealFileSystem(volume.fileSystemType(), root) || seen.contains(root)) {
            continue;
        }
        seen.insert(root);
        drives.append({root, volume.name()});
    }
    std::sort(drives.begin(), drives.end(),
              [](const Drive& a, const Drive& b) { return a.root < b.root; });
    return drives;
}

QString DriveRoot(const QString& path, const QList<Drive>& drives) {
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(path));
    QString best;
    for (const Drive& drive : drives) {
        if (holds(drive.root, clean) && drive.root.size() > best.size()) {
            best = drive.root;
        }
    }
    return best;
}

QString DriveCurrentFolder(const QString& root, const QString& workingFolder,
                           const QList<Drive>& drives) {
    const QString working = QDir::cleanPath(QDir::fromNativeSeparators(workingFolder));
    if (DriveRoot(working, drives).compare(root, pathCase()) == 0) {
        return working;
    }
    return root;
}

}  // namespace tovrin
