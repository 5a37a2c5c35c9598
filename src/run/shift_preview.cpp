#include "run/shift_preview.h"

#include <algorithm>
#include <utility>

#include "exif/photo_file.h"
#include "exif/photo_update.h"
#include "exif/runtime_error.h"
#include "exif/tiff_layout.h"
#include "exif/writer.h"

namespace tovrin {

namespace {

// The capture date first: it is what the user knows a photo by.
int rank(std::int16_t tag) {
    return tag == tiff::TagDateTimeOriginal ? 0 : tag == tiff::TagDateTimeDigitized ? 1 : 2;
}

const char* placeOf(std::int16_t tag) {
    switch (rank(tag)) {
        case 0:
            return "DateTimeOriginal";
        case 1:
            return "DateTimeDigitized";
        default:
            return "DateTime";
    }
}

// Which moved text a date-only copy follows, as the shift picks it: the
// capture date, else DateTime, else DateTimeDigitized.
int captureRank(std::int16_t tag) {
    return tag == tiff::TagDateTimeOriginal ? 0 : tag == tiff::TagDateTime ? 1 : 2;
}

// Said of IFD0's own copy that a shift cannot move, in the words the copies'
// rule uses for the same case.
constexpr const char* OutOfRange = "ずらすと 1 年から 9999 年の外に出るため、そのままです";

// The rule the shift's plan hands the copies of this photo.
CopyRule shiftRule(const PhotoDates& photo, std::int64_t seconds) {
    CopyRule rule;
    rule.shift = true;
    rule.seconds = seconds;
    rule.onlyOn = photo.onlyOn;
    rule.captureBefore = photo.capture;
    if (photo.capture) rule.captureAfter = ShiftMoment(*photo.capture, seconds);
    return rule;
}

}  // namespace

std::size_t PhotoDates::copyCount() const {
    return static_cast<std::size_t>(
        std::count_if(copies.begin(), copies.end(),
                      [](const DateCopy& c) { return c.kind != DateCopy::Kind::Exif; }));
}

std::optional<PhotoDates> ReadShiftDates(const std::string& folderPath, const std::string& name,
                                         const std::string& onlyOn, bool exifOnly) {
    std::vector<std::pair<int, DateCopy>> found;
    PhotoDates photo{name, {}, {}, {}, onlyOn};
    try {
        // The fields the shift's plan looks at, through the same walk: a text
        // the writer would not touch is no copy that moves.
        PhotoFile file(folderPath + name, PhotoFile::Mode::Read);
        const DateFields fields = FindDateFields(file, 19);
        if (!fields.complete) return std::nullopt;
        int captured = 3;
        for (const DateField& field : fields.fields) {
            if (!ShiftMovesText(field.current, onlyOn)) continue;
            const LocalDateTime moment = *ParseExifMoment(field.current);
            found.push_back({rank(field.tag), {placeOf(field.tag), field.current, moment}});
            if (captureRank(field.tag) < captured) {
                captured = captureRank(field.tag);
                photo.capture = moment;
            }
        }
        if (!onlyOn.empty() && found.empty()) return std::nullopt;
        // The copies follow only a photo whose EXIF texts move, and come
        // after them: IFD0's (and IFD1's) own, then those outside EXIF in
        // file order.
        if (!exifOnly && !found.empty()) {
            for (const DateField& field : fields.copies) {
                if (!ShiftMovesText(field.current, onlyOn)) continue;
                found.push_back(
                    {3,
                     {field.tag == tiff::TagDateTime ? std::string("IFD1 DateTime")
                                                     : std::string("IFD0 ") + placeOf(field.tag),
                      field.current, *ParseExifMoment(field.current), DateCopy::Kind::Ifd0}});
            }
            photo.outside = ReadCopyMoments(file);
            // Those the rule names are those of the filter day, whatever the
            // offset: a null shift finds them.
            for (const CopyMove& move : MoveCopies(photo.outside, shiftRule(photo, 0))) {
                const DateCopyFound& copy = photo.outside.found.found[move.index];
                found.push_back(
                    {4, {copy.place, copy.value, {}, DateCopy::Kind::Outside, move.index}});
            }
        }
    } catch (const RuntimeError&) {
        return std::nullopt;
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& entry : found) photo.copies.push_back(std::move(entry.second));
    return photo;
}

std::optional<std::vector<ShiftedText>> ShiftedTexts(const PhotoDates& photo,
                                                     std::int64_t seconds) {
    std::vector<ShiftedText> texts;
    texts.reserve(photo.copies.size());
    bool outside = false;
    for (const DateCopy& copy : photo.copies) {
        if (copy.kind == DateCopy::Kind::Outside) {
            outside = true;
            texts.emplace_back();
            continue;
        }
        const auto moved = ShiftMoment(copy.moment, seconds);
        if (moved) {
            texts.push_back({ExifMomentText(*moved), {}});
        } else if (copy.kind == DateCopy::Kind::Exif) {
            return std::nullopt;
        } else {
            texts.push_back({std::nullopt, OutOfRange});
        }
    }
    if (!outside) return texts;
    // Both in file order: the moves sorted by copy, the copies as read.
    const std::vector<CopyMove> moves = MoveCopies(photo.outside, shiftRule(photo, seconds));
    auto move = moves.begin();
    for (std::size_t i = 0; i < photo.copies.size(); ++i) {
        const DateCopy& copy = photo.copies[i];
        if (copy.kind != DateCopy::Kind::Outside) continue;
        while (move != moves.end() && move->index < copy.found) ++move;
        if (move != moves.end() && move->index == copy.found) {
            texts[i] = {move->text, move->why};
        } else {
            texts[i] = {copy.before, {}};
        }
    }
    return texts;
}

OffsetSpan OffsetsInRange(const PhotoDates& photo) {
    const std::int64_t earliest = WallSeconds({1, 1, 1, 0, 0, 0});
    const std::int64_t latest = WallSeconds({9999, 12, 31, 23, 59, 59});
    OffsetSpan span{earliest - latest, latest - earliest};
    const auto keep = [&](const LocalDateTime& t) {
        const std::int64_t at = WallSeconds(t);
        span.first = std::max(span.first, earliest - at);
        span.last = std::min(span.last, latest - at);
    };
    for (const DateCopy& copy : photo.copies)
        if (copy.kind != DateCopy::Kind::Outside) keep(copy.moment);
    if (photo.capture) keep(*photo.capture);
    // A copy without a date (a time alone) moves by no offset.
    for (const CopyMoments::Unit& unit : photo.outside.units)
        if (unit.moment.dateParts > 0) keep(unit.moment.t);
    return span;
}

}  // namespace tovrin
