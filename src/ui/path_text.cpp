#include "ui/path_text.h"

#include "exif/paths.h"

namespace tovrin {

std::string EnginePath(const QString& path) { return path.toStdString(); }

QString WindowPath(const std::string& utf8) { return QString::fromStdString(utf8); }

std::filesystem::path FileSystemPath(const QString& path) { return NativePath(EnginePath(path)); }

QString FolderWithSeparator(const QString& folder) {
    return WindowPath(FolderPath(EnginePath(folder)));
}

}  // namespace tovrin
