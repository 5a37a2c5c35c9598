#pragma once

#include <cstddef>
#include <string>

#include "exif/local_time.h"
#include "exif/runtime_error.h"
#include "messages/message_boxes.h"
#include "run/journal.h"
#include "run/photo_batch.h"

namespace tovrin {

// What a run does to its photos. The journal records it by a word of its own
// ("set", "window", "shift", "undo"), which stored journals keep.
enum class RunKind {
    Set,        // a date chosen on the command line
    WindowSet,  // a date chosen in the window
    Shift,      // every date moved by an offset
    Undo,       // a recorded run given back
};
const char* JournalWord(RunKind kind);

// How a run goes, chosen once before its first photo.
struct RunRequest {
    RunKind kind = RunKind::Set;
    // Whether the run keeps a journal, and where (JournalFolder's answer; ""
    // when there is no place for one, which refuses the run). A run without
    // (a dry run, or one told to keep none) cannot be undone.
    bool journal = true;
    std::string journalFolder;
    // For an undo: the id of the run it gives back.
    std::string undoes;
    // Whether each changed photo gets its line in the daily log, in this
    // folder (LogFolder's answer); the log shows its own failures in boxes.
    bool log = false;
    std::string logFolder;
    BatchLimits limits;
};

// Who watches a run: the window and the command line. Every member but
// photoDone has a default.
class RunObserver {
public:
    virtual ~RunObserver() = default;

    // Another run is changing photos: true waits for it to end, false gives
    // this run up (RunBusy is thrown before any photo is opened).
    virtual bool waitForOtherRun() { return true; }
    // The run has its journal and starts on its photos; runEnded follows
    // however it ends.
    virtual void runStarted() {}
    virtual void runEnded() {}
    // Before target `index` is opened.
    virtual void beforePhoto(std::size_t /*index*/) {}
    // How target `index` came out, in target order; false stops the run after
    // it (the photos planned but not yet written are let go untouched). A
    // throw ends the run the same way and reaches the caller.
    virtual bool photoDone(std::size_t index, TargetOutcome& outcome) = 0;
    // Where the log's messages are shown, and what to do when its line for a
    // changed photo cannot be written: by default the failure ends the run.
    virtual MessageBoxes& logBoxes() = 0;
    virtual void logFailed(const RuntimeError& failure) { throw failure; }
    // The present moment, for the log's name and stamp.
    virtual LocalDateTime now() { return Now(); }
};

// The one course of every run that changes photos, the window's and the
// command line's: the journal (when asked for) taken with the run's turn,
// then `count` targets in batches (RunInBatches: each planned by `plan`,
// journaled, written, its file times set), each outcome handed to the
// observer, then each changed photo's log line. Throws JournalUnavailable
// (nothing touched) or RunBusy (the observer would not wait).
void RunPhotos(std::size_t count, const PlanTarget& plan, const RunRequest& request,
               RunObserver& observer);

// Gives back the recorded `run` from the journal folder `folder`: RunPhotos
// over its changes, newest first (target i is UndoneChange(run, i)), every
// recorded change planned (one photo's several among them), journaled as an
// undo of it. The request's log settings are kept.
void UndoRun(const std::string& folder, const JournalRun& run, RunRequest request,
             RunObserver& observer);
PendingChange UndoneChange(const JournalRun& run, std::size_t index);

}  // namespace tovrin
