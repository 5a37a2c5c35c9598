// SetFileDate: the file's times read back as exactly the chosen local moment,
// in and out of daylight saving time, by the zone's rules of that year; and
// the Japanese forms of a local time.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exif/file_date_change.h"
#include "exif/local_time.h"
#include "exif/runtime_error.h"
#include "platform.h"
#include "test_files.h"

namespace tovrin {
namespace {

// Windows has one zone for the whole system: a row runs where the system zone
// is one of the row's Windows zones (under Wine the suite starts these tests
// once per zone, Wine takes the zone from TZ) and is skipped elsewhere.
bool UseZone(const std::string& place) {
    if (place == "Tokyo") return test::UseZone("Asia/Tokyo", {L"Tokyo Standard Time"});
    if (place == "Berlin")
        return test::UseZone("Europe/Berlin",
                             {L"W. Europe Standard Time", L"Central Europe Standard Time"});
    return test::UseZone("America/New_York", {L"Eastern Standard Time"});
}

std::int64_t Utc(const LocalDateTime& t) {
    return test::UtcSeconds(t.year, t.month, t.day, t.hour, t.minute, t.second);
}

TEST(SetFileDate, TimesReadBackAsTheChosenLocalMoment) {
    // With keepTime the time of day is the one given to SetFileDate, 17:42:08.
    const struct {
        const char* zone;
        LocalDateTime chosen;
        bool keepTime;
        LocalDateTime utc;  // the moment the file must hold
    } cases[] = {
        {"Tokyo", {2007, 1, 23, 9, 5, 0}, false, {2007, 1, 23, 0, 5, 0}},
        {"Tokyo", {2007, 1, 23, 9, 5, 0}, true, {2007, 1, 23, 8, 42, 8}},
        {"Tokyo", {2007, 1, 1, 3, 0, 0}, false, {2006, 12, 31, 18, 0, 0}},
        {"Berlin", {2007, 1, 23, 9, 5, 0}, false, {2007, 1, 23, 8, 5, 0}},
        {"Berlin", {2007, 7, 23, 9, 5, 0}, false, {2007, 7, 23, 7, 5, 0}},
        {"Berlin", {2007, 7, 23, 9, 5, 0}, true, {2007, 7, 23, 15, 42, 8}},
        {"NewYork", {2007, 7, 4, 23, 30, 0}, false, {2007, 7, 5, 3, 30, 0}},
        // The United States moved the end of summer time from October to
        // November in 2007: the rules of 2006 for a date of 2006, not today's.
        {"NewYork", {2006, 10, 30, 12, 0, 0}, false, {2006, 10, 30, 17, 0, 0}},
        {"NewYork", {2007, 10, 30, 12, 0, 0}, false, {2007, 10, 30, 16, 0, 0}},
    };
    test::TempDir dir;
    const std::string path = dir.write("photo.jpg", test::CameraPhoto().build());
    int ran = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.zone) + " " + GeneralDateText(c.chosen));
        // Nothing else in this program depends on the zone, so it is not switched back.
        if (!UseZone(c.zone)) continue;
        ++ran;
        const LocalDateTime& t = c.chosen;
        SetFileDate(path,
                    {{t.year, t.month, t.day}, {t.hour, t.minute, t.second}, c.keepTime, false, {}},
                    "17:42:08");
        const test::StoredTimes stored = test::ReadStoredTimes(path);
        ASSERT_TRUE(stored.ok);
        EXPECT_EQ(stored.written, Utc(c.utc));
        EXPECT_EQ(stored.accessed, Utc(c.utc));
        EXPECT_EQ(stored.writtenNs + stored.accessedNs, 0);
        // Windows keeps a creation time too (Wine shows the write time as
        // the creation time, so there this holds by construction).
        if (stored.hasCreation) {
            EXPECT_EQ(stored.created, Utc(c.utc));
            EXPECT_EQ(stored.createdNs, 0);
        }
        const LocalDateTime kept{t.year, t.month, t.day, 17, 42, 8};
        EXPECT_EQ(LastWriteTime(path), c.keepTime ? kept : t);
        EXPECT_EQ(ToLocal(Utc(c.utc)), c.keepTime ? kept : t);
    }
    if (ran == 0)
        GTEST_SKIP()
            << "the system zone is none of this table's (set it to Tokyo, Berlin or New York)";
}

