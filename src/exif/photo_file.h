#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

namespace tovrin {

// Which file a path leads to, whatever name it goes by: a hard link or a
// symbolic link to a photo is the same photo. device/index are st_dev/st_ino,
// or on Windows the volume serial number and the file index.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t index = 0;
    bool known() const noexcept { return device != 0 || index != 0; }
    bool operator==(const FileIdentity&) const = default;
    bool operator<(const FileIdentity& o) const noexcept {
        return device != o.device ? device < o.device : index < o.index;
    }
};

// The identity of the file at path (links followed); nothing when it cannot
// be found out (gone, no permission), in which case the open says why.
std::optional<FileIdentity> IdentifyFile(const std::string& path);

// Raised by a positioned read that would touch a byte before position 1 or
// past the end of the file. Only a corrupt EXIF offset leads there; the walks
// turn it into "no usable EXIF data". It never reaches the user.
struct OutsideFile {};

// One open photo file with 1-based positioned reads through a small cache, so
// a walk over scattered directory entries costs a few system calls, never a
// read of the whole photo. Open only for the lifetime of the object.
class PhotoFile {
public:
    enum class Mode { Read, ReadWrite };

    // Throws RuntimeError when the file cannot be opened (53 gone, 70 read-only
    // or immutable, ...).
    PhotoFile(const std::string& path, Mode mode);
    ~PhotoFile();
    PhotoFile(const PhotoFile&) = delete;
    PhotoFile& operator=(const PhotoFile&) = delete;

    std::int64_t size() const noexcept { return m_size; }
    // Last-write time as seconds since the epoch, taken when the file was opened.
    std::int64_t lastWriteSeconds() const noexcept { return m_lastWrite; }

    // True when the n bytes from position lie wholly inside the file.
    bool contains(std::int64_t position, std::int64_t n) const noexcept;

    // Copies n bytes from position; throws OutsideFile unless contains().
    void read(std::int64_t position, void* out, std::size_t n) {
        // Most reads of a walk fall in the block already read.
        const std::int64_t offset = position - 1;
        if (m_blockStart >= 0 && offset >= m_blockStart &&
            offset - m_blockStart + static_cast<std::int64_t>(n) <=
                static_cast<std::int64_t>(m_blockLength)) {
            copyFromBlock(offset, out, n);
            return;
        }
        readSlow(position, out, n);
    }
    // Copies up to n bytes from position, fewer at the end of the file, and
    // returns how many; throws OutsideFile below position 1 or past the end.
    std::size_t readUpTo(std::int64_t position, void* out, std::size_t n);

    // Writes the bytes at position, which must lie inside the file: the file
    // never grows. Throws RuntimeError on failure.
    void write(std::int64_t position, const void* data, std::size_t n);

    // A file time: seconds since the epoch (UTC) and nanoseconds.
    struct FileTime {
        std::int64_t seconds = 0;
        long nanoseconds = 0;
    };
    // The access and modification times the file had when it was opened.
    FileTime accessedAtOpen() const noexcept { return m_accessed; }
    FileTime modifiedAtOpen() const noexcept { return m_modified; }
    // False when the file was opened for reading only, or when this user may
    // write it but not set its times (only its owner may).
    bool maySetTimes() const noexcept { return m_maySetTimes; }
    // Sets the access and modification times (and on Windows the creation
    // time, to the modification time) on the open file. Throws RuntimeError.
    void setTimes(FileTime accessed, FileTime modified);
    // The modification time as the file system stores it now: some clamp or
    // round a time they cannot hold instead of refusing it.
    FileTime storedModification();

    // The file's identity, taken when it was opened.
    const FileIdentity& identity() const noexcept { return m_identity; }

    // Takes this process's claim on the photo for a change: two runs, in this
    // process or another, that change the same photo take turns, so each
    // reads, plans and writes it whole. Advisory, so viewers still read it.
    // With wait false, returns false at once when another holds it. A file
    // system that knows no locks counts as unclaimed. Only for ReadWrite.
    bool claim(bool wait);

    // Whether the file open here has lost its name since it was opened:
    // another run put a new file in its place (or it was deleted), so what
    // is written here would be lost.
    bool replaced() const;

    // What a walk of the file's container found, kept while the file is open
    // so that reading, planning and writing one photo walk it once: a write
    // changes date bytes only, never where anything lies.
    std::shared_ptr<const void>& containerMemo() noexcept { return m_containerMemo; }

    // Lets go of the bytes kept from reading: a planned photo waits for its
    // batch with only what its writes need. Reads after it read again.
    void forgetReads() noexcept {
        m_block.reset();
        m_blockCapacity = 0;
        m_blockStart = -1;
        m_blockLength = 0;
    }

    // Closes now and reports a failure to close as RuntimeError; the
    // destructor closes silently.
    void close();

private:
    std::shared_ptr<const void> m_containerMemo;
    void release() noexcept;
    void fill(std::int64_t position, std::size_t span);
    // Reads size bytes from offset start (0-based) into the block.
    void fillRange(std::int64_t start, std::size_t size);
    void readSlow(std::int64_t position, void* out, std::size_t n);
    void copyFromBlock(std::int64_t offset, void* out, std::size_t n) const {
        std::memcpy(out, m_block.get() + (offset - m_blockStart), n);
    }

    static constexpr std::size_t BlockSize = 4096;
    // A long read (a whole segment) fills the block in one call up to this.
    static constexpr std::size_t LongestBlock = 33 * BlockSize;
    std::size_t m_blockCapacity = 0;
    int m_fd = -1;
    FileIdentity m_identity;
    bool m_claimed = false;
    std::int64_t m_size = 0;
    std::int64_t m_lastWrite = 0;
    FileTime m_accessed;
    FileTime m_modified;
    bool m_maySetTimes = false;
    std::int64_t m_blockStart = -1;  // 0-based offset of m_block, -1 when empty
    std::size_t m_blockLength = 0;
    std::unique_ptr<unsigned char[]> m_block;  // made by the first read
};

}  // namespace tovrin
