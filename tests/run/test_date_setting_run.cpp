#include "date_setting_run.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "fake_run_host.h"
#include "reader.h"
#include "run_test_support.h"
#include "runtime_error.h"

namespace tovrin::test {
namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------- fixed moments

const LocalDateTime Clock{2024, 5, 10, 12, 34, 56};
const std::string TodaysLog = "Date20240510.log";
const std::string Stamp = "2024/05/10-12:34:56 ";
// Every copied photo starts with this file time.
const LocalDateTime OldFileTime{2006, 5, 4, 10, 11, 12};
const std::string OldFileDateText = "2006/05/04 10:11:12";

const CalendarDate ChosenDate{2007, 1, 23};
const TimeOfDay ChosenTime{9, 5, 0};
// The capture day of Nikon.jpg; FujiFilm.jpg was taken in the same year.
const CalendarDate FilterDay{2001, 8, 1};

// ---------------------------------------------------------------- the boxes

const ShownBox Confirm{"フォルダ内の対象ファイルが全て同じ日付になります。\r\nよろしいですか？",
                       MsgButtons::OkCancel, MsgIcon::None, "Tovrin"};
const ShownBox NothingDone{"変換対象のファイルが存在しませんでした。", MsgButtons::Ok,
                           MsgIcon::Information, "処理完了"};
const ShownBox FolderChanged{
    "フォルダ内のファイル情報が更新された為、ファイル一覧を更新します。\r\n\r\n"
    "再度、「 埋込日付設定実行 」を行って下さい。",
    MsgButtons::Ok, MsgIcon::Exclamation, "Tovrin"};
const ShownBox Future{"現在より先の日時は設定できません。", MsgButtons::Ok, MsgIcon::Exclamation,
                      "Tovrin"};

ShownBox Done(int count) {
    return {"対象のファイル、 " + std::to_string(count) + "件を処理が完了しました。",
            MsgButtons::Ok, MsgIcon::Information, "処理完了"};
}

ShownBox Failed(const std::string& name) {
    return {"ファイルの日付情報が取得できません\r\n" + name + "の更新に失敗しました",
            MsgButtons::Ok, MsgIcon::None, "Tovrin"};
}

ShownBox RunError(int number, const std::string& description) {
    std::string text = "Error\r\n実行時エラー:" + std::to_string(number) + ":" + description + ":";
    if (number == 53) text += "\r\n処理を強制終了します。ファイル一覧を再表示します。";
    return {text, MsgButtons::Ok, MsgIcon::Critical, "Tovrin"};
}

ShownBox LogError(const std::string& detail) {
    return {"ログ出力時にエラーが発生しました。\r\n" + detail, MsgButtons::Ok, MsgIcon::Critical,
            "ログ出力エラー"};
}

// ---------------------------------------------------------------- the corpus

// What the manifest says about a photo before any change.
struct Known {
    int status = 0;
    std::string dateTimeOriginal;
    bool writerStatus = false;
    bool dateWritten = false;
    int dateTimeOriginalAt = 0;  // 1-based position of the 0x9003 text, 0 when not written
};

std::map<std::string, Known> LoadManifest(const std::string& corpus) {
    std::map<std::string, Known> known;
    QFile file(QString::fromStdString(corpus + "manifest.json"));
    if (!file.open(QIODevice::ReadOnly)) return known;
    const QJsonObject files = QJsonDocument::fromJson(file.readAll()).object()["files"].toObject();
    for (auto it = files.begin(); it != files.end(); ++it) {
        const QJsonObject f = it.value().toObject();
        const QJsonObject expected = f["expected"].toObject();
        const QJsonObject w1 = f["write"].toObject()["W1"].toObject();
        Known k{expected["status"].toInt(), expected["DateTimeOriginal"].toString().toStdString(),
                w1["status"].toBool(), w1["date_written"].toBool()};
        for (const QJsonValue write : w1["writes"].toArray()) {
            if (write["tag"].toString() == "9003") k.dateTimeOriginalAt = write["pos"].toInt();
        }
        known[it.key().toStdString()] = k;
    }
    return known;
}

// Photos the tests use, with what each must be for the test to mean anything.
enum class Role { Changes, ProcessedUnchanged, NoExif };
const std::map<std::string, Role> Cast = {
    {"11-tests.jpg", Role::Changes},       {"FujiFilm.jpg", Role::Changes},
    {"Nikon.jpg", Role::Changes},          {"Sony.jpg", Role::Changes},
    {"MWG.jpg", Role::ProcessedUnchanged}, {"smiley1.jpg", Role::NoExif}};

const std::vector<std::string> Four = {"11-tests.jpg", "FujiFilm.jpg", "Nikon.jpg", "Sony.jpg"};

class RunTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_corpus = CorpusFolder();
        if (m_corpus.empty()) GTEST_SKIP() << "TOVRIN_CORPUS_DIR holds no corpus; skipped";
        m_known = LoadManifest(m_corpus);
        for (const auto& [name, role] : Cast) {
            ASSERT_TRUE(m_known.count(name)) << name << " missing from the manifest";
            const Known& k = m_known[name];
            switch (role) {
                case Role::Changes:
                    ASSERT_TRUE(k.status > 0 && k.writerStatus && k.dateWritten &&
                                k.dateTimeOriginal.size() == 19)
                        << name;
                    break;
                case Role::ProcessedUnchanged:
                    ASSERT_TRUE(k.status > 0 && k.writerStatus && !k.dateWritten) << name;
                    break;
                case Role::NoExif:
                    ASSERT_TRUE(k.status == 0 && !k.writerStatus) << name;
                    break;
            }
        }
        ASSERT_FALSE(m_photos.folder().empty());
        ASSERT_FALSE(m_logs.folder().empty());

