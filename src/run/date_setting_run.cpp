#include "run/date_setting_run.h"

#include "messages/photo_texts.h"

#include <algorithm>
#include <optional>
#include <tuple>
#include <vector>

#include "exif/paths.h"
#include "exif/photo_update.h"
#include "exif/runtime_error.h"
#include "messages/error_report.h"
#include "run/journal.h"
#include "run/photo_batch.h"
#include "run/photo_run.h"
#include "run/run_log.h"

namespace tovrin {

bool IsFutureChoice(const DateChoice& choice, const LocalDateTime& now) {
    const auto chosenDay = std::tie(choice.date.year, choice.date.month, choice.date.day);
    const auto today = std::tie(now.year, now.month, now.day);
    if (choice.keepTime) return chosenDay > today;
    return std::tie(choice.date.year, choice.date.month, choice.date.day, choice.time.hour,
                    choice.time.minute, choice.time.second) >
           std::tie(now.year, now.month, now.day, now.hour, now.minute, now.second);
}

DateSettingRun::DateSettingRun(RunHost& host) : m_host(host) {}

void DateSettingRun::SetDates() {
    try {
        // The choice and the options are taken once: whatever happens on the
        // window while the run works, every photo gets what the user chose
        // when the run started.
        const RunHost::RunOptions options = m_host.runOptions();
        DateSource source;
        source.choice = m_host.dateChoice();
        source.stepSeconds = std::max<std::int64_t>(options.stepSeconds, 0);
        setFrom(source, TargetNames());
    } catch (...) {
        // Whatever a step throws ends the run with a box, never the program.
        reportRuntimeError(CaughtRuntimeError());
    }
}

void DateSettingRun::ShiftDates(std::int64_t seconds) {
    try {
        const std::string folderPath = FolderPath(m_host.folder());
        if (!listMatchesDisk(folderPath)) return;
        const bool wholeFolder = m_host.wholeFolderChecked();
        const std::string onlyOn = FilterDay();
        const bool exifOnly = m_host.exifOnlyChecked();
        const LocalDateTime now = m_host.now();
        processTargets(folderPath, TargetNames(), wholeFolder, wholeFolder || !onlyOn.empty(),
                       RunKind::Shift, [&](std::size_t, const std::string& path, bool wait) {
                           return PlanPhotoShift(
                               path, seconds,
                               {.latest = now, .onlyOn = onlyOn, .exifOnly = exifOnly}, wait);
                       });
    } catch (...) {
        reportRuntimeError(CaughtRuntimeError());
    }
}

std::string DateSettingRun::FilterDay() const { return FilterDateText(m_host.dateChoice()); }

void DateSettingRun::UndoRecordedRun() {
    MessageBoxes& boxes = m_host.messageBoxes();
    try {
        const std::string folder = m_host.journalFolder();
        // Once every run is given back there is nothing left to offer; an
        // undo of an undo is chosen from the list while one is.
        const std::string latest = folder.empty() ? std::string() : LastUndoableRun(folder);
        if (latest.empty()) {
            boxes.show("元に戻せる処理がありません。", MsgButtons::Ok, MsgIcon::Information,
                       AppTitle);
            return;
        }
        const std::string id = m_host.chooseRunToUndo(RecordedRuns(folder), latest);
        if (id.empty()) return;
        const JournalRun last = ReadJournal(folder, id);
        const std::string count = std::to_string(last.changes.size());
        if (boxes.show(std::string(id == latest ? "直前の処理" : "選択した処理") +
                           "で変更した写真 " + count + "件を元に戻します。\r\nよろしいですか？",
                       MsgButtons::OkCancel, MsgIcon::Exclamation, AppTitle) != MsgAnswer::Ok)
            return;
        // The undo is itself a run with a journal, so it can be undone too;
        // the newest change is given back first.
        struct UndoObserver : RunObserver {
            DateSettingRun& run;
            const JournalRun& last;
            int restored = 0;
            std::string notRestored;
            UndoObserver(DateSettingRun& r, const JournalRun& l) : run(r), last(l) {}
            std::string pathOf(std::size_t i) const { return UndoneChange(last, i).path; }
            bool waitForOtherRun() override { return run.refuseWhileBusy(); }
            bool photoDone(std::size_t i, TargetOutcome& outcome) override {
                if (outcome.error) {
                    notRestored +=
                        "\r\n" + pathOf(i) + " (" + std::to_string(outcome.error->number()) + ")";
                    return true;
                }
                const Restore r = outcome.planned->restore;
                if (r == Restore::Restored || r == Restore::HalfDone ||
                    r == Restore::AlreadyBefore) {
                    ++restored;
                } else {
                    notRestored += "\r\n" + pathOf(i);
                }
                return true;
            }
            MessageBoxes& logBoxes() override { return run.m_host.messageBoxes(); }
        } observer(*this, last);
        // Logged like every run that changes photos, so the day's log tells
        // the whole story.
        RunRequest request;
        request.log = true;
        request.logFolder = m_host.logFolder();
        UndoRun(folder, last, request, observer);
        const int restored = observer.restored;
        const std::string& notRestored = observer.notRestored;
        std::string text = std::to_string(restored) + "件を元に戻しました。";
        if (!notRestored.empty())
            text +=
                "\r\n\r\n変更後に書き換えられたため、次の写真は元に戻していません:" + notRestored;
        boxes.show(text, MsgButtons::Ok,
                   notRestored.empty() ? MsgIcon::Information : MsgIcon::Exclamation, "処理完了");
        m_host.reloadFileList();
    } catch (const JournalUnavailable& e) {
        boxes.show(JournalUnavailableText(e), MsgButtons::Ok, MsgIcon::Critical, AppTitle);
    } catch (const RunBusy&) {
    } catch (...) {
        reportRuntimeError(CaughtRuntimeError());
    }
}

bool DateSettingRun::refuseWhileBusy() {
    // The window does not freeze while another run (the command line, or a
    // second window) changes photos: the user is told and tries again.
    m_host.messageBoxes().show(
        "ほかの処理が写真を変更中です。\r\n終わってから、もう一度実行して下さい。", MsgButtons::Ok,
        MsgIcon::Exclamation, AppTitle);
    return false;
}

bool DateSettingRun::listMatchesDisk(const std::string& folderPath) {
    // The list must still match the disk before any photo is touched; a file
    // that vanished means the list is stale, so the whole run is refused.
    MessageBoxes& boxes = m_host.messageBoxes();
    for (int i = 0; i < m_host.fileCount(); ++i) {
        if (!FileExists(folderPath + m_host.fileName(i), boxes)) {
            boxes.show(
                "フォルダ内のファイル情報が更新された為、ファイル一覧を更新します。\r\n\r\n"
                "再度、「 埋込日付設定実行 」を行って下さい。",
                MsgButtons::Ok, MsgIcon::Exclamation, AppTitle);
            m_host.reloadFileList();
            m_host.selectFirstEntry();
            return false;
        }
    }
    return true;
}

// The targets are taken once, by name: a list reloaded mid-run cannot send
// the choice to other photos.
std::vector<std::string> DateSettingRun::TargetNames() const {
    const bool wholeFolder = m_host.wholeFolderChecked();
    std::vector<std::string> names;
    for (int i = 0; i < m_host.fileCount(); ++i) {
        if (wholeFolder || m_host.isSelected(i)) names.push_back(m_host.fileName(i));
    }
    return names;
}

void DateSettingRun::SetDatesFrom(const DateSource& source, const std::vector<std::string>& names) {
    try {
        setFrom(source, names);
    } catch (...) {
        reportRuntimeError(CaughtRuntimeError());
    }
}

void DateSettingRun::setFrom(const DateSource& source, const std::vector<std::string>& names) {
    MessageBoxes& boxes = m_host.messageBoxes();
    const DateChoice& choice = source.choice;
    const bool wholeFolder = m_host.wholeFolderChecked();
    const bool exifOnly = m_host.exifOnlyChecked();
    const bool addMissing = m_host.runOptions().addMissing;
    // One moment for every photo, or a step from it: the moments the run
    // writes are the chosen one and, stepped, the later ones. Moments from
    // each photo's own name or file are checked photo by photo instead.
    // A step gives every photo a whole moment, its time of day included.
    const bool oneMoment = !source.fromName && !source.fromFileTime;
    const bool stepped = oneMoment && source.stepSeconds > 0 && !names.empty();
    const std::vector<std::size_t> ranks = NameRanks(names);

    // Checked before anything is asked, so a refused choice costs one box.
    // A step is checked at the last photo's moment, the latest of them.
    if (oneMoment) {
        DateChoice latest = choice;
        if (stepped) {
            const auto last = std::find(ranks.begin(), ranks.end(), names.size() - 1);
            const SourcedChoice sourced = ChoiceForPhoto(
                source, names.size() - 1, names[static_cast<std::size_t>(last - ranks.begin())]);
            if (sourced.choice) latest = *sourced.choice;
        }
        if (IsFutureChoice(latest, m_host.now())) {
            boxes.show("現在より先の日時は設定できません。", MsgButtons::Ok, MsgIcon::Exclamation,
                       AppTitle);
            return;
        }
    }

    // One date and time for the whole folder is worth a second thought;
    // keeping each photo's time of day, or moments a step apart, is not.
    if (wholeFolder && !choice.keepTime && oneMoment && !stepped) {
        const MsgAnswer answer =
            boxes.show("フォルダ内の対象ファイルが全て同じ日付になります。\r\nよろしいですか？",
                       MsgButtons::OkCancel, MsgIcon::None, AppTitle);
        if (answer != MsgAnswer::Ok) return;
    }

    const std::string folderPath = FolderPath(m_host.folder());
    if (!listMatchesDisk(folderPath)) return;
    const LocalDateTime now = m_host.now();
    const auto plan = [&](std::size_t index, const std::string& path,
                          bool wait) -> std::optional<PlannedPhoto> {
        const SourcedChoice sourced = ChoiceForPhoto(source, ranks[index], names[index]);
        if (!sourced.choice) {
            // Nothing to write: the photo is not even opened. Its reason is
            // what marks it as passed over, so it is never left empty.
            PlannedPhoto skipped;
            skipped.update.path = path;
            skipped.update.skipped =
                sourced.skipped.empty() ? "新しい日時がありません" : sourced.skipped;
            return skipped;
        }
        return PlanPhotoDate(path, *sourced.choice,
                             {.latest = now,
                              .exifOnly = exifOnly,
                              .addMissing = addMissing,
                              .fromFileTime = source.fromFileTime},
                             wait);
    };
    // Photos given no moment are left out as a filter leaves photos of
    // another day: the readout may show one of them after the last change.
    processTargets(folderPath, names, wholeFolder, choice.filterOn || wholeFolder || !oneMoment,
                   RunKind::WindowSet, plan);
}

// The window's watch over a set or a shift: each photo shown as it is
// handled, a failure ending the run with its box, progress and the stop
// request through the host.
class DateSettingRun::WindowObserver : public RunObserver {
public:
    WindowObserver(DateSettingRun& run, const std::string& folderPath,
                   const std::vector<std::string>& names, bool wholeFolder)
        : m_run(run),
          m_host(run.m_host),
          m_folderPath(folderPath),
          m_names(names),
          m_wholeFolder(wholeFolder) {}

