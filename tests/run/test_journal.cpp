// The undo journal: what it keeps is exactly what a change wrote, a block cut
// short is ignored, old journals go, and a window run can be given back whole.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "exif/local_time.h"
#include "exif/photo_update.h"
#include "exif/reader.h"
#include "exif/runtime_error.h"
#include "run/journal.h"
#include "run_test_support.h"

namespace tovrin::test {
namespace {

namespace fs = std::filesystem;

PendingChange Change(const std::string& path) {
    DateField w{static_cast<std::int16_t>(0x9003), 567, "2006:05:04 10:11:12",
                "2007:01:23 09:05:00"};
    DateField odd{0x0132, 217, std::string("\0\n\xFF ", 4), "x"};
    return {path, 236569, {1170000000, 5}, {1169510700, 123456789}, {w, odd}};
}

TEST(Journal, KeepsEachChangeExactly) {
    TempDir dir;
    Journal journal(dir.folder(), "set", {2024, 5, 10, 12, 34, 56});
    EXPECT_EQ(journal.id(), "20240510-123456-001");
    EXPECT_TRUE(JournalIds(dir.folder()).empty()) << "a run that changes nothing leaves nothing";
    const std::string name = "/写真/a b\nc.jpg";
    journal.record(Change(name));
    journal.record(Change("/p/second.jpg"));
    // A block a crash cut short, before its photo was touched.
    {
        std::FILE* f = std::fopen((dir.folder() + journal.id() + ".journal").c_str(), "ab");
        std::fputs("PHOTO 1 2 3 4 5 2f78\nTEXT 1 2 aa bb\n", f);
        std::fclose(f);
    }
    ASSERT_EQ(JournalIds(dir.folder()), (std::vector<std::string>{journal.id()}));
    const JournalRun run = ReadJournal(dir.folder(), journal.id());
    EXPECT_EQ(run.kind, "set");
    ASSERT_EQ(run.changes.size(), 2u);
    const PendingChange& c = run.changes[0];
    const PendingChange want = Change(name);
    EXPECT_EQ(c.path, want.path);
    EXPECT_EQ(c.size, want.size);
    EXPECT_EQ(c.accessed.seconds, want.accessed.seconds);
    EXPECT_EQ(c.modified.nanoseconds, want.modified.nanoseconds);
    ASSERT_EQ(c.writes.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(c.writes[i].tag, want.writes[i].tag);
        EXPECT_EQ(c.writes[i].position, want.writes[i].position);
        EXPECT_EQ(c.writes[i].current, want.writes[i].current);
        EXPECT_EQ(c.writes[i].written, want.writes[i].written);
    }
}

TEST(Journal, IdsSortAsMadeAndOldOnesGo) {
    TempDir dir;
    for (const LocalDateTime& t : {LocalDateTime{2024, 3, 1, 0, 0, 0}, LocalDateTime{2024, 4, 9, 23, 0, 0},
                                   LocalDateTime{2024, 4, 10, 13, 0, 0}}) {
        Journal(dir.folder(), "set", t).record(Change("/p/a.jpg"));
    }
    Journal same(dir.folder(), "shift", {2024, 4, 10, 13, 0, 0});
    same.record(Change("/p/a.jpg"));
    // The March run was more than thirty days old when the April ones began.
    EXPECT_EQ(JournalIds(dir.folder()),
              (std::vector<std::string>{"20240409-230000-001", "20240410-130000-001",
                                        "20240410-130000-002"}));
    // Thirty days after 2024-04-10 12:00, the run of the 9th is gone too.
    Journal later(dir.folder(), "set", {2024, 5, 10, 12, 0, 0});
    EXPECT_EQ(JournalIds(dir.folder()),
              (std::vector<std::string>{"20240410-130000-001", "20240410-130000-002"}));
    EXPECT_THROW(ReadJournal(dir.folder(), "20240301-000000-001"), tovrin::RuntimeError);
}

TEST(JournalFolder, UnderTheStateFolder) {
    const auto env = [](const char* name) -> std::optional<std::string> {
        if (std::string(name) == "XDG_STATE_HOME") return "/state";
        if (std::string(name) == "HOME") return "/home/u";
        return std::nullopt;
    };
#ifndef _WIN32
    EXPECT_EQ(JournalFolder(env), "/state/Tovrin/journal/");
    EXPECT_EQ(JournalFolder([](const char*) { return std::optional<std::string>(); }), "");
#endif
}

}  // namespace
}  // namespace tovrin::test