TEST(LocalToEpoch, SkippedTimesMoveForwardAndRepeatedTimesTakeTheFirst) {
    // The same moment on every build: an hour the clocks skip is moved forward
    // by the gap, an hour they show twice is its first (daylight-saving) one.
    const struct {
        const char* zone;
        LocalDateTime wall, utc;
        LocalDateTime shown;  // what the clock reads at that moment
    } cases[] = {
        // Skipped: 02:00 to 03:00 does not exist.
        {"NewYork", {2024, 3, 10, 2, 30, 0}, {2024, 3, 10, 7, 30, 0}, {2024, 3, 10, 3, 30}},
        {"Berlin", {2024, 3, 31, 2, 30, 0}, {2024, 3, 31, 1, 30, 0}, {2024, 3, 31, 3, 30}},
        {"Berlin", {2024, 3, 31, 2, 0, 0}, {2024, 3, 31, 1, 0, 0}, {2024, 3, 31, 3, 0}},
        // Repeated: the first of the two, still on summer time.
        {"Berlin", {2024, 10, 27, 2, 30, 0}, {2024, 10, 27, 0, 30, 0}, {2024, 10, 27, 2, 30}},
        {"NewYork", {2024, 11, 3, 1, 30, 0}, {2024, 11, 3, 5, 30, 0}, {2024, 11, 3, 1, 30}},
        // Either side of the changes, the one reading there is.
        {"Berlin", {2024, 3, 31, 1, 59, 59}, {2024, 3, 31, 0, 59, 59}, {2024, 3, 31, 1, 59, 59}},
        {"Berlin", {2024, 3, 31, 3, 0, 0}, {2024, 3, 31, 1, 0, 0}, {2024, 3, 31, 3, 0}},
        {"Berlin", {2024, 10, 27, 3, 0, 0}, {2024, 10, 27, 2, 0, 0}, {2024, 10, 27, 3, 0}},
        {"NewYork", {2024, 11, 3, 2, 0, 0}, {2024, 11, 3, 7, 0, 0}, {2024, 11, 3, 2, 0}},
    };
    int ran = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.zone) + " " + GeneralDateText(c.wall));
        if (!UseZone(c.zone)) continue;
        ++ran;
        EXPECT_EQ(LocalToEpoch(c.wall), Utc(c.utc));
        EXPECT_EQ(ToLocal(Utc(c.utc)), c.shown);
    }
    if (ran == 0) GTEST_SKIP() << "the system zone is neither Berlin nor New York";
}

TEST(LocalToEpoch, RefusesADayTheMonthDoesNotHave) {
    for (const LocalDateTime& t :
         {LocalDateTime{2023, 2, 29, 12, 0, 0}, LocalDateTime{2024, 4, 31, 0, 0, 0},
          LocalDateTime{2024, 13, 1, 0, 0, 0}, LocalDateTime{2024, 1, 1, 24, 0, 0}}) {
        SCOPED_TRACE(GeneralDateText(t));
        EXPECT_THROW(LocalToEpoch(t), RuntimeError);
    }
    EXPECT_NO_THROW(LocalToEpoch({2024, 2, 29, 12, 0, 0}));
}

TEST(LocalTexts, UseTheJapaneseForms) {
    const struct {
        LocalDateTime t;
        const char *general, *slash, *timeOfDay;
    } cases[] = {{{2007, 1, 23, 9, 5, 7}, "2007/01/23 9:05:07", "2007/01/23", "09:05:07"},
                 {{2007, 1, 23, 0, 0, 0}, "2007/01/23", "2007/01/23", "00:00:00"},
                 {{2007, 12, 31, 0, 0, 1}, "2007/12/31 0:00:01", "2007/12/31", "00:00:01"}};
    for (const auto& c : cases) {
        EXPECT_EQ(GeneralDateText(c.t), c.general);
        EXPECT_EQ(SlashDateText(c.t), c.slash);
        EXPECT_EQ(TimeOfDayText(c.t), c.timeOfDay);
    }
}

}  // namespace
}  // namespace tovrin