    int changed = 0;

    bool waitForOtherRun() override { return m_run.refuseWhileBusy(); }
    void runStarted() override { m_host.setRunning(true); }
    void runEnded() override { m_host.setRunning(false); }
    void beforePhoto(std::size_t index) override {
        const int done = static_cast<int>(index);
        const std::string& name = m_names[index];
        // Whatever ends the run from here to its outcome, this photo is
        // shown after the box, so the user sees which one it was.
        m_run.m_failedName = name;
        m_host.showProgress(done, static_cast<int>(m_names.size()), name);
        // A whole-folder run shows each photo as it goes, as a click would;
        // the entry is looked for where it was first.
        if (!m_wholeFolder) return;
        const int count = m_host.fileCount();
        for (int k = 0; k < count; ++k) {
            const int i = (done + k) % count;
            if (m_host.fileName(i) == name) {
                m_run.show([&] { m_host.selectInCode(i); });
                break;
            }
        }
    }
    bool photoDone(std::size_t index, TargetOutcome& outcome) override {
        // A failure ends the run with its box, as it always has.
        if (outcome.error) throw *outcome.error;
        // Two names of one photo (a hard link) change it once.
        if (outcome.sameAs < 0 &&
            m_run.handlePhoto(m_folderPath, m_names[index], outcome.planned->update))
            ++changed;
        m_run.m_failedName.clear();
        return !m_host.stopRequested();
    }
    MessageBoxes& logBoxes() override { return m_host.messageBoxes(); }
    LocalDateTime now() override { return m_host.now(); }

private:
    DateSettingRun& m_run;
    RunHost& m_host;
    const std::string& m_folderPath;
    const std::vector<std::string>& m_names;
    bool m_wholeFolder;
};

void DateSettingRun::processTargets(const std::string& folderPath,
                                    const std::vector<std::string>& names, bool wholeFolder,
                                    bool severalHandled, RunKind kind, const PlanChange& plan) {
    std::vector<std::string> paths;
    for (const std::string& name : names) paths.push_back(folderPath + name);
    m_failedName.clear();
    WindowObserver observer(*this, folderPath, names, wholeFolder);
    RunRequest request;
    request.kind = kind;
    request.journalFolder = m_host.journalFolder();
    request.log = true;
    request.logFolder = m_host.logFolder();
    // One photo a batch: the window shows each photo before it is handled
    // and reports it right after, and a user watching sets the pace, not the
    // journal's sync.
    request.limits = BatchLimits{1, std::chrono::milliseconds(0), true};
    try {
        RunPhotos(
            names.size(),
            [&](std::size_t index, bool wait) { return plan(index, paths[index], wait); }, request,
            observer);
    } catch (const JournalUnavailable& e) {
        m_host.messageBoxes().show(JournalUnavailableText(e), MsgButtons::Ok, MsgIcon::Critical,
                                   AppTitle);
        return;
    } catch (const RunBusy&) {
        return;
    }
    // The window is the user's again before the summary asks for an OK.
    reportSummary(observer.changed, severalHandled);
    m_dateWritten = false;
}

bool DateSettingRun::handlePhoto(const std::string& folderPath, const std::string& name,
                                 const PhotoDateUpdate& update) {
    const std::string fullPath = folderPath + name;

    // A photo the run gave no moment was not opened; why was shown before
    // the run, so it is passed over in silence.
    if (!update.skipped.empty()) {
        m_changed = false;
        m_dateWritten = false;
        return false;
    }

    // One open read the photo (the log wants the dates from before the
    // change), rewrote its dates and, when any changed, set its times.
    m_photoInfo = update.before;
    m_fileTime = update.fileTime;
    m_exifDate = m_photoInfo.DateTimeOriginal;
    m_fileDate = m_photoInfo.FileDateText;
    m_dateWritten = update.result.dateWritten;
    m_changed = update.result.changed;

    if (update.refusedAsFuture || update.refusedOutOfRange) {
        show([&] { m_host.showSelectedPhoto(); });
        m_host.messageBoxes().show(
            name + (update.refusedAsFuture
                        ? "は現在より先の日時になるため変更しませんでした"
                        : "は西暦1年から9999年の範囲を超えるため変更しませんでした"),
            MsgButtons::Ok, MsgIcon::None, AppTitle);
        return false;
    }

    // A photo that had no EXIF and got a block of its own is a changed one
    // like any other.
    if (!update.result.status && !update.added) {
        m_host.setInformationText(NoDateText);
        m_host.clearThumbnail();
        show([&] { m_host.showThumbnail(fullPath); });
        m_host.messageBoxes().show(std::string(NoDateText) + "\r\n" + name + "の更新に失敗しました",
                                   MsgButtons::Ok, MsgIcon::None, AppTitle);
        return false;
    }

    // Any rewritten date makes the photo a changed one, whether or not its
    // IFD0 date was among them; the run writes its log line.
    show([&] { m_host.showSelectedPhoto(); });
    return update.result.changed;
}

template <typename Display>
void DateSettingRun::show(Display display) {
    try {
        display();
    } catch (const RuntimeError& e) {
        // The thumbnail is decoration: a picture that cannot be decoded
        // leaves it empty and the run goes on. Anything else ends the run.
        if (e.number() != error::BadPicture) throw;
        m_host.clearThumbnail();
    }
}

void DateSettingRun::reportSummary(int changed, bool severalHandled) {
    MessageBoxes& boxes = m_host.messageBoxes();
    const std::string done =
        "対象のファイル、 " + std::to_string(changed) + "件を処理が完了しました。";

    if (changed > 1) {
        boxes.show(done, MsgButtons::Ok, MsgIcon::Information, "処理完了");
    } else if (changed == 0) {
        boxes.show("変換対象のファイルが存在しませんでした。", MsgButtons::Ok, MsgIcon::Information,
                   "処理完了");
    } else if (severalHandled && !m_changed) {
        // One change among several handled photos: the readout shows a later,
        // unchanged photo, so the change needs saying. When the changed photo
        // was the last one handled, its readout already shows the new dates.
        boxes.show(done, MsgButtons::Ok, MsgIcon::Information, "処理完了");
    }
}

void DateSettingRun::reportRuntimeError(const RuntimeError& failure) {
    const int number = failure.number();
    std::string text = "Error\r\n" + RuntimeErrorText(failure);
    if (number == error::FileNotFound) {
        text += "\r\n処理を強制終了します。ファイル一覧を再表示します。";
    }
    try {
        m_host.messageBoxes().show(text, MsgButtons::Ok, MsgIcon::Critical, AppTitle);
        if (number == error::FileNotFound) {
            m_host.reloadFileList();
        } else if (!m_failedName.empty()) {
            for (int i = 0; i < m_host.fileCount(); ++i) {
                if (m_host.fileName(i) == m_failedName) {
                    m_host.selectEntry(i);
                    break;
                }
            }
        }
        m_failedName.clear();
    } catch (...) {
        // The run is over either way; the handler must not throw.
    }
}

}  // namespace tovrin
