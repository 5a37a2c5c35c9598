// What a new user of the command line meets: the forms a date, a time and an
// offset may take, refusals that show a call that works, photos that a day
// filter leaves out, a folder named without -r, one type for "status", and a
// dry run that fails where the run itself would.
#include "cli_fixture.h"

#include "exif/photo_update.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#endif

#include <string_view>

namespace tovrin {
namespace {

// Each accepted form, as a dry run of the good photo (all three dates
// 2006:05:04 10:11:12): what DateTimeOriginal would become.
TEST_F(Cli, DatesTimesAndOffsetsInTheirAcceptedForms) {
    struct Case {
        const char* usage;
        const char* after;
    };
    const std::vector<Case> cases = {
        {"set --date 2008/10/22 --time 09:05:00", "2008:10:22 09:05:00"},
        {"set --date 2008-10-22 --time 10:00", "2008:10:22 10:00:00"},
        {"set --date 2008:10:22 --time 23:59", "2008:10:22 23:59:00"},
        {"set --date 2008/10/22 --keep-time --only-on 2006/05/04", "2008:10:22 10:11:12"},
        {"shift --by +1h", "2006:05:04 11:11:12"},
        {"shift --by -30m", "2006:05:04 09:41:12"},
        {"shift --by +1:00", "2006:05:04 11:11:12"},
        {"shift --by 1h30m", "2006:05:04 11:41:12"},
        {"shift --by -90s", "2006:05:04 10:09:42"},
        {"shift --by -2d", "2006:05:02 10:11:12"},
        {"shift --by -09:00:00 --days 1", "2006:05:05 01:11:12"},
        {"shift --days -1", "2006:05:03 10:11:12"},
    };
    for (const Case& c : cases) {
        const Output out = run(std::string(c.usage) + " --dry-run", {m_good});
        EXPECT_EQ(out.exitCode, 0) << c.usage << ": " << out.err;
        ASSERT_EQ(out.lines.size(), 1u) << c.usage << out.err;
        EXPECT_EQ(out.lines[0]["new"]["DateTimeOriginal"], c.after) << c.usage;
    }
}

// A refused call ends with status 2, touches nothing, and its message shows
// a call that would work.
TEST_F(Cli, RefusalsShowACallThatWorks) {
    struct Case {
        const char* usage;
        const char* shown;  // in the message on standard error
    };
    const std::vector<Case> cases = {
        {"set --date 2008/02/30 --time 10:00", "YYYY/MM/DD"},
        {"set --date 2008/10-22 --time 10:00", "e.g. 2007-01-23"},
        {"set --date 2008-10-22 --time 9:05", "e.g. 09:05:00 or 09:05"},
        {"set --date 2008-10-22 --time 10:60", "HH:MM"},
        {"set --date 2008-10-22 --time 10:00 --keep-time", "--keep-time a.jpg"},
        {"set --date 2008-10-22 --keep-time --time 10:00", "--time 09:05 a.jpg"},
        {"set --date 2008-10-22", "e.g. tovrin-cli set --date"},
        {"set --time 10:00", "e.g. tovrin-cli set --date"},
        {"shift", "e.g. tovrin-cli shift --by -1h"},
        {"shift --by 1", "--by +1h, --by -30m"},
        {"shift --by +1x", "--by +1h"},
        {"shift --by 30m1h", "--by +1h"},
        {"shift --by 1:00:00:00", "--by -09:00:00"},
        {"shift --by +1h --days tomorrow", "--days -1"},
        {"undo --last --list", "e.g. tovrin-cli undo --last"},
        {"undo --last --run x", "e.g. tovrin-cli undo --last"},
        {"info -0", "--files-from - -0"},
        {"set --date 2008-10-22 --time 10:00 --null", "--files-from - -0"},
        {"set --from-name --date 2008-10-22", "--from-name -r photos/"},
        {"set --from-name {Y}{M}", "--from-name '{Y}{M}{D}_{h}{m}{s}'"},
        {"set --from-name {Y}{M}{D}{x}", "--from-name '{Y}{M}{D}_{h}{m}{s}'"},
        {"set --from-name --from-file-time", "exclude each other"},
        {"set --from-file-time --keep-time", "--from-file-time -r photos/"},
        {"set --date 2008-10-22 --time 10:00 --step 0s", "--step 1s or --step 1m"},
        {"set --date 2008-10-22 --time 10:00 --step 2d", "--step 1s or --step 1m"},
        {"set --date 2008-10-22 --keep-time --step 1m", "--step 1m -r scans/"},
    };
    const FileState before = StateOf(m_good);
    for (const Case& c : cases) {
        const bool undo = std::string_view(c.usage).starts_with("undo");
        const Output out = run(c.usage, undo ? Args{} : Args{m_good});
        EXPECT_EQ(out.exitCode, 2) << c.usage;
        EXPECT_EQ(out.text, "") << c.usage;
        EXPECT_NE(out.err.find(c.shown), std::string::npos) << c.usage << ":\n" << out.err;
    }
    EXPECT_TRUE(StateOf(m_good) == before);
    EXPECT_EQ(log(), "");
}

// A photo that --only-on leaves out was never to be changed: one with no
// date on the day, and one without EXIF data (which has no date at all), are
// skipped, and the run ends with 0. Without the filter, a photo without EXIF
// data is still a failure.
TEST_F(Cli, PhotosTheDayFilterLeavesOutAreSkipped) {
    const std::string folder = m_dir.path("trip");
    fs::create_directory(NativePath(folder));
    const std::string onDay = folder + "/a.jpg";
    test::WriteBytes(onDay, test::CameraPhoto().build());
    const std::string otherDay = folder + "/b.jpg";
    test::WriteBytes(otherDay, test::CameraPhoto(test::Order::MM, "2006:05:05 08:00:00").build());
    test::Jpeg plain = test::CameraPhoto();
    plain.withExif = false;
    test::WriteBytes(folder + "/c.jpg", plain.build());

    for (const std::string usage :
         {"shift --no-log --by +1h --only-on 2006-05-04 -r",
          "shift --no-log --by +1h --dry-run "
          "--only-on 2006/05/04 -r",
          "set --no-log --date 2007-01-23 --time 09:05 --only-on 2006:05:04 -r"}) {
        test::WriteBytes(onDay, test::CameraPhoto().build());
        const Output out = run(usage, {folder});
        EXPECT_EQ(out.exitCode, 0) << usage << out.text << out.err;
        ASSERT_EQ(out.lines.size(), 3u) << usage << out.text;
        EXPECT_EQ(out.lines[0]["changed"], true) << usage;
        EXPECT_FALSE(out.lines[0].contains("skipped")) << usage;
        EXPECT_EQ(out.lines[1]["skipped"], true) << usage;
        EXPECT_EQ(out.lines[1]["status"], true) << usage;
        EXPECT_EQ(out.lines[2]["skipped"], true) << usage;
        EXPECT_EQ(out.lines[2]["status"], false) << "no EXIF data: " << usage;
    }
    EXPECT_EQ(read(otherDay).DateTimeOriginal, "2006:05:05 08:00:00");
    const Output unfiltered = run("shift --no-log --dry-run --by +1h -r", {folder});
    EXPECT_EQ(unfiltered.exitCode, 1);
    ASSERT_EQ(unfiltered.lines.size(), 3u);
    EXPECT_FALSE(unfiltered.lines[2].contains("skipped"));
}

// Photos without a date get one: from their names (a name that tells none,
// or a hostile one, is skipped and said to be), from their files' times, or
// stepped in name order; undo gives each back byte for byte.
TEST_F(Cli, PhotosWithoutADateGetOne) {
#ifndef _WIN32
    // Pixel names are UTC: read here as in Tokyo, by this test and the program.
    const char* zone = std::getenv("TZ");
    const std::string oldZone = zone ? zone : "";
    SetEnvironment("TZ", "Asia/Tokyo");
    tzset();
    struct Restore {
        std::string zone;
        ~Restore() {
            SetEnvironment("TZ", zone);
            tzset();
        }
    } restore{oldZone};
#endif
    test::Jpeg plain;
    plain.withExif = false;
    const std::string folder = m_dir.path("phone") + "/";
    fs::create_directory(NativePath(folder));
    const struct {
        std::string name;
        bool exif;
        std::string moment;  // "" skipped
    } cases[] = {
        {"IMG_20210314_121530.jpg", true, "2021:03:14 12:15:30"},
        {"IMG-20190704-WA0003.jpg", false, "2019:07:04 08:30:00"},
        {"DSC_0001.jpg", false, ""},
#ifndef _WIN32
        {"PXL_20220831_003137144.jpg", false, "2022:08:31 09:31:37"},  // UTC, read in Tokyo
        {"IMG_20210314_121530\n.jpg", false, "2021:03:14 12:15:30"},
        {"\xFF\xFE_2021-03-14 12.15.30.jpg", false, "2021:03:14 12:15:30"},
        {std::string(200, 'x') + "_20210314_121530.jpg", false, "2021:03:14 12:15:30"},
#endif
    };
    std::vector<test::Bytes> before;
    for (const auto& c : cases) {
        before.push_back(c.exif ? test::CameraPhoto().build() : plain.build());
        test::WriteBytes(folder + c.name, before.back());
    }
    const Output out = run("set --no-log --from-name --time 08:30 --add-missing -r", {folder});
    EXPECT_EQ(out.exitCode, 0) << out.text << out.err;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        // By its name, whatever separator -r put before it; a name that is
        // not UTF-8 is given exactly as "pathBytes".
        std::string hex;
        for (const unsigned char b : "/" + c.name) {
            static const char digits[] = "0123456789abcdef";
            hex += digits[b >> 4];
            hex += digits[b & 15];
        }
        const auto endsWith = [](const std::string& text, const std::string& end) {
            return text.size() >= end.size() &&
                   text.compare(text.size() - end.size(), end.size(), end) == 0;
        };
        const auto line = std::find_if(out.lines.begin(), out.lines.end(), [&](const Json& l) {
            const std::string path = l.value("path", "");
            return endsWith(path, "/" + c.name) || endsWith(path, "\\" + c.name) ||
                   endsWith(l.value("pathBytes", ""), hex);
        });
        ASSERT_NE(line, out.lines.end()) << c.name << out.text;
        if (c.moment.empty()) {
            EXPECT_EQ((*line)["skipped"], true) << c.name;
            EXPECT_TRUE(test::ReadBytes(folder + c.name) == before[i]) << c.name;
        } else {
            EXPECT_EQ((*line)["new"]["DateTimeOriginal"], c.moment) << c.name;
            EXPECT_EQ(read(folder + c.name).DateTimeOriginal, c.moment) << c.name;
            EXPECT_EQ((*line).value("added", false), !c.exif) << c.name;
        }
    }
    ASSERT_EQ(run("undo --last --no-log").exitCode, 0);
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_TRUE(test::ReadBytes(folder + cases[i].name) == before[i]) << cases[i].name;

