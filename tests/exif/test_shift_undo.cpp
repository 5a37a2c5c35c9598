// Shifting dates by an offset, and giving a photo back what a change took.
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exif/local_time.h"
#include "exif/photo_update.h"
#include "exif/reader.h"
#include "exif/runtime_error.h"
#include "test_files.h"

namespace tovrin {
namespace {

using test::Bytes;
using test::Jpeg;

constexpr std::int64_t Hour = 3600, Day = 86400;

TEST(ShiftMoment, CrossesMonthYearAndLeapDays) {
    const struct {
        LocalDateTime from;
        std::int64_t by;
        std::optional<LocalDateTime> to;
    } cases[] = {
        {{2007, 1, 31, 23, 0, 0}, 2 * Hour, LocalDateTime{2007, 2, 1, 1, 0, 0}},
        {{2007, 1, 1, 3, 0, 0}, -9 * Hour, LocalDateTime{2006, 12, 31, 18, 0, 0}},
        {{2008, 2, 28, 12, 0, 0}, Day, LocalDateTime{2008, 2, 29, 12, 0, 0}},
        {{2007, 2, 28, 12, 0, 0}, Day, LocalDateTime{2007, 3, 1, 12, 0, 0}},
        {{2000, 3, 1, 0, 0, 0}, -1, LocalDateTime{2000, 2, 29, 23, 59, 59}},
        {{1900, 3, 1, 0, 0, 0}, -Day, LocalDateTime{1900, 2, 28, 0, 0, 0}},
        {{2024, 2, 29, 0, 0, 0}, 365 * Day, LocalDateTime{2025, 2, 28, 0, 0, 0}},
        {{1, 1, 1, 0, 0, 0}, -1, std::nullopt},
        {{9999, 12, 31, 23, 59, 59}, 1, std::nullopt},
        {{9999, 12, 31, 23, 59, 59}, -400000000001, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ShiftMoment(c.from, c.by), c.to) << c.by;
}

TEST(ParseExifMoment, OnlyValidMoments) {
    EXPECT_EQ(ParseExifMoment("2008:02:29 23:59:59"), (LocalDateTime{2008, 2, 29, 23, 59, 59}));
    for (const char* text : {"2007:02:29 10:00:00", "2007:01:23 24:00:00", "2007-01-23 10:00:00",
                             "    :  :     :  :  ", "2007:01:23", "0000:01:01 00:00:00"})
        EXPECT_FALSE(ParseExifMoment(text)) << text;
}

struct Dated {
    std::string dateTime, original, digitized;
};

Jpeg Photo(const Dated& d) {
    Jpeg j = test::CameraPhoto();
    j.tiff.ifd0[3] = test::Text(0x0132, d.dateTime, 20);
    j.tiff.exif = std::vector<test::Entry>{test::Text(0x9003, d.original, 20),
                                           test::Text(0x9004, d.digitized, 20)};
    return j;
}

PhotoInfo Read(const test::TempDir& dir) {
    PhotoInfo info;
    ReadPhotoInfo(dir.folder(), "photo.jpg", info);
    return info;
}

// Every moment moves; a text that is not one stays; the file takes the new
// capture moment: DateTimeOriginal, else DateTime, else DateTimeDigitized.
TEST(ShiftPhotoDate, MovesEveryMomentAndSetsTheCaptureMomentAsFileTime) {
    const struct {
        const char* name;
        Dated before;
        std::int64_t by;
        Dated after;
        LocalDateTime fileTime;
    } cases[] = {
        {"AllThree",
         {"2007:01:23 10:00:00", "2007:01:23 09:00:00", "2007:01:23 09:30:00"},
         -9 * Hour,
         {"2007:01:23 01:00:00", "2007:01:23 00:00:00", "2007:01:23 00:30:00"},
         {2007, 1, 23, 0, 0, 0}},
        {"OriginalNotAMoment",
         {"2007:01:23 10:00:00", "unknown", "2007:01:23 09:30:00"},
         Day,
         {"2007:01:24 10:00:00", "unknown", "2007:01:24 09:30:00"},
         {2007, 1, 24, 10, 0, 0}},
        {"OnlyDigitized",
         {"    :  :     :  :  ", "", "2008:02:28 23:00:00"},
         2 * Hour,
         {"    :  :     :  :  ", "", "2008:02:29 01:00:00"},
         {2008, 2, 29, 1, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        dir.write("photo.jpg", Photo(c.before).build());
        const PhotoDateUpdate u = ShiftPhotoDate(dir.folder(), "photo.jpg", c.by);
        EXPECT_TRUE(u.result.status && u.result.changed);
        const PhotoInfo info = Read(dir);
        EXPECT_EQ(info.DateTime, c.after.dateTime);
        EXPECT_EQ(info.DateTimeOriginal, c.after.original);
        EXPECT_EQ(info.DateTimeDigitized, c.after.digitized);
        EXPECT_EQ(LastWriteTime(dir.path("photo.jpg")), c.fileTime);
    }
}

// Out of years 1-9999, or later than allowed, and the photo keeps every byte.
TEST(ShiftPhotoDate, RefusesWholePhotosUntouched) {
    const Dated dates{"2007:01:23 10:00:00", "0001:01:01 00:30:00", "2007:01:23 09:30:00"};
    test::TempDir dir;
    const Bytes bytes = Photo(dates).build();
    dir.write("photo.jpg", bytes);
    PhotoDateUpdate u = ShiftPhotoDate(dir.folder(), "photo.jpg", -Hour);
    EXPECT_TRUE(u.refusedOutOfRange);
    EXPECT_FALSE(u.result.changed);
    EXPECT_EQ(test::ReadBytes(dir.path("photo.jpg")), bytes);
    u = ShiftPhotoDate(dir.folder(), "photo.jpg", Hour,
                       {.latest = LocalDateTime{2007, 1, 23, 10, 59, 59}});
    EXPECT_TRUE(u.refusedAsFuture);
    EXPECT_EQ(test::ReadBytes(dir.path("photo.jpg")), bytes);
    // Only the texts on the filter day move.
    u = ShiftPhotoDate(dir.folder(), "photo.jpg", Hour, {.onlyOn = "2007:01:23"});
    EXPECT_EQ(u.writes.size(), 2u);
    EXPECT_EQ(Read(dir).DateTimeOriginal, "0001:01:01 00:30:00");
}

// A change given back restores bytes and times; one changed since is left alone.
TEST(RestorePhotoDates, OnlyWhatTheChangeStillHolds) {
    test::TempDir dir;
    const Bytes bytes = test::CameraPhoto().build();
    const std::string path = dir.write("photo.jpg", bytes);
    const LocalDateTime before = LastWriteTime(path);
    std::optional<PendingChange> recorded;
    const BeforeWrite record = [&](const PendingChange& c) { recorded = c; };
    DateChoice choice{{2007, 1, 23}, {9, 5, 0}, false, false, {}};
    UpdatePhotoDate(dir.folder(), "photo.jpg", choice, {.beforeWrite = record});
    ASSERT_TRUE(recorded);
    EXPECT_EQ(recorded->path, path);
    EXPECT_EQ(recorded->writes.size(), 3u);

    std::optional<PendingChange> reverse;
    EXPECT_EQ(RestorePhotoDates(*recorded, [&](const PendingChange& c) { reverse = c; }),
              Restore::Restored);
    EXPECT_EQ(test::ReadBytes(path), bytes);
    EXPECT_EQ(LastWriteTime(path), before);
    EXPECT_EQ(RestorePhotoDates(*recorded), Restore::AlreadyBefore);
    // The undo is itself a change that can be given back.
    ASSERT_TRUE(reverse);
    EXPECT_EQ(RestorePhotoDates(*reverse), Restore::Restored);
    EXPECT_EQ(Read(dir).DateTimeOriginal, "2007:01:23 09:05:00");

    choice.date = {2008, 2, 2};
    UpdatePhotoDate(dir.folder(), "photo.jpg", choice);
    const Bytes changedSince = test::ReadBytes(path);
    EXPECT_EQ(RestorePhotoDates(*reverse), Restore::ChangedSince);
    EXPECT_EQ(test::ReadBytes(path), changedSince);
}

}  // namespace
}  // namespace tovrin
