#include "run/date_setting_run.h"
#include "run/journal.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exif/photo_update.h"
#include "exif/reader.h"
#include "exif/runtime_error.h"
#include "run_test_support.h"

namespace tovrin::test {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// Every copied photo starts with this file time; the log shows its hour unpadded.
const std::string OldFileTime = "2006/05/04 08:11:12";
// The embedded dates of the photos the runs change. MWG.jpg has no IFD0 date,
// only DateTimeOriginal, and still counts as changed; FotoStation.jpg has no EXIF data.
const std::map<std::string, std::string> Before = {{"11-tests.jpg", "2007:09:03 16:03:45"},
                                                   {"FujiFilm.jpg", "2001:05:19 18:36:41"},
                                                   {"MWG.jpg", "2001:01:01 01:11:11"},
                                                   {"Nikon.jpg", "2001:08:01 12:57:23"},
                                                   {"Sony.jpg", "2003:12:18 13:51:33"}};

const ShownBox Confirm{"フォルダ内の対象ファイルが全て同じ日付になります。\r\nよろしいですか？",
                       MsgButtons::OkCancel};
const ShownBox NothingDone{"変換対象のファイルが存在しませんでした。", MsgButtons::Ok,
                           MsgIcon::Information, "処理完了"};

ShownBox Done(int count) {
    return {"対象のファイル、 " + std::to_string(count) + "件を処理が完了しました。",
            MsgButtons::Ok, MsgIcon::Information, "処理完了"};
}

const ShownBox NoExif{"ファイルの日付情報が取得できません\r\nFotoStation.jpgの更新に失敗しました"};

ShownBox RunError(int number, const std::string& description) {
    std::string text = "Error\r\n実行時エラー:" + std::to_string(number) + ":" + description + ":";
    if (number == 53) text += "\r\n処理を強制終了します。ファイル一覧を再表示します。";
    return {text, MsgButtons::Ok, MsgIcon::Critical};
}

// A file list over a plain vector. It records what the run asks of the window
// as events ("select a.jpg", "readout a.jpg", "info …", "clear", "fit /path",
// "reload", "select first"); onEvent lets a test strike at any of them.
class FakeRunHost : public RunHost {
public:
    std::string folder() const override { return listFolder; }
    int fileCount() const override { return static_cast<int>(names.size()); }
    std::string fileName(int index) const override { return names.at(index); }
    bool isSelected(int index) const override { return selected.at(index); }
    void selectInCode(int index) override {
        selected.at(index) = true;
        current = index;
        picked.push_back(names[index]);
        record("select " + names[index]);
        showSelectedPhoto();
    }
    void reloadFileList() override {
        std::set<std::string> found;
        for (const auto& entry : fs::directory_iterator(NativePath(listFolder))) {
            found.insert(Utf8Path(entry.path().filename()));
        }
        setList({found.begin(), found.end()}, {});
        record("reload");
    }
    void selectFirstEntry() override {
        setList(names, {0});
        record("select first");
        showSelectedPhoto();
    }
    void selectEntry(int index) override {
        setList(names, {index});
        record("select only " + names.at(index));
        showSelectedPhoto();
    }
    void showSelectedPhoto() override { record("readout " + (current >= 0 ? names[current] : "")); }
    DateChoice dateChoice() const override { return choice; }
    bool wholeFolderChecked() const override { return ikkatu; }
    void setInformationText(const std::string& text) override { record("info " + text); }
    void clearThumbnail() override { record("clear"); }
    void showThumbnail(const std::string& fullPath) override { record("fit " + fullPath); }
    MessageBoxes& messageBoxes() override { return boxes; }
    std::string logFolder() const override { return appFolder; }
    LocalDateTime now() const override { return {2024, 5, 10, 12, 34, 56}; }
    std::string journalFolder() const override { return journalDir; }
    void setRunning(bool on) override { running.push_back(on); }
    void showProgress(int done, int total, const std::string& name) override {
        progress.push_back(std::to_string(done) + "/" + std::to_string(total) + " " + name);
        record("progress " + name);
    }
    bool stopRequested() override { return stopAfter >= 0 && ++handled >= stopAfter; }