        // The window gives its folder without a separator at the end.
        host.listFolder = m_photos.folder().substr(0, m_photos.folder().size() - 1);
        host.appFolder = m_logs.folder();
        host.clock = Clock;
        host.choice.date = ChosenDate;
        host.choice.time = ChosenTime;
        host.choice.filterDate = FilterDay;
    }

    // Copies the photos into the list folder and lists them in this order.
    void usePhotos(const std::vector<std::string>& names, const std::vector<int>& chosen = {}) {
        for (const std::string& name : names) {
            fs::copy_file(m_corpus + "photos/" + name, photo(name),
                          fs::copy_options::overwrite_existing);
            SetLocalFileTime(photo(name), OldFileTime);
        }
        host.setList(names, chosen);
    }

    void setOptions(bool ikkatu, bool ume, bool hoji) {
        host.ikkatu = ikkatu;
        host.choice.filterOn = ume;
        host.choice.keepTime = hoji;
    }

    std::string photo(const std::string& name) const { return m_photos.path(name); }

    bool untouched(const std::string& name) const {
        return FileText(photo(name)) == FileText(m_corpus + "photos/" + name) &&
               LocalFileTime(photo(name)) == OldFileTime;
    }

    std::string embeddedDate(const std::string& name) const {
        PhotoInfo info;
        ReadPhotoInfo(m_photos.folder(), name, info);
        return info.DateTimeOriginal;
    }

    // The photo carries the chosen date in its EXIF data and its file time.
    void expectChanged(const std::string& name) const {
        const std::string before = m_known.at(name).dateTimeOriginal;
        const bool keep = host.choice.keepTime;
        const CalendarDate& d = host.choice.date;
        char date[16];
        std::snprintf(date, sizeof date, "%04d:%02d:%02d", d.year, d.month, d.day);
        EXPECT_EQ(embeddedDate(name),
                  keep ? date + before.substr(10) : std::string(date) + " 09:05:00")
            << name;
        const LocalDateTime expected = keep ? LocalDateTime{d.year,
                                                            d.month,
                                                            d.day,
                                                            OldFileTime.hour,
                                                            OldFileTime.minute,
                                                            OldFileTime.second}
                                            : LocalDateTime{d.year, d.month, d.day, 9, 5, 0};
        EXPECT_EQ(LocalFileTime(photo(name)), expected) << name;
    }

    // The line a change of this photo from the corpus state writes.
    std::string firstLogLine(const std::string& name) const {
        return Stamp + "ExifData> [パス-" + photo(name) + "] [埋込日付-" +
               m_known.at(name).dateTimeOriginal + "] [ファイル日付-" + OldFileDateText + "]";
    }

    std::vector<std::string> logLines() const {
        std::vector<std::string> lines;
        const std::string text = FileText(m_logs.path(TodaysLog));
        std::size_t from = 0;
        for (std::size_t end; (end = text.find("\r\n", from)) != std::string::npos;
             from = end + 2) {
            lines.push_back(text.substr(from, end - from));
        }
        EXPECT_EQ(from, text.size()) << "the log must end with CR LF";
        return lines;
    }

    bool logExists() const { return fs::exists(m_logs.path(TodaysLog)); }

    std::string m_corpus;
    std::map<std::string, Known> m_known;
    TempFolder m_photos;
    TempFolder m_logs;
    FakeRunHost host;
    DateSettingRun run{host};
};

