#include "exif/write_check.h"

#include "exif/photo_file.h"
#include "exif/runtime_error.h"

namespace tovrin {

bool CheckPhotoWritable(const std::string& path) {
    // The very open a change makes, so that the error is the one a real run
    // reports; opening for writing and closing without a write leaves the
    // bytes and the times as they were.
    PhotoFile file(path, PhotoFile::Mode::ReadWrite);
    // Most systems refuse such an open already; the attribute is asked as
    // well, so that a file system which lets the open through still cannot
    // make a dry run promise a write that would fail.
    if (IsWriteProtected(path)) throw RuntimeError(error::PermissionDenied);
    const bool maySetTimes = file.maySetTimes();
    file.close();
    return maySetTimes;
}

}  // namespace tovrin