    // The list as the user left it.
    void setList(const Names& entries, const std::vector<int>& chosen) {
        names = entries;
        selected.assign(names.size(), false);
        for (const int i : chosen) selected.at(i) = true;
        current = chosen.empty() ? -1 : chosen.back();
    }
    // Progress reports reach onEvent only, so event lists stay about the list.
    void record(const std::string& event) {
        if (event.rfind("progress ", 0) != 0) events.push_back(event);
        if (onEvent) onEvent(event);
    }

    std::string listFolder, appFolder, journalDir;
    Names names, events, picked;  // picked: entries selected in code
    std::vector<bool> selected;
    int current = -1;
    DateChoice choice;
    bool ikkatu = false;
    FakeBoxes boxes;
    std::function<void(const std::string& event)> onEvent;
    std::vector<bool> running;  // setRunning calls
    Names progress;             // "done/total name" before each photo
    int stopAfter = -1;         // the user stops after this many photos
    int handled = 0;
};

// Runs on copies of corpus photos; the log goes to a folder of its own.
class RunTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (CorpusPhotos().empty()) GTEST_SKIP() << "no photo corpus (TOVRIN_CORPUS_DIR); skipped";
        // The window gives its folder without a separator at the end.
        host.listFolder = m_photos.folder().substr(0, m_photos.folder().size() - 1);
        host.appFolder = m_logs.folder();
        host.journalDir = m_journals.folder();
        // The filter day is the capture day of Nikon.jpg; FujiFilm.jpg was taken in that year.
        host.choice = {.date = {2007, 1, 23}, .time = {9, 5, 0}, .filterDate = {2001, 8, 1}};
    }

    // Copies the photos into the list folder, lists them in this order and
    // checks the boxes named in `options`: I ChkIkkatu, U ChkUme, H ChkHoji.
    void use(const Names& files, const std::vector<int>& chosen, const std::string& options = "") {
        for (const std::string& name : files) {
            m_photos.copy(CorpusPhotos() + name, name);
            SetLocalFileTime(photo(name), OldFileTime);
        }
        host.setList(files, chosen);
        host.ikkatu = options.find('I') != std::string::npos;
        host.choice.filterOn = options.find('U') != std::string::npos;
        host.choice.keepTime = options.find('H') != std::string::npos;
    }

    std::string photo(const std::string& name) const { return m_photos.path(name); }

    bool untouched(const std::string& name) const {
        return ReadBytes(photo(name)) == ReadBytes(CorpusPhotos() + name) &&
               LocalFileTime(photo(name)) == OldFileTime;
    }

    std::string embeddedDate(const std::string& name) const {
        PhotoInfo info;
        ReadPhotoInfo(m_photos.folder(), name, info);
        return info.DateTimeOriginal;
    }

    // The photo carries 2007-01-23 in its EXIF data and its file time; with
    // ChkHoji each keeps its own time of day.
    void expectChanged(const std::string& name) const {
        const bool keep = host.choice.keepTime;
        EXPECT_EQ(embeddedDate(name),
                  "2007:01:23" + (keep ? Before.at(name).substr(10) : " 09:05:00"))
            << name;
        EXPECT_EQ(LocalFileTime(photo(name)), keep ? "2007/01/23 08:11:12" : "2007/01/23 09:05:00")
            << name;
    }

    // The log line of a change of this photo from its corpus state.
    std::string logLine(const std::string& name) const {
        return InLogEncoding("2024/05/10-12:34:56 ExifData> [パス-" + photo(name) + "] [埋込日付-" +
                             Before.at(name) + "] [ファイル日付-2006/05/04 8:11:12]\r\n");
    }

    std::string logText() const {
        return fs::exists(NativePath(m_logs.path("Date20240510.log")))
                   ? FileText(m_logs.path("Date20240510.log"))
                   : "no log";
    }

    // A Japanese folder name on the way, as the users' photos have.
    TempDir m_photos{"写真"};
    TempDir m_logs;
    TempDir m_journals;
    FakeRunHost host;
    DateSettingRun run{host};
};

// ---------------------------------------------------------------- targets, summary and outcome

struct OutcomeCase {
    const char* label;
    Names files;
    std::vector<int> chosen;
    std::string options;
    Names changed;
    Boxes boxes;
    friend void PrintTo(const OutcomeCase& c, std::ostream* os) { *os << c.label; }
};

class Outcome : public RunTest, public ::testing::WithParamInterface<OutcomeCase> {};

