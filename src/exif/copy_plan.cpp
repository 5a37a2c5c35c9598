#include "exif/copy_plan.h"

#include <algorithm>
#include <map>

#include "exif/date_copies.h"
#include "exif/md5.h"
#include "exif/photo_file.h"
#include "exif/photo_update.h"
#include "exif/reader.h"
#include "exif/tiff_layout.h"

namespace tovrin {

namespace {

std::string dayText(const LocalDateTime& t) { return ExifMomentText(t).substr(0, 10); }

// Whether a copy with only `parts` of a date names the same year, month or
// day as `t`.
bool sameDate(const CopyMoment& m, const LocalDateTime& t) {
    return m.t.year == t.year && (m.dateParts < 2 || m.t.month == t.month) &&
           (m.dateParts < 3 || m.t.day == t.day);
}

}  // namespace

std::optional<int> ZoneMinutes(const std::string& zone) {
    if (zone.size() != 6 || (zone[0] != '+' && zone[0] != '-') || zone[3] != ':') return {};
    for (const std::size_t i : {1u, 2u, 4u, 5u})
        if (zone[i] < '0' || zone[i] > '9') return {};
    const int h = (zone[1] - '0') * 10 + (zone[2] - '0');
    const int m = (zone[4] - '0') * 10 + (zone[5] - '0');
    if (h > 23 || m > 59) return {};
    return (zone[0] == '-' ? -1 : 1) * (h * 60 + m);
}

CopyMoments ReadCopyMoments(PhotoFile& file) {
    CopyMoments out;
    out.found = FindDateCopies(file);
    // IPTC dates paired with their times in the same block.
    std::map<std::pair<int, int>, std::size_t> iptcUnits;  // (block, date dataset) -> unit
    for (std::size_t i = 0; i < out.found.found.size(); ++i) {
        const DateCopyFound& c = out.found.found[i];
        out.read.push_back(ReadCopyText(c.form, c.value));
        if (!out.read.back()) continue;
        if (c.form == CopyForm::Xmp) {
            out.units.push_back({{i}, *out.read.back()});
            continue;
        }
        // 2:55 goes with 2:60, 2:62 with 2:63.
        const bool digital = c.place.find("Digital") != std::string::npos;
        const auto key = std::make_pair(c.block, digital ? 62 : 55);
        auto [at, fresh] = iptcUnits.try_emplace(key, out.units.size());
        if (fresh) out.units.push_back({});
        CopyMoments::Unit& unit = out.units[at->second];
        unit.members.push_back(i);
        const CopyMoment& m = *out.read.back();
        if (c.form == CopyForm::IptcDate) {
            unit.moment.dateParts = 3;
            unit.moment.t.year = m.t.year;
            unit.moment.t.month = m.t.month;
            unit.moment.t.day = m.t.day;
        } else {
            unit.moment.timeParts = 3;
            unit.moment.t.hour = m.t.hour;
            unit.moment.t.minute = m.t.minute;
            unit.moment.t.second = m.t.second;
            unit.moment.zone = m.zone;
        }
    }
    return out;
}

std::vector<CopyMove> MoveCopies(const CopyMoments& copies, const CopyRule& rule) {
    std::vector<CopyMove> moves;
    const auto& found = copies.found.found;
    for (std::size_t i = 0; i < found.size(); ++i)
        if (!copies.read[i])
            moves.push_back({i, std::nullopt, "日付として読めないため、そのままです"});
    for (const CopyMoments::Unit& unit : copies.units) {
        const CopyMoment& m = unit.moment;
        if (!rule.onlyOn.empty() && (m.dateParts < 3 || dayText(m.t) != rule.onlyOn))
            continue;  // not of the day that moves
        const auto leave = [&](const char* why) {
            for (const std::size_t i : unit.members) moves.push_back({i, std::nullopt, why});
        };
        LocalDateTime after = m.t;
        if (!rule.shift) {
            after.year = rule.date.year;
            after.month = rule.date.month;
            after.day = rule.date.day;
            if (rule.time) {
                after.hour = rule.time->hour;
                after.minute = rule.time->minute;
                after.second = rule.time->second;
            }
        } else if (m.dateParts == 3 && m.timeParts >= 2) {
            const auto moved = ShiftMoment(m.t, rule.seconds);
            if (!moved) {
                leave("ずらすと 1 年から 9999 年の外に出るため、そのままです");
                continue;
            }
            after = *moved;
        } else if (m.dateParts > 0 && rule.captureBefore && rule.captureAfter &&
                   sameDate(m, *rule.captureBefore)) {
            after = *rule.captureAfter;
        } else {
            leave(m.dateParts == 0 ? "日付のない時刻はずらせないため、そのままです"
                                   : "時刻がなく撮影日とも違うため、そのままです");
            continue;
        }
        for (const std::size_t i : unit.members) {
            const DateCopyFound& c = found[i];
            const auto text = WriteCopyText(c.form, c.value, *copies.read[i], after,
                                            !rule.shift && rule.time.has_value(), rule.zone);
            moves.push_back({i, text, text ? "" : "ゾーンの書き方が違うため、そのままです"});
        }
    }
    std::sort(moves.begin(), moves.end(),
              [](const CopyMove& a, const CopyMove& b) { return a.index < b.index; });
    return moves;
}

CopyPlan PlanCopies(PhotoFile& file, const CopyRule& rule) {
    CopyPlan plan;
    const CopyMoments copies = ReadCopyMoments(file);
    const DateCopies& found = copies.found;
    plan.copies = found.found.size();
    plan.problems = found.problems;
    plan.left = found.notes;
    if (!plan.problems.empty()) return plan;

    std::map<int, std::vector<DateField>> iptcWrites;  // block -> its writes
    for (const CopyMove& move : MoveCopies(copies, rule)) {
        const DateCopyFound& c = found.found[move.index];
        if (!move.text) {
            plan.left.push_back(c.place + ": " + move.why);
            continue;
        }
        if (*move.text == c.value) continue;
        DateField write{CopyTag, c.text.first, StoredCopyText(c, c.value),
                        StoredCopyText(c, *move.text)};
        if (c.block >= 0) iptcWrites[c.block].push_back(write);
        plan.writes.push_back(std::move(write));
    }

    // A digest that matched is made to match the block as written; one that
    // did not is no promise of ours to keep.
    for (const auto& [index, writes] : iptcWrites) {
        const IptcBlock& block = found.iptc[static_cast<std::size_t>(index)];
        if (!block.digest) continue;
        if (!block.digestMatches) {
            plan.left.push_back("IPTCDigest: 元から IPTC と合っていないため、そのままです");
            continue;
        }
        std::string data(static_cast<std::size_t>(block.data.size), '\0');
        file.read(block.data.first, data.data(), data.size());
        for (const DateField& w : writes)
            data.replace(static_cast<std::size_t>(w.position - block.data.first), w.written.size(),
                         w.written);
        const auto md5 = Md5(data);
        std::string old(16, '\0');
        file.read(block.digest->first, old.data(), old.size());
        plan.writes.push_back({DigestTag, block.digest->first, old,
                               std::string(reinterpret_cast<const char*>(md5.data()), 16)});
    }
    std::sort(plan.writes.begin(), plan.writes.end(),
              [](const DateField& a, const DateField& b) { return a.position < b.position; });
    return plan;
}

namespace {

// Whether the parts a copy has name the same as `reference`.
std::optional<bool> agreesWith(const std::optional<CopyMoment>& m,
                               const std::optional<LocalDateTime>& reference) {
    if (!m || !reference) return std::nullopt;
    const LocalDateTime& t = m->t;
    const LocalDateTime& r = *reference;
    bool same = m->dateParts < 1 || t.year == r.year;
    same = same && (m->dateParts < 2 || t.month == r.month);
    same = same && (m->dateParts < 3 || t.day == r.day);
    same = same && (m->timeParts < 2 || (t.hour == r.hour && t.minute == r.minute));
    same = same && (m->timeParts < 3 || t.second == r.second);
    return same;
}

std::string exifName(std::int16_t tag) {
    switch (tag) {
        case tiff::TagDateTime:
            return "IFD1 DateTime";
        case tiff::TagDateTimeOriginal:
            return "IFD0 DateTimeOriginal";
        case tiff::TagDateTimeDigitized:
            return "IFD0 DateTimeDigitized";
        case tiff::TagOffsetTime:
            return "OffsetTime";
        case tiff::TagOffsetTimeOriginal:
            return "OffsetTimeOriginal";
        default:
            return "OffsetTimeDigitized";
    }
}

}  // namespace

CopyList ListDateCopies(PhotoFile& file, const PhotoInfo& info) {
    CopyList list;
    const auto moment = [](const std::string& text) { return ParseExifMoment(text); };
    const auto original = moment(info.DateTimeOriginal);
    const auto digitized = moment(info.DateTimeDigitized);
    const auto dateTime = moment(info.DateTime);
    const auto fallback = original ? original : dateTime;
    const DateFields fields = FindDateFields(file, 19);
    for (const DateField& f : fields.copies)
        list.copies.push_back(
            {"exif", exifName(f.tag), f.current,
             agreesWith(ReadCopyText(CopyForm::Xmp, f.current),
                        f.tag == tiff::TagDateTimeDigitized && digitized ? digitized
                        : f.tag == tiff::TagDateTime && dateTime         ? dateTime
                                                                         : fallback)});
    for (const DateField& f : fields.offsets)
        list.copies.push_back({"exif", exifName(f.tag), f.current, std::nullopt});
    const DateCopies copies = FindDateCopies(file);
    for (const DateCopyFound& c : copies.found) {
        const bool modified = c.place == "xmp:ModifyDate" || c.place == "tiff:DateTime";
        const bool digital = c.place.find("Digiti") != std::string::npos;
        const auto& reference = modified && dateTime   ? dateTime
                                : digital && digitized ? digitized
                                                       : fallback;
        list.copies.push_back({c.form == CopyForm::Xmp ? "xmp" : "iptc", c.place, c.value,
                               agreesWith(ReadCopyText(c.form, c.value), reference)});
    }
    list.problems = copies.problems;
    return list;
}

}  // namespace tovrin
