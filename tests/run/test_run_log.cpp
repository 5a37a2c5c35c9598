#include "run/run_log.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exif/runtime_error.h"
#include "run_test_support.h"

namespace tovrin::test {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

const LocalDateTime Today{2024, 5, 10, 12, 34, 56};
const std::string TodaysLog = "Date20240510.log";

Names DailyLogs(int firstDay, int count) {
    Names names;
    for (int day = firstDay; day < firstDay + count; ++day) {
        names.push_back(LogFileName({2024, 4, day, 0, 0, 0}));
    }
    return names;
}

TEST(GetLogFilePath, LeavesAtMostTwoEarlierLogsAndNeverCreatesTodays) {
    // Names ending in "/" are folders, the rest empty files.
    const struct {
        const char* label;
        Names present;
        Names gone;
    } rows[] = {
        {"five_earlier_logs", DailyLogs(1, 5), DailyLogs(1, 3)},
        {"exactly_two", DailyLogs(1, 2), {}},
        {"twelve", DailyLogs(1, 12), DailyLogs(1, 10)},
        {"todays_log_present_no_scan",
         {TodaysLog, "Date20240401.log", "Date20240402.log", "Date20240403.log"},
         {}},
        {"only_names_without_dates",
         {"DateABCDEFGH.log", "Date2024O501.log", "Date--------.log", "Date99999999.log"},
         {}},
        {"names_without_dates_are_never_the_oldest_and_count_characters",
         {"Date--------.log", "Date日本語のログです.log", "Date20240501.log", "Date20240502.log"},
         {"Date20240501.log", "Date20240502.log"}},
        {"any_case",
         {"date20240501.LOG", "DATE20240502.Log", "Date20240503.log"},
         {"date20240501.LOG"}},
        {"only_plain_files_with_the_pattern_count",
         {"Date20240501.log/", "Date20240502.log/", "Date20240501.txt", "Date2024050.log",
          "Date202405011.log", "xDate20240501.log", "Date20240501.log.bak", "Date20240503.log",
          "Date20240508.log", "Date20240509.log"},
         {"Date20240503.log"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        TempDir dir;
        std::set<std::string> left;
        for (const std::string& name : row.present) {
            name.back() == '/' ? void(fs::create_directory(NativePath(dir.path(name))))
                               : Touch(dir.path(name));
            if (std::count(row.gone.begin(), row.gone.end(), name) == 0) left.insert(name);
        }
        FakeBoxes boxes;
        EXPECT_EQ(GetLogFilePath(dir.folder(), boxes, Today), dir.path(TodaysLog));
        std::set<std::string> listing;
        for (const auto& entry : fs::directory_iterator(NativePath(dir.folder()))) {
            listing.insert(Utf8Path(entry.path().filename()) + (entry.is_directory() ? "/" : ""));
        }
        EXPECT_EQ(listing, left);
        EXPECT_TRUE(boxes.shown.empty());
    }
}

TEST(GetLogFilePath, AMissingFolderOrAFailedDeleteReachesTheCaller) {
    TempDir dir;
    for (const std::string& name : DailyLogs(1, 3)) Touch(dir.path(name));
    std::optional<Immutable> locked;
    for (const auto& [folder, number] : {std::pair{dir.path("gone/"), 76}, {dir.folder(), 70}}) {
        if (number == 70 && !locked.emplace(dir.folder()).ok)
            GTEST_SKIP() << "no immutable folders here (chattr +i; Windows has none)";
        FakeBoxes boxes;
        try {
            GetLogFilePath(folder, boxes, Today);
            ADD_FAILURE() << folder << ": no error";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number(), number) << folder;
        }
        EXPECT_TRUE(boxes.shown.empty());
    }
}

TEST(WriteLogLine, CreatesTheFileThenAppendsStampedLinesWithCrLf) {
    // Text in the system's code page: UTF-8 here, the ANSI code page on Windows.
#ifdef _WIN32
    if (::GetACP() != 932)
        GTEST_SKIP() << "needs the Japanese code page 932 (LC_ALL=ja_JP.UTF-8 under Wine)";
    const std::string pasu = "\x83\x70\x83\x58", umekomi = "\x96\x84\x8D\x9E\x93\xFA\x95\x74";
#else
    const std::string pasu = "パス", umekomi = "埋込日付";
#endif
    TempDir dir;
    FakeBoxes boxes;
    const std::string path = dir.path(TodaysLog);
    WriteLogLine("ExifData", " [パス-/photos/a.jpg] [埋込日付-2006:05:04 10:11:12]", path, boxes,
                 {2007, 1, 23, 14, 5, 9});
    WriteLogLine("kind", "", path, boxes, {2007, 1, 23, 9, 0, 0});
    EXPECT_EQ(FileText(path), "2007/01/23-14:05:09 ExifData> [" + pasu + "-/photos/a.jpg] [" +
                                  umekomi +
                                  "-2006:05:04 10:11:12]\r\n"
                                  "2007/01/23-09:00:00 kind>\r\n");
    EXPECT_TRUE(boxes.shown.empty());
}

// Through a run the log stays open, yet every line is in the file as soon as
// it is written, and a log moved away or replaced by a link in the middle of
// the run takes no more lines: they go to the file at today's name, or to
// nothing, as without the open file. (Windows refuses to move a file that is
// open without delete sharing, so there only the first and last lines count.)
TEST(WriteLogLine, AHeldLogFollowsTheFileAtTodaysName) {
    TempDir dir;
    TempDir elsewhere;
    FakeBoxes boxes;
    const std::string path = dir.path(TodaysLog);
    const LocalDateTime at{2007, 1, 23, 9, 0, 0};
    {
        const HeldLog held;
        WriteLogLine("a", "", path, boxes, at);
        EXPECT_EQ(FileText(path), "2007/01/23-09:00:00 a>\r\n");
#ifndef _WIN32
        fs::rename(path, elsewhere.path("moved.log"));
        WriteLogLine("b", "", path, boxes, at);
        EXPECT_EQ(FileText(path), "2007/01/23-09:00:00 b>\r\n");
        fs::remove(path);
        fs::create_symlink(elsewhere.path("moved.log"), path);
        WriteLogLine("c", "", path, boxes, at);
        EXPECT_EQ(boxes.shown.size(), 1u);
        fs::remove(path);
#endif
        WriteLogLine("d", "", path, boxes, at);
    }
#ifndef _WIN32
    EXPECT_EQ(FileText(elsewhere.path("moved.log")), "2007/01/23-09:00:00 a>\r\n");
    EXPECT_EQ(FileText(path), "2007/01/23-09:00:00 d>\r\n");
#else
    EXPECT_EQ(FileText(path), "2007/01/23-09:00:00 a>\r\n2007/01/23-09:00:00 d>\r\n");
#endif
}

// Every line names its file unambiguously: on Windows a character the code
// page lacks is written as its code point, never as "?" or as a look-alike
// ("café" logged as "cafe", which is another valid name); the Linux log is
// UTF-8 and holds every name as it is.
TEST(WriteLogLine, ANameTheCodePageLacksStaysItsOwn) {
#ifdef _WIN32
    if (::GetACP() != 932)
        GTEST_SKIP() << "needs the Japanese code page 932 (LC_ALL=ja_JP.UTF-8 under Wine)";
#endif
    const struct {
        const char* name;  // UTF-8
        std::string logged;
    } cases[] = {
#ifdef _WIN32
        {"caf\u00E9\\\u00E9t\u00E9.jpg", "caf\\u{E9}\\\\u{E9}t\\u{E9}.jpg"},
        {"\U0001F4F7.jpg", "\\u{1F4F7}.jpg"},
        {"\u5199\u771F\u00E9.jpg", "\x8E\xCA\x90\x5E\\u{E9}.jpg"},
        // Look-alikes of ASCII letters and digits that best fit would take.
        {"\uFF21\u2460.jpg", "\x82\x60\x87\x40.jpg"},
        {"\u0100.jpg", "\\u{100}.jpg"},
        {"a?.jpg", "a?.jpg"},
#else
        {"caf\u00E9\\\u00E9t\u00E9.jpg", "caf\u00E9\\\u00E9t\u00E9.jpg"},
        {"\U0001F4F7.jpg", "\U0001F4F7.jpg"},
        {"\u0100.jpg", "\u0100.jpg"},
#endif
    };
    TempDir dir;
    FakeBoxes boxes;
    const std::string path = dir.path(TodaysLog);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(NativePath(path));
        WriteLogLine("k", std::string(" ") + c.name, path, boxes, {2007, 1, 23, 9, 0, 0});
        EXPECT_EQ(FileText(path), "2007/01/23-09:00:00 k> " + c.logged + "\r\n");
    }
    EXPECT_TRUE(boxes.shown.empty());
}

// No text of a photo or of a file name can break a log line: control
// characters become visible escapes, one a byte, so what was escaped can be
// told exactly; valid UTF-8 that breaks nothing is copied.
TEST(ChangeLogMessage, EscapesEveryByteThatIsNotAHarmlessCharacter) {
    EXPECT_EQ(ChangeLogMessage("/p/a.jpg", "2001:08:01 12:57:23", "2006/05/04 8:11:12"),
              " [パス-/p/a.jpg] [埋込日付-2001:08:01 12:57:23] [ファイル日付-2006/05/04 8:11:12]");
    const struct {
        const char* label;
        std::string text, shown;
    } rows[] = {
        {"date", "2001:08:01 12:57:23", "2001:08:01 12:57:23"},
        {"forged_line", "01\r\n2099/01/01-00:00:00 ExifData> [x]",
         "01\\x0D\\x0A2099/01/01-00:00:00 ExifData> [x]"},
        {"nul_tab_esc", std::string("a\0b\t\x1B", 5), "a\\x00b\\x09\\x1B"},
        {"del", "\x7F", "\\x7F"},
        {"japanese_kept", "２００１年８月１日", "２００１年８月１日"},
        {"four_byte_kept", "\xF0\x9F\x93\xB7", "\xF0\x9F\x93\xB7"},
        {"latin1_byte_alone", "caf\xE9", "caf\\xE9"},
        {"stray_continuation", "\x9B[2J", "\\x9B[2J"},
        {"c1_control_as_utf8", "\xC2\x9B[2J", "\\xC2\\x9B[2J"},
        {"c1_next_line_then_ff", "\xC2\x85\xFF", "\\xC2\\x85\\xFF"},
        {"no_break_space_kept", "\xC2\xA0", "\xC2\xA0"},
        {"line_separator", "a\xE2\x80\xA8z", "a\\xE2\\x80\\xA8z"},
        {"paragraph_separator", "\xE2\x80\xA9", "\\xE2\\x80\\xA9"},
        {"neighbour_kept", "\xE2\x80\xA6", "\xE2\x80\xA6"},
        {"sequence_cut_short", "\xE6\x97", "\\xE6\\x97"},
        {"overlong_slash", "\xC0\xAF", "\\xC0\\xAF"},
        {"surrogate", "\xED\xA0\x80", "\\xED\\xA0\\x80"},
        {"past_u10ffff", "\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},
        {"backslash_kept", "C:\\x\\y", "C:\\x\\y"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(ChangeLogMessage("/p", row.text, ""),
                  " [パス-/p] [埋込日付-" + row.shown + "] [ファイル日付-]");
        EXPECT_EQ(ChangeLogMessage(row.text, "", ""),
                  " [パス-" + row.shown + "] [埋込日付-] [ファイル日付-]");
        EXPECT_EQ(ChangeLogMessage("/p", "", row.text),
                  " [パス-/p] [埋込日付-] [ファイル日付-" + row.shown + "]");
    }
}

// A crafted photo once made a 209 MB log line out of a 200 MB text.
TEST(WriteLogLine, AHugeTextIsCutAndMarkedAndTheLineStaysShort) {
    TempDir dir;
    FakeBoxes boxes;
    const std::string path = dir.path(TodaysLog);
    const std::string huge(200 * 1024, '\n');
    WriteLogLine(ChangeLogKind, ChangeLogMessage(huge, huge, huge), path, boxes, Today);
    WriteLogLine("kind", huge, path, boxes, Today);
    EXPECT_TRUE(boxes.shown.empty());
    const std::string text = FileText(path);
    const std::size_t first = text.find("\r\n");
    ASSERT_NE(first, std::string::npos);
    EXPECT_LT(first, 64u * 1024);
    EXPECT_LT(text.size() - first - 2, 64u * 1024);
    EXPECT_NE(text.find(InLogEncoding("\\x0A…] [埋込日付-\\x0A")), std::string::npos);
    EXPECT_NE(text.find(InLogEncoding("\\x0A…] [ファイル日付-\\x0A")), std::string::npos);
    const std::string end = InLogEncoding("\\x0A…\r\n");
    EXPECT_EQ(text.substr(text.size() - end.size()), end);
}

TEST(ChangeLogMessage, ACutNeverSplitsACharacter) {
    const std::string date = std::string(1023, 'a') + "日" + std::string(10, 'b');
    EXPECT_EQ(ChangeLogMessage("/p", date, ""),
              " [パス-/p] [埋込日付-" + std::string(1023, 'a') + "…] [ファイル日付-]");
    const std::string fits = std::string(1021, 'a') + "日";
    EXPECT_EQ(ChangeLogMessage("/p", fits, ""),
              " [パス-/p] [埋込日付-" + fits + "] [ファイル日付-]");
}

// LogFolder gives "" when it found nowhere to log: nothing is written
// anywhere, and the box says why.
TEST(WriteLogLine, NoFolderForTheLogsIsReportedAsAMissingFolder) {
    FakeBoxes boxes;
    const std::string path = GetLogFilePath("", boxes, Today);
    EXPECT_EQ(path, "");
    WriteLogLine(ChangeLogKind, " [パス-/p/a.jpg]", path, boxes, Today);
    EXPECT_EQ(boxes.shown,
              (Boxes{{"ログ出力時にエラーが発生しました。\r\n(76) パスが見つかりません。",
                      MsgButtons::Ok, MsgIcon::Critical, "ログ出力エラー"}}));
}

#ifndef _WIN32
// Whoever may write the log folder could plant a link at tomorrow's log name
// and have the program append to any file it may write -- as root, any file.
TEST(WriteLogLine, ALinkAtTodaysNameIsRefusedNotFollowed) {
    TempDir dir;
    TempDir elsewhere;
    WriteBytes(elsewhere.path("passwd"), ToBytes("root:x:0:0\n"));
    fs::create_symlink(NativePath(elsewhere.path("passwd")), NativePath(dir.path(TodaysLog)));
    fs::create_symlink(NativePath(elsewhere.path("new")), NativePath(dir.path("Date20240511.log")));
    FakeBoxes boxes;
    for (const LocalDateTime& day : {Today, LocalDateTime{2024, 5, 11, 0, 0, 0}}) {
        WriteLogLine(ChangeLogKind, " [パス-/p/a.jpg]", GetLogFilePath(dir.folder(), boxes, day),
                     boxes, day);
    }
    const ShownBox refused{"ログ出力時にエラーが発生しました。\r\n(75) パス名が無効です。",
                           MsgButtons::Ok, MsgIcon::Critical, "ログ出力エラー"};
    EXPECT_EQ(boxes.shown, (Boxes{refused, refused}));
    EXPECT_EQ(FileText(elsewhere.path("passwd")), "root:x:0:0\n");
    EXPECT_FALSE(fs::exists(NativePath(elsewhere.path("new"))));
}
#endif

TEST(FileExists, PlainFilesOnlyAndSearchFailuresInABox) {
    TempDir dir;
    Touch(dir.path("photo.jpg"));
    fs::create_directory(NativePath(dir.path("folder.jpg")));
    FakeBoxes boxes;
    EXPECT_TRUE(FileExists(dir.path("photo.jpg"), boxes));
    EXPECT_FALSE(FileExists(dir.path("folder.jpg"), boxes));
    EXPECT_FALSE(FileExists(dir.path("photo.jpg/x.jpg"), boxes));
    EXPECT_TRUE(boxes.shown.empty());
#ifdef _WIN32
    // A hidden or system file is no plain file to a search for normal files.
    for (const DWORD attribute : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
        Touch(dir.path("log.log"));
        ASSERT_TRUE(::SetFileAttributesW(NativePath(dir.path("log.log")).c_str(), attribute));
        EXPECT_FALSE(FileExists(dir.path("log.log"), boxes)) << attribute;
        ::SetFileAttributesW(NativePath(dir.path("log.log")).c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_TRUE(FileExists(dir.path("log.log"), boxes));
    }
    // Windows refuses a name longer than 255 characters; Wine finds no such file.
    // Nor does pruning count or delete one: three normal logs, one goes.
    for (const std::string& name : DailyLogs(1, 4)) Touch(dir.path(name));
    ::SetFileAttributesW(NativePath(dir.path("Date20240401.log")).c_str(), FILE_ATTRIBUTE_HIDDEN);
    GetLogFilePath(dir.folder(), boxes, Today);
    EXPECT_TRUE(fs::exists(NativePath(dir.path("Date20240401.log"))));
    EXPECT_FALSE(fs::exists(NativePath(dir.path("Date20240402.log"))));
    EXPECT_TRUE(fs::exists(NativePath(dir.path("Date20240403.log"))));
    EXPECT_FALSE(FileExists(dir.path(std::string(300, 'n') + ".jpg"), boxes));
    EXPECT_LE(boxes.shown.size(), 1u);
    for (const ShownBox& box : boxes.shown)
        EXPECT_EQ(box.text, "52:ファイル名または番号が不正です。");
#else
    fs::create_symlink("loop", NativePath(dir.path("loop")));
    EXPECT_FALSE(FileExists(dir.path("loop"), boxes));
    EXPECT_FALSE(FileExists(dir.path(std::string(300, 'n') + ".jpg"), boxes));
    EXPECT_EQ(boxes.shown,
              (Boxes{{"75:パス名が無効です。"}, {"52:ファイル名または番号が不正です。"}}));
#endif
}

// A delete that reports success while the file stays listed (Windows only
// marks a file for deletion while another handle has it open) is tried once
// per name and then reported, never retried for ever.
TEST(GetLogFilePath, ALogThatStaysAfterItsDeleteIsReportedOnce) {
#ifdef _WIN32
    TempDir dir;
    for (const std::string& name : DailyLogs(1, 3)) Touch(dir.path(name));
    const HANDLE held = ::CreateFileW(
        NativePath(dir.path("Date20240401.log")).c_str(), GENERIC_READ,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    FakeBoxes boxes;
    int number = 0;
    try {
        GetLogFilePath(dir.folder(), boxes, Today);
    } catch (const RuntimeError& e) {
        number = e.number();
    }
    ::CloseHandle(held);
    // Where the delete takes effect at once, pruning simply succeeds.
    if (number == 0) {
        EXPECT_FALSE(fs::exists(NativePath(dir.path("Date20240401.log"))));
    } else {
        EXPECT_EQ(number, 70);
    }
    EXPECT_TRUE(boxes.shown.empty());
#else
    GTEST_SKIP() << "needs a file that stays after its delete, as on Windows";
#endif
}

}  // namespace
}  // namespace tovrin::test