TEST_P(Outcome, ChangesLogsAndReportsTheTargets) {
    const OutcomeCase& c = GetParam();
    use(c.files, c.chosen, c.options);

    run.SetDates();

    EXPECT_EQ(host.boxes.shown, c.boxes);
    std::string log;
    for (const std::string& name : c.files) {
        if (std::count(c.changed.begin(), c.changed.end(), name) == 0) {
            EXPECT_TRUE(untouched(name)) << name;
            continue;
        }
        expectChanged(name);
        log += logLine(name);
    }
    EXPECT_EQ(logText(), log.empty() ? "no log" : log);
    // Whole-folder runs select every entry, in list order, as they go.
    EXPECT_EQ(host.picked, host.ikkatu ? c.files : Names{});
    EXPECT_FALSE(run.DateWritten());
}

const Names Four = {"11-tests.jpg", "FujiFilm.jpg", "Nikon.jpg", "Sony.jpg"};
const Names Three = {"11-tests.jpg", "Nikon.jpg", "Sony.jpg"};
const Names Nikon = {"Nikon.jpg"};
const Names MwgNikon = {"MWG.jpg", "Nikon.jpg"};
const Names NikonFoto = {"Nikon.jpg", "FotoStation.jpg"};
const std::vector<int> Sel = {0, 2, 3};  // without ChkIkkatu FujiFilm.jpg is no target

// One change is summarised only when the readout does not already show it.
INSTANTIATE_TEST_SUITE_P(
    Table, Outcome,
    ::testing::ValuesIn(std::vector<OutcomeCase>{
        {"selected", Four, Sel, "", Three, {Done(3)}},
        {"selected_keep_time", Four, Sel, "H", Three, {Done(3)}},
        {"selected_filtered", Four, Sel, "U", Nikon, {Done(1)}},
        {"selected_filtered_keep_time", Four, Sel, "UH", Nikon, {Done(1)}},
        {"folder", Four, Sel, "I", Four, {Confirm, Done(4)}},
        {"folder_keep_time", Four, Sel, "IH", Four, {Done(4)}},
        {"folder_filtered", Four, Sel, "IU", Nikon, {Confirm, Done(1)}},
        {"folder_filtered_keep_time", Four, Sel, "IUH", Nikon, {Done(1)}},
        {"one_selected_changed", {"Nikon.jpg", "Sony.jpg"}, {0}, "H", Nikon, {}},
        {"folder_one_changed_is_last", {"Sony.jpg", "Nikon.jpg"}, {}, "IUH", Nikon, {}},
        {"folder_later_entry_unchanged", {"Nikon.jpg", "Sony.jpg"}, {}, "IUH", Nikon, {Done(1)}},
        {"no_ifd0_date_still_changed", {"MWG.jpg"}, {0}, "H", {"MWG.jpg"}, {}},
        {"no_ifd0_date_among_others", MwgNikon, {}, "IH", MwgNikon, {Done(2)}},
        {"filter_one_selected_changed", Nikon, {0}, "UH", Nikon, {}},
        {"filter_failure", NikonFoto, {0, 1}, "UH", Nikon, {NoExif, Done(1)}},
        {"processed_not_changed", {"Sony.jpg"}, {0}, "UH", {}, {NothingDone}},
        {"filter_no_photo_on_the_day", {"11-tests.jpg", "Sony.jpg"}, {}, "IUH", {}, {NothingDone}},
        {"nothing_selected", Nikon, {}, "", {}, {NothingDone}},
        {"empty_folder", {}, {}, "I", {}, {Confirm, NothingDone}}}),
    [](const auto& info) { return std::string(info.param.label); });

// ---------------------------------------------------------------- refusals before any change

