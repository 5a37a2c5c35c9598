#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "exif/date_choice.h"
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
PhotoDateUpdate UpdatePhotoDate(const std::string& folderPath, const std::string& fileName,
                                const DateChoice& choice, bool dryRun = false);

}  // namespace tovrin
