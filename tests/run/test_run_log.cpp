#include "run_log.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "run_test_support.h"
#include "runtime_error.h"

namespace tovrin::test {
namespace {

namespace fs = std::filesystem;

const LocalDateTime Today{2024, 5, 10, 12, 34, 56};

// ---------------------------------------------------------------- names and stamps

struct NameCase {
    LocalDateTime moment;
    std::string name;
    std::string stamp;
};

class LogNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(LogNames, NameAndStampArePaddedAndUseTheTwentyFourHourClock) {
    const NameCase& c = GetParam();
    EXPECT_EQ(LogFileName(c.moment), c.name);
    EXPECT_EQ(LogStamp(c.moment), c.stamp);
    EXPECT_EQ(LogStamp(c.moment).size(), 20u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LogNames,
    ::testing::Values(NameCase{{2007, 1, 23, 14, 5, 9}, "Date20070123.log", "2007/01/23-14:05:09 "},
                      NameCase{
                          {2024, 12, 31, 23, 59, 59}, "Date20241231.log", "2024/12/31-23:59:59 "},
                      NameCase{{2000, 2, 29, 0, 0, 0}, "Date20000229.log", "2000/02/29-00:00:00 "},
                      NameCase{{999, 7, 4, 9, 8, 7}, "Date09990704.log", "0999/07/04-09:08:07 "}));

struct MatchCase {
    std::string name;
    bool matches;
};

class LogNameMatch : public ::testing::TestWithParam<MatchCase> {};

TEST_P(LogNameMatch, DateEightCharactersLogInAnyCase) {
    EXPECT_EQ(IsLogFileName(GetParam().name), GetParam().matches) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, LogNameMatch,
    ::testing::Values(MatchCase{"Date20070123.log", true}, MatchCase{"date20070123.LOG", true},
                      MatchCase{"DATE20070123.Log", true}, MatchCase{"DateABCDEFGH.log", true},
                      MatchCase{"Date日本語のログです.log", true},
                      MatchCase{"Date2007012.log", false}, MatchCase{"Date200701234.log", false},
                      MatchCase{"Date20070123.txt", false}, MatchCase{"Data20070123.log", false},
                      MatchCase{"Date20070123.log.bak", false},
                      MatchCase{"xDate20070123.log", false}, MatchCase{"", false}));

// ---------------------------------------------------------------- GetLogFilePath

std::set<std::string> Listing(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string() + (entry.is_directory() ? "/" : ""));
    }
    return names;
}

TEST(GetLogFilePath, NamesTodaysLogInTheFolderWithoutCreatingIt) {
    TempFolder dir;
    FakeBoxes boxes;
    EXPECT_EQ(GetLogFilePath(dir.folder(), boxes, Today), dir.folder() + "Date20240510.log");
    // Without the trailing separator the path is the same, never doubled.
    std::string bare = dir.folder();
    bare.pop_back();
    EXPECT_EQ(GetLogFilePath(bare, boxes, Today), dir.folder() + "Date20240510.log");
    EXPECT_TRUE(Listing(dir.folder()).empty());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST(GetLogFilePath, MissingFolderIsAPathNotFoundError) {
    TempFolder dir;
    FakeBoxes boxes;
    try {
        GetLogFilePath(dir.path("gone/"), boxes, Today);
        FAIL() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), 76);
    }
}

// Names ending in "/" are folders; the rest are empty files.
struct PruneCase {
    const char* label;
    std::vector<std::string> present;
    std::vector<std::string> remaining;
    friend void PrintTo(const PruneCase& c, std::ostream* os) { *os << c.label; }
};

class Pruning : public ::testing::TestWithParam<PruneCase> {};

TEST_P(Pruning, LeavesAtMostTwoEarlierLogs) {
    const PruneCase& c = GetParam();
    TempFolder dir;
    for (const std::string& name : c.present) {
        if (name.back() == '/') {
            fs::create_directory(dir.path(name));
        } else {
            Touch(dir.path(name));
        }
    }
    FakeBoxes boxes;
    EXPECT_EQ(GetLogFilePath(dir.folder(), boxes, Today), dir.folder() + "Date20240510.log");
    EXPECT_EQ(Listing(dir.folder()), std::set<std::string>(c.remaining.begin(), c.remaining.end()));
    EXPECT_TRUE(boxes.shown.empty());
}