// ---------------------------------------------------------------- targets and outcome

struct ComboCase {
    const char* label;
    bool ikkatu;
    bool ume;
    bool hoji;
    std::vector<std::string> changed;  // in list order
    bool confirmation;
    int summary;  // the count in the summary box
    friend void PrintTo(const ComboCase& c, std::ostream* os) { *os << c.label; }
};

class Combinations : public RunTest, public ::testing::WithParamInterface<ComboCase> {};

TEST_P(Combinations, HandleChangeConfirmAndSummarise) {
    const ComboCase& c = GetParam();
    usePhotos(Four, {0, 2, 3});  // without ChkIkkatu: FujiFilm.jpg is not a target
    setOptions(c.ikkatu, c.ume, c.hoji);

    run.CmdExe_Click();

    std::vector<ShownBox> boxes;
    if (c.confirmation) boxes.push_back(Confirm);
    boxes.push_back(Done(c.summary));
    EXPECT_EQ(host.boxes.shown, boxes);

    std::vector<std::string> lines;
    for (const std::string& name : Four) {
        if (std::find(c.changed.begin(), c.changed.end(), name) != c.changed.end()) {
            expectChanged(name);
            lines.push_back(firstLogLine(name));
        } else {
            EXPECT_TRUE(untouched(name)) << name;
        }
    }
    EXPECT_EQ(logLines(), lines);

    // Whole-folder runs select every entry, in list order, as they go.
    const std::vector<std::string> selects = host.eventsStartingWith("select ");
    if (c.ikkatu) {
        EXPECT_EQ(selects, (std::vector<std::string>{"select 11-tests.jpg", "select FujiFilm.jpg",
                                                     "select Nikon.jpg", "select Sony.jpg"}));
        EXPECT_EQ(host.selected, std::vector<bool>(4, true));
    } else {
        EXPECT_TRUE(selects.empty());
        EXPECT_EQ(host.selected, (std::vector<bool>{true, false, true, true}));
    }
    EXPECT_FALSE(run.DateWritten());
}

INSTANTIATE_TEST_SUITE_P(
    Table, Combinations,
    ::testing::Values(
        ComboCase{
            "selected", false, false, false, {"11-tests.jpg", "Nikon.jpg", "Sony.jpg"}, false, 3},
        ComboCase{"selected_keep_time",
                  false,
                  false,
                  true,
                  {"11-tests.jpg", "Nikon.jpg", "Sony.jpg"},
                  false,
                  3},
        ComboCase{"selected_filtered", false, true, false, {"Nikon.jpg"}, false, 1},
        ComboCase{"selected_filtered_keep_time", false, true, true, {"Nikon.jpg"}, false, 1},
        ComboCase{"folder", true, false, false, Four, true, 4},
        ComboCase{"folder_keep_time", true, false, true, Four, false, 4},
        ComboCase{"folder_filtered", true, true, false, {"Nikon.jpg"}, true, 1},
        ComboCase{"folder_filtered_keep_time", true, true, true, {"Nikon.jpg"}, false, 1}),
    [](const auto& info) { return std::string(info.param.label); });

// ---------------------------------------------------------------- the summary rules

struct SummaryCase {
    const char* label;
    std::vector<std::string> files;
    std::vector<int> chosen;
    bool ikkatu;
    bool ume;
    std::vector<ShownBox> boxes;  // hoji is on throughout: no confirmation
    friend void PrintTo(const SummaryCase& c, std::ostream* os) { *os << c.label; }
};

class Summary : public RunTest, public ::testing::WithParamInterface<SummaryCase> {};

TEST_P(Summary, ExactlyOneChangeIsReportedOnlyWhenTheReadoutDoesNotShowIt) {
    const SummaryCase& c = GetParam();
    usePhotos(c.files, c.chosen);
    setOptions(c.ikkatu, c.ume, true);

    run.CmdExe_Click();

    EXPECT_EQ(host.boxes.shown, c.boxes);
    EXPECT_FALSE(run.DateWritten());
}

