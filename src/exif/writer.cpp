#include "exif/writer.h"

#include <algorithm>

#include "exif/byte_access.h"
#include "exif/container.h"
#include "exif/copy_plan.h"
#include "exif/crc32.h"
#include "exif/exif_walk.h"
#include "exif/photo_file.h"
#include "exif/photo_update.h"
#include "exif/runtime_error.h"
#include "exif/sidecar.h"
#include "exif/tiff_layout.h"

namespace tovrin {

using namespace tiff;

namespace {

// More date entries than this are no camera's: each is checked against every
// structure, so a table of thousands must not multiply the walk's cost.
constexpr std::size_t MostDateEntries = 16;

bool isDateTag(const IfdEntry& entry) {
    if (entry.directory == Directory::Ifd0) return entry.tag == TagDateTime;
    return entry.tag == TagDateTimeOriginal || entry.tag == TagDateTimeDigitized;
}

// Some raw and camera files keep a second DateTimeOriginal (or
// DateTimeDigitized) in IFD0, which other programs may read first (IFD1's
// DateTime is taken apart, after the walk).
bool isCopyTag(const IfdEntry& entry) {
    return entry.directory == Directory::Ifd0 &&
           (entry.tag == TagDateTimeOriginal || entry.tag == TagDateTimeDigitized);
}

bool isOffsetTag(const IfdEntry& entry) {
    return entry.directory == Directory::Exif &&
           (entry.tag == TagOffsetTime || entry.tag == TagOffsetTimeOriginal ||
            entry.tag == TagOffsetTimeDigitized);
}

// The date fields of one EXIF block, added to `found`; false when the block
// cannot be vouched for (nothing of the photo may be written then).
bool findInBlock(PhotoFile& file, const ExifBlock& block, std::size_t length, DateFields& found) {
    {
        // Where a date text may lie at all: inside the APP1 segment (the whole
        // file for a TIFF structure), after the 8-byte TIFF header. A corrupt
        // offset may aim anywhere; writing there would damage the photo's own
        // structure.
        // A file that is a TIFF structure may keep more header after the
        // eight bytes (CR2's "CR", its version and the raw IFD's offset):
        // no date of a sound file stands in its first 16.
        const std::int64_t header = block.container == ExifBlock::Container::Tiff ? 16 : 8;
        const ByteSpan dataArea{block.tiffBase + header,
                                block.app1.end() - (block.tiffBase + header)};

        struct Candidate {
            DateField field;
            ByteSpan text;        // the date text as stored: its field, at most 20 bytes
            std::int64_t entry;   // where its directory entry stands
            std::int64_t table;   // the first byte of the table it was read from
            bool offset = false;  // a zone offset, not a date
            bool copy = false;    // IFD0's or IFD1's own copy of a date
            bool clear = true;    // no other structure under its text
        };
        TiffStructure structure;
        std::vector<Candidate> candidates;
        // A date entry at e of the table at `table`, when its text may be one.
        const auto take = [&](std::int16_t tag, std::int64_t e, std::int64_t table, bool offset,
                              bool copy) {
            // An offset is "+hh:mm" and its NUL.
            const std::size_t size = offset ? 6 : length;
            const auto span = static_cast<std::int64_t>(size);
            // An entry read past the end of the segment is no Exif entry,
            // whatever its bytes say.
            if (!block.app1.contains({e, EntrySize})) return;
            const int order = structure.order;
            // The value field is always an offset: a date never fits in 4 bytes.
            if (ReadWord(file, e + 2, order) != TypeAscii) return;
            const auto count = static_cast<std::uint32_t>(ReadDword(file, e + 4, order));
            if (count < (offset ? 6u : 5u) || count < span) return;
            const std::int64_t d =
                block.tiffBase + static_cast<std::uint32_t>(ReadDword(file, e + 8, order));
            const ByteSpan text{d, std::min<std::int64_t>(count, 20)};
            if (!dataArea.contains(text) || !file.contains(d, span)) return;
            Candidate c{{tag, d, std::string(size, '\0'), {}}, text, e, table, offset, copy};
            file.read(d, c.field.current.data(), size);
            candidates.push_back(std::move(c));
        };
        const auto consider = [&](const IfdEntry& entry) {
            const bool offset = isOffsetTag(entry);
            const bool copy = isCopyTag(entry);
            if (!offset && !copy && !isDateTag(entry)) return;
            take(entry.tag, entry.position,
                 entry.directory == Directory::Ifd0 ? structure.ifd0Table.first
                                                    : structure.exifTable.first,
                 offset, copy);
        };
        if (WalkTiffStructure(file, block.tiffBase, structure, consider, block.magic,
                              block.holds) != WalkEnd::Complete)
            return false;
        // IFD1, the thumbnail's directory, may keep a DateTime of its own,
        // which readers show beside IFD0's: a copy. Its table is only read
        // here; the full walk below claims it like any other.
        if (block.holds != ExifBlock::Holds::ExifOnly) {
            const int order = structure.order;
            const std::int64_t link = structure.ifd0Table.end() - 4;
            const auto next = block.app1.contains({link, 4})
                                  ? static_cast<std::uint32_t>(ReadDword(file, link, order))
                                  : 0u;
            const std::int64_t ifd1 = block.tiffBase + next;
            if (next >= 8 && ifd1 != structure.ifd0Table.first &&
                ifd1 != structure.exifTable.first && block.app1.contains({ifd1, 2})) {
                const auto count = static_cast<std::uint16_t>(ReadWord(file, ifd1, order));
                for (std::int64_t i = 0; i < std::min<std::int64_t>(count, 256); ++i) {
                    const std::int64_t e = ifd1 + 2 + EntrySize * i;
                    if (!block.app1.contains({e, EntrySize})) break;
                    if (ReadWord(file, e, order) == TagDateTime)
                        take(TagDateTime, e, ifd1, false, true);
                }
            }
        }
        // IFD0 or the Exif IFD inside the TIFF header is a table made of the
        // header's bytes: nothing read from it can be trusted.
        if (structure.ifd0Table.first < block.tiffBase + 8 ||
            structure.exifTable.first < block.tiffBase + 8 || candidates.size() > MostDateEntries)
            return false;

        // Only now is the whole structure known. A date's text may share its
        // bytes with nothing the walk reached but its own value, or the value
        // of another date that starts at the same byte (one text written
        // twice), each claimed from the date's own directory: the same entry
        // read as part of another, overlapping table claims something else.
        const auto ownText = [&](const Candidate& c, const StructurePart& part) {
            return part.kind == StructurePart::Value &&
                   std::any_of(candidates.begin(), candidates.end(), [&](const Candidate& other) {
                       return other.entry == part.entry && other.table == part.table &&
                              other.text.first == c.text.first;
                   });
        };
        // In a file that is a TIFF structure the image lies among the
        // directories, and its strips and tiles are structure too.
        const StructureMap map = MapTiffStructure(
            file, block.tiffBase, structure,
            [&](const StructurePart& part) {
                for (Candidate& c : candidates) {
                    if (c.clear && c.text.overlaps(part.bytes) && !ownText(c, part))
                        c.clear = false;
                }
            },
            block.container == ExifBlock::Container::Tiff);
        // A pointer into the header or past the bound leads to structure the
        // walk never saw: any date text might lie on it.
        if (map.intoHeader > 0 || map.overBound > 0) return false;
        for (const Candidate& c : candidates) {
            if (!c.clear) continue;
            // Two texts that overlap without starting at the same byte cannot
            // both be dates, and writing either would damage the other.
            const bool overlapping =
                std::any_of(candidates.begin(), candidates.end(), [&](const Candidate& other) {
                    return other.text.first != c.text.first && c.text.overlaps(other.text);
                });
            if (overlapping) continue;
            (c.offset ? found.offsets : c.copy ? found.copies : found.fields).push_back(c.field);
        }
    }
    return true;
}

}  // namespace

DateFields FindDateFields(PhotoFile& file, std::size_t length) {
    DateFields found;
    try {
        const ContainerMap map = MapContainer(file);
        // A container that could not be walked whole may hide anything
        // under a date text; a file without EXIF blocks has no date fields.
        if (!map.problems.empty() || (map.exif.empty() && map.movieTimes.empty() && !map.imageTime))
            return found;
        for (const ExifBlock& block : map.exif)
            if (!findInBlock(file, block, length, found)) return DateFields{};
        // A JPEG inside a file that is a TIFF structure (Panasonic's) lies in
        // one value of the file's own: a date of it that any other part of
        // the file's structure also claims is no date to write.
        if (map.kind == FileKind::Tiff && !map.jpegs.empty() && map.exif.size() > 1) {
            const ExifBlock& outer = map.exif.front();
            const auto innerText = [&](const DateField& f) {
                return std::any_of(map.jpegs.begin(), map.jpegs.end(), [&](const ByteSpan& j) {
                    return j.contains({f.position, 1});
                });
            };
            std::vector<std::int64_t> claimed;
            TiffStructure known;
            WalkTiffStructure(
                file, outer.tiffBase, known, [](const IfdEntry&) {}, outer.magic, outer.holds);
            MapTiffStructure(
                file, outer.tiffBase, known,
                [&](const StructurePart& part) {
                    const bool stream =
                        std::any_of(map.jpegs.begin(), map.jpegs.end(), [&](const ByteSpan& j) {
                            return part.bytes.first == j.first && part.bytes.size == j.size;
                        });
                    if (stream) return;
                    for (const auto* list : {&found.fields, &found.offsets, &found.copies})
                        for (const DateField& f : *list)
                            if (innerText(f) && part.bytes.overlaps({f.position, 20}))
                                claimed.push_back(f.position);
                },
                true);
            for (auto* list : {&found.fields, &found.offsets, &found.copies})
                list->erase(std::remove_if(list->begin(), list->end(),
                                           [&](const DateField& f) {
                                               return std::find(claimed.begin(), claimed.end(),
                                                                f.position) != claimed.end();
                                           }),
                            list->end());
        }
        for (const MovieTime& time : map.movieTimes) {
            std::string bytes(static_cast<std::size_t>(time.bytes.size), '\0');
            file.read(time.bytes.first, bytes.data(), bytes.size());
            found.storedTimes.push_back(
                {time.creation ? MovieTimeTag : MovieModifiedTag, time.bytes.first, bytes, {}});
        }
        if (map.imageTime) {
            std::string bytes(7, '\0');
            file.read(map.imageTime->first, bytes.data(), bytes.size());
            found.storedTimes.push_back({PngTimeTag, map.imageTime->first, bytes, {}});
        }
        if (!found.storedTimes.empty()) {
            // The clock is told by the capture date the file keeps in EXIF,
            // and its zone, when it states one.
            std::optional<LocalDateTime> capture;
            for (const DateField& f : found.fields)
                if (f.tag == TagDateTimeOriginal && !capture)
                    capture = ParseExifMoment(ReadText(file, f.position, 19));
            if (!map.movieTimes.empty())
                found.movieClock =
                    ChooseMovieClock(MovieSeconds(found.storedTimes.front().current), capture);
            for (const DateField& f : found.offsets)
                if (f.tag == TagOffsetTimeOriginal && !found.movieZone)
                    found.movieZone = ZoneMinutes(f.current);
        }
        found.complete = true;
    } catch (const OutsideFile&) {
        found = DateFields{};
    }
    return found;
}

std::optional<LocalDateTime> StoredTimeMoment(const DateFields& fields, const DateField& time) {
    if (time.tag == PngTimeTag) {
        if (time.current.size() != 7) return std::nullopt;
        const auto byte = [&](std::size_t i) {
            return static_cast<unsigned char>(time.current[i]);
        };
        const LocalDateTime utc{
            byte(0) * 256 + byte(1), byte(2), byte(3), byte(4), byte(5), byte(6)};
        if (!IsValidDate({utc.year, utc.month, utc.day}) ||
            !IsValidTime({utc.hour, utc.minute, utc.second == 60 ? 59 : utc.second}))
            return std::nullopt;
        const std::int64_t seconds = WallSeconds(utc);
        if (fields.movieZone)
            return FromWallSeconds(seconds + std::int64_t{*fields.movieZone} * 60);
        return ToLocal(seconds);
    }
    const std::uint64_t seconds = MovieSeconds(time.current);
    if (seconds == 0) return std::nullopt;
    return MovieMoment(seconds, fields.movieClock, fields.movieZone);
}

std::optional<std::string> StoredTimeBytes(const DateFields& fields, const DateField& time,
                                           const LocalDateTime& t) {
    if (time.tag == PngTimeTag) {
        std::int64_t utc = 0;
        if (fields.movieZone) {
            utc = WallSeconds(t) - std::int64_t{*fields.movieZone} * 60;
        } else {
            try {
                utc = LocalToEpoch(t);
            } catch (const RuntimeError&) {
                return std::nullopt;
            }
        }
        const LocalDateTime u = FromWallSeconds(utc);
        if (u.year < 1 || u.year > 9999) return std::nullopt;
        return std::string{static_cast<char>(u.year >> 8), static_cast<char>(u.year & 0xFF),
                           static_cast<char>(u.month),     static_cast<char>(u.day),
                           static_cast<char>(u.hour),      static_cast<char>(u.minute),
                           static_cast<char>(u.second)};
    }
    const auto seconds = MovieSecondsOf(t, fields.movieClock, fields.movieZone);
    return seconds ? MovieBytes(*seconds, time.current.size()) : std::nullopt;
}

// The checksums over bytes about to be rewritten (a PNG chunk's CRC), each
// recomputed over what the chunk will hold, so that the file stays one every
// reader takes. Journaled like the texts: undo puts the old one back with
// the old bytes.
void PlanChecksums(PhotoFile& file, std::vector<DateField>& writes) {
    // A PNG chunk is read whole to be summed: a larger one is none we write.
    constexpr std::int64_t LargestSummed = 64 * 1024 * 1024;
    const ContainerMap map = MapContainer(file);
    for (const ChecksumPlace& place : map.checksums) {
        const bool touched = std::any_of(writes.begin(), writes.end(), [&](const DateField& w) {
            return !IsSidecarTag(w.tag) &&
                   place.covered.overlaps(
                       {w.position, static_cast<std::int64_t>(w.written.size())});
        });
        if (!touched) continue;
        if (place.covered.size > LargestSummed || !file.contains(place.position, 4))
            throw RuntimeError(error::BadPicture,
                               "チェックサムを計算し直せないため、変更しませんでした");
        std::string bytes(static_cast<std::size_t>(place.covered.size), '\0');
        file.read(place.covered.first, bytes.data(), bytes.size());
        for (const DateField& w : writes) {
            if (IsSidecarTag(w.tag)) continue;
            for (std::size_t i = 0; i < w.written.size(); ++i) {
                const std::int64_t at = w.position + static_cast<std::int64_t>(i);
                if (place.covered.contains({at, 1}))
                    bytes[static_cast<std::size_t>(at - place.covered.first)] = w.written[i];
            }
        }
        const std::uint32_t crc =
            Crc32(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        std::string now(4, '\0');
        file.read(place.position, now.data(), 4);
        std::string sum(4, '\0');
        for (int i = 0; i < 4; ++i)
            sum[static_cast<std::size_t>(i)] = static_cast<char>((crc >> (24 - 8 * i)) & 0xFF);
        if (sum != now) writes.push_back({ChecksumTag, place.position, now, sum});
    }
}

DatePlan PlanEmbeddedDate(PhotoFile& file, const DateChoice& choice) {
    DatePlan plan;
    plan.newText = NewDateText(choice);
    const std::string filter = FilterDateText(choice);
    const DateFields fields = FindDateFields(file, plan.newText.size());
    plan.status = fields.complete;
    plan.fields = fields;
    // Each date is judged by the filter on its own, character by character.
    const auto passes = [&](const DateField& field) {
        if (filter.empty()) return true;
        try {
            const std::int32_t count = static_cast<std::int32_t>(filter.size());
            return ReadText(file, field.position, count) == filter;
        } catch (const OutsideFile&) {
            return false;
        }
    };
    // A movie's times take the new moment in their own clock; with the time
    // of day kept, each keeps its own. Judged by the filter by the day they
    // name.
    for (const DateField& field : fields.storedTimes) {
        const auto now = StoredTimeMoment(fields, field);
        if (!filter.empty() &&
            (!now || ExifMomentText(*now).compare(0, filter.size(), filter) != 0))
            continue;
        LocalDateTime t{choice.date.year, choice.date.month,  choice.date.day,
                        choice.time.hour, choice.time.minute, choice.time.second};
        if (choice.keepTime) {
            if (!now) continue;
            t.hour = now->hour;
            t.minute = now->minute;
            t.second = now->second;
        }
        const auto bytes = StoredTimeBytes(fields, field, t);
        if (!bytes) continue;
        plan.writes.push_back(field);
        plan.writes.back().written = *bytes;
    }
    for (const auto& [from, into] :
         {std::pair{&fields.fields, &plan.writes}, std::pair{&fields.copies, &plan.copyWrites}}) {
        for (const DateField& field : *from) {
            if (!passes(field)) continue;
            into->push_back(field);
            into->back().written = plan.newText;
        }
    }
    return plan;
}

WriteResult ApplyDatePlan(PhotoFile& file, const DatePlan& plan) {
    WriteResult result;
    result.status = plan.status;
    if (!plan.status) return result;
    for (const DateField& w : plan.writes) {
        WriteText(file, w.position, w.written);
        result.changed = true;
        if (w.tag == TagDateTime) result.dateWritten = true;
    }
    return result;
}

WriteResult WriteEmbeddedDate(const std::string& folderPath, const std::string& fileName,
                              const DateChoice& choice) {
    PhotoFile file(folderPath + fileName, PhotoFile::Mode::ReadWrite);
    // Validate, then write: a photo whose walk does not complete keeps every
    // byte, so a failure never leaves it half rewritten.
    DatePlan plan = PlanEmbeddedDate(file, choice);
    if (plan.status) PlanChecksums(file, plan.writes);
    const WriteResult result = ApplyDatePlan(file, plan);
    file.close();
    return result;
}

}  // namespace tovrin
