#include "ui/path_text.h"

#include <QDir>

#include "exif/paths.h"

namespace tovrin {

// Qt writes "/" on every system; the engine's paths use the system's own
// separator, so on Windows a folder and its file name meet with a "\".
std::string EnginePath(const QString& path) { return QDir::toNativeSeparators(path).toStdString(); }

QString WindowPath(const std::string& utf8) {
    return QDir::fromNativeSeparators(QString::fromStdString(utf8));
}

std::filesystem::path FileSystemPath(const QString& path) { return NativePath(EnginePath(path)); }

QString FolderWithSeparator(const QString& folder) {
    return WindowPath(FolderPath(EnginePath(folder)));
}

}  // namespace tovrin
