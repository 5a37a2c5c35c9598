#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "exif/local_time.h"
#include "exif/photo_update.h"
#include "run/log_folder.h"

namespace tovrin {

// The undo journal: one file per run that changes photos, holding for each
// photo, before a byte of it is written, its path, size, old file times and
// the position, old bytes and new bytes of every text the run writes. A
// photo changes by at most three 19-byte texts, so remembering them all
// costs next to nothing, and any run can be given back.
//
//   TOVRIN-JOURNAL 1
//   RUN <id> <kind>
//   PHOTO <size> <accessed s> <ns> <modified s> <ns> <path, hex>
//   TEXT <tag> <position> <old bytes, hex> <new bytes, hex>
//   END
//
// A photo's block is on disk (flushed and synced) before the photo is
// written; a block without END was cut short by a crash before its photo
// was touched, and is ignored.

// $XDG_STATE_HOME/Tovrin/journal/ (~/.local/state/Tovrin/journal/), on
// Windows %LOCALAPPDATA%\Tovrin\journal\; "" when there is no such place.
std::string JournalFolder(const EnvironmentLookup& environment = SystemEnvironment);

class Journal {
public:
    // A journal for a new run of `kind` ("set", "shift", "undo", "window");
    // its file is created with the first change, so a run that changes
    // nothing leaves none. Journals older than 30 days are removed.
    Journal(std::string folder, std::string kind, const LocalDateTime& now = Now());
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    const std::string& id() const { return m_id; }
    // Appends one photo's change and puts it on disk. Throws RuntimeError.
    void record(const PendingChange& change);
    // record() as the engine's hook.
    BeforeWrite hook() {
        return [this](const PendingChange& change) { record(change); };
    }

private:
    std::string m_folder;
    std::string m_kind;
    std::string m_id;
    std::FILE* m_file = nullptr;
};

// One recorded run.
struct JournalRun {
    std::string id;
    std::string kind;
    std::vector<PendingChange> changes;
};

// The ids of the recorded runs, oldest first.
std::vector<std::string> JournalIds(const std::string& folder);
// A recorded run; throws RuntimeError 53 when there is none of that id.
JournalRun ReadJournal(const std::string& folder, const std::string& id);

}  // namespace tovrin
