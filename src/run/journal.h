#pragma once

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "exif/local_time.h"
#include "exif/photo_update.h"
#include "exif/runtime_error.h"
#include "run/log_folder.h"

namespace tovrin {

// The undo journal: one file per run that changes photos, holding for each
// photo, before a byte of it is written, its path, identity, size, old file
// times, its time once changed, and the position, old bytes and new bytes of
// every text the run writes. A photo changes by at most three 19-byte texts,
// so remembering them all costs next to nothing, and any run can be given
// back.
//
//   TOVRIN-JOURNAL 2
//   RUN <id> <kind> [<id of the run an undo gives back>]
//   PHOTO <size> <accessed s> <ns> <modified s> <ns> <path, hex> <device> <index> <modified after
//   s> <ns> TEXT <tag> <position> <old bytes, hex> <new bytes, hex> END
//   ...
//   DONE
//
// Photos are journaled in batches: every block of a batch is on disk
// (flushed and synced) before the first photo of the batch is written. A
// block without END was cut short by a crash before its photo was touched,
// and is ignored; a photo journaled but not yet written when a run stopped
// still holds its old bytes, which an undo finds as they were. DONE marks a
// run that ended on its own; an undo without it was interrupted. Journals of
// version 1 (no identity, no time after) are still read.

// $XDG_STATE_HOME/Tovrin/journal/ (~/.local/state/Tovrin/journal/), on
// Windows %LOCALAPPDATA%\Tovrin\journal\; "" when there is no such place.
std::string JournalFolder(const EnvironmentLookup& environment = SystemEnvironment);

// A run that cannot journal changes nothing: the journal folder cannot be
// found, made or written (no absolute home, no permission, a full disk).
class JournalUnavailable : public RuntimeError {
public:
    JournalUnavailable(std::string folder, const RuntimeError& cause);
    const std::string& folder() const { return m_folder; }

private:
    std::string m_folder;
};

// Another run is changing photos and the user chose not to wait for it.
struct RunBusy {};

// What the user is told when a run cannot journal, naming the folder.
std::string JournalUnavailableText(const JournalUnavailable& failure);

class Journal {
public:
    // A journal for a new run of `kind` ("set", "shift", "undo", "window");
    // `undoes` names the run an undo gives back. Its file is created and put
    // on disk at once, so a run that cannot journal stops before its first
    // photo; a run that journals nothing removes it again. Journals older
    // than 30 days are removed. Throws JournalUnavailable.
    //
    // Runs that change photos take turns: a second run waits until the first
    // has ended, so every photo sees the runs in the order of their ids and
    // undoing them newest first gives each photo back. When it would have to
    // wait, `busy` is asked first; false gives up (RunBusy).
    Journal(std::string folder, std::string kind, std::string undoes = {},
            const LocalDateTime& utcNow = UtcNow(), const std::function<bool()>& busy = {});
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    const std::string& id() const { return m_id; }
    // Adds one photo's change to the batch being gathered.
    void add(const PendingChange& change);
    // Puts the gathered batch on disk; only then may its photos be written.
    // Throws JournalUnavailable.
    void commit();
    // add() and commit() for one photo.
    void record(const PendingChange& change);
    // record() as the engine's hook.
    BeforeWrite hook() {
        return [this](const PendingChange& change) { record(change); };
    }
    // Marks the run as having ended on its own.
    void finish();

    // The present moment in UTC, for journal ids.
    static LocalDateTime UtcNow();

private:
    std::string m_folder;
    std::string m_kind;
    std::string m_id;
    std::string m_undoes;
    std::string m_pending;  // blocks gathered, not yet on disk
    std::FILE* m_file = nullptr;
    std::FILE* m_turn = nullptr;  // held while the run lasts
    int m_photos = 0;             // blocks on disk
    bool m_named = false;         // the folder synced since the journal was made
};

struct JournalRun;
JournalRun ReadJournal(const std::string& folder, const std::string& id);

// The complete change blocks of a recorded run, oldest first. Only where each
// block starts is kept; a change is read from the journal when asked for, so
// a run of a hundred thousand photos is given back in the memory of one.
// A block that can no longer be read gives a change with an empty path.
class JournalChanges {
public:
    std::size_t size() const noexcept { return m_starts.size(); }
    bool empty() const noexcept { return m_starts.empty(); }
    PendingChange operator[](std::size_t i) const;

    class iterator {
    public:
        using value_type = PendingChange;
        using difference_type = std::ptrdiff_t;
        iterator(const JournalChanges* list, std::size_t i) : m_list(list), m_i(i) {}
        PendingChange operator*() const { return (*m_list)[m_i]; }
        iterator& operator++() {
            ++m_i;
            return *this;
        }
        bool operator!=(const iterator& o) const { return m_i != o.m_i; }
        bool operator==(const iterator& o) const { return m_i == o.m_i; }

    private:
        const JournalChanges* m_list;
        std::size_t m_i;
    };
    iterator begin() const { return {this, 0}; }
    iterator end() const { return {this, size()}; }

private:
    friend JournalRun ReadJournal(const std::string& folder, const std::string& id);
    // The changes read last, by index modulo its size: a run plans a batch of
    // photos and then reports each, and asks for each change twice.
    struct Read {
        std::size_t index = static_cast<std::size_t>(-1);
        PendingChange change;
    };
    std::shared_ptr<std::ifstream> m_file;
    std::vector<std::uint64_t> m_starts;
    std::shared_ptr<std::vector<Read>> m_read = std::make_shared<std::vector<Read>>(1024);
};

// One recorded run.
struct JournalRun {
    std::string id;
    std::string kind;
    std::string undoes;  // for an undo: the run it gives back
    bool done = false;   // the run ended on its own
    JournalChanges changes;
    // The copies of the date (XMP, IPTC) its complete blocks rewrote,
    // counted as the blocks are found.
    std::size_t copies = 0;
};

// The ids of the recorded runs, oldest first.
std::vector<std::string> JournalIds(const std::string& folder);
// A recorded run; throws RuntimeError 53 when there is none of that id.
JournalRun ReadJournal(const std::string& folder, const std::string& id);
// The run "undo --last" gives back: the newest one that changed something and
// is not fully undone. An undo that was interrupted leaves its run to be
// completed, never reverted; an undo that ended is not itself a target. ""
// when there is none.
std::string LastUndoableRun(const std::string& folder);

// A recorded run that changed photos, as the user picks one to give back.
struct RecordedRun {
    std::string id;
    std::string kind;
    std::string undoes;
    std::size_t photos = 0;  // photos it changed
    bool givenBack = false;  // an undo of it ended
    std::size_t copies = 0;  // copies of the date (XMP, IPTC) it rewrote
};
// Every recorded run that changed photos, newest first.
std::vector<RecordedRun> RecordedRuns(const std::string& folder);
// When a run was made, in UTC, from its id; all zero for an id of another form.
LocalDateTime RunTime(const std::string& id);

}  // namespace tovrin
