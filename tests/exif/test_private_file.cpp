#include "exif/private_file.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "exif/runtime_error.h"
#include "platform.h"
#include "test_files.h"

namespace tovrin::test {
namespace {

namespace fs = std::filesystem;

std::string Text(const std::string& path) { return ToText(ReadBytes(path)); }

void Put(std::FILE* file, const std::string& text) {
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(text.data(), 1, text.size(), file), text.size());
    ASSERT_TRUE(SyncFile(file));
    ASSERT_EQ(std::fclose(file), 0);
}

int ErrorNumber(void (*action)(const std::string&), const std::string& path) {
    try {
        action(path);
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

void Append(const std::string& path) { std::fclose(OpenPrivateAppend(path)); }
void CreateNew(const std::string& path) {
    if (std::FILE* file = CreateNewPrivateFile(path)) std::fclose(file);
}

#ifndef _WIN32
// The mode bits as the file system holds them, without following a link.
unsigned Mode(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? static_cast<unsigned>(st.st_mode & 07777) : 0u;
}

// The usual umask while the object lives, whatever the test runner had.
struct Umask {
    explicit Umask(mode_t mask) : old(::umask(mask)) {}
    ~Umask() { ::umask(old); }
    mode_t old;
};
#endif

// Two runs in the same second once shared one journal and the second emptied
// the first's: a taken name must be reported, never reused.
TEST(CreateNewPrivateFile, ATakenNameIsReportedAndLeftAlone) {
    TempDir dir;
    const std::string path = dir.path("run.journal");
    Put(CreateNewPrivateFile(path), "first");
    errno = 0;
    EXPECT_EQ(CreateNewPrivateFile(path), nullptr);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(Text(path), "first");

    fs::create_directory(NativePath(dir.path("folder")));
    EXPECT_EQ(CreateNewPrivateFile(dir.path("folder")), nullptr);
    EXPECT_EQ(ErrorNumber(CreateNew, dir.path("gone/run.journal")), error::PathNotFound);
}

TEST(OpenPrivateAppend, CreatesThenAppendsWithoutTruncating) {
    TempDir dir;
    const std::string path = dir.path("Date20240510.log");
    Put(OpenPrivateAppend(path), "one\r\n");
    Put(OpenPrivateAppend(path), "two\r\n");
    EXPECT_EQ(Text(path), "one\r\ntwo\r\n");
    EXPECT_EQ(ErrorNumber(Append, dir.path("gone/x.log")), error::PathNotFound);
    // A folder at the name is refused.
    fs::create_directory(NativePath(dir.path("Date20240511.log")));
    EXPECT_NE(ErrorNumber(Append, dir.path("Date20240511.log")), 0);
}

TEST(CreatePrivateFolders, MakesEveryMissingFolderAndAcceptsExistingOnes) {
    TempDir dir;
    const std::string deep = dir.path("state") + PathSeparator + "Tovrin" + PathSeparator;
    CreatePrivateFolders(deep);
    EXPECT_TRUE(fs::is_directory(NativePath(deep)));
    CreatePrivateFolders(deep);  // again: nothing to do, no error
    WriteBytes(dir.path("file"), {});
    EXPECT_EQ(ErrorNumber(CreatePrivateFolders, dir.path("file") + PathSeparator + "sub"),
              error::PathNotFound);
}

#ifndef _WIN32
TEST(PrivateFiles, ModesStayPrivateUnderTheUsualUmask) {
    const Umask usual(022);
    TempDir dir;
    ::chmod(dir.folder().c_str(), 0755);
    CreatePrivateFolders(dir.path("a/b/c/"));
    for (const char* folder : {"a", "a/b", "a/b/c"})
        EXPECT_EQ(Mode(dir.path(folder)), 0700u) << folder;
    // A folder that was there already is not the program's to change...
    EXPECT_EQ(Mode(dir.folder()), 0755u);
    // ...but the program's own last folder, made 0755 by earlier versions, is.
    ::chmod(dir.path("a/b/c").c_str(), 0755);
    CreatePrivateFolders(dir.path("a/b/c"));
    EXPECT_EQ(Mode(dir.path("a/b/c")), 0700u);
    EXPECT_EQ(Mode(dir.path("a/b")), 0700u);

    Put(CreateNewPrivateFile(dir.path("new")), "x");
    EXPECT_EQ(Mode(dir.path("new")), 0600u);
    Put(OpenPrivateAppend(dir.path("log")), "x");
    EXPECT_EQ(Mode(dir.path("log")), 0600u);
    WriteBytes(dir.path("old.log"), ToBytes("old\n"));
    ::chmod(dir.path("old.log").c_str(), 0644);
    Put(OpenPrivateAppend(dir.path("old.log")), "new\n");
    EXPECT_EQ(Mode(dir.path("old.log")), 0600u);
    EXPECT_EQ(Text(dir.path("old.log")), "old\nnew\n");
}

// A link planted at the name, dangling or not, is never followed: the file
// it points to is neither created, nor written, nor truncated. A FIFO with no
// reader, which would block an ordinary open for ever, is refused at once.
TEST(PrivateFiles, ALinkOrAFifoAtTheNameIsNeverFollowed) {
    TempDir dir;
    WriteBytes(dir.path("victim"), ToBytes("keep"));
    fs::create_symlink(dir.path("victim"), dir.path("link"));
    fs::create_symlink(dir.path("nowhere"), dir.path("dangling"));

    EXPECT_EQ(ErrorNumber(Append, dir.path("link")), error::PathFileAccess);
    EXPECT_EQ(ErrorNumber(Append, dir.path("dangling")), error::PathFileAccess);
    errno = 0;
    EXPECT_EQ(CreateNewPrivateFile(dir.path("link")), nullptr);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(CreateNewPrivateFile(dir.path("dangling")), nullptr);

    EXPECT_EQ(Text(dir.path("victim")), "keep");
    EXPECT_FALSE(fs::exists(dir.path("nowhere")));

    ASSERT_EQ(::mkfifo(dir.path("fifo").c_str(), 0600), 0);
    EXPECT_NE(ErrorNumber(Append, dir.path("fifo")), 0);
}
#endif

}  // namespace
}  // namespace tovrin::test