INSTANTIATE_TEST_SUITE_P(
    Table, Summary,
    ::testing::Values(
        SummaryCase{"one_selected_changed", {"Nikon.jpg", "Sony.jpg"}, {0}, false, false, {}},
        SummaryCase{"folder_changed_one_is_last", {"MWG.jpg", "Nikon.jpg"}, {}, true, false, {}},
        SummaryCase{
            "folder_later_entry_unchanged", {"Nikon.jpg", "MWG.jpg"}, {}, true, false, {Done(1)}},
        SummaryCase{"selection_later_unchanged_without_folder_or_filter",
                    {"Nikon.jpg", "MWG.jpg"},
                    {0, 1},
                    false,
                    false,
                    {}},
        SummaryCase{"filter_one_selected_changed", {"Nikon.jpg"}, {0}, false, true, {}},
        SummaryCase{"filter_later_failure",
                    {"Nikon.jpg", "smiley1.jpg"},
                    {0, 1},
                    false,
                    true,
                    {Failed("smiley1.jpg"), Done(1)}},
        SummaryCase{"processed_not_changed", {"MWG.jpg"}, {0}, false, false, {NothingDone}},
        SummaryCase{"filter_no_photo_on_the_day",
                    {"11-tests.jpg", "Sony.jpg"},
                    {},
                    true,
                    true,
                    {NothingDone}}),
    [](const auto& info) { return std::string(info.param.label); });

// ---------------------------------------------------------------- nothing to do

struct EmptyCase {
    const char* label;
    std::vector<std::string> files;
    bool ikkatu;
    bool hoji;
    std::vector<ShownBox> boxes;
    friend void PrintTo(const EmptyCase& c, std::ostream* os) { *os << c.label; }
};

class NothingToDo : public RunTest, public ::testing::WithParamInterface<EmptyCase> {};

TEST_P(NothingToDo, ReportsNoTargetFiles) {
    const EmptyCase& c = GetParam();
    usePhotos(c.files);
    setOptions(c.ikkatu, false, c.hoji);

    run.CmdExe_Click();

    EXPECT_EQ(host.boxes.shown, c.boxes);
    for (const std::string& name : c.files) EXPECT_TRUE(untouched(name)) << name;
    EXPECT_FALSE(logExists());
}

INSTANTIATE_TEST_SUITE_P(
    Table, NothingToDo,
    ::testing::Values(
        EmptyCase{"empty_list", {}, false, false, {NothingDone}},
        EmptyCase{"empty_list_whole_folder", {}, true, false, {Confirm, NothingDone}},
        EmptyCase{"nothing_selected", {"Nikon.jpg", "Sony.jpg"}, false, false, {NothingDone}}),
    [](const auto& info) { return std::string(info.param.label); });

// ---------------------------------------------------------------- refusals before any change

TEST_F(RunTest, CancelChangesNothing) {
    usePhotos({"Nikon.jpg", "Sony.jpg"});
    setOptions(true, false, false);
    host.boxes.answers = {MsgAnswer::Cancel};

    run.CmdExe_Click();

    EXPECT_EQ(host.boxes.shown, std::vector<ShownBox>{Confirm});
    EXPECT_TRUE(host.events.empty());
    EXPECT_TRUE(untouched("Nikon.jpg"));
    EXPECT_TRUE(untouched("Sony.jpg"));
    EXPECT_FALSE(logExists());
}

TEST_F(RunTest, AVanishedFileRefusesTheRunAndReloadsTheList) {
    usePhotos({"11-tests.jpg", "Nikon.jpg", "Sony.jpg"}, {0, 2});
    fs::remove(photo("Nikon.jpg"));  // not even a target

    run.CmdExe_Click();

    EXPECT_EQ(host.boxes.shown, std::vector<ShownBox>{FolderChanged});
    EXPECT_EQ(host.events,
              (std::vector<std::string>{"reload", "select first", "readout 11-tests.jpg"}));
    EXPECT_EQ(host.names, (std::vector<std::string>{"11-tests.jpg", "Sony.jpg"}));
    EXPECT_EQ(host.selected, (std::vector<bool>{true, false}));
    EXPECT_TRUE(untouched("11-tests.jpg"));
    EXPECT_TRUE(untouched("Sony.jpg"));
    EXPECT_FALSE(logExists());
}

