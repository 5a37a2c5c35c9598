#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "exif/photo_update.h"
#include "exif/runtime_error.h"

namespace tovrin {

class Journal;

// How one target of a run came out: planned (and, when it had writes and the
// run went on, written), or failed.
struct TargetOutcome {
    std::optional<PlannedPhoto> planned;
    std::optional<RuntimeError> error;
    // The earlier target that named the same file (a second name given, a
    // hard link, a symbolic link), or -1: one photo changes once a run, and
    // this target was let go untouched.
    long sameAs = -1;
};

// A batch ends at `photos` photos or once `wait` has passed since it began,
// so that progress and a stop request stay responsive.
struct BatchLimits {
    std::size_t photos = 256;
    std::chrono::milliseconds wait{50};
    // A change is made once per file, whatever names lead to it; an undo
    // gives back every recorded change, one photo's several among them.
    bool oncePerFile = true;
};

// Plans target `index`; with wait false it gives nothing when another run
// holds the photo. Throws RuntimeError when the photo cannot be handled.
using PlanTarget = std::function<std::optional<PlannedPhoto>(std::size_t index, bool wait)>;
// Hears how a target came out, in target order; false stops the run.
using ReportTarget = std::function<bool(std::size_t index, TargetOutcome& outcome)>;

// The course of every run that changes photos, in batches: each target of a
// batch is opened, claimed, read and planned; the batch's changes go into the
// journal with one sync; then its photos are written in order and each
// outcome is reported. No photo is written before its change is on disk, and
// a journal sync per batch, not per photo, keeps large folders fast.
//
// A batch also ends after a target that failed, and before a target that
// another run holds: only the first target of a batch is waited for, so two
// runs never wait for each other's photos. When report stops the run, the
// photos planned but not yet written are let go untouched (an undo finds
// them as they were). Without a journal (a dry run, or a run told to keep
// none) nothing is journaled. Throws JournalUnavailable when the journal
// cannot be written; no photo of that batch has been touched then.
void RunInBatches(std::size_t count, Journal* journal, const PlanTarget& plan,
                  const ReportTarget& report, BatchLimits limits = {});

}  // namespace tovrin
