#pragma once

#include <string>

#include "exif/date_choice.h"

namespace tovrin {

struct WriteResult {
    // True when both directories were walked to their end, whether or not
    // anything was written.
    bool status = false;
    // True when the IFD0 date (0x0132) was written: the photo counts as changed.
    bool dateWritten = false;
};

// Rewrites the three EXIF date texts of folderPath + fileName in place.
// Validates first, then writes: unless the walk of both directories completes,
// nothing is written. Only ASCII date fields large enough for the text and
// lying inside the file are written; the file's length never changes.
// File-system failures (read-only, gone, write error) throw RuntimeError.
WriteResult WriteEmbeddedDate(const std::string& folderPath, const std::string& fileName,
                              const DateChoice& choice);

}  // namespace tovrin
