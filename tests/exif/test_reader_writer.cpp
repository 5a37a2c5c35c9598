// ReadPhotoInfo and WriteEmbeddedDate over synthetic photos: the edge cases the
// corpus lacks (its real photos cover the common structures and the usual
// choices), damaged offsets, and that a write which fails writes nothing.
#include <array>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <gtest/gtest.h>

#include "exif/date_choice.h"
#include "exif/file_date_change.h"
#include "exif/local_time.h"
#include "exif/paths.h"
#include "exif/photo_update.h"
#include "exif/reader.h"
#include "exif/runtime_error.h"
#include "exif/writer.h"
#include "platform.h"
#include "test_files.h"

namespace tovrin {
namespace {

using test::Bytes;
using test::Entry;
using test::Jpeg;
using test::Order;
using test::Raw;
using Change = std::function<void(Jpeg&)>;
using Named = ::testing::PrintToStringParamName;  // test names from the cases' names

const std::string Date = "2006:05:04 10:11:12";
const std::string Other = "2001:02:03 04:05:06";

// A PhotoInfo without FileDateText.
PhotoInfo Info(std::int32_t tiffBase, std::string make = "", std::string model = "",
               std::string dateTime = "", std::string original = "", std::string digitized = "",
               std::int32_t width = 0, std::int32_t height = 0) {
    return {tiffBase, dateTime, original, digitized, height, width, make, model, ""};
}

// What CameraPhoto() holds.
PhotoInfo Camera(std::int32_t tiffBase = 31, std::string make = "Canon") {
    return Info(tiffBase, make, "Canon PowerShot S40", Date, Date, Date, 2272, 1704);
}

// CameraPhoto() changed; its IFD0 holds 0 Make, 1 Model, 2 Orientation,
// 3 DateTime, 4 the Exif pointer, its Exif IFD 0 0x9003, 1 0x9004, 2-3 the size.
Bytes Build(Change change, Order order = Order::II) {
    Jpeg j = test::CameraPhoto(order);
    change(j);
    return j.build();
}

struct ReaderCase {
    std::string name;
    Bytes bytes;
    std::int32_t status;
    PhotoInfo info;
    friend void PrintTo(const ReaderCase& c, std::ostream* os) { *os << c.name; }
};

std::vector<ReaderCase> ReaderCases() {
    Bytes notJpeg = Build([](Jpeg&) {});
    notJpeg[1] = 0xD9;
    return {
        {"ShortestApp0", Build([](Jpeg& j) { j.before = {test::App0(2)}; }), 4, Camera(17)},
        {"ShortAbove32767IsUnsigned",
         Build([](Jpeg& j) { (*j.tiff.exif)[2] = test::Short(0xA002, 40000); }, Order::MM), 4,
         Info(31, "Canon", "Canon PowerShot S40", Date, Date, Date, 40000, 1704)},
        {"ExifIfdAtOddOffset", Build([](Jpeg& j) { j.tiff.exifGap = 3; }), 4, Camera()},
        {"NoDateTimeOriginal", Build([](Jpeg& j) { j.tiff.exif->erase(j.tiff.exif->begin()); }), 3,
         Info(31, "Canon", "Canon PowerShot S40", Date, "", Date, 2272, 1704)},
        {"ThreeLetterMakeInlineMotorola",
         Build([](Jpeg& j) { j.tiff.ifd0[0] = test::Text(0x010F, "Foo"); }, Order::MM), 4,
         Camera(31, "Foo")},
        // A later entry of a tag wins; a tag in the other directory is not read.
        {"LaterEntryWinsInItsOwnDirectory", Build([&](Jpeg& j) {
             j.tiff.exif->push_back(test::Text(0x9003, Other));
             j.tiff.ifd0.push_back(test::Text(0x0110, "Second"));
             j.tiff.ifd0.push_back(test::Text(0x9004, Other));
             j.tiff.ifd0.push_back(test::Short(0xA002, 7));
             j.tiff.exif->push_back(test::Text(0x010F, "Nikon"));
             j.tiff.exif->push_back(test::Text(0x0132, Other));
         }),
         7, Info(31, "Canon", "Second", Date, Other, Date, 2272, 1704)},
        // A text ends after `count` bytes even without a NUL; one in the value
        // field after at most 4.
        {"TextReadAtMostCount",
         Build([](Jpeg& j) { j.tiff.ifd0[0] = test::Text(0x010F, "Canon", 5); }), 4, Camera()},
        // Counts are unsigned: 0xFFFFFFFF bytes cannot stand in the field, so
        // "WXYZ" is an offset, far past the segment.
        {"InlineTextReadAtMostCount", Build([](Jpeg& j) {
             j.tiff.ifd0[0] = Entry{0x010F, 2, 2, 0, test::ToBytes("ABCD"), false};
             j.tiff.ifd0[1] = Entry{0x0110, 2, 0xFFFFFFFF, 0, test::ToBytes("WXYZ"), false};
         }),
         4, Info(31, "AB", "", Date, Date, Date, 2272, 1704)},
        // A text that starts outside the Exif segment reads as empty; the walk
        // goes on (0x80000000 is an offset of 2 GiB, not a negative one).
        {"MakeOffsetPastEnd",
         Build([](Jpeg& j) { j.tiff.ifd0[0] = Raw(0x010F, 2, 10, 0x7FFFFF00); }), 4,
         Camera(31, "")},
        {"ModelOffsetOf2GiB",
         Build([](Jpeg& j) { j.tiff.ifd0[1] = Raw(0x0110, 2, 10, 0x80000000); }), 4,
         Info(31, "Canon", "", Date, Date, Date, 2272, 1704)},
        // IFD0 stands where the header says, not always right after it.
        {"Ifd0AtStoredOffset", Build([](Jpeg& j) { j.tiff.ifd0Gap = 6; }), 4, Camera()},
        // A crafted count of 2^31-1 with no NUL: the text ends with its
        // segment, not in the JPEG data after it.
        {"TextCountOf2GiBEndsWithItsSegment", Build([](Jpeg& j) {
             j.tiff.exif->push_back(Entry{0x9004, 2, 0x7FFFFFFF, 0, test::ToBytes(Other), false});
         }),
         5, Info(31, "Canon", "Canon PowerShot S40", Date, Date, Other, 2272, 1704)},
        // Failures: which fields survive tells how far the walk came.
        {"NotJpeg", notJpeg, 0, Info(0)},
        {"UnknownByteOrder", Build([](Jpeg& j) { j.tiff.mark = "IM"; }), 0, Info(31)},
        {"No42", Build([](Jpeg& j) { j.tiff.magic = 43; }), 0, Info(31)},
        {"EmptyIfd0", Build([](Jpeg& j) { j.tiff.ifd0.clear(); }), 0, Info(31)},
        {"EmptyExifIfd", Build([](Jpeg& j) { j.tiff.exif->clear(); }), 0,
         Info(31, "Canon", "Canon PowerShot S40", Date)},
    };
}

class Reader : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(Reader, FillsPhotoInfo) {
    const ReaderCase& c = GetParam();
    test::TempDir dir;
    dir.write("photo.jpg", c.bytes);
    PhotoInfo info = Camera(99);  // a previous reading: nothing may carry over
    info.FileDateText = "stale";
    EXPECT_EQ(ReadPhotoInfo(dir.folder(), "photo.jpg", info), c.status);
    // The general date text of the last write, whatever the walk found.
    EXPECT_EQ(info.FileDateText, GeneralDateText(LastWriteTime(dir.path("photo.jpg"))));
    info.FileDateText.clear();
    EXPECT_EQ(info, c.info);
    EXPECT_EQ(test::ReadBytes(dir.path("photo.jpg")), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(Table, Reader, ::testing::ValuesIn(ReaderCases()), Named());

using Dates = std::array<std::string, 3>;  // 0x0132, 0x9003, 0x9004

const std::string New = "2007:01:23 09:05:00";
const std::string Kept = "2007:01:23 10:11:12";
const CalendarDate Day{2006, 5, 4};

DateChoice Choice(bool keepTime = false, std::optional<CalendarDate> filter = {}) {
    return {{2007, 1, 23}, {9, 5, 0}, keepTime, filter.has_value(), filter.value_or(Day)};
}

// Puts `entry` in place of the entry with the same tag, in whichever directory.
Change Swap(Entry entry) {
    return [entry](Jpeg& j) {
        for (auto* dir : {&j.tiff.ifd0, &*j.tiff.exif}) {
            for (Entry& e : *dir) {
                if (e.tag == entry.tag) e = entry;
            }
        }
    };
}

// CameraPhoto() with date fields of 20 bytes holding the given texts.
Jpeg Dated(const Dates& d, Order order = Order::II) {
    Jpeg j = test::CameraPhoto(order);
    Swap(test::Text(0x0132, d[0], 20))(j);
    Swap(test::Text(0x9003, d[1], 20))(j);
    Swap(test::Text(0x9004, d[2], 20))(j);
    return j;
}

// Adds what a camera photo carries beyond its dates: a GPS IFD, an Interop
// IFD, a MakerNote (last in the Exif IFD), and IFD1 with a thumbnail.
void Rich(Jpeg& j) {
    using Target = Entry::Target;
    j.tiff.ifd0.push_back(test::Pointer(0x8825, Target::Gps));
    j.tiff.exif->push_back(test::Pointer(0xA005, Target::Interop));
    j.tiff.exif->push_back(Entry{0x927C, 7, 64, 0, Bytes(64, 0x4D), false});
    j.tiff.gps = {Raw(0x0000, 1, 4, 0x00000202), test::Text(0x0001, "N")};
    j.tiff.interop = {test::Text(0x0001, "R98"), Raw(0x0002, 7, 4, 0x30303130)};
    j.tiff.ifd1 = {test::Short(0x0103, 6), test::Pointer(0x0201, Target::Thumbnail),
                   Raw(0x0202, 4, 1, 32)};
    j.tiff.thumbnail = Bytes(32, 0xD8);
}

struct WriterCase {
    std::string name;
    Bytes before;
    Bytes after;
    DateChoice choice;
    bool dateWritten;
    friend void PrintTo(const WriterCase& c, std::ostream* os) { *os << c.name; }
};

WriterCase Case(std::string name, DateChoice choice, Dates before, Dates after, bool dateWritten,
                Change change = {}, Order order = Order::II) {
    Jpeg b = Dated(before, order), a = Dated(after, order);
    if (change) change(b), change(a);
    return {std::move(name), b.build(), a.build(), choice, dateWritten};
}

std::vector<WriterCase> WriterCases() {
    const std::string nextDay = "2006:05:05 08:00:00";
    const Dates olds{Date, Date, Date}, news{New, New, New};
    const Dates odd{"2006-05-04 10:11:12", "2006/05/04", " 2006:05:04"};
    auto crossingEnd = [](Jpeg& j) {
        const auto tenBeforeEnd = static_cast<std::uint32_t>(
            static_cast<std::int64_t>(j.build().size()) + 1 - 10 - j.tiffBase());
        Swap(Raw(0x9003, 2, 20, tenBeforeEnd))(j);
    };
    // A date field of CameraPhoto() aimed at a TIFF offset: IFD0's table is at
    // 8 (5 entries, link at 70), the Exif IFD's at 74, TiffBase is 31.
    auto aim = [](std::uint16_t tag, std::int64_t offset) {
        return Swap(Raw(tag, 2, 20, static_cast<std::uint32_t>(offset)));
    };
    // A field `shift` bytes on from the IFD0 date's text (the value field of
    // IFD0 entry 3, little-endian).
    auto intoDateTime = [](std::uint16_t tag, std::int64_t shift) {
        return [=](Jpeg& j) {
            const Bytes b = j.build();
            const auto value = static_cast<std::size_t>(j.tiffBase() - 1 + 10 + 3 * 12 + 8);
            const std::uint32_t offset = b[value] | b[value + 1] << 8 | b[value + 2] << 16;
            Swap(Raw(tag, 2, 20, static_cast<std::uint32_t>(offset + shift)))(j);
        };
    };
    return {
        // A photo with every table the walk reaches still gets its dates, and
        // a date aimed into one of them leaves the others to be written (the
        // fuzz replay checks that no table's bytes are written).
        Case("RichPhotoGetsAllDates", Choice(), olds, news, true, Rich),
        Case("AimedIntoThumbnail", Choice(), olds, {New, Date, New}, true,
             [](Jpeg& j) {
                 Rich(j);
                 Swap(Raw(0x9003, 2, 20, 0))(j);  // so the data area no longer moves
                 Swap(Raw(0x9003, 2, 20,
                          static_cast<std::uint32_t>(j.tiff.layout().thumbnail + 4)))(j);
             }),
        // A chain that loops ends where it closes; a pointer off the file
        // leaves the rest of the structure guarding as before.
        Case("Ifd1LinksToItself", Choice(), olds, news, true,
             [](Jpeg& j) {
                 Rich(j);
                 j.tiff.ifd1Next = static_cast<std::uint32_t>(j.tiff.layout().ifd1);
             }),
        Case("GpsPointerOffFile", Choice(), olds, news, true,
             [](Jpeg& j) {
                 Rich(j);
                 Swap(Raw(0x8825, 4, 1, 0xFFFFFF00))(j);
             }),
        Case(
            "Ifd0AtStoredOffset", Choice(), olds, news, true, [](Jpeg& j) { j.tiff.ifd0Gap = 10; },
            Order::MM),
        // Offsets aimed at the photo's own structure are never written.
        // (Ifd0AtStoredOffset is also the Motorola photo's new date and time.)
        Case("AimedAtIfd0Link", Choice(true), olds, {Kept, Kept, Date}, true, aim(0x9004, 64)),
        Case("AimedIntoExifTable", Choice(), olds, {Date, New, New}, false, aim(0x0132, 76)),
        // Overlapping texts: neither is trusted, unless they start together.
        Case("KeptDateIntoAnotherDatesTime", Choice(true), olds, {Date, Date, Kept}, false,
             intoDateTime(0x9003, -10)),
        Case("DateOnAnotherDatesTerminator", Choice(), olds, {Date, Date, Date}, false,
             intoDateTime(0x9003, 19)),
        Case("DatesStartingTogether", Choice(), olds, news, true, intoDateTime(0x9003, 0)),
        Case("OnlyDateTimeOriginal", Choice(), olds, {Date, New, Date}, false,
             [](Jpeg& j) {
                 j.tiff.ifd0.erase(j.tiff.ifd0.begin() + 3);
                 j.tiff.exif->erase(j.tiff.exif->begin() + 1);
             }),
        Case("FilterOnlyIfd0OnDay", Choice(true, Day), {Date, nextDay, nextDay},
             {Kept, nextDay, nextDay}, true),
        Case("FilterComparesCharacters", Choice(false, Day), odd, odd, false),
        Case("FilterOnShortText", Choice(false, Day), {"2006:05", "", Date}, {"2006:05", "", New},
             false),
        // A tag met twice is written twice; a date tag in the other directory is left alone.
        Case("TagTwiceAndDatesOutsideTheirDirectory", Choice(), olds, news, true,
             [](Jpeg& j) {
                 j.tiff.ifd0.insert(j.tiff.ifd0.begin() + 3, j.tiff.ifd0[3]);
                 j.tiff.ifd0.push_back(test::Text(0x9003, Date, 20));
                 j.tiff.exif->push_back(test::Text(0x0132, Date, 20));
             }),
        Case("FieldOfExactly19", Choice(), olds, news, true,
             [](Jpeg& j) { j.tiff.ifd0[3].count = 19; }),
        Case("KeepTimeInFieldOf10", Choice(true), {"2006:05:04", Date, Date},
             {"2007:01:23", Kept, Kept}, true, [](Jpeg& j) { j.tiff.ifd0[3].count = 10; }),
        // Fields the new text does not fit, or that are no text, stay as they are.
        Case("GuardFieldOf18", Choice(), olds, {Date, New, New}, false,
             Swap(test::Text(0x0132, Date, 18))),
        Case("GuardFieldOf9KeepTime", Choice(true), olds, {Date, Kept, Kept}, false,
             Swap(test::Text(0x0132, "2006:05:0", 9))),
        Case("GuardInlineText", Choice(), olds, {New, Date, New}, true,
             Swap(test::Text(0x9003, "2006", 4))),
        Case("GuardUndefinedType", Choice(), olds, {Date, New, New}, false,
             Swap(test::Text(0x0132, Date, 20, 7))),
        Case("GuardShortType", Choice(), olds, {New, New, Date}, true,
             Swap(Raw(0x9004, 3, 20, 12))),
        Case("GuardFieldPastEnd", Choice(), olds, {New, Date, New}, true,
             Swap(Raw(0x9003, 2, 20, 0x7FFFFF00))),
        Case("GuardFieldBeforeFile", Choice(false, Day), olds, {New, Date, New}, true,
             Swap(Raw(0x9003, 2, 20, 0x80000000))),
        Case("GuardFieldCrossingEnd", Choice(), olds, {New, Date, New}, true, crossingEnd),
    };
}

class Writer : public ::testing::TestWithParam<WriterCase> {};

TEST_P(Writer, RewritesOnlyTheDateFields) {
    const WriterCase& c = GetParam();
    test::TempDir dir;
    const std::string path = dir.write("photo.jpg", c.before);
    const WriteResult result = WriteEmbeddedDate(dir.folder(), "photo.jpg", c.choice);
    EXPECT_TRUE(result.status);
    EXPECT_EQ(result.dateWritten, c.dateWritten);
    EXPECT_EQ(result.changed, c.before != c.after);
    EXPECT_EQ(test::ReadBytes(path), c.after);
}

INSTANTIATE_TEST_SUITE_P(Table, Writer, ::testing::ValuesIn(WriterCases()), Named());

// What stands between SOI and the Exif APP1, and whether the segment walk
// gets past it.
struct SegmentCase {
    std::string name;
    std::vector<Bytes> before;
    bool found;
    friend void PrintTo(const SegmentCase& c, std::ostream* os) { *os << c.name; }
};

std::vector<SegmentCase> SegmentCases() {
    using test::App0;
    using test::Segment;
    const auto text = [](const char* s, std::size_t n) { return Bytes(s, s + n); };
    return {
        {"OnlyApp0", {App0()}, true},
        {"NoApp0", {}, true},
        {"AfterIccProfile", {App0(), Segment(0xFFE2, text("ICC_PROFILE\0\1\1xxxx", 18))}, true},
        {"AfterXmpApp1",
         {App0(), Segment(0xFFE1, text("http://ns.adobe.com/xap/1.0/\0<x/>", 33))},
         true},
        {"AfterSecondApp0", {App0(), App0(20)}, true},
        {"AfterApp1NamedExifOnly", {Segment(0xFFE1, text("Exif", 4))}, true},
        {"FillBytesBeforeMarker", {App0(), Bytes{0xFF, 0xFF, 0xFF}}, true},
        {"AfterRestartAndTem", {App0(), Bytes{0xFF, 0xD3, 0xFF, 0x01}}, true},
        // A fault leaves no trustworthy place for the next marker.
        {"NonMarkerByte", {App0(), Bytes{0x00}}, false},
        {"EscapedZeroIsNoMarker", {App0(), Bytes{0xFF, 0x00}}, false},
        {"LengthPastEndOfFile", {App0(), Bytes{0xFF, 0xFE, 0xFF, 0xF0}}, false},
        {"LengthBelowTwo", {App0(), Bytes{0xFF, 0xFE, 0x00, 0x01}}, false},
        // Nothing after the image data or its end is metadata.
        {"AfterStartOfScan", {App0(), Segment(0xFFDA, Bytes(10, 0))}, false},
        {"AfterEndOfImage", {App0(), Bytes{0xFF, 0xD9}}, false},
    };
}

class ExifSegment : public ::testing::TestWithParam<SegmentCase> {};

TEST_P(ExifSegment, IsFoundWhereverItStandsBeforeTheImage) {
    const SegmentCase& c = GetParam();
    Jpeg before = Dated({Date, Date, Date}), after = Dated({New, New, New});
    before.before = after.before = c.before;
    test::TempDir dir;
    const std::string path = dir.write("photo.jpg", before.build());
    PhotoInfo info;
    EXPECT_EQ(ReadPhotoInfo(dir.folder(), "photo.jpg", info), c.found ? 4 : 0);
    EXPECT_EQ(info.TiffBase, c.found ? before.tiffBase() : 0);
    EXPECT_EQ(info.DateTimeOriginal, c.found ? Date : "");
    const WriteResult result = WriteEmbeddedDate(dir.folder(), "photo.jpg", Choice());
    EXPECT_EQ(result.status && result.dateWritten && result.changed, c.found);
    EXPECT_EQ(test::ReadBytes(path), c.found ? after.build() : before.build());
}

INSTANTIATE_TEST_SUITE_P(Table, ExifSegment, ::testing::ValuesIn(SegmentCases()), Named());

// Camera photos whose walk fails, mostly at offsets or counts outside the file.
struct BrokenCase {
    std::string name;
    Bytes bytes;
    std::int32_t tiffBase = 31;  // where the header stands, when the reader gets that far
    friend void PrintTo(const BrokenCase& c, std::ostream* os) { *os << c.name; }
};

std::vector<BrokenCase> BrokenCases() {
    // IFD0 entries of CameraPhoto(): 0 Make, 1 Model, 4 the Exif IFD pointer.
    auto entry = [](std::size_t index, Entry e) {
        return Build([&](Jpeg& j) { j.tiff.ifd0[index] = e; });
    };
    const Jpeg camera = test::CameraPhoto();
    const auto justPastEnd = static_cast<std::uint32_t>(
        static_cast<std::int64_t>(camera.build().size()) + 1 - camera.tiffBase());
    Bytes app0 = camera.build();
    app0[4] = 0xFF;  // the APP0 length points far beyond the end of the file
    return {
        {"ExifOffsetJustPastEnd", entry(4, Raw(0x8769, 4, 1, justPastEnd))},
        {"ExifOffsetNegative", entry(4, Raw(0x8769, 4, 1, 0xFFFFFF00))},
        {"ExifOffsetBeforeFile", entry(4, Raw(0x8769, 4, 1, 0x80000000))},
        {"Ifd0CountRunsOffFile", Build([](Jpeg& j) { j.tiff.ifd0Count = 0xFFFF; })},
        {"ExifCountRunsOffFile", Build([](Jpeg& j) { j.tiff.exifCount = 0xFFFF; })},
        {"App0RunsOffFile", app0},
        {"HugeCounts", Build([](Jpeg& j) {
             j.tiff.ifd0.insert(j.tiff.ifd0.begin(), Raw(0x0100, 4, 0xFFFFFFFF, 0xFFFFFFFF));
             j.tiff.exifCount = 0xFFFE;
         })},
        // The IFD0 date is valid and met before the failure, yet must stay.
        {"EmptyExifIfd", Build([](Jpeg& j) { j.tiff.exif->clear(); })},
        {"UnknownByteOrder", Build([](Jpeg& j) { j.tiff.mark = "MI"; })},
        {"EmptyFile", {}},
        // The writer checks the 42 as the reader does.
        {"No42", Build([](Jpeg& j) { j.tiff.magic = 43; })},
        // 0xFFFFFF38 is 4 GiB on, never 200 bytes back: here 200 bytes back
        // a comment holds what looks like an Exif IFD.
        {"ExifPointerNotNegative", Build([](Jpeg& j) {
             Bytes comment(300, 0x20);
             const auto fake = static_cast<std::size_t>(j.tiffBase() + 304 - 200 - 25);
             const Bytes ifd{1, 0, 0x02, 0xA0, 3, 0, 1, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0};
             std::copy(ifd.begin(), ifd.end(), comment.begin() + static_cast<long>(fake));
             j.before.push_back(test::Segment(0xFFFE, comment));
             j.tiff.ifd0[4] = Raw(0x8769, 4, 1, 0xFFFFFF38);
         }),
         31 + 304},
    };
}

class Broken : public ::testing::TestWithParam<BrokenCase> {};

// The reader ends with 0 and only values the intact photo really has; the
// writer, whose walk must complete before it writes anything, changes no byte.
TEST_P(Broken, NeitherWalkInventsOrWrites) {
    test::TempDir dir;
    const std::string path = dir.write("photo.jpg", GetParam().bytes);
    PhotoInfo info;
    EXPECT_EQ(ReadPhotoInfo(dir.folder(), "photo.jpg", info), 0);
    const PhotoInfo whole = Camera();
    EXPECT_TRUE(info.TiffBase == 0 || info.TiffBase == GetParam().tiffBase) << info.TiffBase;
    for (auto field : {&PhotoInfo::Make, &PhotoInfo::Model, &PhotoInfo::DateTime,
                       &PhotoInfo::DateTimeOriginal, &PhotoInfo::DateTimeDigitized}) {
        EXPECT_TRUE((info.*field).empty() || info.*field == whole.*field) << info.*field;
    }
    for (auto field : {&PhotoInfo::PixelXDimension, &PhotoInfo::PixelYDimension}) {
        EXPECT_TRUE(info.*field == 0 || info.*field == whole.*field) << info.*field;
    }
    for (bool keepTime : {false, true}) {
        const WriteResult result = WriteEmbeddedDate(dir.folder(), "photo.jpg", Choice(keepTime));
        EXPECT_FALSE(result.status || result.dateWritten);
        EXPECT_EQ(test::ReadBytes(path), GetParam().bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, Broken, ::testing::ValuesIn(BrokenCases()), Named());

// The number and description of the error `call` raises; "" when none.
template <typename Call>
std::string Raised(Call call) {
    try {
        call();
    } catch (const RuntimeError& e) {
        return std::to_string(e.number()) + " " + e.description();
    }
    return "";
}

// A photo the process may not write: read-only for a plain user (the
// read-only attribute on Windows); for root, which ignores permission bits,
// immutable (chattr +i) while the test runs.
TEST(Unwritable, WriterRaises70AndChangesNothing) {
    test::TempDir dir;
    const Bytes bytes = test::CameraPhoto().build();
    const std::string path = dir.write("photo.jpg", bytes);
    const test::ReadOnlyFile locked(path);
    if (!locked.ok) GTEST_SKIP() << "cannot make the photo read-only (chattr +i as root)";
    EXPECT_EQ(Raised([&] { WriteEmbeddedDate(dir.folder(), "photo.jpg", Choice()); }),
              "70 書き込みできません。");
    EXPECT_EQ(test::ReadBytes(path), bytes);
    PhotoInfo info;
    EXPECT_EQ(ReadPhotoInfo(dir.folder(), "photo.jpg", info), 4) << "reading needs no write access";
}

// Reading, writing and the file time of a photo that has gone raise 53.
TEST(Vanished, Raises53) {
    test::TempDir dir;
    const std::string gone = dir.path("gone.jpg"), error = "53 ファイルが見つかりません。";
    PhotoInfo info;
    EXPECT_EQ(Raised([&] { ReadPhotoInfo(dir.folder(), "gone.jpg", info); }), error);
    EXPECT_EQ(Raised([&] { WriteEmbeddedDate(dir.folder(), "gone.jpg", Choice()); }), error);
    EXPECT_EQ(Raised([&] { LastWriteTime(gone); }), error);
    EXPECT_EQ(Raised([&] { SetFileDate(gone, Choice(), "17:42:08"); }), error);
}

// A folder or a FIFO named like a photo is a path that names no photo file,
// whether the system refuses to open it (Windows: access denied) or would open
// it (Linux; a FIFO would block an open for ever): refused at once.
TEST(NotAPlainFile, IsRefusedAs75WithoutWaiting) {
    test::TempDir dir;
    ASSERT_TRUE(std::filesystem::create_directory(NativePath(dir.path("folder.jpg"))));
    std::vector<std::string> names{"folder.jpg"};
#ifndef _WIN32
    ASSERT_EQ(mkfifo(dir.path("pipe.jpg").c_str(), 0644), 0);
    names.push_back("pipe.jpg");
#endif
    const std::string refused = "75 パス名が無効です。";
    for (const std::string& name : names) {
        PhotoInfo info;
        EXPECT_EQ(Raised([&] { ReadPhotoInfo(dir.folder(), name, info); }), refused) << name;
        EXPECT_EQ(Raised([&] { WriteEmbeddedDate(dir.folder(), name, Choice()); }), refused);
        EXPECT_EQ(Raised([&] { UpdatePhotoDate(dir.folder(), name, Choice()); }), refused);
        EXPECT_EQ(Raised([&] { SetFileDate(dir.path(name), Choice(), "10:11:12"); }), refused);
    }
}

// The one-open update: the photo gets the new dates and the chosen moment as
// its times, or, when the moment cannot be stored, keeps every byte and time.
TEST(UpdatePhotoDate, DatesAndTimesTogetherOrNeither) {
    const struct {
        const char* name;
        CalendarDate date;
    } cases[] = {{"OrdinaryDay", {2007, 1, 23}},
                 {"BeforeUnixTime", {1960, 6, 1}},
                 {"YearOne", {1, 1, 1}},
                 {"LastYear", {9999, 12, 31}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const Bytes bytes = test::CameraPhoto().build();
        const std::string path = dir.write("photo.jpg", bytes);
        const LocalDateTime before = LastWriteTime(path);
        DateChoice choice = Choice();
        choice.date = c.date;
        const std::string failure = Raised([&] {
            const PhotoDateUpdate u = UpdatePhotoDate(dir.folder(), "photo.jpg", choice);
            EXPECT_TRUE(u.result.status && u.result.changed && u.result.dateWritten);
            EXPECT_EQ(u.before.DateTimeOriginal, Date);
            EXPECT_EQ(u.writes.size(), 3u);
        });
        if (failure.empty()) {
            // Some file systems hold all of these; then they must read back exactly.
            EXPECT_EQ(LastWriteTime(path),
                      (LocalDateTime{c.date.year, c.date.month, c.date.day, 9, 5, 0}));
            PhotoInfo info;
            ReadPhotoInfo(dir.folder(), "photo.jpg", info);
            EXPECT_EQ(info.DateTimeOriginal, NewDateText(choice));
        } else {
            EXPECT_EQ(failure, "5 プロシージャの呼び出し、または引数が不正です。");
            EXPECT_EQ(test::ReadBytes(path), bytes);
            EXPECT_EQ(LastWriteTime(path), before);
        }
    }
}

TEST(ChoiceTexts, CalendarChecks) {
    EXPECT_TRUE(IsValidDate({2008, 2, 29}) && IsValidDate({2000, 2, 29}));
    EXPECT_FALSE(IsValidDate({2007, 2, 29}) || IsValidDate({1900, 2, 29}));
    EXPECT_FALSE(IsValidDate({2007, 4, 31}) || IsValidDate({2007, 13, 1}));
    EXPECT_FALSE(IsValidDate({2007, 0, 1}) || IsValidDate({2007, 1, 0}));
    EXPECT_TRUE(IsValidTime({23, 59, 59}) && IsValidTime({0, 0, 0}));
    EXPECT_FALSE(IsValidTime({24, 0, 0}) || IsValidTime({12, 60, 0}) || IsValidTime({12, 0, 60}));
}

}  // namespace
}  // namespace tovrin
