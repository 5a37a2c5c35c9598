#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "exif/date_choice.h"
#include "exif/file_replacement.h"
#include "exif/local_time.h"
#include "exif/photo_file.h"
#include "exif/reader.h"
#include "exif/writer.h"

namespace tovrin {

// What setting one photo's date found and did.
struct PhotoDateUpdate {
    std::string path;             // the photo's full path
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
    // Nothing was written because the photo stores no zone to move from.
    bool refusedNoZone = false;
    // The copies of the date besides the three EXIF texts (IFD0's own, XMP,
    // IPTC) the photo holds, those rewritten, and those a change left as
    // they are, each with why.
    std::size_t copies = 0;
    std::size_t copiesWritten = 0;  // planned to be, until the change is made
    std::vector<std::string> copiesLeft;
    // A movie's header times: the clock they were read and written in
    // ("utc", or "local" when the file's EXIF shows a camera's local clock;
    // "" for a file without them), and the capture and modification moments
    // they name after the change ("" when not written).
    std::string movieClock;
    std::string movieCreated;
    std::string movieModified;
    // The photo had no EXIF block and got one (ChangeOptions::addMissing):
    // the one change that rewrites a file whole.
    bool added = false;
    // Why the run gave this photo no new moment (its name tells none, ...);
    // nothing was opened or written. Japanese, shown to the user.
    std::string skipped;
};

// What is about to be written to a photo, handed over before its first byte
// is written, so that a journal can hold it on disk first. The identity and
// the modification time after the change let an undo tell the same photo,
// as the change left it, from another file that took its name or place.
struct PendingChange {
    std::string path;
    std::int64_t size = 0;
    FileIdentity identity;         // unknown in journals of older versions
    PhotoFile::FileTime accessed;  // the file's times before the change
    PhotoFile::FileTime modified;
    std::optional<PhotoFile::FileTime> modifiedAfter;  // its time once changed
    std::vector<DateField> writes;                     // position, old bytes, new bytes
};
using BeforeWrite = std::function<void(const PendingChange&)>;

// How a change of one photo is made.
struct ChangeOptions {
    // Reports what would be written and writes nothing: the photo is read
    // through an open for reading only, once CheckPhotoWritable has found
    // that the change could open it for writing (and set its times, when it
    // would write), so a dry run fails where the change would.
    bool dryRun = false;
    // A photo whose new moment would be later than this is left as it is.
    std::optional<LocalDateTime> latest{};
    // "yyyy:mm:dd": only date texts on that day move (shift; a set takes its
    // day from its DateChoice).
    std::string onlyOn{};
    // Handed what is about to be written before the first byte is.
    BeforeWrite beforeWrite{};
    // Only the EXIF texts change; the copies in XMP and IPTC stay.
    bool exifOnly = false;
    // "+hh:mm": written into the photo's zone offsets (OffsetTime*) and the
    // zones its copies store, where it has them; a photo is never grown.
    std::optional<std::string> zone{};
    // A shift to `zone`: each photo's local times move by the difference
    // between its stored offset and `zone` (the seconds given are not used);
    // a photo that stores no offset is left as it is (refusedNoZone).
    bool moveToZone = false;
    // A set gives a JPEG or PNG that has no EXIF block one, holding the new
    // moment (and the zone, when one is given): written as a new file beside
    // the photo and put in its place, so a crash leaves the old photo or the
    // new one. Without it such a photo is reported as having no date.
    bool addMissing = false;
    // A set takes each photo's date and time from its modification time as
    // found when the photo is opened (the choice's date and time unused).
    bool fromFileTime = false;
};

// Sets one photo's date through a single open: captures the file's time of
// day, reads the photo, rewrites its date texts and, when any was written,
// sets the file's times to the chosen moment on the open file. Everything
// that can be checked is checked before the first byte is written (the walk,
// the moment, the right to set the file's times); should a write or setting
// the times still fail, the texts and times are put back as they were, so a
// photo never carries some new dates, or new dates with old times. A dry run
// writes nothing and reports what would be written, or the error the change
// would meet.
// Throws RuntimeError (53 gone, 70 read-only or times not settable, 5 a
// moment the file system cannot hold, 75 not a regular file, ...).
//
// With `latest`, a photo whose new moment would be later than it is left as
// it is (refusedAsFuture): with the time of day kept, a photo's own time can
// carry today's date into the future. Its new moments are each rewritten date
// text that is a valid moment, and its new file time.
PhotoDateUpdate UpdatePhotoDate(const std::string& folderPath, const std::string& fileName,
                                const DateChoice& choice, const ChangeOptions& options = {});

// With copies (not exifOnly), a change also rewrites every copy of the date
// in XMP and IPTC in its own form and length, and an IPTC digest that
// matched; a photo whose copies cannot all be read (a malformed packet or
// block) is refused with error 481 before anything is written.
//
// Moves every date text that the writer may write and that holds a valid
// "yyyy:mm:dd hh:mm:ss" moment by `seconds` of wall-clock time (negative:
// earlier), in place; other texts stay as they are. With a filter day
// (options.onlyOn), only texts on that day move. The file's times become the
// photo's new capture moment: its new DateTimeOriginal, else DateTime, else
// DateTimeDigitized. A result outside years 1 to 9999 (refusedOutOfRange) or
// later than `latest` (refusedAsFuture) leaves the photo untouched.
PhotoDateUpdate ShiftPhotoDate(const std::string& folderPath, const std::string& fileName,
                               std::int64_t seconds, const ChangeOptions& options = {});

// How giving a photo back its old texts and times went.
enum class Restore {
    Restored,       // every text held what the change wrote; old texts and times are back
    HalfDone,       // the change was cut short (some texts old, some new); old ones are back
    AlreadyBefore,  // every text already holds its old bytes: nothing to give back
    ChangedSince,   // some text holds neither: the photo was changed since, left as it is
    SizeChanged,    // the file's size is not what it was: left as it is
    NotSamePhoto,   // another file, or one whose time was changed since: left as it is
    NotADate,       // a recorded place is not a date text of the photo now: left as it is
};

// One photo opened for a change, claimed, read and planned: nothing of it is
// written until CommitPhoto. Holding it keeps other runs off the photo, so
// what is journaled is what will be replaced.
struct PlannedPhoto {
    std::unique_ptr<PhotoFile> file;
    FileIdentity identity;                // of the file opened
    PhotoDateUpdate update;               // what was read and planned; update.writes to be made
    Restore restore = Restore::Restored;  // for a planned undo
    // The times the photo gets once written: the moment for set and shift
    // (checked against what the file system stores), exact times for undo.
    std::int64_t moment = 0;
    bool exactTimes = false;
    PhotoFile::FileTime accessedAfter;
    PhotoFile::FileTime modifiedAfter;
    // A change that adds or takes away bytes (an EXIF block added to a photo
    // that had none, or taken away again on undo): the new file, written and
    // waiting beside the photo to be put in its place.
    std::unique_ptr<FileReplacement> replacement;

