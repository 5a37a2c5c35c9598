#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "exif/date_choice.h"
#include "exif/local_time.h"
#include "exif/photo_file.h"
#include "exif/reader.h"
#include "exif/writer.h"

namespace tovrin {

// What setting one photo's date found and did.
struct PhotoDateUpdate {
    std::int32_t readStatus = 0;  // the reader's status before the change
    PhotoInfo before;             // the photo as read before the change
    std::string fileTime;         // the file's own time of day before, "hh:mm:ss"
    WriteResult result;
    std::string newText;            // what each written field received (set)
    std::vector<DateField> writes;  // the fields written (or, in a dry run, to be written)
    // Nothing was written because a new date or the new file time would be
    // later than the latest moment allowed.
    bool refusedAsFuture = false;
    // Nothing was written because a shifted date would leave years 1 to 9999.
    bool refusedOutOfRange = false;
};

// What is about to be written to a photo, handed over before its first byte
// is written, so that a journal can hold it on disk first.
struct PendingChange {
    std::string path;
    std::int64_t size = 0;
    PhotoFile::FileTime accessed;  // the file's times before the change
    PhotoFile::FileTime modified;
    std::vector<DateField> writes;  // position, old bytes, new bytes
};
using BeforeWrite = std::function<void(const PendingChange&)>;

// Sets one photo's date through a single open: captures the file's time of
// day, reads the photo, rewrites its date texts and, when any was written,
// sets the file's times to the chosen moment on the open file. Everything
// that can be checked is checked before the first byte is written (the walk,
// the moment, the right to set the file's times); should setting the times
// still fail, the texts are written back as they were, so a photo never
// carries new dates with old times. A dry run opens the photo for reading
// only and reports what would be written.
// Throws RuntimeError (53 gone, 70 read-only or times not settable, 5 a
// moment the file system cannot hold, 75 not a regular file, ...).
//
// With `latest`, a photo whose new moment would be later than it is left as
// it is (refusedAsFuture): with the time of day kept, a photo's own time can
// carry today's date into the future. Its new moments are each rewritten date
// text that is a valid moment, and its new file time.
PhotoDateUpdate UpdatePhotoDate(const std::string& folderPath, const std::string& fileName,
                                const DateChoice& choice, bool dryRun = false,
                                std::optional<LocalDateTime> latest = std::nullopt,
                                const BeforeWrite& beforeWrite = {});

// Moves every date text that the writer may write and that holds a valid
// "yyyy:mm:dd hh:mm:ss" moment by `seconds` of wall-clock time (negative:
// earlier), in place; other texts stay as they are. With a filter day
// ("yyyy:mm:dd"), only texts on that day move. The file's times become the
// photo's new capture moment: its new DateTimeOriginal, else DateTime, else
// DateTimeDigitized. A result outside years 1 to 9999 (refusedOutOfRange) or
// later than `latest` (refusedAsFuture) leaves the photo untouched.
PhotoDateUpdate ShiftPhotoDate(const std::string& folderPath, const std::string& fileName,
                               std::int64_t seconds, const std::string& filterDay = "",
                               bool dryRun = false,
                               std::optional<LocalDateTime> latest = std::nullopt,
                               const BeforeWrite& beforeWrite = {});

// How giving a photo back its old texts and times went.
enum class Restore {
    Restored,       // every text held what the change wrote; old texts and times are back
    AlreadyBefore,  // every text already holds its old bytes: nothing to give back
    ChangedSince,   // some text holds neither: the photo was changed since, left as it is
    SizeChanged,    // the file's size is not what it was: left as it is
};

// Gives a photo back what a change took, when the change is still what the
// photo holds: every written text must hold its new bytes. beforeWrite sees
// the reverse change first (an undo can itself be undone).
Restore RestorePhotoDates(const PendingChange& change, const BeforeWrite& beforeWrite = {});

// The moment a "yyyy:mm:dd hh:mm:ss" text names, when it names a valid one.
std::optional<LocalDateTime> ParseExifMoment(const std::string& text);
// "yyyy:mm:dd hh:mm:ss"
std::string ExifMomentText(const LocalDateTime& t);
// The wall-clock moment `seconds` later (earlier when negative); nothing when
// it leaves years 1 to 9999.
std::optional<LocalDateTime> ShiftMoment(const LocalDateTime& t, std::int64_t seconds);

}  // namespace tovrin
