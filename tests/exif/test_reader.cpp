// ReadPhotoInfo over synthetic photos: marker search, TIFF header, both
// directories, both byte orders, and the photo's own last-write time.
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "corrupt_cases.h"
#include "reader.h"
#include "test_files.h"

namespace tovrin {
namespace {

using test::Bytes;
using test::Entry;
using test::Jpeg;
using test::Order;

constexpr const char* Date = "2006:05:04 10:11:12";

PhotoInfo Info(std::int32_t tiffBase, std::string make = "", std::string model = "",
               std::string dateTime = "", std::string original = "", std::string digitized = "",
               std::int32_t width = 0, std::int32_t height = 0) {
    PhotoInfo i;
    i.TiffBase = tiffBase;
    i.Make = std::move(make);
    i.Model = std::move(model);
    i.DateTime = std::move(dateTime);
    i.DateTimeOriginal = std::move(original);
    i.DateTimeDigitized = std::move(digitized);
    i.PixelXDimension = width;
    i.PixelYDimension = height;
    return i;
}

// What CameraPhoto() holds, its TIFF header at tiffBase.
PhotoInfo CameraInfo(std::int32_t tiffBase = 31) {
    return Info(tiffBase, "Canon", "Canon PowerShot S40", Date, Date, Date, 2272, 1704);
}

Bytes Build(std::function<void(Jpeg&)> change, Order order = Order::II) {
    Jpeg j = test::CameraPhoto(order);
    change(j);
    return j.build().bytes;
}

Entry& Find(std::vector<Entry>& entries, std::uint16_t tag) {
    for (Entry& e : entries) {
        if (e.tag == tag) return e;
    }
    throw std::logic_error("no such entry");
}

struct ReaderCase {
    std::string name;
    Bytes bytes;
    std::int32_t status;
    PhotoInfo info;  // FileDateText aside
    friend void PrintTo(const ReaderCase& c, std::ostream* os) { *os << c.name; }
};

std::vector<ReaderCase> ReaderCases() {
    const PhotoInfo ifd0Only = Info(31, "Canon", "Canon PowerShot S40", Date);
    auto sizes = [](std::vector<Entry> sizeEntries) {
        return [sizeEntries](Jpeg& j) {
            j.tiff.exif = std::vector<Entry>{test::Text(0x9003, Date), test::Text(0x9004, Date)};
            j.tiff.exif->insert(j.tiff.exif->end(), sizeEntries.begin(), sizeEntries.end());
        };
    };
    std::vector<ReaderCase> cases{
        {"App0ThenExif", Build([](Jpeg&) {}), 4, CameraInfo(31)},
        {"ExifRightAfterSoi", Build([](Jpeg& j) { j.before.clear(); }), 4, CameraInfo(13)},
        {"LongApp0", Build([](Jpeg& j) { j.before = {test::App0(200)}; }), 4, CameraInfo(215)},
        {"ShortestApp0", Build([](Jpeg& j) { j.before = {test::App0(2)}; }), 4, CameraInfo(17)},
        {"Motorola", Build([](Jpeg&) {}, Order::MM), 4, CameraInfo(31)},
        {"IntelLongSizes", Build(sizes({test::Long(0xA002, 2272), test::Long(0xA003, 1704)})), 4,
         CameraInfo()},
        {"MotorolaLongSizes",
         Build(sizes({test::Long(0xA002, 2272), test::Long(0xA003, 1704)}), Order::MM), 4,
         CameraInfo()},
        {"MotorolaShortSizes",
         Build(sizes({test::Short(0xA002, 2272), test::Short(0xA003, 1704)}), Order::MM), 4,
         CameraInfo()},
        {"ShortAbove32767IsUnsigned",
         Build(sizes({test::Short(0xA002, 40000), test::Short(0xA003, 65535)}), Order::MM), 4,
         Info(31, "Canon", "Canon PowerShot S40", Date, Date, Date, 40000, 65535)},
        {"OddIfd0OffsetStored", Build([](Jpeg& j) { j.tiff.ifd0Offset = 9; }), 4, CameraInfo()},
        {"FarIfd0OffsetStored", Build([](Jpeg& j) { j.tiff.ifd0Offset = 0x1234; }), 4,
         CameraInfo()},
        {"ExifIfdAtOddOffset", Build([](Jpeg& j) { j.tiff.exifGap = 3; }), 4, CameraInfo()},
        {"NoDateTimeOriginal", Build([](Jpeg& j) { j.tiff.exif->erase(j.tiff.exif->begin()); }), 3,
         Info(31, "Canon", "Canon PowerShot S40", Date, "", Date, 2272, 1704)},
        {"ThreeLetterMakeInline",
         Build([](Jpeg& j) { Find(j.tiff.ifd0, 0x010F) = test::Text(0x010F, "Foo"); }), 4,
         Info(31, "Foo", "Canon PowerShot S40", Date, Date, Date, 2272, 1704)},
        {"ThreeLetterMakeInlineMotorola",
         Build([](Jpeg& j) { Find(j.tiff.ifd0, 0x010F) = test::Text(0x010F, "Foo"); }, Order::MM),
         4, Info(31, "Foo", "Canon PowerShot S40", Date, Date, Date, 2272, 1704)},
        {"LineFeedInDate", Build([](Jpeg& j) {
             Find(*j.tiff.exif, 0x9003) = test::Text(0x9003, "2006:05:04\n10:11:12");
         }),
         4, CameraInfo()},
        {"LaterEntryWins", Build([](Jpeg& j) {
             j.tiff.exif->push_back(test::Text(0x9003, "2001:02:03 04:05:06"));
             j.tiff.ifd0.push_back(test::Text(0x0110, "Second"));
         }),
         5, Info(31, "Canon", "Second", Date, "2001:02:03 04:05:06", Date, 2272, 1704)},
        {"TagsOnlyInTheirOwnDirectory", Build([](Jpeg& j) {
             j.tiff.ifd0.push_back(test::Text(0x9003, "2001:02:03 04:05:06"));
             j.tiff.ifd0.push_back(test::Short(0xA002, 7));
             j.tiff.exif->push_back(test::Text(0x010F, "Nikon"));
             j.tiff.exif->push_back(test::Text(0x0132, "2001:02:03 04:05:06"));
         }),
         6, CameraInfo()},
        {"HighBytesKept",
         Build([](Jpeg& j) { Find(j.tiff.ifd0, 0x0110) = test::Text(0x0110, "Caf\xE9\x01\r"); }), 4,
         Info(31, "Canon", "Caf\xE9\x01\r", Date, Date, Date, 2272, 1704)},
        // Failures: which fields survive tells how far the walk came.
        {"NotJpeg",
         [] {
             Bytes b = Build([](Jpeg&) {});
             b[1] = 0xD9;
             return b;
         }(),
         0, Info(0)},
        {"XmpBeforeExif", Build([](Jpeg& j) { j.before = {test::XmpApp1()}; }), 0, Info(13)},
        {"App0ThenXmp", Build([](Jpeg& j) { j.before.push_back(test::XmpApp1()); }), 0, Info(31)},
        {"SecondApp0", Build([](Jpeg& j) { j.before.push_back(test::App0()); }), 0, Info(0)},
        {"App2AfterApp0", Build([](Jpeg& j) { j.before.push_back(test::App2()); }), 0, Info(0)},
        {"App2First", Build([](Jpeg& j) { j.before = {test::App2()}; }), 0, Info(0)},
        {"NoExifAtAll", Build([](Jpeg& j) { j.withExif = false; }), 0, Info(0)},
        {"OtherSignature", Build([](Jpeg& j) { j.signature = std::string("Exix\0\0", 6); }), 0,
         Info(31)},
        {"UnknownByteOrder", Build([](Jpeg& j) { j.tiff.mark = "IM"; }), 0, Info(31)},
        {"No42", Build([](Jpeg& j) { j.tiff.magic = 43; }), 0, Info(31)},
        {"EmptyIfd0", Build([](Jpeg& j) { j.tiff.ifd0.clear(); }), 0, Info(31)},
        {"NoExifPointer", Build([](Jpeg& j) {
             std::erase_if(j.tiff.ifd0, [](const Entry& e) { return e.tag == 0x8769; });
         }),
         0, ifd0Only},
        {"EmptyExifIfd", Build([](Jpeg& j) { j.tiff.exif->clear(); }), 0, ifd0Only},
    };
    return cases;
}

class Reader : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(Reader, FillsPhotoInfo) {
    const ReaderCase& c = GetParam();
    test::TempDir dir;
    dir.write("photo.jpg", c.bytes);
    PhotoInfo info = CameraInfo(99);  // a previous reading: nothing may carry over
    info.FileDateText = "stale";
    EXPECT_EQ(ReadPhotoInfo(dir.folder(), "photo.jpg", info), c.status);
    EXPECT_NE(info.FileDateText, "stale");
    info.FileDateText.clear();
    EXPECT_EQ(info, c.info);
    EXPECT_EQ(test::ReadBytes(dir.path("photo.jpg")), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(Table, Reader, ::testing::ValuesIn(ReaderCases()),
                         [](const auto& info) { return info.param.name; });

class CorruptReading : public ::testing::TestWithParam<test::CorruptCase> {};

// Status 0, and only values that the intact photo really has.
TEST_P(CorruptReading, EndsWithoutInventingValues) {
    test::TempDir dir;
    dir.write("photo.jpg", GetParam().bytes);
    PhotoInfo info;
    EXPECT_EQ(ReadPhotoInfo(dir.folder(), "photo.jpg", info), 0);
    const PhotoInfo whole = CameraInfo();
    EXPECT_TRUE(info.TiffBase == 0 || info.TiffBase == whole.TiffBase) << info.TiffBase;
    for (auto field : {&PhotoInfo::Make, &PhotoInfo::Model, &PhotoInfo::DateTime,
                       &PhotoInfo::DateTimeOriginal, &PhotoInfo::DateTimeDigitized}) {
        EXPECT_TRUE((info.*field).empty() || info.*field == whole.*field) << info.*field;
    }
    for (auto field : {&PhotoInfo::PixelXDimension, &PhotoInfo::PixelYDimension}) {
        EXPECT_TRUE(info.*field == 0 || info.*field == whole.*field) << info.*field;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, CorruptReading, ::testing::ValuesIn(test::CorruptCases()),
                         [](const auto& info) { return info.param.name; });

TEST(ReaderName, WithoutDotLeavesEverythingAlone) {
    test::TempDir dir;
    dir.write("photo", test::CameraPhoto().build().bytes);
    PhotoInfo info = Info(7, "Make", "Model", "a", "b", "c", 1, 2);
    info.FileDateText = "2001/02/03";
    const PhotoInfo before = info;
    EXPECT_EQ(ReadPhotoInfo(dir.folder(), "photo", info), 0);
    EXPECT_EQ(info, before);
    // The file is not even opened, so a missing one raises nothing either.
    EXPECT_EQ(ReadPhotoInfo(dir.folder(), "missing", info), 0);
    EXPECT_EQ(info, before);
}

TEST(ReaderName, ExtensionCaseDoesNotMatter) {
    test::TempDir dir;
    for (const char* name : {"a.JPG", "b.jpeg", "c.Jpe", "d.x.jpg"}) {
        SCOPED_TRACE(name);
        dir.write(name, test::CameraPhoto().build().bytes);
        PhotoInfo info;
        EXPECT_EQ(ReadPhotoInfo(dir.folder(), name, info), 4);
        EXPECT_EQ(info.Model, "Canon PowerShot S40");
    }
}

struct FileDateCase {
    int year, month, day, hour, minute, second;
    const char* text;
};

class FileDate : public ::testing::TestWithParam<FileDateCase> {};

// The general date text of the photo's last-write time, whatever the walk found.
TEST_P(FileDate, IsTheGeneralDateOfTheLastWrite) {
    const FileDateCase& c = GetParam();
    std::tm local{};
    local.tm_year = c.year - 1900;
    local.tm_mon = c.month - 1;
    local.tm_mday = c.day;
    local.tm_hour = c.hour;
    local.tm_min = c.minute;
    local.tm_sec = c.second;
    local.tm_isdst = -1;
    const std::time_t moment = std::mktime(&local);
    test::TempDir dir;
    for (bool withExif : {true, false}) {
        SCOPED_TRACE(withExif);
        Jpeg j = test::CameraPhoto();
        j.withExif = withExif;
        const std::string path = dir.write("photo.jpg", j.build().bytes);
        const timespec times[2] = {{moment, 0}, {moment, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
        PhotoInfo info;
        EXPECT_EQ(ReadPhotoInfo(dir.folder(), "photo.jpg", info), withExif ? 4 : 0);
        EXPECT_EQ(info.FileDateText, c.text);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, FileDate,
    ::testing::Values(FileDateCase{2007, 1, 23, 9, 5, 7, "2007/01/23 9:05:07"},
                      FileDateCase{2007, 1, 23, 0, 0, 0, "2007/01/23"},
                      FileDateCase{2007, 1, 23, 0, 0, 1, "2007/01/23 0:00:01"},
                      FileDateCase{2007, 1, 23, 0, 1, 0, "2007/01/23 0:01:00"},
                      FileDateCase{2007, 12, 31, 23, 59, 59, "2007/12/31 23:59:59"},
                      FileDateCase{2024, 2, 29, 10, 0, 0, "2024/02/29 10:00:00"}));

}  // namespace
}  // namespace tovrin
