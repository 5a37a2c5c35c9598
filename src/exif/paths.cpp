#include "paths.h"

namespace tovrin {

std::string FolderPath(const std::string& folder) {
    if (!folder.empty() && folder.back() == PathSeparator) return folder;
    return folder + PathSeparator;
}

}  // namespace tovrin
