// The undo journal: what it keeps is exactly what a change wrote, a block cut
// short is ignored, ids are the run's own, old and empty journals go, and
// "the last run" is the one a user means.
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "exif/copy_plan.h"
#include "exif/local_time.h"
#include "exif/photo_update.h"
#include "exif/reader.h"
#include "exif/runtime_error.h"
#include "jpeg_builder.h"
#include "run/journal.h"
#include "run_test_support.h"

namespace tovrin::test {
namespace {

namespace fs = std::filesystem;

PendingChange Change(const std::string& path) {
    DateField w{static_cast<std::int16_t>(0x9003), 567, "2006:05:04 10:11:12",
                "2007:01:23 09:05:00"};
    DateField odd{0x0132, 217, std::string("\0\n\xFF ", 4), "x"};
    PendingChange c;
    c.path = path;
    c.size = 236569;
    c.identity = {2049, 1234567};
    c.accessed = {1170000000, 5};
    c.modified = {1169510700, 123456789};
    c.modifiedAfter = PhotoFile::FileTime{1169543100, 0};
    c.writes = {w, odd};
    return c;
}

void Append(const std::string& path, const std::string& text) {
    std::ofstream(NativePath(path), std::ios::binary | std::ios::app) << text;
}

TEST(Journal, KeepsEachChangeExactly) {
    TempDir dir;
    std::string id;
    const std::string name = "/写真/a b\nc.jpg";
    {
        Journal journal(dir.folder(), "set", {}, {2024, 5, 10, 12, 34, 56});
        id = journal.id();
        EXPECT_EQ(id.substr(0, 16), "20240510-123456-");
        journal.add(Change(name));
        journal.add(Change("/p/second.jpg"));
        journal.commit();
        journal.finish();
    }
    // A block a crash cut short, before its photo was touched.
    Append(dir.folder() + id + ".journal", "PHOTO 1 2 3 4 5 2f78\nTEXT 1 2 aa bb\n");
    ASSERT_EQ(JournalIds(dir.folder()), (std::vector<std::string>{id}));
    const JournalRun run = ReadJournal(dir.folder(), id);
    EXPECT_EQ(run.kind, "set");
    EXPECT_TRUE(run.done);
    ASSERT_EQ(run.changes.size(), 2u);
    const PendingChange& c = run.changes[0];
    const PendingChange want = Change(name);
    EXPECT_EQ(c.path, want.path);
    EXPECT_EQ(c.size, want.size);
    EXPECT_EQ(c.identity, want.identity);
    EXPECT_EQ(c.accessed.seconds, want.accessed.seconds);
    EXPECT_EQ(c.modified.nanoseconds, want.modified.nanoseconds);
    ASSERT_TRUE(c.modifiedAfter);
    EXPECT_EQ(c.modifiedAfter->seconds, want.modifiedAfter->seconds);
    ASSERT_EQ(c.writes.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(c.writes[i].tag, want.writes[i].tag);
        EXPECT_EQ(c.writes[i].position, want.writes[i].position);
        EXPECT_EQ(c.writes[i].current, want.writes[i].current);
        EXPECT_EQ(c.writes[i].written, want.writes[i].written);
    }
}

// Journals written by the previous version have no identity and no time
// after; they are still read, and given back by the remaining checks.
TEST(Journal, ReadsTheFirstVersion) {
    TempDir dir;
    WriteBytes(dir.path("20240101-000000-001.journal"),
               ToBytes("TOVRIN-JOURNAL 1\nRUN 20240101-000000-001 set\n"
                       "PHOTO 10 1 2 3 4 2f612e6a7067\nTEXT -28669 567 41 42\nEND\n"));
    const JournalRun run = ReadJournal(dir.folder(), "20240101-000000-001");
    ASSERT_EQ(run.changes.size(), 1u);
    EXPECT_EQ(run.changes[0].path, "/a.jpg");
    EXPECT_FALSE(run.changes[0].identity.known());
    EXPECT_FALSE(run.changes[0].modifiedAfter);
    EXPECT_FALSE(run.done);
}

// Runs started in the same second, here or in another process, never share a
// journal; ids sort as the runs were made; a run that changed nothing leaves
// nothing; journals older than thirty days go.
TEST(Journal, IdsAreUniqueSortAsMadeAndOldOnesGo) {
    TempDir dir;
    const LocalDateTime second{2024, 4, 10, 13, 0, 0};
    std::vector<std::string> made;
    for (const LocalDateTime& t : {LocalDateTime{2024, 3, 1, 0, 0, 0},
                                   LocalDateTime{2024, 4, 9, 23, 0, 0}, second, second, second}) {
        Journal journal(dir.folder(), "set", {}, t);
        journal.record(Change("/p/a.jpg"));
        made.push_back(journal.id());
    }
    { Journal nothing(dir.folder(), "set", {}, second); }
    std::vector<std::string> ids = JournalIds(dir.folder());
    // The March run was more than thirty days old when the April ones began.
    EXPECT_EQ(ids, std::vector<std::string>(made.begin() + 1, made.end()));
    EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), ids.size());
    { Journal later(dir.folder(), "set", {}, {2024, 5, 10, 12, 0, 0}); }
    ids = JournalIds(dir.folder());
    EXPECT_EQ(ids, std::vector<std::string>(made.begin() + 2, made.end()));
    EXPECT_THROW(ReadJournal(dir.folder(), made[0]), tovrin::RuntimeError);
}

