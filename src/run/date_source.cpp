#include "run/date_source.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <string_view>

#include "exif/name_date.h"
#include "exif/photo_update.h"

namespace tovrin {

namespace {

const char* const NoDateInName = "ファイル名から日付を読み取れません";
const char* const OutOfYears = "日付が西暦1年から9999年の範囲を超えます";

LocalDateTime wallMoment(const CalendarDate& d, const TimeOfDay& t) {
    return {d.year, d.month, d.day, t.hour, t.minute, t.second};
}

SourcedChoice withMoment(DateChoice choice, const LocalDateTime& t) {
    choice.date = {t.year, t.month, t.day};
    choice.time = {t.hour, t.minute, t.second};
    choice.keepTime = false;
    if (!IsValidDate(choice.date)) return {std::nullopt, OutOfYears};
    return {choice, {}};
}

SourcedChoice fromName(const DateSource& source, const std::string& fileName) {
    const auto named = DateFromName(fileName, source.namePattern);
    if (!named) return {std::nullopt, NoDateInName};
    DateChoice choice = source.choice;
    if (!named->time) {
        // A day alone: the time of day is the photo's own or the chosen one.
        choice.date = named->date;
        return {choice, {}};
    }
    const LocalDateTime read = wallMoment(named->date, *named->time);
    if (!named->utc) return withMoment(choice, read);
    const std::int64_t epoch = WallSeconds(read) - WallSeconds({1970, 1, 1, 0, 0, 0});
    const LocalDateTime local = ToLocal(epoch);
    // No zone is more than a day off UTC: a moment further away is one the
    // system could not hold (Windows knows none before 1601) and clamped.
    const std::int64_t offset = WallSeconds(local) - WallSeconds(read);
    if (offset > 86400 || offset < -86400) return {std::nullopt, OutOfYears};
    return withMoment(choice, local);
}

// The bytes of a name as compared for its rank: runs of ASCII digits as
// numbers, other bytes with ASCII letters folded to lower case.
class NameCompare {
public:
    // <0, 0 or >0 as a comes before, with, or after b in name order.
    static int compare(std::string_view a, std::string_view b) {
        int zeros = 0;  // the first difference in leading zeros, for equal values
        std::size_t i = 0, j = 0;
        while (i < a.size() && j < b.size()) {
            if (isDigit(a[i]) && isDigit(b[j])) {
                const std::size_t endA = runEnd(a, i), endB = runEnd(b, j);
                if (const int c = compareNumbers(a.substr(i, endA - i), b.substr(j, endB - j)))
                    return c;
                if (zeros == 0 && endA - i != endB - j) zeros = endA - i < endB - j ? -1 : 1;
                i = endA;
                j = endB;
                continue;
            }
            const int fa = folded(a[i]), fb = folded(b[j]);
            if (fa != fb) return fa < fb ? -1 : 1;
            ++i;
            ++j;
        }
        if (i < a.size() || j < b.size()) return i < a.size() ? 1 : -1;
        if (zeros != 0) return zeros;
        const int bytes = a.compare(b);
        return bytes < 0 ? -1 : bytes > 0 ? 1 : 0;
    }

private:
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static int folded(char c) {
        const int byte = static_cast<unsigned char>(c);
        return byte >= 'A' && byte <= 'Z' ? byte - 'A' + 'a' : byte;
    }
    static std::size_t runEnd(std::string_view s, std::size_t at) {
        while (at < s.size() && isDigit(s[at])) ++at;
        return at;
    }
    // Digit runs of any length by value: without their leading zeros the
    // longer is the larger, and equal lengths compare digit by digit.
    static int compareNumbers(std::string_view a, std::string_view b) {
        a.remove_prefix(std::min(a.find_first_not_of('0'), a.size()));
        b.remove_prefix(std::min(b.find_first_not_of('0'), b.size()));
        if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
        const int c = a.compare(b);
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
};

}  // namespace

SourcedChoice ChoiceForPhoto(const DateSource& source, std::size_t rank,
                             const std::string& fileName) {
    // The engine reads the file's time itself when it opens the photo.
    if (source.fromFileTime) return {source.choice, {}};
    if (source.fromName) return fromName(source, fileName);
    if (source.stepSeconds <= 0) return {source.choice, {}};
    // A choice that names no real moment is the engine's to refuse, as it
    // would be without a step.
    if (!IsValidDate(source.choice.date) || !IsValidTime(source.choice.time))
        return {source.choice, {}};
    constexpr auto Most = std::numeric_limits<std::int64_t>::max();
    if (rank != 0 &&
        static_cast<std::uint64_t>(source.stepSeconds) > static_cast<std::uint64_t>(Most) / rank)
        return {std::nullopt, OutOfYears};
    const auto moved = ShiftMoment(wallMoment(source.choice.date, source.choice.time),
                                   static_cast<std::int64_t>(rank) * source.stepSeconds);
    if (!moved) return {std::nullopt, OutOfYears};
    return withMoment(source.choice, *moved);
}

std::vector<std::size_t> NameRanks(const std::vector<std::string>& names) {
    std::vector<std::size_t> order(names.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    // Stable: names that compare equal keep their places.
    std::stable_sort(order.begin(), order.end(), [&names](std::size_t a, std::size_t b) {
        return NameCompare::compare(names[a], names[b]) < 0;
    });
    std::vector<std::size_t> ranks(names.size());
    for (std::size_t k = 0; k < order.size(); ++k) ranks[order[k]] = k;
    return ranks;
}

}  // namespace tovrin