std::vector<std::string> DailyLogs(int firstDay, int count) {
    std::vector<std::string> names;
    for (int day = firstDay; day < firstDay + count; ++day) {
        names.push_back(LogFileName({2024, 4, day, 0, 0, 0}));
    }
    return names;
}

std::vector<std::string> Plus(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Pruning,
    ::testing::Values(
        PruneCase{"five_earlier_logs", DailyLogs(1, 5), DailyLogs(4, 2)},
        PruneCase{"exactly_two", DailyLogs(1, 2), DailyLogs(1, 2)},
        PruneCase{"one", DailyLogs(7, 1), DailyLogs(7, 1)},
        PruneCase{"twelve", DailyLogs(1, 12), DailyLogs(11, 2)},
        PruneCase{"twenty_five", DailyLogs(1, 25), DailyLogs(24, 2)},
        PruneCase{"years_by_text_order",
                  {"Date20061231.log", "Date20070101.log", "Date20050615.log"},
                  {"Date20061231.log", "Date20070101.log"}},
        PruneCase{"later_than_today_counts_too",
                  {"Date20990101.log", "Date20240509.log", "Date20240508.log"},
                  {"Date20990101.log", "Date20240509.log"}},
        PruneCase{"only_names_without_dates",
                  {"DateABCDEFGH.log", "Date2024O501.log", "Date-------.log", "Date99999999.log"},
                  {"DateABCDEFGH.log", "Date2024O501.log", "Date-------.log", "Date99999999.log"}},
        PruneCase{"names_without_dates_take_the_two_places",
                  {"DateABCDEFGH.log", "Date2024O501.log", "Date20240501.log", "Date20240502.log"},
                  {"DateABCDEFGH.log", "Date2024O501.log"}},
        PruneCase{"nines_are_never_the_oldest",
                  {"Date99999999.log", "Date20240501.log", "Date20240502.log"},
                  {"Date99999999.log", "Date20240502.log"}},
        PruneCase{"eight_characters_not_bytes",
                  {"Date日本語のログです.log", "Date20240501.log", "Date20240502.log"},
                  {"Date日本語のログです.log", "Date20240502.log"}},
        PruneCase{"any_case",
                  {"date20240501.LOG", "DATE20240502.Log", "Date20240503.log"},
                  {"DATE20240502.Log", "Date20240503.log"}},
        PruneCase{"only_plain_files_with_the_pattern_count",
                  {"Date20240501.log/", "Date20240502.log/", "Date20240503.log", "notes.txt",
                   "Date20240504.txt", "Date2024050.log", "Date202405011.log"},
                  {"Date20240501.log/", "Date20240502.log/", "Date20240503.log", "notes.txt",
                   "Date20240504.txt", "Date2024050.log", "Date202405011.log"}},
        PruneCase{"todays_log_present_no_scan", Plus({"Date20240510.log"}, DailyLogs(1, 5)),
                  Plus({"Date20240510.log"}, DailyLogs(1, 5))}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(Pruning, AFailedDeleteReachesTheCaller) {
    TempFolder dir;
    for (const std::string& name : DailyLogs(1, 3)) Touch(dir.path(name));
    Immutable locked(dir.folder());
    if (!locked.ok()) GTEST_SKIP() << "immutable flag unsupported here: " << locked.why();
    FakeBoxes boxes;
    try {
        GetLogFilePath(dir.folder(), boxes, Today);
        FAIL() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), 70);
        EXPECT_EQ(e.description(), "書き込みできません。");
    }
}

// ---------------------------------------------------------------- WriteLogLine

