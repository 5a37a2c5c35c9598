#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "exif/copy_plan.h"
#include "exif/photo_update.h"
#include "exif/reader.h"

// The lines tovrin-cli prints: one JSON object per photo, members in a fixed
// order. Every line is valid UTF-8 whatever the photo or its name holds.
namespace tovrin::cli {

using Line = nlohmann::ordered_json;

// How many bytes of a text read from a photo a line shows. A date text is 20
// bytes and a make or model a few dozen, but a crafted photo can hold
// megabytes there; a line must stay short (below 64 KiB) for the scripts that
// read it. A longer text shows its first TextLimit bytes and "…", and the line
// gets "cut": the names of such members ("Make", "old.DateTime"), in order.
// Only the output is cut, never the photo.
inline constexpr std::size_t TextLimit = 1024;

// {"path":…} and, when the path is not valid UTF-8, "pathBytes" with its exact
// bytes in hex; "path" then shows U+FFFD for every stray byte.
Line PathLine(const std::string& path);

Line ErrorLine(const std::string& path, int number, const std::string& description);
// The lines printed once per photo, written straight as text (one per photo
// of a large folder; building a document first cost more than the reading).
// "status" is true or false in every command's line: whether the photo's
// EXIF data could be walked. The reader's own status, the Exif IFD's entry
// count (0 without usable EXIF data), is info's "exifEntries".
// With the photo's copies of its date (besides the three texts): "copies",
// a list of {where, name, text, agrees}, "copiesAgree" when any copy can be
// compared, and "copyProblems" for what could not be read.
std::string InfoText(const std::string& path, std::int32_t status, const PhotoInfo& info,
                     const CopyList& copies = {});
// status, changed, dateWritten, then "old" and "new": the three date texts as
// read before and as they read after the (planned) write; "skipped" when the
// day filter left the photo out.
std::string SetText(const std::string& path, const PhotoDateUpdate& update, bool skipped = false);

// The three date texts of a photo, as its bytes.
struct DateTexts {
    std::string DateTime;
    std::string DateTimeOriginal;
    std::string DateTimeDigitized;
};
// The date texts as the reader would find them once `update`'s writes are
// done: each written field's text with its first bytes replaced.
DateTexts DatesAfter(const PhotoDateUpdate& update);

std::string Dump(const Line& line);

}  // namespace tovrin::cli