TEST_F(RunTest, CancelComesBeforeTheFolderCheck) {
    usePhotos({"11-tests.jpg", "Nikon.jpg"});
    setOptions(true, false, false);
    fs::remove(photo("Nikon.jpg"));
    host.boxes.answers = {MsgAnswer::Cancel};

    run.CmdExe_Click();

    EXPECT_EQ(host.boxes.shown, std::vector<ShownBox>{Confirm});
    EXPECT_TRUE(host.events.empty());
    EXPECT_EQ(host.names.size(), 2u);
}

TEST_F(RunTest, AFutureMomentIsRefusedBeforeTheConfirmation) {
    usePhotos({"Nikon.jpg"});
    setOptions(true, false, false);
    host.choice.date = {2024, 5, 10};
    host.choice.time = {12, 34, 57};

    run.CmdExe_Click();

    EXPECT_EQ(host.boxes.shown, std::vector<ShownBox>{Future});
    EXPECT_TRUE(host.events.empty());
    EXPECT_TRUE(untouched("Nikon.jpg"));
}

TEST_F(RunTest, TodayWithKeepTimeIsNotTheFuture) {
    usePhotos({"Nikon.jpg"}, {0});
    setOptions(false, false, true);
    host.choice.date = {2024, 5, 10};
    host.choice.time = {23, 59, 59};

    run.CmdExe_Click();

    EXPECT_TRUE(host.boxes.shown.empty());
    expectChanged("Nikon.jpg");
}

struct FutureCase {
    CalendarDate date;
    TimeOfDay time;
    bool keepTime;
    bool future;
};

class FutureMoment : public ::testing::TestWithParam<FutureCase> {};

TEST_P(FutureMoment, ComparesWithNowToTheSecondOrTheDay) {
    const FutureCase& c = GetParam();
    DateChoice choice;
    choice.date = c.date;
    choice.time = c.time;
    choice.keepTime = c.keepTime;
    EXPECT_EQ(IsFutureChoice(choice, Clock), c.future);
}

INSTANTIATE_TEST_SUITE_P(Table, FutureMoment,
                         ::testing::Values(FutureCase{{2024, 5, 10}, {12, 34, 56}, false, false},
                                           FutureCase{{2024, 5, 10}, {12, 34, 57}, false, true},
                                           FutureCase{{2024, 5, 10}, {12, 35, 0}, false, true},
                                           FutureCase{{2024, 5, 10}, {0, 0, 0}, false, false},
                                           FutureCase{{2024, 5, 11}, {0, 0, 0}, false, true},
                                           FutureCase{{2024, 6, 1}, {0, 0, 0}, false, true},
                                           FutureCase{{2025, 1, 1}, {0, 0, 0}, false, true},
                                           FutureCase{{2023, 12, 31}, {23, 59, 59}, false, false},
                                           FutureCase{{2024, 5, 10}, {23, 59, 59}, true, false},
                                           FutureCase{{2024, 5, 11}, {0, 0, 0}, true, true},
                                           FutureCase{{2024, 4, 30}, {23, 59, 59}, true, false},
                                           FutureCase{{2007, 1, 23}, {9, 5, 0}, false, false}));

// ---------------------------------------------------------------- failures during the loop

TEST_F(RunTest, APhotoWithoutExifIsReportedAndTheRunGoesOn) {
    usePhotos({"Nikon.jpg", "smiley1.jpg", "Sony.jpg"});
    setOptions(true, false, true);

    run.CmdExe_Click();

    EXPECT_EQ(host.boxes.shown, (std::vector<ShownBox>{Failed("smiley1.jpg"), Done(2)}));
    EXPECT_EQ(host.events,
              (std::vector<std::string>{
                  "select Nikon.jpg", "readout Nikon.jpg", "readout Nikon.jpg",
                  "select smiley1.jpg", "readout smiley1.jpg",
                  "info ファイルの日付情報が取得できません", "clear", "fit " + photo("smiley1.jpg"),
                  "select Sony.jpg", "readout Sony.jpg", "readout Sony.jpg"}));
    expectChanged("Nikon.jpg");
    expectChanged("Sony.jpg");
    EXPECT_TRUE(untouched("smiley1.jpg"));
    EXPECT_EQ(logLines(),
              (std::vector<std::string>{firstLogLine("Nikon.jpg"), firstLogLine("Sony.jpg")}));
}

