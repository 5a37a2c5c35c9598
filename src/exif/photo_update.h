#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "exif/date_choice.h"
#include "exif/local_time.h"
#include "exif/reader.h"
#include "exif/writer.h"

namespace tovrin {

// What setting one photo's date found and did.
struct PhotoDateUpdate {
    std::int32_t readStatus = 0;  // the reader's status before the change
    PhotoInfo before;             // the photo as read before the change
    std::string fileTime;         // the file's own time of day before, "hh:mm:ss"
    WriteResult result;
    std::string newText;            // what each written field received
    std::vector<DateField> writes;  // the fields written (or, in a dry run, to be written)
    // Nothing was written because a new date or the new file time would be
    // later than the latest moment allowed.
    bool refusedAsFuture = false;
};

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
                                std::optional<LocalDateTime> latest = std::nullopt);

// The moment a "yyyy:mm:dd hh:mm:ss" text names, when it names a valid one.
std::optional<LocalDateTime> ParseExifMoment(const std::string& text);

}  // namespace tovrin