// Cancel comes first and changes nothing; then the folder check refuses the
// run because an entry, not even a target, has gone.
TEST_F(RunTest, CancelOrAVanishedFileRefusesTheRunBeforeAnyChange) {
    use({"11-tests.jpg", "Nikon.jpg", "Sony.jpg"}, {0, 2}, "I");
    fs::remove(NativePath(photo("Nikon.jpg")));
    host.boxes.okCancelAnswer = MsgAnswer::Cancel;
    run.SetDates();
    EXPECT_EQ(host.boxes.shown, Boxes{Confirm});
    EXPECT_TRUE(host.events.empty());

    host.boxes.okCancelAnswer = MsgAnswer::Ok;
    run.SetDates();
    const ShownBox folderChanged{
        "フォルダ内のファイル情報が更新された為、ファイル一覧を更新します。\r\n\r\n"
        "再度、「 埋込日付設定実行 」を行って下さい。",
        MsgButtons::Ok, MsgIcon::Exclamation};
    EXPECT_EQ(host.boxes.shown, (Boxes{Confirm, Confirm, folderChanged}));
    EXPECT_EQ(host.events, (Names{"reload", "select first", "readout 11-tests.jpg"}));
    EXPECT_EQ(host.names, (Names{"11-tests.jpg", "Sony.jpg"}));
    EXPECT_EQ(host.selected, (std::vector<bool>{true, false}));
    EXPECT_TRUE(untouched("11-tests.jpg") && untouched("Sony.jpg"));
    EXPECT_EQ(logText(), "no log");
}

TEST_F(RunTest, AFutureMomentIsRefusedBeforeTheConfirmation) {
    use(Nikon, {0}, "I");
    host.choice.date = {2024, 5, 10};
    host.choice.time = {12, 34, 57};
    run.SetDates();
    EXPECT_EQ(
        host.boxes.shown,
        (Boxes{{"現在より先の日時は設定できません。", MsgButtons::Ok, MsgIcon::Exclamation}}));
    EXPECT_TRUE(host.events.empty());
    EXPECT_TRUE(untouched("Nikon.jpg"));
}

TEST(IsFutureChoice, ComparesWithNowToTheSecondOrWithChkHojiToTheDay) {
    const auto future = [](CalendarDate date, TimeOfDay time, bool keepTime) {
        return IsFutureChoice({.date = date, .time = time, .keepTime = keepTime, .filterDate = {}},
                              {2024, 5, 10, 12, 34, 56});
    };
    EXPECT_FALSE(future({2024, 5, 10}, {12, 34, 56}, false));
    EXPECT_TRUE(future({2024, 5, 10}, {12, 35, 0}, false));
    EXPECT_TRUE(future({2024, 6, 1}, {0, 0, 0}, false));
    EXPECT_TRUE(future({2024, 5, 11}, {0, 0, 0}, true));
    EXPECT_FALSE(future({2024, 4, 30}, {23, 59, 59}, true));
}

// ---------------------------------------------------------------- failures during the loop

TEST_F(RunTest, APhotoWithoutExifIsReportedAndTheRunGoesOn) {
    use({"Nikon.jpg", "FotoStation.jpg", "Sony.jpg"}, {}, "IH");
    run.SetDates();
    EXPECT_EQ(host.boxes.shown, (Boxes{NoExif, Done(2)}));
    EXPECT_EQ(host.events, (Names{"select Nikon.jpg", "readout Nikon.jpg", "readout Nikon.jpg",
                                  "select FotoStation.jpg", "readout FotoStation.jpg",
                                  "info ファイルの日付情報が取得できません", "clear",
                                  "fit " + photo("FotoStation.jpg"), "select Sony.jpg",
                                  "readout Sony.jpg", "readout Sony.jpg"}));
    EXPECT_EQ(logText(), logLine("Nikon.jpg") + logLine("Sony.jpg"));
}

// The fault strikes at the first event that starts with `at`; without an
// action FotoStation.jpg is locked instead.
struct ErrorCase {
    const char* label;
    std::string at;
    std::function<void(const std::string& path)> action;
    ShownBox box;
    friend void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.label; }
};

class RunErrors : public RunTest, public ::testing::WithParamInterface<ErrorCase> {};