    // Scans in album order: one minute apart by name, scan10 after scan2.
    std::vector<std::string> scans;
    for (const char* name : {"scan10.jpg", "scan2.jpg", "scan1.jpg"})
        scans.push_back(m_dir.write(name, plain.build()));
    ASSERT_EQ(
        run("set --no-log --add-missing --date 1998-07-01 --time 10:00 --step 1m", scans).exitCode,
        0);
    EXPECT_EQ(read(scans[2]).DateTimeOriginal, "1998:07:01 10:00:00");
    EXPECT_EQ(read(scans[1]).DateTimeOriginal, "1998:07:01 10:01:00");
    EXPECT_EQ(read(scans[0]).DateTimeOriginal, "1998:07:01 10:02:00");

    // The file's own time, which it keeps.
    const std::string dated = m_dir.write("old.jpg", test::CameraPhoto().build());
    fs::last_write_time(NativePath(dated),
                        fs::last_write_time(NativePath(dated)) - std::chrono::hours(24 * 400));
    const auto kept = fs::last_write_time(NativePath(dated));
    ASSERT_EQ(run("set --no-log --from-file-time", {dated}).exitCode, 0);
    const LocalDateTime t = LastWriteTime(dated);
    EXPECT_EQ(read(dated).DateTimeOriginal, ExifMomentText(t));
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(
                  fs::last_write_time(NativePath(dated)) - kept)
                  .count(),
              0);
}