TEST_F(RunTest, AProcessedButUnchangedPhotoIsShownNotCountedNorLogged) {
    usePhotos({"MWG.jpg", "Nikon.jpg", "Sony.jpg"}, {0, 1, 2});
    setOptions(false, false, false);

    run.CmdExe_Click();

    EXPECT_EQ(host.boxes.shown, std::vector<ShownBox>{Done(2)});
    EXPECT_EQ(host.eventsStartingWith("readout ").size(), 3u);
    EXPECT_NE(LocalFileTime(photo("MWG.jpg")), (LocalDateTime{2007, 1, 23, 9, 5, 0}));
    EXPECT_EQ(logLines(),
              (std::vector<std::string>{firstLogLine("Nikon.jpg"), firstLogLine("Sony.jpg")}));
}

enum class Fault { VanishesAtItsTurn, UndecodablePicture, OutOfMemory, Unknown, LockedPhoto };

struct ErrorCase {
    const char* label;
    Fault fault;
    ShownBox box;
    bool reload;
    friend void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.label; }
};

class RunErrors : public RunTest, public ::testing::WithParamInterface<ErrorCase> {};

// The list is Nikon.jpg, smiley1.jpg, Sony.jpg; the fault strikes the second
// entry, after Nikon.jpg was changed.
TEST_P(RunErrors, EndTheRunAtOnceAndKeepEarlierChanges) {
    const ErrorCase& c = GetParam();
    usePhotos({"Nikon.jpg", "smiley1.jpg", "Sony.jpg"});
    setOptions(true, false, true);
    std::optional<Immutable> locked;

    switch (c.fault) {
        case Fault::VanishesAtItsTurn:
            host.onSelectInCode = [&](int index) {
                if (index == 1) fs::remove(photo("smiley1.jpg"));
            };
            break;
        case Fault::UndecodablePicture:
            host.onFit = [](const std::string&) { throw RuntimeError(481); };
            break;
        case Fault::OutOfMemory:
            host.onReadout = [](int n) {
                if (n == 3) throw std::bad_alloc();
            };
            break;
        case Fault::Unknown:
            host.onReadout = [](int n) {
                if (n == 3) throw 42;
            };
            break;
        case Fault::LockedPhoto:
            locked.emplace(photo("smiley1.jpg"));
            if (!locked->ok()) GTEST_SKIP() << "immutable flag unsupported here: " << locked->why();
            break;
    }

    run.CmdExe_Click();

    EXPECT_EQ(host.boxes.shown, std::vector<ShownBox>{c.box});
    EXPECT_EQ(host.eventsStartingWith("reload").size(), c.reload ? 1u : 0u);
    expectChanged("Nikon.jpg");
    EXPECT_TRUE(untouched("Sony.jpg"));
    EXPECT_EQ(logLines(), std::vector<std::string>{firstLogLine("Nikon.jpg")});
    if (c.reload) {
        EXPECT_EQ(host.names, (std::vector<std::string>{"Nikon.jpg", "Sony.jpg"}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, RunErrors,
    ::testing::Values(
        ErrorCase{"vanishes_at_its_turn", Fault::VanishesAtItsTurn,
                  RunError(53, "ファイルが見つかりません。"), true},
        ErrorCase{"undecodable_picture", Fault::UndecodablePicture,
                  RunError(481, "ピクチャが不正です。"), false},
        ErrorCase{"out_of_memory", Fault::OutOfMemory, RunError(7, "メモリが不足しています。"),
                  false},
        ErrorCase{"unknown_exception", Fault::Unknown,
                  RunError(5, "プロシージャの呼び出し、または引数が不正です。"), false},
        ErrorCase{"locked_photo", Fault::LockedPhoto, RunError(70, "書き込みできません。"), false}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(RunTest, AListThatShrinksUnderTheReadoutEndsTheLoopQuietly) {
    usePhotos({"Nikon.jpg", "Sony.jpg"});
    setOptions(true, false, true);
    // The window's readout reloads the list when the selected file is gone.
    host.onSelectInCode = [&](int index) {
        if (index != 1) return;
        fs::remove(photo("Sony.jpg"));
        host.reloadFileList();
    };

    run.CmdExe_Click();

    EXPECT_TRUE(host.boxes.shown.empty());
    expectChanged("Nikon.jpg");
    EXPECT_EQ(logLines(), std::vector<std::string>{firstLogLine("Nikon.jpg")});
}

// ---------------------------------------------------------------- the log

TEST_F(RunTest, ASecondRunLogsTheDatesTheFirstRunSet) {
    usePhotos({"Nikon.jpg"}, {0});
    run.CmdExe_Click();
    host.choice.date = {2008, 2, 3};
    host.choice.time = {4, 5, 6};
    run.CmdExe_Click();

    EXPECT_TRUE(host.boxes.shown.empty());
    EXPECT_EQ(logLines(),
              (std::vector<std::string>{
                  firstLogLine("Nikon.jpg"),
                  Stamp + "ExifData> [パス-" + photo("Nikon.jpg") +
                      "] [埋込日付-2007:01:23 09:05:00] [ファイル日付-2007/01/23 9:05:00]"}));
    EXPECT_EQ(embeddedDate("Nikon.jpg"), "2008:02:03 04:05:06");
    EXPECT_EQ(LocalFileTime(photo("Nikon.jpg")), (LocalDateTime{2008, 2, 3, 4, 5, 6}));
}

TEST_F(RunTest, PhotoBytesAboveAsciiAreLoggedAsLatin1Characters) {
    usePhotos({"Nikon.jpg"}, {0});
    const int at = m_known["Nikon.jpg"].dateTimeOriginalAt;
    ASSERT_GT(at, 0);
    {
        std::fstream file(photo("Nikon.jpg"), std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(at - 1 + 18);
        file.put('\xE9');
    }
    SetLocalFileTime(photo("Nikon.jpg"), OldFileTime);

    run.CmdExe_Click();

    std::string before = m_known["Nikon.jpg"].dateTimeOriginal;
    before.replace(18, 1, "é");
    EXPECT_EQ(logLines(), std::vector<std::string>{Stamp + "ExifData> [パス-" + photo("Nikon.jpg") +
                                                   "] [埋込日付-" + before + "] [ファイル日付-" +
                                                   OldFileDateText + "]"});
}

TEST_F(RunTest, AnUnwritableLogFolderCostsABoxPerPhotoNotTheRun) {
    usePhotos({"Nikon.jpg", "Sony.jpg"}, {0, 1});
    Immutable locked(m_logs.folder());
    if (!locked.ok()) GTEST_SKIP() << "immutable flag unsupported here: " << locked.why();

    run.CmdExe_Click();

    const ShownBox logError = LogError("(70) 書き込みできません。");
    EXPECT_EQ(host.boxes.shown, (std::vector<ShownBox>{logError, logError, Done(2)}));
    expectChanged("Nikon.jpg");
    expectChanged("Sony.jpg");
    EXPECT_FALSE(logExists());
}

TEST_F(RunTest, TheFirstLineOfTheDayPrunesOldLogs) {
    for (const char* name : {"Date20240401.log", "Date20240402.log", "Date20240403.log",
                             "Date20240404.log", "Date20240405.log"}) {
        Touch(m_logs.path(name));
    }
    usePhotos({"Nikon.jpg"}, {0});

    run.CmdExe_Click();

    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(m_logs.folder())) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"Date20240404.log", "Date20240405.log", TodaysLog}));
    EXPECT_EQ(logLines(), std::vector<std::string>{firstLogLine("Nikon.jpg")});
}

// ---------------------------------------------------------------- no 16-bit limits

TEST_F(RunTest, AListLongerThan32767EntriesRunsToItsEnd) {
    constexpr int Fillers = 32768;
    std::vector<std::string> names;
    names.reserve(Fillers + 1);
    for (int i = 0; i < Fillers; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "f%05d.jpg", i);
        names.push_back(name);
        Touch(photo(name));
    }
    usePhotos({"Nikon.jpg"});
    names.push_back("Nikon.jpg");
    host.setList(names, {Fillers});

    run.CmdExe_Click();

    EXPECT_TRUE(host.boxes.shown.empty());
    expectChanged("Nikon.jpg");
    EXPECT_EQ(host.events, std::vector<std::string>{"readout Nikon.jpg"});
}

}  // namespace
}  // namespace tovrin::test
