#include "mainwindow/startup_folder.h"

#include <filesystem>
#include <system_error>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "ui/path_text.h"

namespace tovrin {

namespace {

bool IsUnder(const QString& path, const QString& folder) {
    return path.startsWith(folder + QLatin1Char('/'));
}

// Below a folder where the system mounts removable volumes.
bool OnRemovableMount(const QString& path) {
#ifdef Q_OS_UNIX
    for (const char* mounts : {"/media", "/run/media", "/mnt"}) {
        if (IsUnder(path, QLatin1String(mounts))) {
            return true;
        }
    }
#else
    Q_UNUSED(path);
#endif
    return false;
}

}  // namespace

FolderState ExamineFolder(const QString& path, const QString& holdingDriveRoot) {
    std::error_code error;
    const std::filesystem::file_status status =
        std::filesystem::status(FileSystemPath(path), error);
    switch (status.type()) {
        case std::filesystem::file_type::directory:
            return FolderState::Folder;
        case std::filesystem::file_type::not_found: {
#ifdef Q_OS_WIN
            // A drive letter that no drive answers to any more: the card or
            // stick was taken out, or the network drive is gone.
            if (holdingDriveRoot.isEmpty()) return FolderState::VolumeGone;
#endif
            // A card that was taken out leaves its mount folder behind, or
            // none at all; either way the root file system holds the path now.
            const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(path));
            const QString holder = QDir::cleanPath(holdingDriveRoot);
            const bool heldByRemovable = !holdingDriveRoot.isEmpty() && OnRemovableMount(holder);
            return OnRemovableMount(clean) && !heldByRemovable ? FolderState::VolumeGone
                                                               : FolderState::Missing;
        }
        case std::filesystem::file_type::none:
            // stat() failed for another reason than a missing entry.
            return FolderState::VolumeGone;
        default:
            return FolderState::Missing;
    }
}

QString FirstStartFolder(const QString& installationDriveRoot) {
#ifdef Q_OS_WIN
    return installationDriveRoot;
#else
    Q_UNUSED(installationDriveRoot);
    // The desktop names the pictures folder (XDG_PICTURES_DIR); a name that
    // points nowhere opens the home folder rather than an empty root.
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return !pictures.isEmpty() && QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
#endif
}

}  // namespace tovrin
