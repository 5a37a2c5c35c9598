#include "run/log_folder.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "run/run_log.h"
#include "run_test_support.h"

namespace tovrin::test {
namespace {

namespace fs = std::filesystem;
using Variables = std::map<std::string, std::string>;

EnvironmentLookup Environment(const Variables& variables) {
    return [variables](const char* name) -> std::optional<std::string> {
        const auto it = variables.find(name);
        if (it == variables.end()) return std::nullopt;
        return it->second;
    };
}

bool IsEmptyFolder(const std::string& path) {
    return fs::is_directory(NativePath(path)) && fs::is_empty(NativePath(path));
}

#ifdef _WIN32
TEST(UserLogFolder, UnderLocalAppData) {
    EXPECT_EQ(UserLogFolder(Environment({{"LOCALAPPDATA", "C:\\Users\\u\\AppData\\Local"}})),
              "C:\\Users\\u\\AppData\\Local\\Tovrin\\");
    EXPECT_EQ(UserLogFolder(Environment({})), "");
    // A relative folder would follow wherever the program was started.
    for (const char* relative : {"", "AppData\\Local", "C:AppData", "\\Users\\u"})
        EXPECT_EQ(UserLogFolder(Environment({{"LOCALAPPDATA", relative}})), "") << relative;
}

// The suite runs under Wine as a user whose name is in kanji (TOVRIN_WINE_USER
// names them): the profile's folders reach the program whole, through the
// wide environment, and the logs and journals go under them.
TEST(UserLogFolder, AProfileNamedInKanjiReachesTheProgramWhole) {
    const std::optional<std::string> user = SystemEnvironment("TOVRIN_WINE_USER");
    if (!user) GTEST_SKIP() << "not run as a named Wine user (scripts/test-windows.sh does)";
    const std::optional<std::string> profile = SystemEnvironment("USERPROFILE");
    const std::optional<std::string> local = SystemEnvironment("LOCALAPPDATA");
    ASSERT_TRUE(profile && local);
    EXPECT_EQ(*profile, "C:\\users\\" + *user);
    EXPECT_EQ(local->rfind(*profile + "\\", 0), 0u) << *local;
    EXPECT_TRUE(fs::is_directory(NativePath(*local)));
    EXPECT_EQ(UserLogFolder(SystemEnvironment), FolderPath(*local) + "Tovrin\\");
}
#else
// The state folder and the program's folder by the XDG rules, with POSIX paths.
TEST(UserLogFolder, FollowsTheXdgRules) {
    const struct {
        const char* label;
        Variables variables;
        std::string expected;
    } rows[] = {
        {"state_home_set", {{"XDG_STATE_HOME", "/s"}, {"HOME", "/h"}}, "/s/Tovrin/"},
        {"state_home_with_separator", {{"XDG_STATE_HOME", "/s/"}}, "/s/Tovrin/"},
        {"default_under_home", {{"HOME", "/h"}}, "/h/.local/state/Tovrin/"},
        {"empty_state_home_is_unset",
         {{"XDG_STATE_HOME", ""}, {"HOME", "/h"}},
         "/h/.local/state/Tovrin/"},
        {"relative_state_home_is_ignored",
         {{"XDG_STATE_HOME", "state"}, {"HOME", "/h"}},
         "/h/.local/state/Tovrin/"},
        {"no_home_at_all", {}, ""},
        {"relative_home", {{"HOME", "h"}}, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(UserLogFolder(Environment(row.variables)), row.expected);
    }
}

#endif

TEST(LogFolder, AWritableProgramFolderKeepsTheLogsAndNothingElseChanges) {
    TempDir program;
    TempDir state;
    EXPECT_EQ(LogFolder(program.folder(), Environment({{"XDG_STATE_HOME", state.folder()}})),
              program.folder());
    // The write test leaves nothing behind, and the state folder is not made.
    EXPECT_TRUE(IsEmptyFolder(program.folder()));
    EXPECT_TRUE(IsEmptyFolder(state.folder()));
}

TEST(LogFolder, AnInstalledLayoutIsToldOnEveryPlatform) {
    TempDir prefix;
    TempDir state;
    fs::create_directories(NativePath(prefix.path("bin")));
    fs::create_directories(NativePath(prefix.path("share/tovrin")));
#ifdef _WIN32
    const Variables variables{{"LOCALAPPDATA", state.folder()}};
#else
    const Variables variables{{"XDG_STATE_HOME", state.folder()}};
#endif
    const std::string expected = FolderPath(state.folder() + "Tovrin");
    EXPECT_EQ(LogFolder(prefix.path("bin"), Environment(variables)), expected);
    EXPECT_TRUE(fs::is_directory(NativePath(expected)));
    EXPECT_TRUE(fs::is_empty(NativePath(prefix.path("bin"))));
}

// The MinGW C runtime ignores fopen's "x": the test file was once made by
// truncating whatever had its name.
TEST(LogFolder, AFileNamedLikeTheWriteTestIsNeitherReusedNorRemoved) {
    TempDir program;
    WriteBytes(program.path(".tovrin-write-test-0"), ToBytes("keep"));
    EXPECT_TRUE(CanCreateFiles(program.folder()));
    EXPECT_EQ(FileText(program.path(".tovrin-write-test-0")), "keep");
    EXPECT_EQ(std::distance(fs::directory_iterator(NativePath(program.folder())),
                            fs::directory_iterator()),
              1);
}

#ifndef _WIN32

unsigned Mode(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<unsigned>(st.st_mode & 07777) : 0u;
}

// The state folder and its parents are created, private to the user; the
// run's own log routines then write and prune there as they would beside the
// program.
void ExpectLogsGoToTheStateFolder(const std::string& programFolder) {
    const mode_t old = ::umask(022);
    TempDir home;
    const std::string expected = home.folder() + ".local/state/Tovrin/";
    ASSERT_FALSE(fs::exists(NativePath(home.folder() + ".local")));
    const std::string folder = LogFolder(programFolder, Environment({{"HOME", home.folder()}}));
    EXPECT_EQ(folder, expected);
    EXPECT_TRUE(fs::is_directory(NativePath(expected)));
    for (const char* made : {".local", ".local/state", ".local/state/Tovrin"})
        EXPECT_EQ(Mode(home.folder() + made), 0700u) << made;

    for (const char* old : {"Date20240401.log", "Date20240402.log", "Date20240403.log"}) {
        Touch(folder + old);
    }
    FakeBoxes boxes;
    const LocalDateTime today{2024, 5, 10, 12, 34, 56};
    const std::string path = GetLogFilePath(folder, boxes, today);
    WriteLogLine("ExifData", " [パス-/p/a.jpg]", path, boxes, today);
    ::umask(old);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(FileText(expected + "Date20240510.log"),
              "2024/05/10-12:34:56 ExifData> [パス-/p/a.jpg]\r\n");
    EXPECT_EQ(Mode(expected + "Date20240510.log"), 0600u);
    EXPECT_FALSE(fs::exists(NativePath(expected + "Date20240401.log")));
}

// As root an installed program's folder can be written, and its logs once
// went to /usr/bin. A fake install prefix, writable, tells it the same way a
// relocated install does: by what is installed beside bin/.
TEST(LogFolder, AnInstalledProgramLogsToTheStateFolderEvenWhereItCouldWrite) {
    for (const char* data : {"share/tovrin", "share/doc/tovrin"}) {
        SCOPED_TRACE(data);
        TempDir prefix;
        fs::create_directories(NativePath(prefix.path("bin")));
        fs::create_directories(NativePath(prefix.path(data)));
        ASSERT_TRUE(CanCreateFiles(prefix.path("bin")));
        EXPECT_TRUE(IsInstalledProgram(prefix.path("bin")));
        ExpectLogsGoToTheStateFolder(prefix.path("bin"));
        EXPECT_TRUE(IsEmptyFolder(prefix.path("bin")));
    }
}

TEST(IsInstalledProgram, TheConfiguredBinFolderByAnyNameOrAnInstallLayout) {
    TempDir root;
    fs::create_directories(NativePath(root.path("usr/bin")));
    fs::create_directory_symlink(NativePath(root.path("usr/bin")), NativePath(root.path("bin")));
    fs::create_directories(NativePath(root.path("build/tools")));
    fs::create_directories(NativePath(root.path("other/bin")));
    fs::create_directories(NativePath(root.path("other/share/applications")));
    const std::string bin = root.path("usr/bin");
    const struct {
        const char* folder;
        bool installed;
    } rows[] = {
        {"usr/bin", true},      {"usr/bin/", true},   {"bin", true},   {"usr/bin/../bin", true},
        {"build/tools", false}, {"other/bin", false}, {"gone", false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(IsInstalledProgram(root.path(row.folder), bin), row.installed) << row.folder;
    }
    EXPECT_FALSE(IsInstalledProgram(root.path("build/tools")));
    EXPECT_FALSE(IsInstalledProgram(""));
}

// With no state folder either, an installed program logs nowhere and any
// other keeps its own folder.
TEST(LogFolder, WithNowhereElseToGoTheProgramFolderStays) {
    TempDir prefix;
    fs::create_directories(NativePath(prefix.path("bin")));
    fs::create_directories(NativePath(prefix.path("share/tovrin")));
    EXPECT_EQ(LogFolder(prefix.path("bin"), Environment({{"HOME", "relative"}})), "");
    EXPECT_TRUE(IsEmptyFolder(prefix.path("bin")));
    const std::string missing = prefix.path("gone");
    EXPECT_EQ(LogFolder(missing, Environment({})), missing + "/");
}

TEST(LogFolder, AMissingOrReadOnlyProgramFolderSendsTheLogsToTheStateFolder) {
    TempDir program;
    ExpectLogsGoToTheStateFolder(program.path("gone"));
    EXPECT_FALSE(fs::exists(NativePath(program.path("gone"))));
    // chattr +i stops even root, who ignores permission bits; where it cannot
    // be set, taking away write permission stops everyone else.
    const Immutable locked(program.folder());
    if (!locked.ok) {
        fs::permissions(NativePath(program.folder()),
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
    }
    if (CanCreateFiles(program.folder())) GTEST_SKIP() << "no way to make a folder read-only here";
    ExpectLogsGoToTheStateFolder(program.folder());
    EXPECT_TRUE(IsEmptyFolder(program.folder()));
}

#endif

}  // namespace
}  // namespace tovrin::test
