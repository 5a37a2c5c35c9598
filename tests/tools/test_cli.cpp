// The command-line companion, run as a separate process: argument lines in,
// exit status, JSON lines, standard error and the files out. Each test runs a
// copy of the program from its own temporary folder, so the daily log it
// writes beside itself is looked at there and removed with it.
#include "cli_fixture.h"

namespace tovrin {
namespace {

TEST_F(Cli, InfoPrintsOneObjectPerFile) {
    const Output out = run("info", {m_good, m_plain, m_dir.path("gone.jpg"), m_dir.path("gone")});
    ASSERT_EQ(out.lines.size(), 4u) << out.text;
    EXPECT_EQ(out.exitCode, 1) << "three of the four were not read";
    const Json& good = out.lines[0];
    EXPECT_EQ(good["path"], m_good);
    EXPECT_EQ(good["DateTimeOriginal"], Original);
    EXPECT_EQ(good["FileDateText"], read(m_good).FileDateText);
    // A byte from 0x80 up is the Latin-1 character, so the line stays valid UTF-8.
    EXPECT_EQ(test::Latin1(good["Make"]), "Caf\xE9");
    EXPECT_EQ(out.lines[2]["error"], 53);
    EXPECT_EQ(out.lines[2]["description"], "ファイルが見つかりません。");
    EXPECT_EQ(out.lines[3]["error"], 53) << "missing, whatever its name";
}

// Every refused argument line: status 2, a message on standard error, no line
// on standard output, and not one byte or time of the photo touched.
TEST_F(Cli, BadUsageExits2BeforeAnyFileIsTouched) {
    const std::string missingList = m_dir.path("no-such-list.txt");
    const std::vector<std::string> usages = {
        "set --date 2007-01-23 --time 24:00:00",
        "set --date 2007.01.23 --time 09:05:00",
        "set --date 07-01-23 --time 09:05:00",
        "set --date 2007-01-23 --time 09:05:00 --only-on 2007-13-01",
        "set --date 2007-01-23 --time 09:05:00 --bogus",
        "set --date 2007-01-23 --time 09:05:00 -n",
        "set --date 2007-01-23 --time 09:05:00 --dry-run=maybe",
        "set --date 2007-01-23 --time 09:05:00 --files-from " + missingList,
        "set --date 2007-01-23 --time 09:05:00 --files-from " + m_dir.folder(),
        "set --date " + Tomorrow() + " --time 00:00:00",
        "set --date " + Tomorrow() + " --keep-time",
        "set --date 9999-12-31 --time 23:59:59",
        "info --bogus",
        "set --date 2007-01-23 --time 09:05:00 --zone +9",
        "set --date 2007-01-23 --time 09:05:00 --zone +15:00",
        "shift --to-zone +09:00 --by +1h",
        "shift --to-zone Z",
        "shift --by 09",
        "shift --by 9:60",
        "undo",
        "undo --run nothing",
        "frobnicate",
        "--bogus info",
    };
    const FileState before = StateOf(m_good);
    for (const std::string& usage : usages) {
        const Output out = run(usage, {m_good});
        EXPECT_EQ(out.exitCode, 2) << usage;
        EXPECT_EQ(out.text, "") << usage;
        EXPECT_NE(out.err.find("tovrin-cli: "), std::string::npos) << usage;
    }
    for (const char* usage : {"", "info", "set --date 2007-01-23 --time 09:05:00"}) {
        EXPECT_EQ(run(usage).exitCode, 2) << "no file: " << usage;
    }
    EXPECT_TRUE(StateOf(m_good) == before);
    EXPECT_EQ(log(), "");
}

// Help and version answer on standard output with status 0 and read no file:
// "info --help" is help, not a photo called "--help".
TEST_F(Cli, HelpAndVersion) {
    struct Case {
        const char* usage;
        std::vector<const char*> shown;
    };
    const std::vector<Case> cases = {
        {"--help", {"info", "set", "Example", "Exit status"}},
        {"-h", {"info", "set"}},
        {"info --help", {"tovrin-cli info", "--recursive", "--files-from", "Example"}},
        {"set -h", {"--date", "--time", "--keep-time", "--only-on", "--dry-run", "--no-log"}},
        {"set --date 2007-01-23 --help", {"--dry-run"}},
        {"--version", {"tovrin-cli " TOVRIN_VERSION}},
    };
    for (const Case& c : cases) {
        const Output out = run(c.usage, {}, {"", m_dir.folder()});
        EXPECT_EQ(out.exitCode, 0) << c.usage << out.err;
        for (const char* text : c.shown)
            EXPECT_NE(out.text.find(text), std::string::npos) << c.usage << ": " << text;
        EXPECT_EQ(out.text.find("\"path\""), std::string::npos) << c.usage;
    }
}

// The moment is refused only when it lies after now: today is fine with the
// time of day kept (for a photo taken at midnight), and so is a moment
// already past.
TEST_F(Cli, MomentsNotLaterThanNowAreAccepted) {
    m_dir.write("good.jpg", test::CameraPhoto(test::Order::II, "2006:05:04 00:00:00").build());
    for (const std::string& usage :
         std::vector<std::string>{"set --dry-run --date " + Today() + " --keep-time",
                                  "set --dry-run --date " + Today() + " --time 00:00:00",
                                  "set --dry-run --date 2007:01:23 --time 09:05:00"}) {
        const Output out = run(usage, {m_good});
        EXPECT_EQ(out.exitCode, 0) << usage << out.err;
        ASSERT_EQ(out.lines.size(), 1u) << usage;
        EXPECT_EQ(out.lines[0]["changed"], true) << usage;
    }
}

// What set does to one photo, for real and as a dry run: the same line, with
// the three dates before and after; the dry run touches nothing.
TEST_F(Cli, SetAndDryRun) {
    struct Case {
        std::string usage;
        bool changed;
        std::string after;  // every date text once the run is done
    };
    const std::vector<Case> cases = {
        {"set --date 2007-01-23 --time 09:05:00", true, Chosen},
        {"set --date 2007-01-23 --keep-time", true, "2007:01:23 10:11:12"},
        {"set --date 2007-01-23 --time 09:05:00 --only-on 2006:05:04", true, Chosen},
        {"set --date 2007-01-23 --time 09:05:00 --only-on 2006-05-05", false, Original},
    };
    for (const Case& c : cases) {
        for (const bool dry : {true, false}) {
            const std::string name = m_dir.write("p.jpg", test::CameraPhoto().build());
            const FileState before = StateOf(name);
            const Output out = run(c.usage + (dry ? " --dry-run --no-log" : " --no-log"), {name});
            const std::string what = c.usage + (dry ? " (dry run)" : "");
            EXPECT_EQ(out.exitCode, 0) << what << out.err;
            ASSERT_EQ(out.lines.size(), 1u) << what;
            const Json& line = out.lines[0];
            EXPECT_EQ(line["status"], true) << what;
            EXPECT_EQ(line["changed"], c.changed) << what;
            EXPECT_EQ(line["dateWritten"], c.changed) << what;
            EXPECT_EQ(line["old"], Dates(Original)) << what;
            EXPECT_EQ(line["new"], Dates(c.after)) << what;
            if (dry || !c.changed) {
                EXPECT_TRUE(StateOf(name) == before) << what;
            } else {
                EXPECT_EQ(read(name).DateTimeDigitized, c.after) << what;
                EXPECT_EQ(read(name).DateTime, c.after) << what;
            }
        }
    }
    EXPECT_EQ(log(), "") << "--no-log";
}

// Every changed photo, and only a changed one, gets the window's log line
// beside the program: its full path and its dates from before the change.
TEST_F(Cli, SetLogsEachChangedPhoto) {
    const std::string fileDate = read(m_good).FileDateText;
    const std::string other = m_dir.write("other.jpg", test::CameraPhoto().build());
    const Output out =
        run("set --date 2007-01-23 --time 09:05:00 --only-on 2006-05-04", {m_good, m_plain, other});
    EXPECT_EQ(out.exitCode, 0) << "plain.jpg, without EXIF data, is skipped by the day filter";
    const std::string log = this->log();
    const std::regex line(R"(\d{4}/\d\d/\d\d-\d\d:\d\d:\d\d ExifData> \[パス-([^\]]*)\] )"
                          R"(\[埋込日付-([^\]]*)\] \[ファイル日付-([^\]]*)\]\r\n)");
    std::vector<std::smatch> found;
    for (std::sregex_iterator it(log.begin(), log.end(), line), end; it != end; ++it)
        found.push_back(*it);
    ASSERT_EQ(found.size(), 2u) << log;
    EXPECT_EQ(found[0].position(0), 0);
    EXPECT_EQ(found[1].position(0) + found[1].length(0), static_cast<long>(log.size()));
    EXPECT_EQ(found[0][1], m_good);
    EXPECT_EQ(found[0][2], Original);
    EXPECT_EQ(found[0][3], fileDate);
    EXPECT_EQ(found[1][1], other);

    // Nothing more is logged for a photo left unchanged, a dry run or --no-log.
    run("set --date 2007-01-23 --time 09:05:00 --only-on 2006-05-04", {m_good});
    run("set --dry-run --date 2008-01-23 --time 09:05:00", {m_good});
    run("set --no-log --date 2008-01-23 --time 09:05:00", {m_good});
    EXPECT_EQ(this->log(), log);
    EXPECT_EQ(read(m_good).DateTimeOriginal, "2008:01:23 09:05:00");
}

// A crafted photo once made a 209 MB line out of a 200 MB text, on standard
// output and in the log. Texts past 1,024 bytes are cut in the output only,
// marked by "…" and named in "cut"; the photo keeps them whole.
TEST_F(Cli, AHugeTextIsCutInEveryLineButNotInThePhoto) {
    // One APP1 segment holds at most 64 KiB, and a text is read no further
    // than its segment; escaped or quoted (\u0001) that still made lines of
    // 120 KB and more.
    test::Jpeg j = test::CameraPhoto();
    j.tiff.ifd0[0] = test::Text(0x010F, std::string(30 * 1000, 'M'));
    (*j.tiff.exif)[0] = test::Text(0x9003, Original + std::string(30 * 1000, '\x01'));
    const std::string big = m_dir.write("big.jpg", j.build());
    ASSERT_EQ(read(big).Make, std::string(30 * 1000, 'M'));
    const Output info = run("info", {big});
    ASSERT_EQ(info.lines.size(), 1u);
    EXPECT_LT(info.text.size(), 64u * 1024);
    EXPECT_EQ(info.lines[0]["Make"], std::string(1024, 'M') + "…");
    EXPECT_EQ(info.lines[0]["Model"], "Canon PowerShot S40");
    EXPECT_EQ(info.lines[0]["cut"], (Json{"DateTimeOriginal", "Make"}));

    const Output set = run("set --date 2007-01-23 --time 09:05:00", {big});
    ASSERT_EQ(set.lines.size(), 1u);
    EXPECT_LT(set.text.size(), 64u * 1024);
    EXPECT_EQ(set.lines[0]["changed"], true);
    const std::string shownNew = set.lines[0]["new"]["DateTimeOriginal"];
    EXPECT_EQ(shownNew.substr(0, 20), Chosen + "\x01");
    EXPECT_EQ(shownNew.substr(shownNew.size() - 3), "…");
    EXPECT_EQ(set.lines[0]["cut"], (Json{"old.DateTimeOriginal", "new.DateTimeOriginal"}));

    const std::string log = this->log();
    EXPECT_LT(log.size(), 64u * 1024);
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << "one line, its own end";
    EXPECT_NE(log.find("[埋込日付-" + Original + "\\x01\\x01"), std::string::npos);
    EXPECT_NE(log.find("\\x01…] [ファイル日付-"), std::string::npos);
    EXPECT_EQ(read(big).Make, std::string(30 * 1000, 'M'));
}

#ifndef _WIN32
// A name that is not UTF-8 is shown with U+FFFD and given exactly as
// "pathBytes"; the photo is still read and changed.
TEST_F(Cli, NamesThatAreNotUtf8) {
    const std::string latin1 = m_dir.write("caf\xE9.jpg", test::CameraPhoto().build());
    for (const char* usage : {"info", "set --no-log --date 2007-01-23 --time 09:05:00"}) {
        const Output out = run(usage, {latin1, m_good});
        EXPECT_EQ(out.exitCode, 0) << usage;
        ASSERT_EQ(out.lines.size(), 2u) << usage << out.text;
        EXPECT_EQ(out.lines[0]["path"], m_dir.path("caf\xEF\xBF\xBD.jpg"));
        EXPECT_EQ(out.lines[0]["pathBytes"], Hex(latin1));
        EXPECT_FALSE(out.lines[0].contains("error")) << usage;
        EXPECT_FALSE(out.lines[1].contains("pathBytes")) << "only for names that need it";
    }
    EXPECT_EQ(read(latin1).DateTimeOriginal, Chosen);
}

// -r walks a tree: photos of a folder by name (case aside), then its
// subfolders in name order; hidden entries, other files, FIFOs and links to
// folders are left out. A folder named by the user is walked even as a link.
TEST_F(Cli, RecursiveWalk) {
    const std::string root = m_dir.path("ツリー");
    for (const char* folder : {"", "/写真", "/写真/二〇〇七", "/アルバム", "/.秘密", "/empty"})
        fs::create_directories(NativePath(root + folder));
    const test::Bytes photo = test::CameraPhoto().build();
    for (const char* name :
         {"/B.jpg", "/a.JPG", "/c.jpeg", "/.hidden.jpg", "/notes.txt", "/d.jpg.bak", "/写真/2.jpg",
          "/写真/1.Jpeg", "/写真/二〇〇七/x.jpg", "/アルバム/3.jpg", "/.秘密/z.jpg"})
        test::WriteBytes(root + name, photo);
    ASSERT_EQ(mkfifo((root + "/fifo.jpg").c_str(), 0600), 0);
    fs::create_directory_symlink(NativePath(root + "/写真"), NativePath(root + "/link"));
    fs::create_symlink(NativePath(root + "/B.jpg"), NativePath(root + "/linked.jpg"));
    const std::vector<std::string> expected = {
        root + "/a.JPG",          root + "/B.jpg",
        root + "/c.jpeg",         root + "/linked.jpg",
        root + "/アルバム/3.jpg", root + "/写真/1.Jpeg",
        root + "/写真/2.jpg",     root + "/写真/二〇〇七/x.jpg",
    };

    EXPECT_EQ(paths(run("info -r", {root})), expected);
    EXPECT_EQ(paths(run("info --recursive", {root + "/"}))[0], root + "/a.JPG");
    const std::vector<std::string> viaLink = {root + "/link/1.Jpeg", root + "/link/2.jpg",
                                              root + "/link/二〇〇七/x.jpg"};
    EXPECT_EQ(paths(run("info -r", {root + "/link"})), viaLink);

    const FileState before = StateOf(root + "/写真/1.Jpeg");
    const Output dry = run("set -r --dry-run --date 2007-01-23 --time 09:05:00", {root});
    EXPECT_EQ(dry.exitCode, 0) << dry.err;
    EXPECT_EQ(paths(dry), expected);
    EXPECT_TRUE(StateOf(root + "/写真/1.Jpeg") == before);

    const Output set = run("set -r --date 2007-01-23 --time 09:05:00", {root});
    EXPECT_EQ(paths(set), expected);
    EXPECT_EQ(read(root + "/写真/二〇〇七/x.jpg").DateTimeOriginal, Chosen);
    EXPECT_EQ(read(root + "/.秘密/z.jpg").DateTimeOriginal, Original);
    EXPECT_EQ(read(root + "/.hidden.jpg").DateTimeOriginal, Original);
    EXPECT_EQ(run("info", {root + "/.hidden.jpg"}).exitCode, 0) << "named, it is a photo";
    EXPECT_NE(log().find("[パス-" + root + "/写真/二〇〇七/x.jpg]"), std::string::npos);
}
#endif

// Removes a file by its exact name however the test ends. The temporary
// folder's own cleanup goes by names that Windows trims, and would never get
// past a name ending in "." or " ".
struct RemovedAtEnd {
    std::string path;
    ~RemovedAtEnd() {
#ifdef _WIN32
        ::DeleteFileW(NativePath(path).c_str());
#else
        std::error_code ignored;
        fs::remove(NativePath(path), ignored);
#endif
    }
};

// A name that ends in "." or " " is that file and no other: Windows would
// trim it and reach "dot.jpg" beside it. Where such a file exists it is
// changed; where it does not, it is reported missing and its neighbour is
// left as it is.
TEST_F(Cli, ANameEndingInADotOrABlankReachesNoOtherFile) {
    for (const std::string neighbour : {"dot.jpg", "blank.jpg"}) {
        const std::string name = neighbour + (neighbour == "dot.jpg" ? "." : " ");
        SCOPED_TRACE("'" + name + "'");
        const std::string beside = m_dir.write(neighbour, test::CameraPhoto().build());
        const FileState before = StateOf(beside);
        const Output missing =
            run("set --no-log --date 2007-01-23 --time 09:05:00", {m_dir.path(name)});
        EXPECT_EQ(missing.exitCode, 1);
        ASSERT_EQ(missing.lines.size(), 1u) << missing.text;
        EXPECT_EQ(missing.lines[0]["error"], 53);
        // Relative names come from a list on standard input, which the
        // program reads exactly as written; an argument would be made a
        // whole path by this test's own process runner first.
        const test::ProcessOptions here{name + std::string(1, '\0'), m_dir.folder()};
        const Output relative =
            run("set --no-log --date 2007-01-23 --time 09:05:00 --files-from - -0", {}, here);
        ASSERT_EQ(relative.lines.size(), 1u) << relative.text;
        EXPECT_EQ(relative.lines[0]["path"], name);
        EXPECT_EQ(relative.lines[0]["error"], 53);
        EXPECT_TRUE(StateOf(beside) == before);

        // The file of that very name, where the system lets one be made:
        // changed itself, its neighbour still not.
        test::WriteBytes(m_dir.path(name), test::CameraPhoto().build());
        const RemovedAtEnd gone{m_dir.path(name)};
        if (!fs::exists(NativePath(m_dir.path(name)))) continue;
        const FileState itself = StateOf(m_dir.path(name));
        const Output set =
            run("set --no-log --date 2007-01-23 --time 09:05:00", {m_dir.path(name)});
        ASSERT_EQ(set.lines.size(), 1u) << set.text;
        EXPECT_EQ(set.lines[0]["changed"], true) << set.text;
        EXPECT_FALSE(StateOf(m_dir.path(name)).bytes == itself.bytes);
        EXPECT_TRUE(StateOf(beside) == before);
        const Output info = run("info --files-from - -0", {}, here);
        ASSERT_EQ(info.lines.size(), 1u) << info.text;
        EXPECT_EQ(info.lines[0]["path"], name);
        EXPECT_FALSE(info.lines[0].contains("error")) << info.text;
    }
}

// Paths past MAX_PATH (260 characters) are walked, read and changed like any
// other, never left out; on Windows a path given in the "\\?\" form stays
// as it is.
TEST_F(Cli, LongPaths) {
    std::string folder = m_dir.path("長い");
    // Past MAX_PATH in the system's own units (UTF-16 on Windows).
    while (NativePath(folder).native().size() < 300)
        folder += std::string(1, PathSeparator) + "フォルダの名前-0123456789";
    ASSERT_TRUE(fs::create_directories(NativePath(folder)));
    const std::string photo = FolderPath(folder) + "写真.jpg";
    test::WriteBytes(photo, test::CameraPhoto().build());
    const std::string second = FolderPath(folder) + "b.jpg";
    test::WriteBytes(second, test::CameraPhoto().build());

    const Output walked = run("info -r", {m_dir.path("長い")});
    EXPECT_EQ(walked.exitCode, 0) << walked.text << walked.err;
    EXPECT_EQ(paths(walked), (std::vector<std::string>{second, photo}));
    const Output set = run("set --date 2007-01-23 --time 09:05:00", {photo});
    EXPECT_EQ(set.exitCode, 0) << set.text << set.err;
    EXPECT_NE(log().find(folder), std::string::npos) << log();
    const Output info = run("info", {photo});
    ASSERT_EQ(info.lines.size(), 1u) << info.text;
    EXPECT_EQ(info.lines[0]["DateTimeOriginal"], Chosen);
    EXPECT_EQ(info.lines[0]["FileDateText"], "2007/01/23 9:05:00") << "its file time too";
#ifdef _WIN32
    // Walked in the "\\?\" form, every path found keeps that form.
    const std::string root = "\\\\?\\" + m_dir.path("長い");
    EXPECT_EQ(paths(run("info -r", {root})),
              (std::vector<std::string>{"\\\\?\\" + second, "\\\\?\\" + photo}));
    const std::string verbatim = "\\\\?\\" + second;
    const Output exact = run("set --date 2007-01-23 --time 09:05:00", {verbatim});
    ASSERT_EQ(exact.lines.size(), 1u) << exact.text;
    EXPECT_EQ(exact.lines[0]["path"], verbatim);
    EXPECT_EQ(exact.lines[0]["changed"], true) << exact.text;
    EXPECT_NE(log().find("[パス-" + verbatim + "]"), std::string::npos) << log();
    const Output listed = run("info", {"\\\\?\\" + m_good});
    ASSERT_EQ(listed.lines.size(), 1u) << listed.text;
    EXPECT_EQ(listed.lines[0]["DateTimeOriginal"], Original) << listed.text;
#endif
}

// An argument starting with "/" is a path on every system, never an option
// in the Windows style.
TEST_F(Cli, ASlashStartsAPathNotAnOption) {
    std::string slashed = m_good;
#ifdef _WIN32
    // The same photo from the root of the working folder's drive.
    slashed = slashed.substr(2);
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
#endif
    ASSERT_EQ(slashed.front(), '/');
    const Output out = run("info", {slashed}, {"", m_dir.folder()});
    EXPECT_EQ(out.exitCode, 0) << out.err;
    EXPECT_EQ(paths(out), std::vector<std::string>{slashed});
    EXPECT_EQ(run("info", {"/nothing-here.jpg"}).lines.size(), 1u);
}

#ifdef _WIN32
// The hidden or system attribute leaves an entry out of a walk as the window's
// list leaves it out (a name starting with "." is RecursiveWalk's); named on
// its own, such a photo is a photo like any other.
TEST_F(Cli, AWalkLeavesOutWhatTheWindowHides) {
    const std::string root = m_dir.path("隠し");
    fs::create_directories(NativePath(root));
    const std::string shown = FolderPath(root) + "shown.jpg";
    test::WriteBytes(shown, test::CameraPhoto().build());
    for (const auto& [name, attribute] :
         {std::pair<const char*, DWORD>{"hidden.jpg", FILE_ATTRIBUTE_HIDDEN},
          {"system.jpg", FILE_ATTRIBUTE_SYSTEM}}) {
        const std::string path = FolderPath(root) + name;
        test::WriteBytes(path, test::CameraPhoto().build());
        ::SetFileAttributesW(NativePath(path).c_str(), attribute);
        if ((::GetFileAttributesW(NativePath(path).c_str()) & attribute) == 0) {
            std::filesystem::remove(NativePath(path));
            continue;  // the file system keeps no such attribute here
        }
        EXPECT_TRUE(IsHiddenEntry(path)) << path;
        EXPECT_EQ(run("info", {path}).exitCode, 0) << path;
    }
    EXPECT_FALSE(IsHiddenEntry(shown));
    EXPECT_EQ(paths(run("info -r", {root})), std::vector<std::string>{shown});
}
#endif

// Paths from a list, piped or from a file, after those on the command line:
// one a line (a CR before the LF dropped, empty lines skipped) or NUL-ended
// with -0, in any encoding the list's decoder reads. A line that is no text is
// that line's error, and the others are still worked on.
TEST_F(Cli, FilesFrom) {
    const std::string a = m_good;
    const std::string b = m_dir.write("写真 b.jpg", test::CameraPhoto().build());
    const auto utf16 = [](const std::string& text) {  // as PowerShell 5's ">" writes it
        std::string bytes = "\xFF\xFE";
        for (const char16_t u : NativePath(text).u16string()) {
            bytes += static_cast<char>(u & 0xFF);
            bytes += static_cast<char>(u >> 8);
        }
        return bytes;
    };
    struct Case {
        std::string usage;  // then "-" or the list's file
        std::string list;
        std::vector<std::string> expected;
        int exitCode = 0;
    };
    const std::vector<Case> cases = {
        {"info --files-from", a + "\r\n\n" + b, {a, b}},
        {"info --files-from", "", {}},
        {"info -0 --files-from", a + std::string(1, '\0') + b + std::string(1, '\0'), {a, b}},
        {"info --files-from", utf16(a + "\r\n" + b + "\r\n"), {a, b}},
        {"info --files-from", "\xEF\xBB\xBF" + a + "\n\xFF.jpg\n" + b, {a, "\\xFF.jpg", b}, 1},
    };
    const std::string list = m_dir.path("list.txt");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.usage + " " + Hex(c.list));
        test::WriteBytes(list, test::Bytes(c.list.begin(), c.list.end()));
        for (const Output& out : {run(c.usage + " -", {}, {c.list, ""}), run(c.usage, {list})}) {
            EXPECT_EQ(out.exitCode, c.exitCode) << out.err;
            ASSERT_EQ(paths(out), c.expected);
            if (c.exitCode != 0) {
                EXPECT_EQ(out.lines[1]["error"], 52);
                EXPECT_EQ(out.lines[2]["DateTimeOriginal"], Original);
            }
        }
    }
    EXPECT_EQ(paths(run("info --files-from - " + a, {}, {b + "\n", ""})), (Args{a, b}));
    test::WriteBytes(list, test::Bytes(b.begin(), b.end()));
    EXPECT_EQ(paths(run("set --no-log --date 2007-01-23 --time 09:05:00 --files-from", {list})),
              Args{b});
    EXPECT_EQ(read(b).DateTimeOriginal, Chosen);
}

