// Checks of the judge itself, apart from any engine.
//
// 1. The judge's walk on the sample files of other formats
// (corpus/formats): for each, every range it allows, as read by hand from
// `exiftool -v3 FILE` (the date texts' offsets, the movie header times, the
// XMP packets, the IPTC records, the PNG CRCs). A walk that finds one more or
// one less range than these fails; so does a sample that is missing.
//
// Offsets are the file's own; exiftool prints those of a RAF's JPEG and of a
// PNG's eXIf from the start of the JPEG (0xa0 in FujiFilm.raf) and of the
// chunk's data (0x117 in dates.png), and QuickTime text from its size field
// (4 bytes before the text).
//
// 2. The judge's verdicts on writes simulated by hand in the hostile seeds of
// each container and in the samples: a write of every range the walk allows
// (the dates, the digits of the copies, the movie times, the PNG CRCs put
// right) passes; the same write with a PNG CRC left wrong, a byte of the
// container's own changed, a letter of a copy changed, a date of the wrong
// shape, or the length changed fails as it must. So the checks are known to
// work before the engine writes these containers at all.

#include "judge_checks.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "exif/paths.h"
#include "hostile_seeds.h"
#include "judge.h"

namespace tovrin_fuzz {

namespace {

struct Expected {
    const char* part;  // date xmp iptc digest time text crc
    long long first;
    long long end;
};

struct Sample {
    const char* file;
    const char* container;
    std::vector<Expected> ranges;
};

// Walked and usable, with exactly these ranges.
const std::vector<Sample> samples = {
    {"2021-02-13-1929.heic",
     "iso",
     {{"date", 0x5273, 0x5287}, {"date", 0x5457, 0x546b}, {"date", 0x546b, 0x547f}}},
    {"CanonRaw.cr2",
     "tiff",
     {{"date", 0xf2, 0x106}, {"date", 0x26c, 0x280}, {"date", 0x280, 0x294}}},
    {"CanonRaw.cr3",
     "iso",
     {{"date", 0x20e, 0x222},   {"date", 0x4a2, 0x4b6},   {"date", 0x4b6, 0x4ca},
      {"xmp", 0x2b14, 0x2c4b},  {"time", 0x2260, 0x2264}, {"time", 0x2264, 0x2268},
      {"time", 0x22d4, 0x22d8}, {"time", 0x22d8, 0x22dc}, {"time", 0x2338, 0x233c},
      {"time", 0x233c, 0x2340}, {"time", 0x24b8, 0x24bc}, {"time", 0x24bc, 0x24c0},
      {"time", 0x251c, 0x2520}, {"time", 0x2520, 0x2524}, {"time", 0x2700, 0x2704},
      {"time", 0x2704, 0x2708}, {"time", 0x2764, 0x2768}, {"time", 0x2768, 0x276c},
      {"time", 0x2958, 0x295c}, {"time", 0x295c, 0x2960}, {"time", 0x29bc, 0x29c0},
      {"time", 0x29c0, 0x29c4}}},
    {"DNG.dng",
     "tiff",
     {{"date", 0x22a, 0x23e},
      {"date", 0x343e, 0x3452},
      {"date", 0x3452, 0x3466},
      {"xmp", 0x252, 0xc8c}}},
    {"ExifTool.tif", "tiff", {{"date", 0x170, 0x184}, {"iptc", 0x21d, 0x225}}},
    {"FujiFilm.raf",
     "raf",
     {{"date", 0x19c, 0x1b0}, {"date", 0x5a6, 0x5ba}, {"date", 0x5ba, 0x5ce}}},
    {"Nikon.nef",
     "tiff",
     {{"date", 0x18a, 0x19e},
      {"date", 0x3d6, 0x3ea},
      {"date", 0x690, 0x6a4},
      {"date", 0x6a4, 0x6b8}}},
    {"PNG.png", "png", {{"xmp", 0x87, 0x22c}, {"crc", 0x22c, 0x230}}},
    // Panasonic's embedded JPEG keeps IFD0's date and the Exif IFD's again.
    {"Panasonic.rw2",
     "tiff",
     {{"date", 0x31e, 0x332},
      {"date", 0x332, 0x346},
      {"date", 0x6e2, 0x6f6},
      {"date", 0xa34, 0xa48},
      {"date", 0xa48, 0xa5c}}},
    {"QuickTime.mov",
     "iso",
     {{"xmp", 0x92c, 0xbec},
      {"time", 0x14, 0x18},
      {"time", 0x18, 0x1c},
      {"time", 0x88, 0x8c},
      {"time", 0x8c, 0x90},
      {"time", 0x154, 0x158},
      {"time", 0x158, 0x15c},
      {"time", 0x538, 0x53c},
      {"time", 0x53c, 0x540},
      {"time", 0x5c0, 0x5c4},
      {"time", 0x5c4, 0x5c8},
      {"text", 0xed6, 0xeda}}},
    {"Reagan.tiff",
     "tiff",
     {{"date", 0x338, 0x34c},
      {"date", 0x285e, 0x2872},
      {"date", 0x2872, 0x2886},
      {"xmp", 0x376, 0x16ab},
      {"iptc", 0x1738, 0x1740},
      {"iptc", 0x1966, 0x1971},
      {"iptc", 0x1976, 0x197e},
      {"iptc", 0x19c6, 0x19d1}}},
    {"XMP.jpg",
     "jpeg",
     {{"date", 0x115, 0x129},
      {"date", 0x298, 0x2ac},
      {"date", 0x2ac, 0x2c0},
      {"xmp", 0x389, 0x1ae7}}},
    {"avif.avif", "iso", {{"date", 0x3583a, 0x3584e}}},
    {"dates.png",
     "png",
     {{"date", 0x17d, 0x191},
      {"date", 0x1eb, 0x1ff},
      {"date", 0x1ff, 0x213},
      {"crc", 0x21b, 0x21f},
      // tIME (7 bytes, UTC) and the tEXt "create-date", each with its CRC.
      {"time", 0x77, 0x7e},
      {"crc", 0x7e, 0x82},
      {"text", 0xf8, 0x10b},
      {"crc", 0x10b, 0x10f}}},
    {"exiv2-bug1199.webp",
     "webp",
     {{"date", 0x2a376, 0x2a38a},
      {"date", 0x2a58c, 0x2a5a0},
      {"date", 0x2a5a0, 0x2a5b4},
      {"xmp", 0x2d15e, 0x2dc8e}}},
    {"heic.heic", "iso", {}},

};

// Not a container the judge knows: nothing may change.
const char* const unusable[] = {"XMP.xmp", "SOURCES.md"};

}  // namespace

int CheckSampleLayouts(const std::string& folder) {
    namespace fs = std::filesystem;
    int failures = 0;
    const auto read = [&](const char* name) {
        std::ifstream in(fs::path(tovrin::NativePath(folder)) / name, std::ios::binary);
        return std::vector<unsigned char>{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    };
    for (const Sample& s : samples) {
        const auto bytes = read(s.file);
        if (bytes.empty()) {
            std::printf("layout %s: FAILED: the sample is missing\n", s.file);
            ++failures;
            continue;
        }
        const Layout layout = WalkLayout(bytes);
        std::set<std::tuple<std::string, long long, long long>> want, got;
        for (const Expected& e : s.ranges) want.insert({e.part, e.first, e.end});
        const std::pair<const char*, const std::vector<Range>*> lists[] = {
            {"date", &layout.dates},      {"xmp", &layout.xmpPackets},
            {"iptc", &layout.iptcTexts},  {"digest", &layout.iptcDigests},
            {"time", &layout.movieTimes}, {"text", &layout.movieTexts},
            {"crc", &layout.checksums}};
        for (const auto& [part, list] : lists)
            for (const Range& r : *list) got.insert({part, r.first, r.end});
        const bool ok = layout.usable && layout.container == s.container && got == want;
        if (ok) continue;
        ++failures;
        std::printf(
            "layout %s: FAILED: expected a usable %s file with the ranges listed in "
            "sample_layouts.cpp; the walk found:\n%s",
            s.file, s.container, DescribeLayout(layout, bytes).c_str());
    }
    for (const char* name : unusable) {
        const auto bytes = read(name);
        if (!bytes.empty() && !WalkLayout(bytes).usable) continue;
        ++failures;
        std::printf("layout %s: FAILED: missing, or walked as usable\n", name);
    }
    std::printf("%zu sample layouts checked, %d failures\n", samples.size() + std::size(unusable),
                failures);
    return failures;
}

namespace {

using Bytes = std::vector<unsigned char>;

// What an engine that keeps every promise may write: a new date in each
// date text, other digits in each copy, other movie times, and the CRCs of
// the chunks it changed put right.
Bytes soundWrite(const Layout& layout, const Bytes& before, bool fixCrcs) {
    Bytes after = before;
    const std::string date = "2007:01:23 09:05:00";
    for (const Range& r : layout.dates)
        for (long long i = r.first; i < r.end && i - r.first < 19; ++i)
            after[static_cast<std::size_t>(i)] =
                static_cast<unsigned char>(date[static_cast<std::size_t>(i - r.first)]);
    for (const auto* list : {&layout.xmpPackets, &layout.iptcTexts, &layout.movieTexts})
        for (const Range& r : *list)
            for (long long i = r.first; i < r.end; ++i) {
                unsigned char& c = after[static_cast<std::size_t>(i)];
                if (c >= '0' && c <= '9') c = c == '7' ? '1' : '7';
            }
    for (const auto* list : {&layout.movieTimes, &layout.iptcDigests})
        for (const Range& r : *list)
            for (long long i = r.first; i < r.end; ++i) after[static_cast<std::size_t>(i)] ^= 0x5A;
    if (fixCrcs) {
        for (const Checksummed& c : layout.pngChunks) {
            if (std::none_of(layout.checksums.begin(), layout.checksums.end(),
                             [&](const Range& r) { return r.first == c.at; }))
                continue;
            const std::uint32_t crc =
                Crc32(after.data() + c.covered.first,
                      static_cast<std::size_t>(c.covered.end - c.covered.first));
            for (int i = 0; i < 4; ++i)
                after[static_cast<std::size_t>(c.at + i)] =
                    static_cast<unsigned char>(crc >> (24 - 8 * i));
        }
    }
    return after;
}

// The first byte outside every range that may change.
long long untouchable(const Layout& layout, long long size) {
    for (long long p = 0; p < size; ++p) {
        bool allowed = false;
        for (const auto* list :
             {&layout.dates, &layout.xmpPackets, &layout.iptcTexts, &layout.movieTexts,
              &layout.movieTimes, &layout.iptcDigests, &layout.checksums})
            for (const Range& r : *list) allowed = allowed || r.holds(p);
        if (!allowed) return p;
    }
    return -1;
}

}  // namespace

int CheckSimulatedWrites(const std::vector<Seed>& seeds) {
    int failures = 0;
    int judged = 0;
    const auto expect = [&](const std::string& name, const std::string& what, const Verdict& v,
                            Failure want) {
        ++judged;
        if (v.kind == want) return;
        ++failures;
        std::printf("simulated write %s, %s: FAILED: the judge said \"%s\"\n", name.c_str(),
                    what.c_str(), v.ok() ? "ok" : v.failure.c_str());
    };
    for (const Seed& seed : seeds) {
        const Bytes before(seed.input.begin() + 1, seed.input.end());
        const Layout layout = WalkLayout(before);
        if (!layout.usable) continue;
        const Bytes sound = soundWrite(layout, before, true);
        expect(seed.name, "every allowed range written", JudgeChange(layout, before, sound),
               Failure::None);
        if (sound == before) continue;
        // Only bytes of the container's own: a digit where none may change.
        Bytes header = sound;
        const long long fixed = untouchable(layout, static_cast<long long>(before.size()));
        if (fixed >= 0) {
            auto& c = header[static_cast<std::size_t>(fixed)];
            c = c == '7' ? '8' : '7';
            expect(seed.name, "a byte of its structure changed",
                   JudgeChange(layout, before, header), Failure::Structure);
        }
        if (!layout.checksums.empty())
            expect(seed.name, "a PNG CRC left wrong",
                   JudgeChange(layout, before, soundWrite(layout, before, false)),
                   Failure::Promise);
        for (const auto* list : {&layout.xmpPackets, &layout.movieTexts}) {
            for (const Range& r : *list) {
                Bytes letter = sound;
                for (long long i = r.first; i < r.end; ++i) {
                    auto& c = letter[static_cast<std::size_t>(i)];
                    if (c < '0' || c > '9') {
                        c = '5';
                        break;
                    }
                }
                if (letter != sound)
                    expect(seed.name, "a letter of a copy changed",
                           JudgeChange(layout, before, letter), Failure::Promise);
                break;
            }
        }
        if (!layout.dates.empty()) {
            Bytes shape = sound;
            shape[static_cast<std::size_t>(layout.dates.front().first + 4)] = '7';
            expect(seed.name, "a date of the wrong shape", JudgeChange(layout, before, shape),
                   Failure::Promise);
        }
        Bytes longer = sound;
        longer.push_back(0);
        expect(seed.name, "the length changed", JudgeChange(layout, before, longer),
               Failure::Promise);
    }
    std::printf("%d simulated writes judged, %d failures\n", judged, failures);
    return failures;
}

}  // namespace tovrin_fuzz
