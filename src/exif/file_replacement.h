#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "exif/photo_file.h"

namespace tovrin {

// A new version of a photo whose bytes cannot change in place (a block is
// added or taken away): written whole beside the photo, in the same folder,
// under one name (path + ".tovrin.tmp"), put on the disk with the photo's
// mode, owner, extended attributes and the times it is to have, and only
// then put in the photo's place in one step. A crash leaves the old photo or
// the new one, never half of either; what it left under the new file's name
// is removed by the next change of that photo (RemoveLeftReplacement).
class FileReplacement {
public:
    // Writes the new file: the bytes of `source` (open on `path`) with the
    // `removed` bytes at `position` (1-based) replaced by `inserted`, then
    // hands it to setTimes before it is put on the disk. Throws RuntimeError;
    // nothing is left behind then.
    FileReplacement(PhotoFile& source, std::string path, std::int64_t position,
                    std::int64_t removed, const std::string& inserted,
                    const std::function<void(PhotoFile&)>& setTimes);
    // Removes the new file unless it was put in place.
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // The new file's identity, which it keeps once in the photo's place.
    const FileIdentity& identity() const noexcept { return m_identity; }
    // Puts the new file in the photo's place (the photo must be closed on
    // Windows, which will not replace an open file). Throws RuntimeError;
    // the photo is as it was then.
    void commit();

private:
    std::string m_path;
    std::string m_temp;
    FileIdentity m_identity;
    bool m_done = false;
};

// The name of the new file beside the photo at path.
std::string ReplacementPath(const std::string& path);
// Removes what a crash left under that name beside the photo, when it is a
// file of its own (never a link or a folder).
void RemoveLeftReplacement(const std::string& path);

}  // namespace tovrin