    // True when committing writes something.
    bool writes() const { return file != nullptr && !update.writes.empty(); }
    // What the journal must hold before the first byte is written.
    PendingChange pending() const;
};

// Opens the photo (for reading only in a dry run), claims it and plans
// setting its date or shifting it, as UpdatePhotoDate and ShiftPhotoDate do.
// With wait false, gives nothing when another run holds the photo.
// options.beforeWrite is for the caller that commits the plan.
std::optional<PlannedPhoto> PlanPhotoDate(const std::string& path, const DateChoice& choice,
                                          const ChangeOptions& options, bool wait = true);
std::optional<PlannedPhoto> PlanPhotoShift(const std::string& path, std::int64_t seconds,
                                           const ChangeOptions& options, bool wait = true);
// Plans giving back what a recorded change took; planned.restore says whether
// (Restored, HalfDone) or why not. Writes only at places that the walk of the
// photo as it is now finds to be date texts, and only to the same file.
std::optional<PlannedPhoto> PlanRestore(const PendingChange& change, bool wait = true);

// Writes a planned photo's texts and sets its times, all or nothing: should a
// write or the times fail, the old texts and times are put back before the
// error is thrown. Closes the photo. Throws RuntimeError.
void CommitPhoto(PlannedPhoto& planned);

// Gives a photo back what a change took, when the change is still what the
// photo holds: every recorded text holds its new bytes, or (a change cut
// short) its old or its new bytes. beforeWrite sees the reverse change first
// (an undo can itself be undone).
Restore RestorePhotoDates(const PendingChange& change, const BeforeWrite& beforeWrite = {});

// Whether a shift moves a date text: it names a valid moment and, with a
// filter day ("yyyy:mm:dd", "" for none), lies on that day. The preview of a
// shift asks the same question, so that it lists what the run will move.
bool ShiftMovesText(const std::string& text, const std::string& onlyOn);

// The moment a "yyyy:mm:dd hh:mm:ss" text names, when it names a valid one.
std::optional<LocalDateTime> ParseExifMoment(const std::string& text);
// "yyyy:mm:dd hh:mm:ss"
std::string ExifMomentText(const LocalDateTime& t);
// The wall-clock moment `seconds` later (earlier when negative); nothing when
// it leaves years 1 to 9999.
std::optional<LocalDateTime> ShiftMoment(const LocalDateTime& t, std::int64_t seconds);

}  // namespace tovrin