// A folder named without -r is refused as before (error 75, exit 1), and
// both its line and standard error say to give -r.
TEST_F(Cli, AFolderWithoutRecursiveGetsAHint) {
    for (const char* usage : {"info", "set --no-log --date 2007-01-23 --time 09:05",
                              "shift --dry-run --by +1h", "set --no-log --from-name"}) {
        const Output out = run(usage, {m_dir.folder(), m_good});
        EXPECT_EQ(out.exitCode, 1) << usage;
        ASSERT_EQ(out.lines.size(), 2u) << usage << out.text;
        EXPECT_EQ(out.lines[0]["error"], 75) << usage;
        EXPECT_NE(out.lines[0].value("hint", "").find("-r"), std::string::npos) << usage;
        EXPECT_NE(out.err.find("give -r"), std::string::npos) << usage << out.err;
        EXPECT_FALSE(out.lines[1].contains("error")) << usage;
    }
    // Any other 75 is not a folder, and gets no hint.
#ifndef _WIN32
    const std::string fifo = m_dir.path("pipe.jpg");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const Output out = run("info", {fifo});
    ASSERT_EQ(out.lines.size(), 1u);
    EXPECT_EQ(out.lines[0]["error"], 75);
    EXPECT_FALSE(out.lines[0].contains("hint"));
#endif
}