// The id says which run changed photos last, not whose clock read later: a
// run that began waiting for its turn before another took it (an earlier
// second, or the same microsecond) still gets the newer id, also across the
// end of a second.
TEST(Journal, AnIdSortsAfterEveryIdInTheFolder) {
    TempDir dir;
    const LocalDateTime late{2024, 4, 10, 13, 0, 59};
    const LocalDateTime early{2024, 4, 10, 13, 0, 5};
    std::string previous;
    {
        Journal first(dir.folder(), "set", {}, late);
        first.record(Change("/p/a.jpg"));
        previous = first.id();
    }
    for (int i = 0; i < 3; ++i) {
        Journal waited(dir.folder(), "shift", {}, early);
        waited.record(Change("/p/a.jpg"));
        EXPECT_GT(waited.id(), previous);
        previous = waited.id();
    }
    // A newest id at the last microsecond of its second.
    Append(dir.path("20240410-130059-999999-abcd.journal"), "TOVRIN-JOURNAL 2\nRUN x set\n");
    Journal next(dir.folder(), "set", {}, early);
    EXPECT_EQ(next.id().substr(0, 23), "20240410-130100-000000-");
}

TEST(Journal, PrivateFiles) {
    TempDir dir;
    const std::string folder = dir.folder() + "state/journal/";
    Journal journal(folder, "set");
    journal.record(Change("/p/a.jpg"));
    const std::string file = folder + journal.id() + ".journal";
#ifdef _WIN32
    // Windows has no mode bits to set: the folders and the journal take the
    // ACL of the folder above (under %LOCALAPPDATA%, its user's alone). What
    // must hold is that every missing folder is made and the journal is a
    // plain file of its own there, never a link, that its user can write.
    EXPECT_TRUE(fs::is_directory(NativePath(dir.folder() + "state")));
    EXPECT_TRUE(fs::is_directory(NativePath(folder)));
    const fs::file_status status = fs::symlink_status(NativePath(file));
    EXPECT_EQ(status.type(), fs::file_type::regular);
    EXPECT_NE(status.permissions() & fs::perms::owner_write, fs::perms::none);
#else
    const auto perms = [](const std::string& p) {
        return fs::status(NativePath(p)).permissions() & fs::perms::all;
    };
    EXPECT_EQ(perms(folder), fs::perms::owner_all);
    EXPECT_EQ(perms(file), fs::perms::owner_read | fs::perms::owner_write);
#endif
}

