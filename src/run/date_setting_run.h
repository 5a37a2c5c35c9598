#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "exif/date_choice.h"
#include "exif/local_time.h"
#include "exif/photo_update.h"
#include "exif/reader.h"
#include "exif/runtime_error.h"
#include "run/date_source.h"
#include "run/photo_run.h"
#include "run/run_host.h"

namespace tovrin {

// True when the choice names a moment later than now: with keepTime, a date
// after today; otherwise a date and time after the present second.
bool IsFutureChoice(const DateChoice& choice, const LocalDateTime& now);

// The window's runs: setting the chosen date (the run button), setting each
// photo's date from its file name, shifting and undoing. Setting writes the
// chosen date into the EXIF dates of the target photos of the file list,
// sets the file times of every photo it changed, logs each change and
// reports a summary. Setting and shifting keep the copies of the date (XMP,
// IPTC, IFD0's own) in step, unless the host asks for the EXIF texts alone
// (RunHost::exifOnlyChecked). The host's run options give a photo without
// EXIF a block of its own and the photos moments a step apart in name order.
class DateSettingRun {
public:
    explicit DateSettingRun(RunHost& host);

    // Sets the chosen date. Never throws: a failure ends the run with the
    // run-time error box.
    void SetDates();

    // Sets the dates of `names` (entries of the file list, taken as the
    // targets) each from `source`, through the same run: the from-name
    // dialog's run, whose moments come from the photos' own names. A photo
    // the source gives no moment is left unopened and raises no box: the
    // dialog showed why. Never throws.
    void SetDatesFrom(const DateSource& source, const std::vector<std::string>& names);

    // Moves the dates of the same targets (the selection, or the whole folder
    // when "all at once" is checked) by `seconds` of wall-clock time, through the
    // same run: progress, failure boxes, journal, log, summary. The day filter
    // holds as it does for setting: only dates on that day move.
    void ShiftDates(std::int64_t seconds);

    // "yyyy:mm:dd" of the day filter when it is checked, else "".
    std::string FilterDay() const;

    // Gives back what a recorded run changed: the host offers the runs,
    // newest first, the last one not yet given back first; a confirmation
    // names how many photos, and the summary what could not be given back.
    void UndoRecordedRun();

    // The names a run takes, in list order: the selection, or every entry
    // when "all at once" is checked.
    std::vector<std::string> TargetNames() const;

    // Raised by the writer when it changed the photo's IFD0 date; lowered
    // at the end of a run that was not cut short.
    bool DateWritten() const { return m_dateWritten; }

    // What the last handled photo was before the change: its time of day,
    // its embedded date and its file date.
    const std::string& lastFileTime() const { return m_fileTime; }
    const std::string& lastEmbeddedDate() const { return m_exifDate; }
    const std::string& lastFileDate() const { return m_fileDate; }

private:
    // The set run of `names` from `source`: the checks before the first
    // photo, then the loop.
    void setFrom(const DateSource& source, const std::vector<std::string>& names);
    // Plans target `index`'s change: opens and claims it (waiting for another
    // run only when wait is true), reads it and plans its writes.
    using PlanChange = std::function<std::optional<PlannedPhoto>(
        std::size_t index, const std::string& path, bool wait)>;
    // Says that another run is changing photos; false: do not wait for it.
    bool refuseWhileBusy();
    bool listMatchesDisk(const std::string& folderPath);
    // The loop over the targets, common to every kind of run: journal,
    // progress, each photo's change, the summary.
    void processTargets(const std::string& folderPath, const std::vector<std::string>& names,
                        bool wholeFolder, bool severalHandled, RunKind kind,
                        const PlanChange& plan);
    class WindowObserver;
    // Reports one photo's change; returns true when the photo was changed.
    bool handlePhoto(const std::string& folderPath, const std::string& name,
                     const PhotoDateUpdate& update);
    // severalHandled: a filtered or whole-folder run, whose readout may show
    // another photo than the changed one.
    void reportSummary(int changed, bool severalHandled);
    // Runs a call that shows a photo (selection, readout, thumbnail).
    template <typename Display>
    void show(Display display);
    void reportRuntimeError(const RuntimeError& failure);

    RunHost& m_host;
    bool m_dateWritten = false;
    bool m_changed = false;  // the last handled photo had a date rewritten
    PhotoInfo m_photoInfo;
    std::string m_failedName;  // the photo whose failure ended the run
    std::string m_fileTime;
    std::string m_exifDate;
    std::string m_fileDate;
};

}  // namespace tovrin
