// SetFileDate: the file's times read back as exactly the chosen local moment,
// in and out of daylight saving time; and the Japanese forms of a local time.
#include <cstdlib>
#include <ctime>
#include <string>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "exif/file_date_change.h"
#include "exif/local_time.h"
#include "test_files.h"

namespace tovrin {
namespace {

TEST(SetFileDate, TimesReadBackAsTheChosenLocalMoment) {
    // With keepTime the time of day is the one given to SetFileDate, 17:42:08.
    const struct {
        const char* zone;
        LocalDateTime chosen;
        bool keepTime;
        const char* utc;  // the moment the file must hold
    } cases[] = {
        {"Asia/Tokyo", {2007, 1, 23, 9, 5, 0}, false, "2007-01-23 00:05:00"},
        {"Asia/Tokyo", {2007, 1, 23, 9, 5, 0}, true, "2007-01-23 08:42:08"},
        {"Asia/Tokyo", {2007, 1, 1, 3, 0, 0}, false, "2006-12-31 18:00:00"},
        {"Europe/Berlin", {2007, 1, 23, 9, 5, 0}, false, "2007-01-23 08:05:00"},
        {"Europe/Berlin", {2007, 7, 23, 9, 5, 0}, false, "2007-07-23 07:05:00"},
        {"Europe/Berlin", {2007, 7, 23, 9, 5, 0}, true, "2007-07-23 15:42:08"},
        {"America/New_York", {2007, 7, 4, 23, 30, 0}, false, "2007-07-05 03:30:00"},
    };
    test::TempDir dir;
    const std::string path = dir.write("photo.jpg", test::CameraPhoto().build());
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.zone) + " " + c.utc);
        // Nothing else in this program depends on the zone, so it is not switched back.
        setenv("TZ", c.zone, 1);
        tzset();
        const LocalDateTime& t = c.chosen;
        SetFileDate(path,
                    {{t.year, t.month, t.day}, {t.hour, t.minute, t.second}, c.keepTime, false, {}},
                    "17:42:08");
        std::tm utc{};
        strptime(c.utc, "%Y-%m-%d %H:%M:%S", &utc);
        struct stat st {};
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mtim.tv_sec, timegm(&utc));
        EXPECT_EQ(st.st_atim.tv_sec, timegm(&utc));
        EXPECT_EQ(st.st_mtim.tv_nsec + st.st_atim.tv_nsec, 0);
        const LocalDateTime kept{t.year, t.month, t.day, 17, 42, 8};
        EXPECT_EQ(LastWriteTime(path), c.keepTime ? kept : t);
    }
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
