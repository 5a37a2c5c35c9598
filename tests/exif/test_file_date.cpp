// SetFileDate: the file's times read back as exactly the chosen local moment,
// in and out of daylight saving time.
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "file_date_change.h"
#include "local_time.h"
#include "runtime_error.h"
#include "test_files.h"

namespace tovrin {
namespace {

// Switches the process's time zone for one test and back.
class TimeZone {
public:
    explicit TimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) m_old = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZone() {
        if (m_old)
            setenv("TZ", m_old->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    TimeZone(const TimeZone&) = delete;
    TimeZone& operator=(const TimeZone&) = delete;

private:
    std::optional<std::string> m_old;
};

struct FileDateCase {
    const char* name;
    const char* zone;
    CalendarDate date;
    TimeOfDay time;
    bool keepTime;
    LocalDateTime utc;  // the moment the file must hold, in UTC
};

class SetFileDateCase : public ::testing::TestWithParam<FileDateCase> {};

TEST_P(SetFileDateCase, TimesReadBackAsTheChosenLocalMoment) {
    const FileDateCase& c = GetParam();
    TimeZone zone(c.zone);
    test::TempDir dir;
    const std::string path = dir.write("photo.jpg", test::CameraPhoto().build().bytes);
    DateChoice choice;
    choice.date = c.date;
    choice.time = c.time;
    choice.keepTime = c.keepTime;
    SetFileDate(path, choice, "17:42:08");

    std::tm utc{};
    utc.tm_year = c.utc.year - 1900;
    utc.tm_mon = c.utc.month - 1;
    utc.tm_mday = c.utc.day;
    utc.tm_hour = c.utc.hour;
    utc.tm_min = c.utc.minute;
    utc.tm_sec = c.utc.second;
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, timegm(&utc));
    EXPECT_EQ(st.st_mtim.tv_nsec, 0);
    EXPECT_EQ(st.st_atim.tv_sec, timegm(&utc));
    EXPECT_EQ(st.st_atim.tv_nsec, 0);

    const TimeOfDay t = c.keepTime ? TimeOfDay{17, 42, 8} : c.time;
    EXPECT_EQ(LastWriteTime(path),
              (LocalDateTime{c.date.year, c.date.month, c.date.day, t.hour, t.minute, t.second}));
}

INSTANTIATE_TEST_SUITE_P(
    Zones, SetFileDateCase,
    ::testing::Values(
        FileDateCase{
            "Tokyo", "Asia/Tokyo", {2007, 1, 23}, {9, 5, 0}, false, {2007, 1, 23, 0, 5, 0}},
        FileDateCase{
            "TokyoKeepTime", "Asia/Tokyo", {2007, 1, 23}, {9, 5, 0}, true, {2007, 1, 23, 8, 42, 8}},
        FileDateCase{"TokyoBeforeMidnightUtc",
                     "Asia/Tokyo",
                     {2007, 1, 1},
                     {3, 0, 0},
                     false,
                     {2006, 12, 31, 18, 0, 0}},
        FileDateCase{"BerlinWinter",
                     "Europe/Berlin",
                     {2007, 1, 23},
                     {9, 5, 0},
                     false,
                     {2007, 1, 23, 8, 5, 0}},
        FileDateCase{"BerlinSummer",
                     "Europe/Berlin",
                     {2007, 7, 23},
                     {9, 5, 0},
                     false,
                     {2007, 7, 23, 7, 5, 0}},
        FileDateCase{"BerlinSummerKeepTime",
                     "Europe/Berlin",
                     {2007, 7, 23},
                     {9, 5, 0},
                     true,
                     {2007, 7, 23, 15, 42, 8}},
        FileDateCase{"NewYorkWinter",
                     "America/New_York",
                     {2007, 1, 23},
                     {9, 5, 0},
                     false,
                     {2007, 1, 23, 14, 5, 0}},
        FileDateCase{"NewYorkSummer",
                     "America/New_York",
                     {2007, 7, 4},
                     {23, 30, 0},
                     false,
                     {2007, 7, 5, 3, 30, 0}},
        FileDateCase{"Utc", "UTC", {2024, 2, 29}, {23, 59, 59}, false, {2024, 2, 29, 23, 59, 59}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SetFileDate, MissingFileIsNotReported) {
    test::TempDir dir;
    DateChoice choice;
    choice.date = {2007, 1, 23};
    EXPECT_NO_THROW(SetFileDate(dir.path("gone.jpg"), choice, "17:42:08"));
}

TEST(LastWriteTime, MissingFileRaises53) {
    test::TempDir dir;
    try {
        LastWriteTime(dir.path("gone.jpg"));
        ADD_FAILURE() << "no error raised";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), error::FileNotFound);
    }
}

struct GeneralCase {
    LocalDateTime t;
    const char* general;
    const char* slash;
    const char* timeOfDay;
};

class LocalTexts : public ::testing::TestWithParam<GeneralCase> {};

TEST_P(LocalTexts, UseTheJapaneseForms) {
    EXPECT_EQ(GeneralDateText(GetParam().t), GetParam().general);
    EXPECT_EQ(SlashDateText(GetParam().t), GetParam().slash);
    EXPECT_EQ(TimeOfDayText(GetParam().t), GetParam().timeOfDay);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LocalTexts,
    ::testing::Values(
        GeneralCase{{2007, 1, 23, 9, 5, 7}, "2007/01/23 9:05:07", "2007/01/23", "09:05:07"},
        GeneralCase{{2007, 1, 23, 0, 0, 0}, "2007/01/23", "2007/01/23", "00:00:00"},
        GeneralCase{{2007, 1, 23, 0, 0, 1}, "2007/01/23 0:00:01", "2007/01/23", "00:00:01"},
        GeneralCase{{2007, 12, 31, 23, 59, 59}, "2007/12/31 23:59:59", "2007/12/31", "23:59:59"}));

}  // namespace
}  // namespace tovrin
