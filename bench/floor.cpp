// The floor of a tool that reads or rewrites the dates of many photos: only
// the system calls any such tool must make per photo, nothing else.
//
//   tovrin_floor info LIST
//   tovrin_floor set LIST
//   tovrin_floor set+journal LIST JOURNAL
//
// LIST holds one photo path a line. Per photo:
//   info         open, read 4 KiB, fstat, close;
//   set          open read-write, read 4 KiB, fstat, one pwrite of the 19
//                bytes "2007:01:23 09:05:00" at each of the photo's date texts
//                (DateTime, DateTimeOriginal, DateTimeDigitized, found in the
//                bytes read), futimens to that moment, close;
//   set+journal  the same in batches of 1,000 photos, kept open: each batch
//                is read, then its records (400 bytes a photo: path, the
//                positions, old and new texts, old times) are appended to
//                JOURNAL with one write and one fsync, then the batch is
//                written and closed. The journal is fsynced once more at the
//                end, as a run that ends would.
// A photo whose date texts do not lie in its first 4 KiB gets one more read of
// 64 KiB. Prints "MODE photos seconds photos/s", and on standard error the
// photos it could not open or had no date text to write.
// Plain POSIX; Linux only (futimens, O_CLOEXEC).

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr char NewText[] = "2007:01:23 09:05:00";
constexpr std::size_t TextSize = 19;
constexpr std::size_t Batch = 1000;
constexpr std::size_t RecordSize = 400;

struct Photo {
    int fd = -1;
    struct stat st {};
    std::array<std::int64_t, 3> position{};
    int dates = 0;
    std::array<std::array<char, TextSize>, 3> old{};
};

struct Reader {
    const unsigned char* p;
    std::size_t n;
    bool little;
    bool ok(std::size_t at, std::size_t len) const { return at <= n && len <= n - at; }
    unsigned u16(std::size_t at) const {
        return little ? p[at] | p[at + 1] << 8 : p[at] << 8 | p[at + 1];
    }
    std::uint32_t u32(std::size_t at) const {
        const std::uint32_t a = p[at], b = p[at + 1], c = p[at + 2], d = p[at + 3];
        return little ? a | b << 8 | c << 16 | d << 24 : a << 24 | b << 16 | c << 8 | d;
    }
};

// The file positions of the date texts (ASCII of at least 20 bytes) in the
// photo's Exif APP1, as far as the bytes at hand reach; -1 when out of reach.
int findDates(const unsigned char* buf, std::size_t n, std::array<std::int64_t, 3>& out,
              bool& needMore) {
    needMore = false;
    if (n < 4 || buf[0] != 0xFF || buf[1] != 0xD8) return 0;
    std::size_t pos = 2;
    while (true) {
        if (pos + 10 > n) {
            needMore = true;
            return 0;
        }
        if (buf[pos] != 0xFF || buf[pos + 1] < 0xE0 || buf[pos + 1] > 0xEF) return 0;
        const std::size_t len = static_cast<std::size_t>(buf[pos + 2] << 8 | buf[pos + 3]);
        if (buf[pos + 1] == 0xE1 && std::memcmp(buf + pos + 4, "Exif\0\0", 6) == 0) break;
        pos += 2 + len;
    }
    const std::size_t base = pos + 10;
    if (base + 8 > n) {
        needMore = true;
        return 0;
    }
    Reader r{buf + base, n - base, buf[base] == 'I'};
    int found = 0;
    const auto walk = [&](std::uint32_t ifd, bool exif, std::uint32_t& exifIfd) {
        if (!r.ok(ifd, 2)) {
            needMore = true;
            return;
        }
        const unsigned entries = r.u16(ifd);
        if (!r.ok(ifd + 2, entries * 12u)) {
            needMore = true;
            return;
        }
        for (unsigned i = 0; i < entries; ++i) {
            const std::size_t e = ifd + 2 + i * 12u;
            const unsigned tag = r.u16(e), type = r.u16(e + 2);
            const std::uint32_t count = r.u32(e + 4), value = r.u32(e + 8);
            if (!exif && tag == 0x8769) exifIfd = value;
            const bool date = exif ? tag == 0x9003 || tag == 0x9004 : tag == 0x0132;
            if (date && type == 2 && count >= TextSize + 1 && found < 3) {
                if (!r.ok(value, TextSize)) {
                    needMore = true;
                    continue;
                }
                out[static_cast<std::size_t>(found++)] = static_cast<std::int64_t>(base + value);
            }
        }
    };
    std::uint32_t exifIfd = 0, unused = 0;
    walk(r.u32(4), false, exifIfd);
    if (exifIfd != 0) walk(exifIfd, true, unused);
    return found;
}

