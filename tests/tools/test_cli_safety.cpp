// What the command line promises when things go wrong: a photo is changed
// whole or not at all, a crash leaves nothing undo cannot give back, no run
// goes unjournaled, one photo is changed once whatever names lead to it, two
// runs at once take turns per photo, and undo writes only into the photo the
// run changed, where it still has date texts. Real processes throughout:
// faults are injected into real system calls with strace, crashes are real
// SIGKILLs at chosen calls, concurrent runs are real processes.
#include "cli_fixture.h"

#include <algorithm>
#include <fstream>
#include <thread>

#include "exif/photo_update.h"

namespace tovrin {
namespace {

#ifndef _WIN32

bool HaveStrace() { return test::RunProcess({"strace", "-V"}).exitCode == 0; }

class CliSafety : public Cli {
protected:
    // Three photos of different dates, in a folder of their own.
    void SetUp() override {
        Cli::SetUp();
        const char* dates[] = {"2006:05:04 10:11:12", "2005:03:02 01:02:03", "2004:12:31 23:59:58"};
        for (int i = 0; i < 3; ++i) {
            const std::string name = "p" + std::to_string(i) + ".jpg";
            m_photos.push_back(
                m_set.write(name, test::CameraPhoto(test::Order::II, dates[i]).build()));
            // Photos a day old, as photos are: a time read back tells them apart.
            fs::last_write_time(
                NativePath(m_photos.back()),
                fs::last_write_time(NativePath(m_photos.back())) - std::chrono::hours(24));
            m_before.push_back(StateOf(m_photos.back()));
        }
    }

    // The program run under strace with one fault injected.
    Output runFaulty(const std::string& inject, const std::string& usage, const Args& more = {}) {
        Args args{"strace", "-o", "/dev/null", "-e", "inject=" + inject, m_cli};
        std::istringstream words(usage);
        for (std::string word; words >> word;) args.push_back(word);
        args.insert(args.end(), more.begin(), more.end());
        const test::ProcessResult r = test::RunProcess(args);
        Output out{r.exitCode, r.out, r.err, {}};
        std::istringstream lines(r.out);
        for (std::string line; std::getline(lines, line);)
            out.lines.push_back(Json::parse(line, nullptr, false));
        return out;
    }

    void expectAllAsBefore(const std::string& when) {
        for (std::size_t i = 0; i < m_photos.size(); ++i)
            EXPECT_EQ(StateOf(m_photos[i]), m_before[i]) << m_photos[i] << " " << when;
    }

