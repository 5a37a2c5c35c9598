#include "judge.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "exif/date_choice.h"
#include "exif/date_copies.h"
#include "exif/paths.h"
#include "exif/photo_file.h"
#include "exif/photo_update.h"
#include "exif/reader.h"
#include "exif/runtime_error.h"
#include "exif/writer.h"

namespace tovrin_fuzz {

namespace {

using Bytes = std::vector<unsigned char>;

// The longest a JPEG segment can be, marker included: no text read from one
// can be longer.
constexpr long long LongestSegment = 2 + 0xFFFF;

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

// The byte a date text holds at index i of "yyyy:mm:dd hh:mm:ss".
bool fitsDateShape(long long i, unsigned char c) {
    if (i == 4 || i == 7 || i == 13 || i == 16) return c == ':';
    if (i == 10) return c == ' ';
    return i >= 0 && i < 19 && c >= '0' && c <= '9';
}

struct Failed {
    std::string what;
};

// A broken promise ends the judging at once.
void check(bool ok, const std::string& what) {
    if (!ok) throw Failed{what};
}

std::string at(long long i) { return " at byte " + std::to_string(i); }

}  // namespace

Verdict JudgeChange(const Layout& layout, const Bytes& before, const Bytes& after) {
    std::string structural;
    const auto checkStructure = [&](bool ok, const std::string& what) {
        if (!ok && structural.empty()) structural = what;
    };
    const auto in = [](const std::vector<Range>& list, long long p) {
        return std::any_of(list.begin(), list.end(), [&](const Range& r) { return r.holds(p); });
    };
    try {
        check(after.size() == before.size(), "length changed");
        if (after == before) return {};
        checkStructure(layout.usable,
                       "bytes changed in a photo with no usable structure" +
                           (layout.problem.empty() ? "" : " (" + layout.problem + ")"));
        const auto digit = [](unsigned char c) { return c >= '0' && c <= '9'; };
        for (std::size_t i = 0; i < after.size(); ++i) {
            if (after[i] == before[i]) continue;
            const auto p = static_cast<long long>(i);
            // A digest, a movie time or a CRC may take any value; a copy of
            // the date changes its digits only.
            if (in(layout.iptcDigests, p) || in(layout.movieTimes, p) || in(layout.checksums, p))
                continue;
            if (in(layout.xmpPackets, p) || in(layout.iptcTexts, p) || in(layout.movieTexts, p)) {
                check(digit(before[i]) && digit(after[i]),
                      "a byte of a copy of the date changed that is no digit" + at(p));
                continue;
            }
            check((after[i] >= '0' && after[i] <= '9') || after[i] == ':' || after[i] == ' ',
                  "written byte is not a digit, ':' or ' '" + at(p));
            checkStructure(in(layout.dates, p),
                           "byte changed outside every range that may change" + at(p));
            for (const Range& d : layout.dates)
                if (d.holds(p))
                    check(fitsDateShape(p - d.first, after[i]),
                          "written byte does not fit the date shape" + at(p));
        }
        // A PNG chunk whose CRC was correct still has a correct one.
        for (const Checksummed& c : layout.pngChunks) {
            const auto crc = [&](const Bytes& b) {
                return Crc32(b.data() + c.covered.first,
                             static_cast<std::size_t>(c.covered.end - c.covered.first));
            };
            const auto stored = [&](const Bytes& b) {
                const auto* q = b.data() + c.at;
                return std::uint32_t{q[0]} << 24 | std::uint32_t{q[1]} << 16 |
                       std::uint32_t{q[2]} << 8 | q[3];
            };
            if (crc(before) == stored(before))
                check(crc(after) == stored(after),
                      "a PNG chunk's CRC that was correct is wrong after the write" + at(c.at));
        }
    } catch (const Failed& failed) {
        return {failed.what, Failure::Promise};
    }
    if (!structural.empty()) return {structural, Failure::Structure};
    return {};
}

Verdict JudgeOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return {};
    tovrin::DateChoice choice;
    choice.date = {2007, 1, 23};
    choice.time = {9, 5, 0};
    choice.keepTime = (data[0] & 1) != 0;
    choice.filterOn = (data[0] & 2) != 0;
    choice.filterDate = {2006, 5, 4};
    // Which call writes: the writer alone, the whole date setting, or a shift.
    const int call = (data[0] >> 2) & 3;

    const std::string folder = scratchFolder();
    const Bytes before(data + 1, data + size);
    // Named as its kind is, so the engine meets it as the user's file list would.
    const std::string kind = KindOfFile(before);
    const std::string name = "photo." + (kind == "tiff"                   ? std::string("tif")
                                         : kind == "heif"                 ? std::string("heic")
                                         : kind == "quicktime"            ? std::string("mov")
                                         : kind.empty() || kind == "jpeg" ? std::string("jpg")
                                                                          : kind);
    {
        std::ofstream out(tovrin::NativePath(folder + name), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(before.data()),
                  static_cast<std::streamsize>(before.size()));
    }