TEST(WriteLogLine, AppendsStampedLinesWithCrLf) {
    TempFolder dir;
    const std::string path = dir.path("Date20070123.log");
    WriteFileText(path, "earlier line\r\n");
    FakeBoxes boxes;

    WriteLogLine("ExifData", " [パス-/photos/a.jpg] [埋込日付-2006:05:04 10:11:12]", path, boxes,
                 {2007, 1, 23, 14, 5, 9});
    WriteLogLine("kind", "", path, boxes, {2007, 1, 23, 9, 0, 0});

    EXPECT_EQ(
        FileText(path),
        "earlier line\r\n"
        "2007/01/23-14:05:09 ExifData> [パス-/photos/a.jpg] [埋込日付-2006:05:04 10:11:12]\r\n"
        "2007/01/23-09:00:00 kind>\r\n");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST(WriteLogLine, CreatesAMissingFile) {
    TempFolder dir;
    FakeBoxes boxes;
    WriteLogLine("K", "m", dir.path("new.log"), boxes, Today);
    EXPECT_EQ(FileText(dir.path("new.log")), "2024/05/10-12:34:56 K>m\r\n");
}

enum class LogFault { MissingFolder, PathIsFolder, ImmutableFolder };

struct LogFaultCase {
    const char* label;
    LogFault fault;
    std::string detail;  // "(number) description" after the line break
    friend void PrintTo(const LogFaultCase& c, std::ostream* os) { *os << c.label; }
};

class WriteLogLineFailure : public ::testing::TestWithParam<LogFaultCase> {};

TEST_P(WriteLogLineFailure, ShowsTheLogErrorBoxAndLosesTheLine) {
    const LogFaultCase& c = GetParam();
    TempFolder dir;
    std::string path = dir.path("Date20240510.log");
    if (c.fault == LogFault::MissingFolder) path = dir.path("gone/Date20240510.log");
    if (c.fault == LogFault::PathIsFolder) fs::create_directory(path);
    std::optional<Immutable> locked;
    if (c.fault == LogFault::ImmutableFolder) {
        locked.emplace(dir.folder());
        if (!locked->ok()) GTEST_SKIP() << "immutable flag unsupported here: " << locked->why();
    }

    FakeBoxes boxes;
    WriteLogLine("ExifData", " message", path, boxes, Today);

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0], (ShownBox{"ログ出力時にエラーが発生しました。\r\n" + c.detail,
                                        MsgButtons::Ok, MsgIcon::Critical, "ログ出力エラー"}));
    EXPECT_FALSE(fs::is_regular_file(path));
}

INSTANTIATE_TEST_SUITE_P(
    Table, WriteLogLineFailure,
    ::testing::Values(
        LogFaultCase{"missing_folder", LogFault::MissingFolder, "(76) パスが見つかりません。"},
        LogFaultCase{"path_is_a_folder", LogFault::PathIsFolder, "(75) パス名が無効です。"},
        LogFaultCase{"immutable_folder", LogFault::ImmutableFolder, "(70) 書き込みできません。"}),
    [](const auto& info) { return std::string(info.param.label); });

// ---------------------------------------------------------------- FileExists

struct ExistsCase {
    const char* label;
    std::string relative;  // below the temporary folder
    bool exists;
    std::string box;  // expected box text, "" for none
    friend void PrintTo(const ExistsCase& c, std::ostream* os) { *os << c.label; }
};

class FileExistsTable : public ::testing::TestWithParam<ExistsCase> {};

TEST_P(FileExistsTable, PlainFilesOnlyAndSearchFailuresInABox) {
    const ExistsCase& c = GetParam();
    TempFolder dir;
    Touch(dir.path("photo.jpg"));
    Touch(dir.path(".hidden.jpg"));
    fs::create_directory(dir.path("folder.jpg"));
    fs::create_symlink("loop", dir.path("loop"));
    fs::create_symlink("photo.jpg", dir.path("link.jpg"));

    FakeBoxes boxes;
    EXPECT_EQ(FileExists(dir.path(c.relative), boxes), c.exists);
    if (c.box.empty()) {
        EXPECT_TRUE(boxes.shown.empty());
    } else {
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0], (ShownBox{c.box, MsgButtons::Ok, MsgIcon::None, "Tovrin"}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, FileExistsTable,
    ::testing::Values(ExistsCase{"plain_file", "photo.jpg", true, ""},
                      ExistsCase{"dot_file", ".hidden.jpg", true, ""},
                      ExistsCase{"link_to_a_file", "link.jpg", true, ""},
                      ExistsCase{"missing", "other.jpg", false, ""},
                      ExistsCase{"folder", "folder.jpg", false, ""},
                      ExistsCase{"missing_folder", "gone/photo.jpg", false, ""},
                      ExistsCase{"file_as_folder", "photo.jpg/x.jpg", false, ""},
                      ExistsCase{"link_loop", "loop", false, "75:パス名が無効です。"},
                      ExistsCase{"name_too_long", std::string(300, 'n') + ".jpg", false,
                                 "52:ファイル名または番号が不正です。"}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace tovrin::test
