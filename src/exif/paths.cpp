#include "exif/paths.h"

namespace tovrin {

std::string FolderPath(const std::string& folder) {
    if (!folder.empty() && folder.back() == PathSeparator) return folder;
    return folder + PathSeparator;
}

std::filesystem::path NativePath(const std::string& utf8) {
#ifdef _WIN32
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
#else
    return std::filesystem::path(utf8);
#endif
}

std::string Utf8Path(const std::filesystem::path& path) {
#ifdef _WIN32
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
#else
    return path.string();
#endif
}

}  // namespace tovrin
