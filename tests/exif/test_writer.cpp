// WriteEmbeddedDate over synthetic photos: what it writes, what it must leave
// alone, and that a call which fails writes nothing at all.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corrupt_cases.h"
#include "date_choice.h"
#include "test_files.h"
#include "writer.h"

namespace tovrin {
namespace {

using test::Bytes;
using test::Entry;
using test::Jpeg;
using test::Order;
using Text = std::optional<std::string>;
using Dates = std::array<Text, 3>;  // 0x0132, 0x9003, 0x9004; none: no such entry

const Text Old = "2006:05:04 10:11:12";
const Text New = "2007:01:23 09:05:00";
const Text Kept = "2007:01:23 10:11:12";

DateChoice Choice(bool keepTime = false, std::optional<CalendarDate> filter = {}) {
    DateChoice c;
    c.date = {2007, 1, 23};
    c.time = {9, 5, 0};
    c.keepTime = keepTime;
    c.filterOn = filter.has_value();
    c.filterDate = filter.value_or(CalendarDate{2000, 1, 1});
    return c;
}

// A camera photo whose date fields, 20 bytes each, hold the given texts.
Jpeg Dated(const Dates& d, Order order) {
    Jpeg j;
    j.tiff.order = order;
    j.tiff.ifd0 = {test::Text(0x010F, "Canon"), test::Text(0x0110, "Canon PowerShot S40")};
    if (d[0]) j.tiff.ifd0.push_back(test::Text(0x0132, *d[0], 20));
    j.tiff.ifd0.push_back(test::ExifPointer());
    j.tiff.exif.emplace();
    if (d[1]) j.tiff.exif->push_back(test::Text(0x9003, *d[1], 20));
    if (d[2]) j.tiff.exif->push_back(test::Text(0x9004, *d[2], 20));
    j.tiff.exif->push_back(test::Short(0xA002, 640));
    return j;
}

// Puts `entry` in place of the entry with the same tag, in whichever directory.
std::function<void(Jpeg&)> Swap(Entry entry) {
    return [entry](Jpeg& j) {
        for (auto* dir : {&j.tiff.ifd0, &*j.tiff.exif}) {
            for (Entry& e : *dir) {
                if (e.tag == entry.tag) e = entry;
            }
        }
    };
}

struct WriterCase {
    std::string name;
    Bytes before;
    Bytes after;
    DateChoice choice;
    bool dateWritten;
    friend void PrintTo(const WriterCase& c, std::ostream* os) { *os << c.name; }
};

WriterCase Case(
    std::string name, DateChoice choice, Dates before, Dates after, bool dateWritten,
    std::function<void(Jpeg&)> change = [](Jpeg&) {}, Order order = Order::II) {
    Jpeg b = Dated(before, order);
    Jpeg a = Dated(after, order);
    change(b);
    change(a);
    return {std::move(name), b.build().bytes, a.build().bytes, choice, dateWritten};
}

std::vector<WriterCase> WriterCases() {
    const CalendarDate day{2006, 5, 4};
    const Text nextDay = "2006:05:05 08:00:00";
    const Text lateOnDay = "2006:05:04 23:59:59";
    auto twoIfd0Dates = [](Jpeg& j) {
        j.tiff.ifd0.insert(j.tiff.ifd0.begin() + 2, j.tiff.ifd0[2]);
    };
    auto crossingEnd = [](Jpeg& j) {
        const test::Layout l = j.build();
        const auto tenBeforeEnd = static_cast<std::uint32_t>(
            static_cast<std::int64_t>(l.bytes.size()) + 1 - 10 - l.tiffBase);
        Swap(test::Raw(0x9003, 2, 20, tenBeforeEnd))(j);
    };
    auto misplaced = [](Jpeg& j) {
        j.tiff.ifd0.push_back(test::Text(0x9003, *Old, 20));
        j.tiff.exif->push_back(test::Text(0x0132, *Old, 20));
    };
    return {
        Case("NewDateAndTime", Choice(), {Old, Old, Old}, {New, New, New}, true),
        Case(
            "NewDateAndTimeMotorola", Choice(), {Old, Old, Old}, {New, New, New}, true,
            [](Jpeg&) {}, Order::MM),
        Case("KeepTime", Choice(true), {Old, Old, Old}, {Kept, Kept, Kept}, true),
        Case("FilterPicksTheDay", Choice(false, day), {nextDay, lateOnDay, lateOnDay},
             {nextDay, New, New}, false),
        Case("FilterNoMatch", Choice(false, CalendarDate{2006, 5, 6}), {Old, Old, Old},
             {Old, Old, Old}, false),
        Case("FilterOnlyIfd0OnDay", Choice(false, day), {Old, nextDay, nextDay},
             {New, nextDay, nextDay}, true),
        Case("FilterWithKeepTime", Choice(true, day), {Old, nextDay, Old}, {Kept, nextDay, Kept},
             true),
        Case("FilterComparesCharacters", Choice(false, day),
             {"2006-05-04 10:11:12", "2006/05/04", " 2006:05:04"},
             {"2006-05-04 10:11:12", "2006/05/04", " 2006:05:04"}, false),
        Case("FilterOnShortText", Choice(false, day), {"2006:05", "", Old}, {"2006:05", "", New},
             false),
        Case("NoIfd0Date", Choice(), {std::nullopt, Old, Old}, {std::nullopt, New, New}, false),
        Case("OnlyIfd0Date", Choice(), {Old, std::nullopt, std::nullopt},
             {New, std::nullopt, std::nullopt}, true),
        Case("TagTwiceWrittenTwice", Choice(), {Old, Old, Old}, {New, New, New}, true,
             twoIfd0Dates),
        Case("DatesOutsideTheirDirectoryIgnored", Choice(), {Old, Old, Old}, {New, New, New}, true,
             misplaced),
        Case("WriterDoesNotCheck42", Choice(), {Old, Old, Old}, {New, New, New}, true,
             [](Jpeg& j) { j.tiff.magic = 43; }),
        Case("FieldOfExactly19", Choice(), {Old, Old, Old}, {New, New, New}, true,
             [](Jpeg& j) { j.tiff.ifd0[2].count = 19; }),
        Case("KeepTimeInFieldOf10", Choice(true), {"2006:05:04", Old, Old},
             {"2007:01:23", Kept, Kept}, true, [](Jpeg& j) { j.tiff.ifd0[2].count = 10; }),
        // Fields the new text does not fit, or that are no text, stay as they are.
        Case("GuardFieldOf18", Choice(), {Old, Old, Old}, {Old, New, New}, false,
             Swap(test::Text(0x0132, *Old, 18))),
        Case("GuardFieldOf9KeepTime", Choice(true), {Old, Old, Old}, {Old, Kept, Kept}, false,
             Swap(test::Text(0x0132, "2006:05:0", 9))),
        Case("GuardInlineText", Choice(), {Old, Old, Old}, {New, Old, New}, true,
             Swap(test::Text(0x9003, "2006", 4))),
        Case("GuardUndefinedType", Choice(), {Old, Old, Old}, {Old, New, New}, false,
             Swap(test::Text(0x0132, *Old, 20, 7))),
        Case("GuardShortType", Choice(), {Old, Old, Old}, {New, New, Old}, true,
             Swap(test::Raw(0x9004, 3, 20, 0x0C))),
        Case("GuardFieldPastEnd", Choice(), {Old, Old, Old}, {New, Old, New}, true,
             Swap(test::Raw(0x9003, 2, 20, 0x7FFFFF00))),
        Case("GuardFieldBeforeFile", Choice(false, day), {Old, Old, Old}, {New, Old, New}, true,
             Swap(test::Raw(0x9003, 2, 20, 0x80000000))),
        Case("GuardFieldCrossingEnd", Choice(), {Old, Old, Old}, {New, Old, New}, true,
             crossingEnd),
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
    EXPECT_EQ(test::ReadBytes(path), c.after);
    // Once more with the same choice: the bytes are those of one call.
    EXPECT_TRUE(WriteEmbeddedDate(dir.folder(), "photo.jpg", c.choice).status);
    EXPECT_EQ(test::ReadBytes(path), c.after);
}

INSTANTIATE_TEST_SUITE_P(Table, Writer, ::testing::ValuesIn(WriterCases()),
                         [](const auto& info) { return info.param.name; });

// The walk must complete before anything is written: a photo that fails
// keeps every byte, even a valid IFD0 date met before the failure.
std::vector<test::CorruptCase> FailingCases() {
    auto with = [](std::function<void(Jpeg&)> change) {
        Jpeg j = Dated({Old, Old, Old}, Order::II);
        change(j);
        return j.build().bytes;
    };
    std::vector<test::CorruptCase> cases{
        {"NoExifPointer", with([](Jpeg& j) { j.tiff.ifd0.pop_back(); })},
        {"EmptyExifIfd", with([](Jpeg& j) { j.tiff.exif->clear(); })},
        {"EmptyExifIfdMotorola", with([](Jpeg& j) {
             j.tiff.order = Order::MM;
             j.tiff.exif->clear();
         })},
        {"NoExifAtAll", with([](Jpeg& j) { j.withExif = false; })},
        {"XmpBeforeExif", with([](Jpeg& j) { j.before = {test::XmpApp1()}; })},
        {"SecondApp0", with([](Jpeg& j) { j.before.push_back(test::App0()); })},
        {"App2AfterApp0", with([](Jpeg& j) { j.before.push_back(test::App2()); })},
        {"OtherSignature", with([](Jpeg& j) { j.signature = std::string("exif\0\0", 6); })},
        {"UnknownByteOrder", with([](Jpeg& j) { j.tiff.mark = "MI"; })},
        {"EmptyIfd0", with([](Jpeg& j) { j.tiff.ifd0.clear(); })},
        {"NotJpeg",
         [&] {
             Bytes b = with([](Jpeg&) {});
             b[0] = 0x00;
             return b;
         }()},
        {"EmptyFile", {}},
    };
    for (auto& c : test::CorruptCases()) {
        if (c.inWritersWay) cases.push_back(c);
    }
    return cases;
}

class FailingWrite : public ::testing::TestWithParam<test::CorruptCase> {};

TEST_P(FailingWrite, LeavesThePhotoUnchanged) {
    test::TempDir dir;
    const std::string path = dir.write("photo.jpg", GetParam().bytes);
    for (bool keepTime : {false, true}) {
        const WriteResult result = WriteEmbeddedDate(dir.folder(), "photo.jpg", Choice(keepTime));
        EXPECT_FALSE(result.status);
        EXPECT_FALSE(result.dateWritten);
        EXPECT_EQ(test::ReadBytes(path), GetParam().bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, FailingWrite, ::testing::ValuesIn(FailingCases()),
                         [](const auto& info) { return info.param.name; });

struct TextCase {
    DateChoice choice;
    const char* newText;
    const char* filterText;
};

class ChoiceTexts : public ::testing::TestWithParam<TextCase> {};

TEST_P(ChoiceTexts, HaveLeadingZerosAndColons) {
    EXPECT_EQ(NewDateText(GetParam().choice), GetParam().newText);
    EXPECT_EQ(FilterDateText(GetParam().choice), GetParam().filterText);
}

DateChoice Make(CalendarDate d, TimeOfDay t, bool keep, std::optional<CalendarDate> filter = {}) {
    return {d, t, keep, filter.has_value(), filter.value_or(CalendarDate{1999, 9, 9})};
}

INSTANTIATE_TEST_SUITE_P(
    Table, ChoiceTexts,
    ::testing::Values(TextCase{Make({2007, 1, 23}, {9, 5, 0}, false), "2007:01:23 09:05:00", ""},
                      TextCase{Make({2007, 1, 23}, {9, 5, 0}, true), "2007:01:23", ""},
                      TextCase{Make({987, 12, 1}, {23, 59, 59}, false, CalendarDate{2006, 5, 4}),
                               "0987:12:01 23:59:59", "2006:05:04"},
                      TextCase{Make({2024, 2, 29}, {0, 0, 0}, true, CalendarDate{1, 1, 1}),
                               "2024:02:29", "0001:01:01"}));

TEST(ChoiceTexts, CalendarChecks) {
    EXPECT_TRUE(IsValidDate({2008, 2, 29}));
    EXPECT_TRUE(IsValidDate({2000, 2, 29}));
    EXPECT_FALSE(IsValidDate({2007, 2, 29}));
    EXPECT_FALSE(IsValidDate({1900, 2, 29}));
    EXPECT_FALSE(IsValidDate({2007, 2, 30}));
    EXPECT_FALSE(IsValidDate({2007, 4, 31}));
    EXPECT_FALSE(IsValidDate({2007, 13, 1}));
    EXPECT_FALSE(IsValidDate({2007, 0, 1}));
    EXPECT_TRUE(IsValidTime({23, 59, 59}));
    EXPECT_TRUE(IsValidTime({0, 0, 0}));
    EXPECT_FALSE(IsValidTime({24, 0, 0}));
    EXPECT_FALSE(IsValidTime({12, 60, 0}));
    EXPECT_FALSE(IsValidTime({12, 0, 60}));
    EXPECT_FALSE(IsValidTime({-1, 0, 0}));
}

}  // namespace
}  // namespace tovrin