    // A structural failure is noted and the judging goes on, so a broken
    // promise behind it is still found.
    std::string structural;
    const auto checkStructure = [&](bool ok, const std::string& what) {
        if (!ok && structural.empty()) structural = what;
    };
    std::string reader;
    const auto noted = [&]() -> Verdict {
        if (!structural.empty()) return {structural, Failure::Structure};
        if (!reader.empty()) return {reader, Failure::ReaderLength};
        return {};
    };
    try {
        const Layout layout = WalkLayout(before);
        const std::string why = layout.problem.empty() ? "" : " (" + layout.problem + ")";

        // The reader never returns more than the segment it reads from holds.
        tovrin::PhotoInfo info;
        tovrin::ReadPhotoInfo(folder, name, info);
        // When the reader took another APP1 than the walk's Exif one, the
        // longest APP1 of the file is the bound.
        const bool sameBlock =
            layout.usable && layout.tiff >= 0 && info.TiffBase - 1 == layout.tiff;
        const long long longest =
            sameBlock ? layout.app1.end - layout.app1.first
                      : (layout.longestApp1 > 0 ? layout.longestApp1 : LongestSegment);
        for (const std::string* text : {&info.DateTime, &info.DateTimeOriginal,
                                        &info.DateTimeDigitized, &info.Make, &info.Model})
            if (static_cast<long long>(text->size()) > longest && reader.empty())
                reader = "the reader returned a text longer than the APP1 segment";

        // Every field the engine plans to write lies inside a date text the
        // walk allows, from its first byte.
        {
            const std::size_t length = choice.keepTime ? 10 : 19;
            tovrin::PhotoFile file(folder + name, tovrin::PhotoFile::Mode::Read);
            const tovrin::DateFields found = tovrin::FindDateFields(file, length);
            for (const tovrin::DateField& f : found.fields) {
                const long long first = f.position - 1;
                checkStructure(layout.usable,
                               "a date field found in a photo with no usable structure" + why);
                bool inside = false;
                for (const Range& r : layout.dates)
                    inside = inside ||
                             (r.first == first && first + static_cast<long long>(length) <= r.end);
                checkStructure(inside,
                               "a date field found where no date text may change" + at(first));
            }
        }

        // Every copy of the date outside the EXIF tables that the finder
        // names lies inside the file and is the value it reports.
        {
            tovrin::PhotoFile file(folder + name, tovrin::PhotoFile::Mode::Read);
            for (const tovrin::DateCopyFound& c : tovrin::FindDateCopies(file).found) {
                const long long first = c.text.first - 1;
                const bool inside = first >= 0 && c.text.size >= 0 &&
                                    first + c.text.size <= static_cast<long long>(before.size());
                checkStructure(inside, "a date copy found outside the file" + at(first));
                const std::string stored = tovrin::StoredCopyText(c, c.value);
                if (inside)
                    checkStructure(std::equal(stored.begin(), stored.end(), before.begin() + first,
                                              [](char a, unsigned char b) {
                                                  return static_cast<unsigned char>(a) == b;
                                              }) &&
                                       stored.size() == static_cast<std::size_t>(c.text.size),
                                   "a date copy whose value is not its bytes" + at(first));
            }
        }

        tovrin::WriteResult r;
        if (call == 1) {
            r = tovrin::UpdatePhotoDate(folder, name, choice).result;
        } else if (call == 2) {
            const std::int64_t seconds = (data[0] & 0x10) ? -86400LL * 400 - 61 : 3600LL * 25 + 7;
            r = tovrin::ShiftPhotoDate(folder, name, seconds,
                                       {.onlyOn = choice.filterOn ? "2006:05:04" : ""})
                    .result;
        } else {
            r = tovrin::WriteEmbeddedDate(folder, name, choice);
        }
        const Bytes after = readAll(folder + name);
        check(after.size() == before.size(), "length changed");
        if (!r.status) check(after == before, "false status but bytes changed");
        check(r.status || !(r.dateWritten || r.changed), "a write reported without status");
        check(after == before || r.changed, "bytes changed but not reported as changed");
        check(!r.dateWritten || r.changed, "dateWritten without changed");
        if (after == before) return noted();
        const Verdict change = JudgeChange(layout, before, after);
        if (change.kind == Failure::Promise) return change;
        checkStructure(change.ok(), change.failure);
    } catch (const tovrin::RuntimeError&) {
        // A failure is reported to the user; it is no fault here, as long as
        // the photo is as it was.
        if (readAll(folder + name) != before)
            return {"a failed change left bytes changed", Failure::Promise};
    } catch (const Failed& failed) {
        return {failed.what, Failure::Promise};
    }
    return noted();
}

}  // namespace tovrin_fuzz