// The list is Nikon.jpg, FotoStation.jpg, Sony.jpg; the fault strikes the second
// entry, after Nikon.jpg was changed.
TEST_P(RunErrors, EndTheRunAtOnceAndKeepEarlierChanges) {
    const ErrorCase& c = GetParam();
    use({"Nikon.jpg", "FotoStation.jpg", "Sony.jpg"}, {}, "IH");
    std::optional<ReadOnlyFile> locked;
    if (!c.action && !locked.emplace(photo("FotoStation.jpg")).ok)
        GTEST_SKIP() << "cannot make the photo read-only";
    host.onEvent = [&](const std::string& event) {
        if (c.action && event.rfind(c.at, 0) == 0) c.action(photo("FotoStation.jpg"));
    };
    run.SetDates();
    EXPECT_EQ(host.boxes.shown, Boxes{c.box});
    expectChanged("Nikon.jpg");
    EXPECT_TRUE(untouched("Sony.jpg"));
    EXPECT_EQ(logText(), logLine("Nikon.jpg"));
    // Only a vanished file reloads the list; otherwise the photo that failed is
    // the one selected afterwards, so the user sees which it was.
    EXPECT_EQ(host.names.size(), c.at == "select FotoStation.jpg" ? 2u : 3u);
    if (host.names.size() == 3) {
        EXPECT_EQ(host.selected, (std::vector<bool>{false, true, false}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, RunErrors,
    ::testing::Values(ErrorCase{"vanishes_at_its_turn", "select FotoStation.jpg",
                                [](const std::string& path) { fs::remove(NativePath(path)); },
                                RunError(53, "ファイルが見つかりません。")},
                      ErrorCase{"unknown_exception", "readout FotoStation.jpg",
                                [](auto&) { throw 42; }, RunError(5, "予期しないエラー")},
                      ErrorCase{"locked_photo", "", nullptr, RunError(70, "書き込みできません。")}),
    [](const auto& info) { return std::string(info.param.label); });

// A picture that cannot be decoded costs its thumbnail, never the run.
TEST_F(RunTest, AnUndecodablePictureLeavesAnEmptyThumbnail) {
    use({"Nikon.jpg", "FotoStation.jpg", "Sony.jpg"}, {}, "IH");
    host.onEvent = [&](const std::string& event) {
        if (event.rfind("fit ", 0) == 0 || event == "readout Sony.jpg") throw RuntimeError(481);
    };
    run.SetDates();
    EXPECT_EQ(host.boxes.shown, (Boxes{NoExif, Done(2)}));
    expectChanged("Sony.jpg");
    EXPECT_EQ(logText(), logLine("Nikon.jpg") + logLine("Sony.jpg"));
}

// ---------------------------------------------------------------- the run's own course

// The choice and the targets are read once: a date changed and a list
// reloaded while the run works reach no photo.
TEST_F(RunTest, TheChoiceIsTakenOnceAtTheStart) {
    use({"Nikon.jpg", "Sony.jpg", "11-tests.jpg"}, {0, 1});
    host.onEvent = [&](const std::string& event) {
        if (event != "readout Nikon.jpg") return;
        host.choice.date = {2099, 1, 1};
        host.choice.keepTime = true;
        host.setList({"11-tests.jpg", "Sony.jpg", "Nikon.jpg"}, {0});
    };
    run.SetDates();
    expectChanged("Nikon.jpg");
    expectChanged("Sony.jpg");
    EXPECT_TRUE(untouched("11-tests.jpg"));
    EXPECT_EQ(host.progress, (Names{"0/2 Nikon.jpg", "1/2 Sony.jpg"}));
    EXPECT_EQ(host.running, (std::vector<bool>{true, false}));
}

// With the time of day kept, a photo's own time can lie later today than
// now: that photo is left as it is and reported, the others go on.
TEST_F(RunTest, KeepTimeNeverWritesAFutureMoment) {
    use({"MWG.jpg", "Nikon.jpg"}, {0, 1}, "H");
    host.choice.date = {2024, 5, 10};  // today; MWG.jpg was taken at 01:11, Nikon.jpg at 12:57
    run.SetDates();
    EXPECT_EQ(host.boxes.shown,
              (Boxes{{"Nikon.jpgは現在より先の日時になるため変更しませんでした"}}));
    EXPECT_EQ(embeddedDate("MWG.jpg"), "2024:05:10 01:11:11");
    EXPECT_TRUE(untouched("Nikon.jpg"));
    EXPECT_EQ(logText(), logLine("MWG.jpg"));
}

// Stopping ends the run after the photo at hand, with the summary of what was done.
TEST_F(RunTest, AStoppedRunReportsWhatItDid) {
    use(Four, {}, "IH");
    host.stopAfter = 2;
    run.SetDates();
    EXPECT_EQ(host.boxes.shown, Boxes{Done(2)});
    expectChanged("11-tests.jpg");
    expectChanged("FujiFilm.jpg");
    EXPECT_TRUE(untouched("Nikon.jpg") && untouched("Sony.jpg"));
    EXPECT_EQ(host.running, (std::vector<bool>{true, false}));
}

// Every change is journaled before it is made: a run cut short by an error
// is given back completely for what it wrote.
TEST_F(RunTest, AJournaledRunCanBeGivenBack) {
    use(Four, {}, "IH");
    host.onEvent = [&](const std::string& event) {
        if (event == "select Nikon.jpg") throw RuntimeError(error::DeviceIo);
    };
    run.SetDates();
    EXPECT_EQ(host.boxes.shown, Boxes{RunError(57, "デバイス I/O エラーです。")});
    const std::vector<std::string> ids = JournalIds(host.journalFolder());
    ASSERT_EQ(ids.size(), 1u);
    const JournalRun journal = ReadJournal(host.journalFolder(), ids[0]);
    EXPECT_EQ(journal.kind, "window");
    ASSERT_EQ(journal.changes.size(), 2u);
    EXPECT_EQ(journal.changes[1].path, photo("FujiFilm.jpg"));
    for (const PendingChange& change : journal.changes)
        EXPECT_EQ(RestorePhotoDates(change), Restore::Restored);
    for (const std::string& name : Four) EXPECT_TRUE(untouched(name)) << name;
}

// A shift goes through the same run, and the last run can be given back,
// except for a photo changed since.
TEST_F(RunTest, ShiftThenUndoTheLastRun) {
    use({"Nikon.jpg", "Sony.jpg", "11-tests.jpg"}, {0, 1});
    run.ShiftDates(-9 * 3600);
    EXPECT_EQ(host.boxes.shown, Boxes{Done(2)});
    EXPECT_EQ(embeddedDate("Nikon.jpg"), "2001:08:01 03:57:23");
    EXPECT_EQ(embeddedDate("Sony.jpg"), "2003:12:18 04:51:33");
    EXPECT_EQ(LocalFileTime(photo("Nikon.jpg")), "2001/08/01 03:57:23");
    EXPECT_EQ(logText(), logLine("Nikon.jpg") + logLine("Sony.jpg"));
    EXPECT_TRUE(untouched("11-tests.jpg"));

    // Sony.jpg is changed once more by hand before the undo.
    host.boxes.shown.clear();
    ASSERT_TRUE(UpdatePhotoDate(m_photos.folder(), "Sony.jpg", host.choice).result.changed);
    run.UndoRecordedRun();
    ASSERT_EQ(host.boxes.shown.size(), 2u);
    EXPECT_EQ(host.boxes.shown[0].text,
              "直前の処理で変更した写真 2件を元に戻します。\r\nよろしいですか？");
    EXPECT_EQ(host.boxes.shown[1].text,
              "1件を元に戻しました。\r\n\r\n変更後に書き換えられたため、次の写真は元に戻していませ"
              "ん:\r\n" +
                  photo("Sony.jpg"));
    EXPECT_TRUE(untouched("Nikon.jpg"));
    EXPECT_EQ(embeddedDate("Sony.jpg"), "2007:01:23 09:05:00");

    // The shift is given back as far as it could be: a second undo does not
    // undo the undo (flipping the dates back), it looks further back.
    host.boxes.shown.clear();
    run.UndoRecordedRun();
    EXPECT_EQ(host.boxes.shown,
              (Boxes{{"元に戻せる処理がありません。", MsgButtons::Ok, MsgIcon::Information}}));
    EXPECT_TRUE(untouched("Nikon.jpg"));
}

// ---------------------------------------------------------------- the log

TEST_F(RunTest, AnUnwritableLogFolderCostsABoxPerPhotoNotTheRun) {
    use({"Nikon.jpg", "Sony.jpg"}, {0, 1});
    const Immutable locked(m_logs.folder());
    if (!locked.ok) GTEST_SKIP() << "no immutable folders here (chattr +i; Windows has none)";
    run.SetDates();
    const ShownBox logError{"ログ出力時にエラーが発生しました。\r\n(70) 書き込みできません。",
                            MsgButtons::Ok, MsgIcon::Critical, "ログ出力エラー"};
    EXPECT_EQ(host.boxes.shown, (Boxes{logError, logError, Done(2)}));
    expectChanged("Nikon.jpg");
    expectChanged("Sony.jpg");
    EXPECT_EQ(logText(), "no log");
}

}  // namespace
}  // namespace tovrin::test