bool readPhoto(const char* path, bool write, Photo& photo) {
    static std::vector<unsigned char> buf(64 * 1024);
    photo.fd = ::open(path, (write ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (photo.fd < 0) return false;
    ssize_t n = ::read(photo.fd, buf.data(), 4096);
    ::fstat(photo.fd, &photo.st);
    if (!write) return true;
    bool more = false;
    photo.dates =
        n > 0 ? findDates(buf.data(), static_cast<std::size_t>(n), photo.position, more) : 0;
    if (more) {
        n = ::pread(photo.fd, buf.data(), buf.size(), 0);
        photo.dates =
            n > 0 ? findDates(buf.data(), static_cast<std::size_t>(n), photo.position, more) : 0;
    }
    for (int i = 0; i < photo.dates; ++i)
        std::memcpy(photo.old[static_cast<std::size_t>(i)].data(),
                    buf.data() + photo.position[static_cast<std::size_t>(i)], TextSize);
    return true;
}

void writePhoto(Photo& photo) {
    for (int i = 0; i < photo.dates; ++i)
        (void)!::pwrite(photo.fd, NewText, TextSize, photo.position[static_cast<std::size_t>(i)]);
    if (photo.dates > 0) {
        // 2007-01-23 09:05:00 UTC; a tool would take the local moment.
        const struct timespec times[2] = {{1169543100, 0}, {1169543100, 0}};
        ::futimens(photo.fd, times);
    }
    ::close(photo.fd);
    photo.fd = -1;
}

// The journal record of one photo: what an undo needs, padded to 400 bytes.
void appendRecord(std::string& out, const std::string& path, const Photo& photo) {
    const std::size_t start = out.size();
    out += path;
    char line[96];
    for (int i = 0; i < photo.dates; ++i) {
        const auto k = static_cast<std::size_t>(i);
        std::snprintf(line, sizeof line, "\t%lld\t%.19s\t%s",
                      static_cast<long long>(photo.position[k]), photo.old[k].data(), NewText);
        out += line;
    }
    std::snprintf(line, sizeof line, "\t%lld.%09ld\t%lld",
                  static_cast<long long>(photo.st.st_mtim.tv_sec), photo.st.st_mtim.tv_nsec,
                  static_cast<long long>(photo.st.st_size));
    out += line;
    if (out.size() - start < RecordSize - 1) out.append(RecordSize - 1 - (out.size() - start), ' ');
    out += '\n';
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 2 ? argv[1] : "";
    if ((mode != "info" && mode != "set" && mode != "set+journal") ||
        (mode == "set+journal") != (argc == 4)) {
        std::fprintf(stderr, "usage: tovrin_floor info|set LIST | set+journal LIST JOURNAL\n");
        return 2;
    }
    std::vector<std::string> paths;
    {
        std::ifstream in(argv[2]);
        for (std::string line; std::getline(in, line);)
            if (!line.empty()) paths.push_back(line);
    }
    // A batch is kept open; allow the files it needs.
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }

    const auto start = std::chrono::steady_clock::now();
    std::size_t failed = 0, undated = 0;
    if (mode == "info") {
        for (const std::string& path : paths) {
            Photo photo;
            if (!readPhoto(path.c_str(), false, photo)) {
                ++failed;
                continue;
            }
            ::close(photo.fd);
        }
    } else if (mode == "set") {
        for (const std::string& path : paths) {
            Photo photo;
            if (!readPhoto(path.c_str(), true, photo)) {
                ++failed;
                continue;
            }
            if (photo.dates == 0) ++undated;
            writePhoto(photo);
        }
    } else {
        const int journal = ::open(argv[3], O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (journal < 0) {
            std::perror(argv[3]);
            return 1;
        }
        std::vector<Photo> batch;
        std::vector<std::string> names;
        std::string records;
        for (std::size_t from = 0; from < paths.size(); from += Batch) {
            const std::size_t to = std::min(paths.size(), from + Batch);
            batch.clear();
            records.clear();
            for (std::size_t i = from; i < to; ++i) {
                Photo photo;
                if (!readPhoto(paths[i].c_str(), true, photo)) {
                    ++failed;
                    continue;
                }
                if (photo.dates == 0) ++undated;
                appendRecord(records, paths[i], photo);
                batch.push_back(photo);
            }
            if (::write(journal, records.data(), records.size()) !=
                    static_cast<ssize_t>(records.size()) ||
                ::fsync(journal) != 0) {
                std::perror(argv[3]);
                return 1;
            }
            for (Photo& photo : batch) writePhoto(photo);
        }
        ::fsync(journal);
        ::close(journal);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s %zu %.6f %.0f\n", mode.c_str(), paths.size(), seconds,
                seconds > 0 ? static_cast<double>(paths.size()) / seconds : 0.0);
    if (failed || undated)
        std::fprintf(stderr, "tovrin_floor: %zu not opened, %zu without a date text to write\n",
                     failed, undated);
    return failed ? 1 : 0;
}
