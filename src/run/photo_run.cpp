#include "run/photo_run.h"

#include <optional>

#include "run/journal.h"
#include "run/run_log.h"

namespace tovrin {

const char* JournalWord(RunKind kind) {
    switch (kind) {
        case RunKind::Set:
            return "set";
        case RunKind::WindowSet:
            return "window";
        case RunKind::Shift:
            return "shift";
        case RunKind::Undo:
            return "undo";
    }
    return "set";
}

void RunPhotos(std::size_t count, const PlanTarget& plan, const RunRequest& request,
               RunObserver& observer) {
    // Every change is journaled before it is made, so the run can be undone;
    // a run that cannot journal changes nothing.
    std::optional<Journal> journal;
    if (request.journal)
        journal.emplace(request.journalFolder, JournalWord(request.kind), request.undoes,
                        Journal::UtcNow(), [&observer] { return observer.waitForOtherRun(); });

    struct Running {
        RunObserver& observer;
        explicit Running(RunObserver& o) : observer(o) { observer.runStarted(); }
        ~Running() { observer.runEnded(); }
    };
    {
        const Running running(observer);
        const HeldLog heldLog;
        RunInBatches(
            count, journal ? &*journal : nullptr,
            [&](std::size_t index, bool wait) {
                observer.beforePhoto(index);
                return plan(index, wait);
            },
            [&](std::size_t index, TargetOutcome& outcome) {
                const bool goOn = observer.photoDone(index, outcome);
                // Logged after it is reported: what the observer says of a
                // photo comes first, a log that fails second.
                const bool changed = !outcome.error && outcome.sameAs < 0 && outcome.planned &&
                                     outcome.planned->update.result.changed;
                if (changed && request.log) {
                    const PhotoDateUpdate& update = outcome.planned->update;
                    try {
                        MessageBoxes& boxes = observer.logBoxes();
                        const LocalDateTime now = observer.now();
                        const std::string logPath = GetLogFilePath(request.logFolder, boxes, now);
                        WriteLogLine(ChangeLogKind,
                                     ChangeLogMessage(update.path, update.before.DateTimeOriginal,
                                                      update.before.FileDateText),
                                     logPath, boxes, now);
                    } catch (const RuntimeError& failure) {
                        observer.logFailed(failure);
                    }
                }
                return goOn;
            },
            request.limits);
    }
    if (journal) journal->finish();
}

PendingChange UndoneChange(const JournalRun& run, std::size_t index) {
    // Read from the journal on demand: a copy each time.
    return run.changes[run.changes.size() - 1 - index];
}

void UndoRun(const std::string& folder, const JournalRun& run, RunRequest request,
             RunObserver& observer) {
    request.kind = RunKind::Undo;
    request.journal = true;
    request.journalFolder = folder;
    request.undoes = run.id;
    request.limits.oncePerFile = false;
    RunPhotos(
        run.changes.size(),
        [&](std::size_t i, bool wait) { return PlanRestore(UndoneChange(run, i), wait); }, request,
        observer);
}

}  // namespace tovrin