#ifndef _WIN32
// "--" ends the options: what follows is a path even when it starts with "-".
TEST_F(Cli, DoubleDashEndsOptions) {
    m_dir.write("-x.jpg", test::CameraPhoto().build());
    const test::ProcessOptions inDir{"", m_dir.folder()};
    const Output taken = run("info -- -x.jpg", {}, inDir);
    EXPECT_EQ(taken.exitCode, 0) << taken.err;
    EXPECT_EQ(paths(taken), std::vector<std::string>{"-x.jpg"});
    EXPECT_EQ(run("info -x.jpg", {}, inDir).exitCode, 2);
    const Output set = run("set --no-log --date 2007-01-23 --time 09:05:00 -- -x.jpg", {}, inDir);
    EXPECT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(read(m_dir.path("-x.jpg")).DateTimeOriginal, Chosen);
}
#endif

// Progress is for a person at a terminal: "n/N" redrawn on one line of
// standard error for more than one photo, unless --quiet. Piped, standard
// error stays empty and standard output holds only the JSON lines.
TEST_F(Cli, ProgressOnlyAtATerminal) {
    const Output piped = run("info", {m_good, m_good, m_good});
    EXPECT_EQ(piped.err, "");
    EXPECT_EQ(piped.lines.size(), 3u);
#ifndef _WIN32
    // script(1) gives the program a terminal; its standard output goes to
    // /dev/null, so what the terminal shows is standard error alone.
    const auto atTerminal = [&](const std::string& usage, const Args& files) {
        std::string command = test::ShellWord(m_cli) + " " + usage;
        for (const std::string& f : files) command.append(" ").append(test::ShellWord(f));
        return test::RunProcess({"script", "-qec", command + " >/dev/null", "/dev/null"});
    };
    const test::ProcessResult shown = atTerminal("info", {m_good, m_good, m_good});
    if (shown.exitCode == -1) GTEST_SKIP() << "script(1) is not installed";
    EXPECT_NE(shown.out.find("\r1/3"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("\r3/3"), std::string::npos) << shown.out;
    EXPECT_EQ(atTerminal("info --quiet", {m_good, m_good}).out, "");
    EXPECT_EQ(atTerminal("info", {m_good}).out, "") << "one photo needs no progress";
#endif
}

// A shift moves every date and can be given back; the undo is a run of its
// own that can be undone in turn; a refused photo is not touched.
TEST_F(Cli, ShiftAndUndo) {
    const FileState original = StateOf(m_good);
    Output out = run("shift --by +24:00 --days 100000", {m_good});
    EXPECT_EQ(out.exitCode, 1);
    ASSERT_EQ(out.lines.size(), 1u);
    EXPECT_EQ(out.lines[0]["refused"], "future");
    EXPECT_EQ(StateOf(m_good), original);

    out = run("shift --by -09:00 --no-log", {m_good});
    EXPECT_EQ(out.exitCode, 0) << out.err;
    ASSERT_EQ(out.lines.size(), 1u);
    EXPECT_EQ(out.lines[0]["new"]["DateTimeOriginal"], "2006:05:04 01:11:12");
    EXPECT_EQ(read(m_good).DateTime, "2006:05:04 01:11:12");

    out = run("undo --list");
    ASSERT_EQ(out.lines.size(), 1u) << out.text;
    EXPECT_EQ(out.lines[0]["kind"], "shift");
    EXPECT_EQ(out.lines[0]["photos"], 1);

    out = run("undo --last --no-log");
    EXPECT_EQ(out.exitCode, 0) << out.err;
    ASSERT_EQ(out.lines.size(), 1u);
    EXPECT_EQ(out.lines[0]["restored"], true);
    EXPECT_EQ(StateOf(m_good), original);

    // The shift is undone: "the last run" no longer means it, nor the undo
    // (which would only flip the dates back).
    EXPECT_EQ(run("undo --last --no-log").exitCode, 2);
    EXPECT_EQ(StateOf(m_good), original);
    // Undoing the undo, by its id, shifts the photo again.
    out = run("undo --list");
    ASSERT_EQ(out.lines.size(), 2u) << out.text;
    EXPECT_EQ(out.lines[1]["kind"], "undo");
    EXPECT_EQ(out.lines[1]["undoes"], out.lines[0]["run"]);
    EXPECT_EQ(run("undo --no-log --run " + out.lines[1]["run"].get<std::string>()).exitCode, 0);
    EXPECT_EQ(read(m_good).DateTimeOriginal, "2006:05:04 01:11:12");
}

// info lists every copy of the date and whether it agrees; set keeps them in
// step unless --exif-only, and says how many it wrote; a zone is written
// where the photo keeps one and refused for a shift where it keeps none.
TEST_F(Cli, CopiesOfTheDate) {
    test::Jpeg jpeg = test::CameraPhoto();
    jpeg.tiff.exif->push_back(test::Text(0x9011, "+09:00"));
    jpeg.before.push_back(
        test::XmpSegment("<rdf:Description xmp:CreateDate='2006-05-04T10:11:12+09:00' "
                         "xmp:ModifyDate='2001-01-01T00:00:00'/>"));
    jpeg.before.push_back(
        test::IptcSegment({{55, "20060504"}, {60, "101112+0900"}}, false, "match"));
    const std::string photo = m_dir.write("copies.jpg", jpeg.build());

    Output out = run("info", {photo});
    ASSERT_EQ(out.lines.size(), 1u);
    const Json& copies = out.lines[0]["copies"];
    ASSERT_EQ(copies.size(), 5u) << out.text;
    EXPECT_EQ(copies[0],
              Json::parse(R"({"where":"exif","name":"OffsetTimeOriginal","text":"+09:00"})"));
    EXPECT_EQ(copies[1]["name"], "xmp:CreateDate");
    EXPECT_EQ(copies[1]["agrees"], true);
    EXPECT_EQ(copies[2]["agrees"], false);  // ModifyDate stands for DateTime, which differs
    EXPECT_EQ(copies[3]["where"], "iptc");
    EXPECT_EQ(out.lines[0]["copiesAgree"], false);

    out = run("set --no-log --exif-only --date 2007-01-23 --time 09:05:00", {photo});
    EXPECT_EQ(out.lines[0]["copiesWritten"], 0);
    EXPECT_EQ(read(photo).DateTimeOriginal, Chosen);
    EXPECT_EQ(run("info", {photo}).lines[0]["copies"][1]["text"], "2006-05-04T10:11:12+09:00");

    out = run("set --no-log --zone -03:30 --date 2007-01-23 --time 09:05:00", {photo});
    EXPECT_EQ(out.exitCode, 0) << out.err;
    EXPECT_EQ(out.lines[0]["copies"], 4);
    EXPECT_EQ(out.lines[0]["copiesWritten"], 4);
    const Json after = run("info", {photo}).lines[0];
    EXPECT_EQ(after["copies"][0]["text"], "-03:30");
    EXPECT_EQ(after["copies"][1]["text"], "2007-01-23T09:05:00-03:30");
    EXPECT_EQ(after["copies"][4]["text"], "090500-0330");
    EXPECT_EQ(after["copiesAgree"], true);

    // To a zone from the one stored: the local times move by the difference.
    const FileState noZone = StateOf(m_good);
    out = run("shift --no-log --to-zone +09:00", {photo, m_good});
    EXPECT_EQ(out.exitCode, 1);
    EXPECT_EQ(out.lines[0]["new"]["DateTimeOriginal"], "2007:01:23 21:35:00");
    EXPECT_EQ(out.lines[1]["refused"], "no zone");
    EXPECT_EQ(StateOf(m_good), noZone);
    EXPECT_EQ(run("info", {photo}).lines[0]["copies"][1]["text"], "2007-01-23T21:35:00+09:00");
}

}  // namespace
}  // namespace tovrin
