#pragma once

#include <cstdint>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "jpeg_builder.h"

// Camera photos whose offsets or counts point outside the file. Shared by the
// reader and writer tests: neither may crash, hang or write, and the reader may
// keep only values the intact photo has.
namespace tovrin::test {

struct CorruptCase {
    std::string name;
    Bytes bytes;
    bool inWritersWay = true;  // false: only texts the writer never reads are damaged
    friend void PrintTo(const CorruptCase& c, std::ostream* os) { *os << c.name; }
};

inline std::vector<CorruptCase> CorruptCases() {
    auto with = [](auto change) {
        Jpeg j = CameraPhoto();
        change(j);
        return j.build().bytes;
    };
    auto ifd0Entry = [](Jpeg& j, std::uint16_t tag) -> Entry& {
        for (Entry& e : j.tiff.ifd0) {
            if (e.tag == tag) return e;
        }
        throw std::logic_error("no such entry");
    };
    std::vector<CorruptCase> cases{
        {"ExifOffsetPastEnd",
         with([&](Jpeg& j) { ifd0Entry(j, 0x8769) = Raw(0x8769, 4, 1, 0x7FFFFFF0); })},
        {"ExifOffsetJustPastEnd", {}},
        {"ExifOffsetNegative",
         with([&](Jpeg& j) { ifd0Entry(j, 0x8769) = Raw(0x8769, 4, 1, 0xFFFFFF00); })},
        {"ExifOffsetBeforeFile",
         with([&](Jpeg& j) { ifd0Entry(j, 0x8769) = Raw(0x8769, 4, 1, 0x80000000); })},
        {"Ifd0CountRunsOffFile", with([](Jpeg& j) { j.tiff.ifd0Count = 0xFFFF; })},
        {"ExifCountRunsOffFile", with([](Jpeg& j) { j.tiff.exifCount = 0xFFFF; })},
        {"MakeOffsetPastEnd",
         with([&](Jpeg& j) { ifd0Entry(j, 0x010F) = Raw(0x010F, 2, 10, 0x7FFFFF00); }), false},
        {"ModelOffsetNegative",
         with([&](Jpeg& j) { ifd0Entry(j, 0x0110) = Raw(0x0110, 2, 10, 0x80000000); }), false},
        {"App0RunsOffFile", with([](Jpeg& j) { j.before = {Segment(0xFFE0, Bytes(20, 0))}; })},
        {"HugeCounts", with([](Jpeg& j) {
             j.tiff.ifd0.insert(j.tiff.ifd0.begin(), Raw(0x0100, 4, 0xFFFFFFFF, 0xFFFFFFFF));
             j.tiff.exifCount = 0xFFFE;
         })},
    };
    // An Exif IFD offset one past the last byte of the file.
    {
        Jpeg j = CameraPhoto();
        const Layout first = j.build();
        const auto offset = static_cast<std::uint32_t>(
            static_cast<std::int64_t>(first.bytes.size()) + 1 - first.tiffBase);
        ifd0Entry(j, 0x8769) = Raw(0x8769, 4, 1, offset);
        cases[1].bytes = j.build().bytes;
    }
    // The APP0 length points far beyond the end of the file.
    Bytes& app0 = cases[8].bytes;
    app0[4] = 0xFF;
    app0[5] = 0xF0;
    return cases;
}

}  // namespace tovrin::test