// No journal, no run: a folder that cannot be made or written is refused
// with its name, before any photo is touched.
TEST(Journal, UnavailableFolderIsRefusedByName) {
    TempDir dir;
    Touch(dir.path("file"));
    for (const std::string& folder : {std::string(), dir.folder() + "file/journal/"}) {
        try {
            Journal journal(folder, "set");
            ADD_FAILURE() << "a journal in '" << folder << "'";
        } catch (const JournalUnavailable& e) {
            EXPECT_EQ(e.folder(), folder.empty() ? folder : FolderPath(folder));
            const std::string text = JournalUnavailableText(e);
            EXPECT_NE(text.find("元に戻すための記録を保存できない"), std::string::npos) << text;
            if (!folder.empty()) {
                EXPECT_NE(text.find(dir.folder() + "file"), std::string::npos) << text;
            }
        }
    }
}

// Runs that change photos take turns: while one holds its turn another is
// told, and waits only when it chooses to.
TEST(Journal, RunsTakeTurns) {
    TempDir dir;
    std::optional<Journal> first;
    first.emplace(dir.folder(), "set");
    int asked = 0;
    EXPECT_THROW(
        Journal(dir.folder(), "shift", {}, Journal::UtcNow(), [&] { return ++asked, false; }),
        RunBusy);
    EXPECT_EQ(asked, 1);
    first.reset();
    Journal second(dir.folder(), "shift", {}, Journal::UtcNow(), [&] { return ++asked, false; });
    EXPECT_EQ(asked, 1) << "nobody to wait for";
}

// A photo claimed for a change is not claimed twice, here or in another
// process, and is free again once closed.
TEST(PhotoFile, AClaimIsHeldUntilClosed) {
    TempDir dir;
    const std::string path = dir.write("a.jpg", CameraPhoto().build());
    std::optional<PhotoFile> first(std::in_place, path, PhotoFile::Mode::ReadWrite);
    ASSERT_TRUE(first->claim(false));
    PhotoFile second(path, PhotoFile::Mode::ReadWrite);
    EXPECT_FALSE(second.claim(false));
    PhotoFile reader(path, PhotoFile::Mode::Read);
    unsigned char soi[2];
    reader.read(1, soi, 2);  // a viewer still reads it
    EXPECT_EQ(soi[0], 0xFF);
    first.reset();
    EXPECT_TRUE(second.claim(false));
}

// "The last run" skips empty journals and finished undos; an interrupted undo
// is completed, not reverted; a run undone to its end is no longer a target.
TEST(Journal, LastUndoableRun) {
    struct Step {
        const char* kind;
        int photos;
        bool done;
        int undoes;  // index of the run an undo gives back, or -1
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        int expected;  // index of the run "undo --last" means, or -1
    };
    const std::vector<Case> cases = {
        {"newest run", {{"set", 2, true, -1}, {"shift", 1, true, -1}}, 1},
        {"an empty journal is not a run", {{"set", 2, true, -1}, {"set", 0, false, -1}}, 0},
        {"a finished undo passes to the run before",
         {{"set", 2, true, -1}, {"shift", 1, true, -1}, {"undo", 1, true, 1}},
         0},
        {"an interrupted undo is completed",
         {{"set", 2, true, -1}, {"shift", 3, true, -1}, {"undo", 1, false, 1}},
         1},
        {"an interrupted undo finished later",
         {{"set", 2, true, -1},
          {"shift", 3, true, -1},
          {"undo", 1, false, 1},
          {"undo", 2, true, 1}},
         0},
        {"everything undone", {{"set", 2, true, -1}, {"undo", 2, true, 0}}, -1},
    };
    for (const Case& c : cases) {
        TempDir dir;
        std::vector<std::string> ids;
        int second = 0;
        for (const Step& step : c.steps) {
            Journal journal(dir.folder(), step.kind, step.undoes >= 0 ? ids[step.undoes] : "",
                            {2024, 4, 10, 13, 0, second++});
            for (int i = 0; i < step.photos; ++i) journal.record(Change("/p/a.jpg"));
            if (step.done) journal.finish();
            ids.push_back(journal.id());
        }
        EXPECT_EQ(LastUndoableRun(dir.folder()), c.expected < 0 ? "" : ids[c.expected]) << c.name;
    }
}

