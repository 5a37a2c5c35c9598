#include "exif/write_check.h"

#include <windows.h>

#include "exif/paths.h"

namespace tovrin {

bool IsWriteProtected(const std::string& path) {
    // The read-only attribute keeps every user, administrators included,
    // from opening the file for writing.
    const DWORD attributes = ::GetFileAttributesW(NativePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace tovrin
