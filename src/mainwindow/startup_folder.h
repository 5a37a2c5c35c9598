#pragma once

#include <QString>

namespace tovrin {

// What start-up finds where the remembered folder was.
enum class FolderState {
    Folder,      // a folder is there
    Missing,     // nothing, or no folder, on a volume that is still there
    VolumeGone,  // its volume has been removed or cannot be read
};

// Looks at `path`. `holdingDriveRoot` is the root of the mounted volume that
// holds the path now (empty when none does). The volume counts as gone when
// the path cannot be examined at all (no permission, I/O error, a loop of
// links), or when the path lies where removable volumes are mounted
// (/media, /run/media, /mnt) and no volume mounted there holds it any more;
// on Windows, when no drive holds the path any more.
FolderState ExamineFolder(const QString& path, const QString& holdingDriveRoot);

// Where a first start opens, with no folder remembered and none given: the
// user's pictures folder, or the home folder when there is none; on Windows
// the drive that holds the program, `installationDriveRoot`.
QString FirstStartFolder(const QString& installationDriveRoot);

}  // namespace tovrin
