#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "exif/date_choice.h"
#include "exif/movie_time.h"

namespace tovrin {

class PhotoFile;

struct WriteResult {
    // True when both directories were walked to their end, whether or not
    // anything was written.
    bool status = false;
    // True when the IFD0 date (0x0132) was written.
    bool dateWritten = false;
    // True when any date text was written: the photo counts as changed (new
    // file times, a log line, the count).
    bool changed = false;
};

// How the journal names a write that is no EXIF tag (CopyTag and DigestTag
// in copy_plan.h, the sidecars' in sidecar.h, and these).
inline constexpr std::int16_t ChecksumTag = 4;  // a CRC-32 over bytes that were rewritten
inline constexpr std::int16_t MovieTimeTag =
    5;                                         // a movie header's creation time, seconds since 1904
inline constexpr std::int16_t PngTimeTag = 6;  // a PNG's tIME, its 7 bytes
inline constexpr std::int16_t MovieModifiedTag = 7;  // a movie header's modification time
constexpr bool IsMovieTimeTag(std::int16_t tag) {
    return tag == MovieTimeTag || tag == MovieModifiedTag;
}

// One date text that may be rewritten: its tag, where its text starts, the
// bytes there now (as many as will be written) and, once planned, the bytes
// that will replace them.
struct DateField {
    std::int16_t tag = 0;
    std::int64_t position = 0;
    std::string current;
    std::string written;
};

// The date fields of a photo that a write of `length` bytes may touch, in the
// order the walk meets them (0x0132 of IFD0, then 0x9003 and 0x9004 of the
// Exif IFD). A field qualifies only when it is an ASCII text of count >= 5 and
// >= length whose `length` bytes lie inside the file, and whose stored text
// (its count bytes, at most the 20 of a date) lies inside the APP1 segment
// (for a file that is a TIFF structure, the file), after the TIFF header,
// shares no byte with any structure the full walk reaches (every directory
// table, every other entry's value bytes, the thumbnail and, in a TIFF
// structure, every strip and tile), and does not partly overlap another such
// text. `complete` is false when the walk could not reach the end of the Exif
// IFD, when IFD0 or the Exif IFD lies in the TIFF header, when a pointer leads
// into the header (other than 0, which leads nowhere) or past the most
// directories (or strips and tiles) walked, and when more than 16 date entries stand in the two
// directories; nothing may be written then. Directories beyond IFD0 and the Exif IFD that lie
// outside the file do not make it false: nothing of them can lie under a date. Only entries that
// lie inside the Exif APP1 segment (the file, for a TIFF structure) are taken as date entries. A
// BigTIFF has no date fields.
//
// The zone offsets of the Exif IFD (0x9010 to 0x9012, "+hh:mm") are found by
// the same rule, at 6 bytes, apart in `offsets`; IFD0's own copies of
// DateTimeOriginal and DateTimeDigitized (some raw and camera files keep
// them) and IFD1's DateTime apart in `copies`.
//
// The times a container keeps as numbers are found apart in storedTimes
// (their stored bytes): a movie's header times (mvhd, tkhd, mdhd; tagged
// MovieTimeTag), with the clock they keep, and a PNG's tIME (PngTimeTag). A
// movie without EXIF has them alone.
struct DateFields {
    bool complete = false;
    std::vector<DateField> fields;
    std::vector<DateField> offsets;
    std::vector<DateField> copies;
    std::vector<DateField> storedTimes;
    MovieClock movieClock = MovieClock::Utc;
    std::optional<int> movieZone;  // minutes east of UTC the photo states, for a UTC clock
};
DateFields FindDateFields(PhotoFile& file, std::size_t length);

// The local moment a stored time names, and the bytes that store another;
// nothing for a time that names none (a movie time of 0 was never set) or a
// moment that its field cannot hold.
std::optional<LocalDateTime> StoredTimeMoment(const DateFields& fields, const DateField& time);
std::optional<std::string> StoredTimeBytes(const DateFields& fields, const DateField& time,
                                           const LocalDateTime& t);

// Rewrites the three EXIF date texts of folderPath + fileName in place.
// Validates first, then writes: unless the walk of both directories completes,
// nothing is written. The file's length never changes.
// File-system failures (read-only, gone, write error) throw RuntimeError.
WriteResult WriteEmbeddedDate(const std::string& folderPath, const std::string& fileName,
                              const DateChoice& choice);

// The writes a choice makes on an open photo, planned without writing.
struct DatePlan {
    bool status = false;
    std::string newText;
    std::vector<DateField> writes;  // each field with what it will receive
    DateFields fields;              // every date text, offset and copy found
    // IFD0's copies of the capture date with what each will receive, written
    // along with the copies outside EXIF.
    std::vector<DateField> copyWrites;
};
DatePlan PlanEmbeddedDate(PhotoFile& file, const DateChoice& choice);

// Adds to `writes` the checksums over bytes they rewrite (a PNG chunk's
// CRC), each recomputed over what its chunk will hold, so the file stays one
// every reader takes; journaled like the texts, so undo puts the old one back
// with the old bytes. Throws RuntimeError 481 for a chunk too large to sum.
void PlanChecksums(PhotoFile& file, std::vector<DateField>& writes);

// Carries out a plan; the result says what was written.
WriteResult ApplyDatePlan(PhotoFile& file, const DatePlan& plan);

}  // namespace tovrin
