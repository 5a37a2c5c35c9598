// Fuzz target for the reader and the writer. The first input byte picks the
// user's choices, the rest is the photo. Besides "no crash", it checks what the
// writer promises against a walk of its own, written apart from the engine's:
// the length never changes, a false status leaves every byte, and every
// changed byte lies inside a date field of IFD0 (0x0132) or the Exif IFD
// (0x9003, 0x9004), never in the JPEG and APP1 headers, the TIFF header or an
// entry table.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "exif/date_choice.h"
#include "exif/paths.h"
#include "exif/reader.h"
#include "exif/runtime_error.h"
#include "exif/writer.h"

namespace {

using Bytes = std::vector<unsigned char>;

// A folder of this process's own under the system's temporary folder.
std::string scratchFolder() {
    static const std::string folder = [] {
        namespace fs = std::filesystem;
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const fs::path made = fs::temp_directory_path() /
                                  tovrin::NativePath("tovrin-fuzz-" + std::to_string(random()));
            std::error_code ec;
            if (fs::create_directory(made, ec)) return tovrin::FolderPath(tovrin::Utf8Path(made));
        }
        std::abort();
    }();
    return folder;
}

Bytes readAll(const std::string& path) {
    std::ifstream in(tovrin::NativePath(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}

// [first, end) in 0-based offsets.
struct Range {
    long long first;
    long long end;
    bool holds(long long i) const { return i >= first && i < end; }
};

// What an independent reading of the layout finds: the ranges no write may
// touch, and the date fields a write may touch. `complete` is false when the
// layout does not lead to the end of an Exif IFD with entries.
struct Layout {
    bool complete = false;
    std::vector<Range> forbidden;
    std::vector<Range> dates;
};

Layout independentWalk(const Bytes& b) {
    Layout layout;
    const auto size = static_cast<long long>(b.size());
    const auto has = [&](long long at, long long n) { return at >= 0 && n >= 0 && at + n <= size; };
    const auto be16 = [&](long long at) { return b[at] << 8 | b[at + 1]; };
    if (!has(0, 4) || be16(0) != 0xFFD8) return layout;
    long long p = 2;
    if (be16(p) == 0xFFE0) {
        if (!has(p + 2, 2)) return layout;
        p += 2 + be16(p + 2);
        if (!has(p, 2)) return layout;
    }
    if (be16(p) != 0xFFE1 || !has(p + 2, 8)) return layout;
    const long long app1 = p;
    const long long app1End = app1 + 2 + be16(p + 2);
    const long long base = p + 10;
    if (!(b[p + 4] == 'E' && b[p + 5] == 'x' && b[p + 6] == 'i' && b[p + 7] == 'f')) return layout;
    if (!has(base, 2)) return layout;
    bool intel;
    if (b[base] == 'I' && b[base + 1] == 'I') {
        intel = true;
    } else if (b[base] == 'M' && b[base + 1] == 'M') {
        intel = false;
    } else {
        return layout;
    }
    layout.forbidden.push_back({0, base + 8});  // SOI, APP0, APP1 header, TIFF header
    const auto u16 = [&](long long at) {
        return intel ? b[at] | b[at + 1] << 8 : b[at] << 8 | b[at + 1];
    };
    const auto u32 = [&](long long at) {
        const unsigned long v = intel ? b[at] | b[at + 1] << 8 | b[at + 2] << 16 |
                                            static_cast<unsigned long>(b[at + 3]) << 24
                                      : static_cast<unsigned long>(b[at]) << 24 |
                                            b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
        return static_cast<std::uint32_t>(v);
    };
    struct Field {
        long long at;
        long long count;
    };
    std::vector<Field> fields;
    long long exifOffset = 0;
    bool hasExif = false;
    const auto directory = [&](long long at, bool ifd0) {
        if (!has(at, 2)) return -1LL;
        const long long count = u16(at);
        layout.forbidden.push_back({at, at + 2 + 12 * count + 4});
        // Only the bytes an entry is asked for need to be in the file: the
        // tag of every entry, the rest of the entries that matter.
        for (long long i = 0; i < count; ++i) {
            const long long e = at + 2 + 12 * i;
            if (!has(e, 2)) return -1LL;
            const int tag = u16(e);
            const bool date = ifd0 ? tag == 0x0132 : (tag == 0x9003 || tag == 0x9004);
            if (ifd0 && tag == 0x8769) {
                if (!has(e, 12)) return -1LL;
                exifOffset = static_cast<std::int32_t>(u32(e + 8));
                hasExif = true;
            }
            if (date && has(e, 12) && u16(e + 2) == 2)
                fields.push_back({base + static_cast<std::int32_t>(u32(e + 8)),
                                  static_cast<std::int32_t>(u32(e + 4))});
        }
        return count;
    };
    if (directory(base + 8, true) <= 0 || !hasExif) return layout;
    if (directory(base + exifOffset, false) <= 0) return layout;
    for (const Field& f : fields) {
        // A date field lies after the TIFF header and inside the APP1 segment.
        const long long end = f.at + std::min(f.count, 19LL);
        if (f.count < 5 || f.at < base + 8 || end > app1End) continue;
        layout.dates.push_back({f.at, end});
    }
    layout.complete = true;
    return layout;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    tovrin::DateChoice choice;
    choice.date = {2007, 1, 23};
    choice.time = {9, 5, 0};
    choice.keepTime = (data[0] & 1) != 0;
    choice.filterOn = (data[0] & 2) != 0;
    choice.filterDate = {2006, 5, 4};

    const std::string folder = scratchFolder();
    const std::string name = "photo.jpg";
    const Bytes before(data + 1, data + size);
    {
        std::ofstream out(tovrin::NativePath(folder + name), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(before.data()),
                  static_cast<std::streamsize>(before.size()));
    }

    try {
        tovrin::PhotoInfo info;
        tovrin::ReadPhotoInfo(folder, name, info);
        const tovrin::WriteResult r = tovrin::WriteEmbeddedDate(folder, name, choice);
        const Bytes after = readAll(folder + name);
        check(after.size() == before.size(), "length changed");
        if (!r.status) check(after == before, "false status but bytes changed");
        check(r.status || !(r.dateWritten || r.changed), "a write reported without status");
        check(after == before || r.changed, "bytes changed but not reported as changed");
        check(!r.dateWritten || r.changed, "dateWritten without changed");
        if (after == before) return 0;
        const Layout layout = independentWalk(before);
        check(layout.complete, "bytes changed in a photo whose layout is incomplete");
        for (std::size_t i = 0; i < after.size(); ++i) {
            if (after[i] == before[i]) continue;
            const auto at = static_cast<long long>(i);
            for (const Range& r : layout.forbidden)
                check(!r.holds(at), "byte changed in a header or an entry table");
            bool inDate = false;
            for (const Range& r : layout.dates) inDate = inDate || r.holds(at);
            check(inDate, "byte changed outside every date field");
        }
    } catch (const tovrin::RuntimeError&) {
        // A file-system failure is reported to the user; it is no fault here.
    }
    return 0;
}
