#include "exif/file_replacement.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "exif/paths.h"
#include "exif/private_file.h"
#include "exif/runtime_error.h"

namespace tovrin {

namespace {

namespace fs = std::filesystem;

void removeFile(const std::string& path) {
    std::error_code ec;
    fs::remove(NativePath(path), ec);
}

// Copies `count` bytes of source from `position` to out, a buffer at a time.
bool copyBytes(PhotoFile& source, std::int64_t position, std::int64_t count, std::FILE* out) {
    constexpr std::int64_t Buffer = 1 << 20;
    std::vector<char> buffer(static_cast<std::size_t>(std::min(count, Buffer)));
    while (count > 0) {
        const auto n = static_cast<std::size_t>(std::min(count, Buffer));
        source.read(position, buffer.data(), n);
        if (std::fwrite(buffer.data(), 1, n, out) != n) return false;
        position += static_cast<std::int64_t>(n);
        count -= static_cast<std::int64_t>(n);
    }
    return true;
}

}  // namespace

std::string ReplacementPath(const std::string& path) { return path + ".tovrin.tmp"; }

void RemoveLeftReplacement(const std::string& path) {
    const std::string left = ReplacementPath(path);
    std::error_code ec;
    if (fs::is_regular_file(fs::symlink_status(NativePath(left), ec))) removeFile(left);
}

FileReplacement::FileReplacement(PhotoFile& source, std::string path, std::int64_t position,
                                 std::int64_t removed, const std::string& inserted,
                                 const std::function<void(PhotoFile&)>& setTimes)
    : m_path(std::move(path)), m_temp(ReplacementPath(m_path)) {
    if (position < 1 || removed < 0 || !source.contains(position, removed))
        throw RuntimeError(error::PathFileAccess);
    std::FILE* out = CreateNewPrivateFile(m_temp);
    if (out == nullptr && errno == EEXIST) {
        // Left by a crash: the photo it was made from is still in place.
        RemoveLeftReplacement(m_path);
        out = CreateNewPrivateFile(m_temp);
    }
    if (out == nullptr) throw RuntimeError(error::PathFileAccess);
    try {
        const std::int64_t after = position - 1 + removed;
        bool written = copyBytes(source, 1, position - 1, out) &&
                       std::fwrite(inserted.data(), 1, inserted.size(), out) == inserted.size() &&
                       copyBytes(source, after + 1, source.size() - after, out) && SyncFile(out);
        const int why = errno;
        if (std::fclose(out) != 0) written = false;
        out = nullptr;
        if (!written) throw ErrorFromErrno(why != 0 ? why : EIO);
        CopyFileAttributes(m_path, m_temp);
        PhotoFile made(m_temp, PhotoFile::Mode::ReadWrite);
        setTimes(made);
        m_identity = made.identity();
        made.close();
    } catch (const OutsideFile&) {
        if (out) std::fclose(out);
        removeFile(m_temp);
        throw RuntimeError(error::PathFileAccess);
    } catch (...) {
        if (out) std::fclose(out);
        removeFile(m_temp);
        throw;
    }
}

FileReplacement::~FileReplacement() {
    if (!m_done) removeFile(m_temp);
}

void FileReplacement::commit() {
    try {
        MoveFileOver(m_temp, m_path);
    } catch (const RuntimeError&) {
        removeFile(m_temp);
        m_done = true;
        throw;
    }
    m_done = true;
}

}  // namespace tovrin