// Beside the photos of each recorded run, the copies of their dates (XMP,
// IPTC) it rewrote: a recomputed IPTC digest is no copy, and a block a crash
// cut short changed nothing.
TEST(Journal, RecordedRunsCountTheCopiesTheyRewrote) {
    struct Case {
        const char* name;
        std::vector<std::vector<std::int16_t>> photos;  // the tags each photo's change writes
        std::size_t copies;
    };
    const auto capture = static_cast<std::int16_t>(0x9003);
    const std::int16_t modified = 0x0132;
    const std::vector<Case> cases = {
        {"EXIF texts alone", {{capture, modified}, {capture}}, 0},
        {"copies in two photos",
         {{capture, CopyTag, CopyTag}, {capture, modified, CopyTag, CopyTag, CopyTag}},
         5},
        {"a digest is no copy", {{capture, CopyTag, CopyTag, DigestTag}}, 2},
    };
    for (const Case& c : cases) {
        TempDir dir;
        std::string id;
        {
            Journal journal(dir.folder(), "shift", {}, {2024, 5, 10, 12, 34, 56});
            id = journal.id();
            for (const std::vector<std::int16_t>& tags : c.photos) {
                PendingChange change = Change("/p/a.jpg");
                change.writes.clear();
                for (const std::int16_t tag : tags)
                    change.writes.push_back({tag, 567, "2006:05:04", "2007:01:23"});
                journal.add(change);
            }
            journal.commit();
            journal.finish();
        }
        Append(dir.folder() + id + ".journal", "PHOTO 1 2 3 4 5 2f78\nTEXT 0 2 aa bb\n");
        const std::vector<RecordedRun> runs = RecordedRuns(dir.folder());
        ASSERT_EQ(runs.size(), 1u) << c.name;
        EXPECT_EQ(runs[0].photos, c.photos.size()) << c.name;
        EXPECT_EQ(runs[0].copies, c.copies) << c.name;
        EXPECT_EQ(ReadJournal(dir.folder(), id).copies, c.copies) << c.name;
    }
}

TEST(JournalFolder, UnderTheStateFolder) {
#ifdef _WIN32
    const auto env = [](const char* name) -> std::optional<std::string> {
        if (std::string(name) == "LOCALAPPDATA") return "C:\\Users\\u\\AppData\\Local";
        // Windows keeps a user's state under %LOCALAPPDATA% alone.
        if (std::string(name) == "XDG_STATE_HOME") return "C:\\state";
        if (std::string(name) == "HOME") return "C:\\home\\u";
        return std::nullopt;
    };
    EXPECT_EQ(JournalFolder(env), "C:\\Users\\u\\AppData\\Local\\Tovrin\\journal\\");
    EXPECT_EQ(JournalFolder([](const char*) { return std::optional<std::string>(); }), "");
    EXPECT_EQ(JournalFolder([](const char* name) -> std::optional<std::string> {
                  return std::string(name) == "LOCALAPPDATA" ? "AppData\\Local"
                                                             : std::optional<std::string>();
              }),
              "");
#else
    const auto env = [](const char* name) -> std::optional<std::string> {
        if (std::string(name) == "XDG_STATE_HOME") return "/state";
        if (std::string(name) == "HOME") return "/home/u";
        return std::nullopt;
    };
    EXPECT_EQ(JournalFolder(env), "/state/Tovrin/journal/");
    EXPECT_EQ(JournalFolder([](const char*) { return std::optional<std::string>(); }), "");
    EXPECT_EQ(JournalFolder([](const char* name) -> std::optional<std::string> {
                  return std::string(name) == "HOME" ? "relative/home"
                                                     : std::optional<std::string>();
              }),
              "");
#endif
}

}  // namespace
}  // namespace tovrin::test