    test::TempDir m_set;
    std::vector<std::string> m_photos;
    std::vector<FileState> m_before;
};

// A write or the setting of the times that fails leaves the photo exactly as
// it was, bytes and times, and says so; the other photos go on.
TEST_F(CliSafety, AFailedStepPutsThePhotoBack) {
    if (!HaveStrace()) GTEST_SKIP() << "strace is not installed";
    struct Fault {
        std::string inject;
        int error;
    };
    for (const Fault& f :
         {Fault{"pwrite64:error=ENOSPC:when=2", 61}, Fault{"pwrite64:error=EIO:when=3", 57},
          Fault{"utimensat:error=EPERM:when=1", 70}}) {
        const Output out =
            runFaulty(f.inject, "set --no-log --date 2007-01-23 --time 09:05:00", {m_photos[0]});
        EXPECT_EQ(out.exitCode, 1) << f.inject << out.text << out.err;
        ASSERT_EQ(out.lines.size(), 1u) << f.inject << out.text;
        EXPECT_EQ(out.lines[0]["error"], f.error) << f.inject;
        expectAllAsBefore(f.inject);
    }
}

// Killed between any two of its writes, a run leaves photos that are old,
// new, or half-done; undo --last gives every one of them back whole.
TEST_F(CliSafety, AKilledRunIsGivenBackWhole) {
    if (!HaveStrace()) GTEST_SKIP() << "strace is not installed";
    for (const char* command :
         {"set --no-log --date 2007-01-23 --time 09:05:00", "shift --no-log --by -09:00"}) {
        for (int when = 1; when <= 9; ++when) {
            const std::string at =
                std::string(command) + " killed at write " + std::to_string(when);
            const Output killed =
                runFaulty("pwrite64:signal=KILL:when=" + std::to_string(when), command, m_photos);
            EXPECT_NE(killed.exitCode, 0) << at;
            const Output undo = run("undo --last --no-log");
            EXPECT_EQ(undo.exitCode, 0) << at << undo.text << undo.err;
            EXPECT_EQ(undo.lines.size(), 3u) << at << undo.text;
            // The photo cut short in the middle is said to be.
            const bool halfDone =
                std::any_of(undo.lines.begin(), undo.lines.end(),
                            [](const Json& l) { return l.value("halfDone", false); });
            EXPECT_EQ(halfDone, when % 3 != 1) << at << undo.text;
            expectAllAsBefore(at);
            EXPECT_EQ(run("undo --last").exitCode, 2) << at << ": nothing left to undo";
        }
    }
}

// A photo whose date is copied into XMP, IPTC and a sidecar, killed at any
// of its writes or just before its sidecar is put in place, is given back
// whole, sidecar included; no stray file of the run stays beside it.
TEST_F(CliSafety, AKilledRunGivesBackEveryCopy) {
    if (!HaveStrace()) GTEST_SKIP() << "strace is not installed";
    test::Jpeg jpeg = test::CameraPhoto();
    jpeg.before.push_back(test::Segment(
        0xFFE1, test::ToBytes(std::string("http://ns.adobe.com/xap/1.0/\0", 29) +
                              "<rdf:Description xmp:CreateDate='2006-05-04T10:11:12+09:00' "
                              "xmp:ModifyDate='2006-05-04T10:11:12'/>")));
    const std::string photo = m_set.write("copies.jpg", jpeg.build());
    const std::string sidecar = m_set.write(
        "copies.xmp", test::ToBytes("<x:xmpmeta><rdf:Description "
                                    "exif:DateTimeOriginal='2006-05-04T10:11:12'/></x:xmpmeta>"));
    const FileState photoBefore = StateOf(photo);
    const test::Bytes sidecarBefore = test::ReadBytes(sidecar);
    std::vector<std::string> faults;
    for (int when = 1; when <= 5; ++when)
        faults.push_back("pwrite64:signal=KILL:when=" + std::to_string(when));
    faults.push_back("rename:signal=KILL:when=1");
    for (const std::string& fault : faults) {
        const Output killed =
            runFaulty(fault, "set --no-log --date 2007-01-23 --time 09:05:00", {photo});
        EXPECT_NE(killed.exitCode, 0) << fault;
        const Output undo = run("undo --last --no-log");
        EXPECT_EQ(undo.exitCode, 0) << fault << undo.text << undo.err;
        EXPECT_EQ(StateOf(photo), photoBefore) << fault;
        EXPECT_TRUE(test::ReadBytes(sidecar) == sidecarBefore) << fault;
        // The whole run again, and back: the new file a crash left is gone.
        ASSERT_EQ(run("set --no-log --date 2007-01-23 --time 09:05:00", {photo}).exitCode, 0);
        ASSERT_EQ(run("undo --last --no-log").exitCode, 0);
        EXPECT_FALSE(fs::exists(NativePath(sidecar + ".tovrin.tmp"))) << fault;
        EXPECT_TRUE(test::ReadBytes(sidecar) == sidecarBefore) << fault;
    }
}

// Adding EXIF to a photo that has none, killed at any step of writing the
// new file beside it or putting it in place: the photo is the old one or the
// new one, whole; undo --last gives back the old one; the next run over the
// photo leaves no stray file of the killed one.
TEST_F(CliSafety, AKilledAdditionLeavesTheOldPhotoOrTheNewOne) {
    if (!HaveStrace()) GTEST_SKIP() << "strace is not installed";
    test::Jpeg plain;
    plain.withExif = false;
    const test::Bytes original = plain.build();
    const std::string usage = "set --no-log --add-missing --date 1998-07-01 --time 10:20:30";
    // The new photo, as a run that is not killed makes it.
    test::TempDir reference;
    const std::string made = reference.write("scan.jpg", original);
    ASSERT_EQ(run(usage, {made}).exitCode, 0);
    const test::Bytes added = test::ReadBytes(made);
    ASSERT_GT(added.size(), original.size());
    ASSERT_EQ(run("undo --last --no-log").exitCode, 0);

    const std::string photo = m_set.path("scan.jpg");
    std::vector<std::string> faults;
    for (const char* call : {"openat", "write", "fsync", "close"})
        for (int when = 1; when <= 6; ++when)
            faults.push_back(std::string(call) + ":signal=KILL:when=" + std::to_string(when));
    for (const char* call : {"chmod", "fchmodat", "chown", "fchownat", "utimensat", "rename"})
        faults.push_back(std::string(call) + ":signal=KILL:when=1");
    for (const std::string& fault : faults) {
        test::WriteBytes(photo, original);
        runFaulty(fault, usage, {photo});
        const test::Bytes left = test::ReadBytes(photo);
        EXPECT_TRUE(left == original || left == added) << fault << ": a half photo";
        const Output undo = run("undo --last --no-log");
        EXPECT_TRUE(undo.exitCode == 0 || undo.exitCode == 2) << fault << undo.text << undo.err;
        EXPECT_TRUE(test::ReadBytes(photo) == original) << fault;
        const Output again = run(usage, {photo});
        EXPECT_EQ(again.exitCode, 0) << fault << again.text << again.err;
        EXPECT_TRUE(test::ReadBytes(photo) == added) << fault;
        EXPECT_FALSE(fs::exists(NativePath(photo + ".tovrin.tmp"))) << fault;
        ASSERT_EQ(run("undo --last --no-log").exitCode, 0) << fault;
        EXPECT_TRUE(test::ReadBytes(photo) == original) << fault;
    }
    // A step that fails leaves the photo as it was and nothing beside it
    // (not write: under the sanitizers their own runtime writes first).
    for (const char* fault : {"fsync:error=ENOSPC:when=1", "fsync:error=EIO:when=2",
                              "rename:error=EACCES:when=1", "utimensat:error=EPERM:when=1"}) {
        test::WriteBytes(photo, original);
        const Output failed = runFaulty(fault, usage, {photo});
        // 1, or 2 when the fault hit the journal's sync before any photo.
        EXPECT_NE(failed.exitCode, 0) << fault << failed.text << failed.err;
        EXPECT_TRUE(test::ReadBytes(photo) == original) << fault;
        EXPECT_FALSE(fs::exists(NativePath(photo + ".tovrin.tmp"))) << fault;
    }
    for (const auto& e : fs::directory_iterator(NativePath(m_set.folder())))
        EXPECT_NE(e.path().extension(), ".tmp") << e.path();
}

// Two runs adding EXIF to the same photos at once (runs without a journal
// do not wait for each other's end): the second finds the first's new file in
// the photo's place and writes into that one, never into the file it
// replaced, so each photo ends with one block, holding one run's date.
TEST_F(CliSafety, ConcurrentAdditionsTakeTurns) {
    test::Jpeg plain;
    plain.withExif = false;
    std::vector<std::string> photos;
    for (int i = 0; i < 200; ++i)
        photos.push_back(m_set.write("s" + std::to_string(100 + i) + ".jpg", plain.build()));
    for (int round = 0; round < 3; ++round) {
        for (const std::string& p : photos) test::WriteBytes(p, plain.build());
        Output a, b;
        const std::string usage = "set --no-log --no-journal -q --add-missing --date ";
        std::thread first([&] { a = run(usage + "1998-07-01 --time 10:00:00", photos); });
        std::thread second([&] {
            b = run(usage + "1999-08-02 --time 11:00:00", {photos.rbegin(), photos.rend()});
        });
        first.join();
        second.join();
        ASSERT_EQ(a.exitCode, 0) << a.err;
        ASSERT_EQ(b.exitCode, 0) << b.err;
        std::size_t added = 0;
        for (const Output* o : {&a, &b})
            for (const Json& line : o->lines) added += line.value("added", false);
        EXPECT_EQ(added, photos.size()) << "each photo gets one block, round " << round;
        for (const std::string& p : photos) {
            const std::string date = read(p).DateTimeOriginal;
            EXPECT_TRUE(date == "1998:07:01 10:00:00" || date == "1999:08:02 11:00:00") << p;
        }
    }
}

// An undo killed half-way is completed by the next undo --last, never
// reverted, and the photos end as they were before the run.
TEST_F(CliSafety, AKilledUndoIsCompletedNotReverted) {
    if (!HaveStrace()) GTEST_SKIP() << "strace is not installed";
    ASSERT_EQ(run("shift --no-log --by -09:00", m_photos).exitCode, 0);
    const Output killed = runFaulty("pwrite64:signal=KILL:when=5", "undo --last --no-log");
    EXPECT_NE(killed.exitCode, 0);
    EXPECT_NE(StateOf(m_photos[0]), m_before[0]) << "the newest change is given back first";
    const Output undo = run("undo --last --no-log");
    EXPECT_EQ(undo.exitCode, 0) << undo.text << undo.err;
    expectAllAsBefore("after completing the undo");
    EXPECT_EQ(run("undo --last").exitCode, 2);
}

// A FIFO or a device named like a photo is never opened for writing, not
// even for a moment: opening some devices does things of their own.
TEST_F(CliSafety, SpecialFilesAreNeverOpenedForWriting) {
    if (!HaveStrace()) GTEST_SKIP() << "strace is not installed";
    const std::string fifo = m_set.path("pipe.jpg");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const test::TempDir traceDir;
    const std::string trace = traceDir.path("trace");
    const test::ProcessResult r = test::RunProcess(
        {"strace", "-o", trace, "-e", "trace=openat,open", m_cli, "set", "--no-log", "--date",
         "2007-01-23", "--time", "09:05:00", fifo, "/dev/null"});
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    const std::string opens = test::ToText(test::ReadBytes(trace));
    std::istringstream lines(opens);
    for (std::string line; std::getline(lines, line);) {
        if (line.find("pipe.jpg") == std::string::npos &&
            line.find("/dev/null") == std::string::npos)
            continue;
        EXPECT_EQ(line.find("O_RDWR"), std::string::npos) << line;
        EXPECT_EQ(line.find("O_WRONLY"), std::string::npos) << line;
    }
}

// With no usable journal folder a run changes nothing and names the folder;
// --no-journal is the way to run without one.
TEST_F(CliSafety, NoJournalNoRun) {
    test::WriteBytes(m_state.path("file"), {});
    struct Case {
        Args environment;
        const char* says;
    };
    const std::vector<Case> cases = {
        {{"env", "-u", "HOME", "-u", "XDG_STATE_HOME"}, "ホームフォルダ"},
        {{"env", "-u", "HOME", "XDG_STATE_HOME=relative/state"}, "ホームフォルダ"},
        {{"env", "XDG_STATE_HOME=" + m_state.path("file")}, "file"},
    };
    for (const Case& c : cases) {
        Args args = c.environment;
        for (const std::string& w : Args{m_cli, "set", "--no-log", "--date", "2007-01-23", "--time",
                                         "09:05:00", m_photos[0]})
            args.push_back(w);
        const test::ProcessResult r = test::RunProcess(args);
        EXPECT_EQ(r.exitCode, 2) << r.out << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("元に戻すための記録を保存できない"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        expectAllAsBefore(c.environment.back());
    }
    const test::ProcessResult r = test::RunProcess(
        {"env", "-u", "HOME", "-u", "XDG_STATE_HOME", m_cli, "set", "--no-log", "--no-journal",
         "--date", "2007-01-23", "--time", "09:05:00", m_photos[0]});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(read(m_photos[0]).DateTimeOriginal, Chosen);
}

// A photo reached by several names (given twice, a hard link, a symbolic
// link) is shifted once, and given back once.
TEST_F(CliSafety, OnePhotoUnderSeveralNamesChangesOnce) {
    const std::string photo = m_photos[0];
    fs::create_hard_link(NativePath(photo), NativePath(m_set.path("q-hard.jpg")));
    fs::create_symlink(NativePath(photo), NativePath(m_set.path("q-soft.jpg")));
    const Output out = run("shift --no-log --by -09:00 -r", {m_set.folder(), photo});
    EXPECT_EQ(out.exitCode, 0) << out.text << out.err;
    int same = 0;
    for (const Json& line : out.lines) same += line.contains("sameAs");
    EXPECT_EQ(same, 3) << out.text;
    EXPECT_EQ(read(photo).DateTimeOriginal, "2006:05:04 01:11:12");
    EXPECT_EQ(run("undo --last --no-log").exitCode, 0);
    expectAllAsBefore("after the undo");
}

// Two runs at once over the same photos, walking them in opposite orders,
// take turns: both changes land on every photo, neither waits for the other
// forever, each journals what it saw, and undoing both, newest first, gives
// every photo back.
TEST_F(CliSafety, ConcurrentRunsTakeTurnsPerPhoto) {
    std::vector<std::string> photos;
    std::vector<FileState> before;
    for (int i = 0; i < 60; ++i) {
        photos.push_back(
            m_set.write("c" + std::to_string(100 + i) + ".jpg", test::CameraPhoto().build()));
        before.push_back(StateOf(photos.back()));
    }
    std::vector<std::string> reversed(photos.rbegin(), photos.rend());
    const auto listFile = [&](const std::string& name, const std::vector<std::string>& list) {
        std::ofstream out(NativePath(m_dir.path(name)), std::ios::binary);
        for (const std::string& p : list) out << p << '\n';
        return m_dir.path(name);
    };
    const std::string forward = listFile("forward.txt", photos);
    const std::string backward = listFile("backward.txt", reversed);
    for (int round = 0; round < 3; ++round) {
        Output a, b;
        std::thread first(
            [&] { a = run("shift --no-log -q --by -01:00 --files-from " + forward); });
        std::thread second(
            [&] { b = run("shift --no-log -q --by +00:10 --files-from " + backward); });
        first.join();
        second.join();
        ASSERT_EQ(a.exitCode, 0) << a.err;
        ASSERT_EQ(b.exitCode, 0) << b.err;
        for (const std::string& p : photos) {
            const PhotoInfo info = read(p);
            EXPECT_EQ(info.DateTimeOriginal, "2006:05:04 09:21:12") << p << " round " << round;
            EXPECT_EQ(info.DateTime, info.DateTimeOriginal) << p;
            EXPECT_EQ(info.DateTimeDigitized, info.DateTimeOriginal) << p;
        }
        const Output list = run("undo --list");
        ASSERT_EQ(list.lines.size(), 2u) << list.text;
        EXPECT_NE(list.lines[0]["run"], list.lines[1]["run"]);
        EXPECT_EQ(run("undo --last --no-log -q").exitCode, 0);
        EXPECT_EQ(run("undo --last --no-log -q").exitCode, 0);
        for (std::size_t i = 0; i < photos.size(); ++i)
            ASSERT_EQ(StateOf(photos[i]), before[i]) << photos[i] << " round " << round;
        fs::remove_all(NativePath(m_state.path("Tovrin")));
    }
}

// Undo writes only into the file the run changed, only where that file has
// date texts now: an edited journal cannot aim it at another file, and a
// same-size copy of another photo put in a photo's place is left alone.
TEST_F(CliSafety, UndoTrustsNothingItCannotCheck) {
    ASSERT_EQ(
        run("set --no-log --date 2007-01-23 --time 09:05:00", {m_photos[0], m_photos[1]}).exitCode,
        0);
    const std::string id = run("undo --list").lines.at(0)["run"];
    const std::string journalPath = m_state.path("Tovrin/journal/" + id + ".journal");
    std::string journal = test::ToText(test::ReadBytes(journalPath));

    // The copy: p1's bytes (same size, same new dates) over p0, as cp does.
    test::WriteBytes(m_photos[0], test::ReadBytes(m_photos[1]));
    const FileState copied = StateOf(m_photos[0]);

    // An edited journal: a PHOTO of the run aimed at a text file of the same size.
    const std::string notes = m_set.write("notes.txt", test::Bytes(m_before[1].bytes.size(), 'x'));
    const FileState notesBefore = StateOf(notes);
    std::string edited = journal;
    const std::string p1hex = Hex(m_photos[1]);
    const std::size_t at = edited.find(p1hex);
    ASSERT_NE(at, std::string::npos);
    edited.replace(at, p1hex.size(), Hex(notes));
    // Without its identity, as a journal of the first version would be.
    const std::size_t eol = edited.find('\n', at);
    edited.erase(at + Hex(notes).size(), eol - at - Hex(notes).size());
    test::WriteBytes(m_state.path("Tovrin/journal/29990101-000000-000000-0000.journal"),
                     test::ToBytes(edited));

    const Output forged = run("undo --no-log --run 29990101-000000-000000-0000");
    EXPECT_EQ(forged.exitCode, 1) << forged.text;
    EXPECT_EQ(StateOf(notes), notesBefore);

    const Output undo = run("undo --no-log --run " + id);
    EXPECT_EQ(undo.exitCode, 1) << undo.text;
    EXPECT_EQ(StateOf(m_photos[0]), copied) << "another photo's copy keeps its own dates";
    EXPECT_EQ(StateOf(m_photos[1]), m_before[1]) << "the untouched photo is given back";
}

// An empty journal left by a crash is not "the last run"; ids are UTC, so
// runs made under different time zones still sort as they were made.
TEST_F(CliSafety, TheLastRunIsTheNewestThatChangedSomething) {
    ASSERT_EQ(run("set --no-log --date 2007-01-23 --time 09:05:00", {m_photos[0]}).exitCode, 0);
    const test::ProcessResult later =
        test::RunProcess({"env", "TZ=Pacific/Kiritimati", m_cli, "shift", "--no-log", "--by",
                          "-01:00", m_photos[1]});
    ASSERT_EQ(later.exitCode, 0) << later.err;
    test::WriteBytes(m_state.path("Tovrin/journal/29991231-235959-999999-ffff.journal"), {});
    const Output undo = run("undo --last --no-log");
    ASSERT_EQ(undo.lines.size(), 1u) << undo.text;
    EXPECT_EQ(undo.lines[0]["path"], m_photos[1]);
    EXPECT_EQ(StateOf(m_photos[1]), m_before[1]);
}

#endif

}  // namespace
}  // namespace tovrin