// "status" is true or false in the lines of every command; info's entry
// count is "exifEntries".
TEST_F(Cli, StatusIsTrueOrFalseInEveryCommand) {
    for (const std::string usage :
         {"info", "set --dry-run --date 2007-01-23 --time 09:05", "shift --dry-run --by +1h",
          "set --no-log --date 2007-01-23 --keep-time"}) {
        const Output out = run(usage, {m_good, m_plain});
        ASSERT_EQ(out.lines.size(), 2u) << usage;
        EXPECT_EQ(out.lines[0]["status"], true) << usage;
        EXPECT_EQ(out.lines[1]["status"], false) << usage;
        if (usage != "info") continue;
        EXPECT_EQ(out.lines[0]["exifEntries"], 4);
        EXPECT_EQ(out.lines[1]["exifEntries"], 0);
    }
}

#ifdef __linux__
// A file that its immutable or append-only attribute keeps from being
// written: a dry run reports the error the run itself meets (70), where it
// once promised "changed":true, and neither changes a byte or a time. A
// writable photo's dry run leaves even its access time alone.
TEST_F(Cli, ADryRunFailsWhereTheRunWould) {
    const auto accessed = [](const std::string& path) {
        struct stat st {};
        ::stat(path.c_str(), &st);
        return std::pair{st.st_atim.tv_sec, st.st_atim.tv_nsec};
    };
    for (const char* usage :
         {"set --no-log --date 2007-01-23 --time 09:05", "shift --no-log --by +1h"}) {
        const test::Bytes bytes = test::ReadBytes(m_good);
        // A day old, accessed no later than written: any read would move
        // the access time.
        const struct timespec dayOld = {::time(nullptr) - 86400, 0};
        const struct timespec times[2] = {dayOld, dayOld};
        ASSERT_EQ(::utimensat(AT_FDCWD, m_good.c_str(), times, 0), 0);
        const FileState before{bytes, fs::last_write_time(NativePath(m_good))};
        const auto atime = accessed(m_good);
        const Output dry = run(std::string(usage) + " --dry-run", {m_good});
        EXPECT_EQ(accessed(m_good), atime) << usage;
        ASSERT_EQ(dry.lines.size(), 1u) << usage;
        EXPECT_EQ(dry.lines[0]["changed"], true) << usage;
        EXPECT_TRUE(StateOf(m_good) == before) << usage;
    }

    struct Unlocked {  // the attribute goes however the test ends
        std::string path;
        ~Unlocked() { test::RunProcess({"chattr", "-i", "-a", path}); }
    } unlocked{m_good};
    for (const char* attribute : {"+i", "+a"}) {
        if (test::RunProcess({"chattr", attribute, m_good}).exitCode != 0)
            GTEST_SKIP() << "chattr " << attribute << " failed (needs root and ext4, xfs, ...)";
        const FileState before = StateOf(m_good);
        for (const char* usage :
             {"set --no-log --date 2007-01-23 --time 09:05", "shift --no-log --by +1h"}) {
            const Output dry = run(std::string(usage) + " --dry-run", {m_good});
            const Output real = run(usage, {m_good});
            ASSERT_EQ(dry.lines.size(), 1u) << usage << attribute;
            ASSERT_EQ(real.lines.size(), 1u) << usage << attribute;
            EXPECT_EQ(real.lines[0]["error"], 70) << usage << attribute;
            EXPECT_EQ(dry.lines[0], real.lines[0]) << usage << attribute;
            EXPECT_EQ(dry.exitCode, 1) << usage << attribute;
        }
        EXPECT_TRUE(StateOf(m_good) == before) << attribute;
        test::RunProcess({"chattr", "-i", "-a", m_good});
    }
}
#endif

}  // namespace
}  // namespace tovrin
