#include "exif/name_date.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

// Names are matched byte by byte, never decoded: a name that is not UTF-8,
// or holds line breaks or NUL bytes, is just bytes that some fixed character
// of a pattern does not equal. Every search below looks at each position of
// the name a bounded number of times, so a name of any length is read in
// time proportional to it (times the pattern's length for a user's pattern).

namespace tovrin {

namespace {

using Text = std::string_view;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool digitAt(Text s, std::size_t at) { return at < s.size() && isDigit(s[at]); }

// The number `width` ASCII digits at `at` write, -1 when they are not there.
int digitsAt(Text s, std::size_t at, std::size_t width) {
    if (at > s.size() || s.size() - at < width) return -1;
    int value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        if (!isDigit(s[at + i])) return -1;
        value = value * 10 + (s[at + i] - '0');
    }
    return value;
}

// Walks a name from a position, taking the parts of one name form in turn.
// Every take fails without moving, so a form can try alternatives. A number
// that is not there fails every later one: a form checks its last.
struct Reader {
    Text s;
    std::size_t at;
    bool numberMissing = false;

    int number(std::size_t width) {
        const int value = numberMissing ? -1 : digitsAt(s, at, width);
        numberMissing = value < 0;
        if (value >= 0) at += width;
        return value;
    }
    bool take(Text fixed) {
        if (s.substr(at).substr(0, fixed.size()) != fixed) return false;
        at += fixed.size();
        return true;
    }
    bool takeOneOf(Text chars) {
        if (at >= s.size() || chars.find(s[at]) == Text::npos) return false;
        ++at;
        return true;
    }
    // No digit follows: a date's last field is not the start of a longer number.
    bool digitsEnd() const { return !digitAt(s, at); }
};

// What a name reads as, before asking whether it is a real day and time.
NameDate dayOnly(int year, int month, int day) { return {{year, month, day}, std::nullopt, false}; }

NameDate moment(int year, int month, int day, int hour, int minute, int second, bool utc = false) {
    return {{year, month, day}, TimeOfDay{hour, minute, second}, utc};
}

bool isReal(const NameDate& named) {
    return IsValidDate(named.date) && (!named.time || IsValidTime(*named.time));
}

// A day alone must look like one of a photo's era, not a counter: 8 digits
// such as DSC_12345678 are taken only for a year of 1900 to 2099.
std::optional<NameDate> plausibleDay(int year, int month, int day) {
    if (year < 1900 || year > 2099) return std::nullopt;
    return dayOnly(year, month, day);
}

// Each form reads a name from `at`, the first digit of a run of digits (no
// digit before it), as numbers in its shape, real day or not.

// PXL_20220831_003137144, in UTC, with anything after the milliseconds
// (.MP, .NIGHT, .PORTRAIT, ~2).
std::optional<NameDate> pixelForm(Text s, std::size_t at) {
    if (at < 4 || s.substr(at - 4, 4) != "PXL_") return std::nullopt;
    Reader r{s, at};
    const int y = r.number(4), mo = r.number(2), d = r.number(2);
    if (d < 0 || !r.take("_")) return std::nullopt;
    const int h = r.number(2), mi = r.number(2), sec = r.number(2);
    if (r.number(3) < 0 || !r.digitsEnd()) return std::nullopt;
    return moment(y, mo, d, h, mi, sec, true);
}

// 20210314_121530 after any prefix (IMG_, VID_, Screenshot_ with a hyphen)
// and before any suffix (_HDR, ~2, (1), -edited).
std::optional<NameDate> compactForm(Text s, std::size_t at) {
    Reader r{s, at};
    const int y = r.number(4), mo = r.number(2), d = r.number(2);
    if (d < 0 || !r.takeOneOf("_-")) return std::nullopt;
    const int h = r.number(2), mi = r.number(2), sec = r.number(2);
    if (sec < 0 || !r.digitsEnd()) return std::nullopt;
    return moment(y, mo, d, h, mi, sec);
}

// The hour a 12-hour clock's marker after the time makes of `hour`: -1 when
// there is a marker but the hour is not one of 1 to 12.
int afterClockMarker(Reader& r, int hour) {
    Reader marked = r;
    // A space, or the narrow no-break space newer macOS writes there.
    if (!marked.take(" ") && !marked.take("\xE2\x80\xAF")) return hour;
    const bool am = marked.take("AM") || marked.take("am");
    const bool pm = !am && (marked.take("PM") || marked.take("pm"));
    if (!am && !pm) return hour;
    r = marked;
    if (hour < 1 || hour > 12) return -1;
    return hour % 12 + (pm ? 12 : 0);
}

// "2021-03-14": year, month and day, each of its digits, read by r.
bool dashedDay(Reader& r, int& y, int& mo, int& d) {
    y = r.number(4);
    if (y < 0 || !r.take("-")) return false;
    mo = r.number(2);
    if (mo < 0 || !r.take("-")) return false;
    d = r.number(2);
    return d >= 0;
}

// 2021-03-14 then a time: "_12-15-30", "-12-15-30" (Screenshot_), "-121530"
// (Signal), " 12.15.30" (Dropbox's camera uploads; macOS in Japanese, where
// 午前/午後 may come before the hour), " at 12.15.30" or " at 3.15.30 PM"
// (macOS in English).
std::optional<NameDate> dashedForm(Text s, std::size_t at) {
    Reader r{s, at};
    int y = 0, mo = 0, d = 0;
    if (!dashedDay(r, y, mo, d)) return std::nullopt;
    bool spaced = false;  // the macOS and Dropbox forms, whose hour may be one digit
    int noonShift = -1;   // 0 or 12 after 午前 or 午後
    if (r.take(" at ")) {
        spaced = true;
    } else if (r.take(" ")) {
        spaced = true;
        if (r.take("午前")) noonShift = 0;
        if (noonShift < 0 && r.take("午後")) noonShift = 12;
    } else if (!r.takeOneOf("_-")) {
        return std::nullopt;
    } else if (digitsAt(s, r.at, 6) >= 0 && !digitAt(s, r.at + 6)) {
        // "signal-2021-03-14-121530": the time as one run of six digits.
        const int h = r.number(2), mi = r.number(2), sec = r.number(2);
        return moment(y, mo, d, h, mi, sec);
    }
    const bool oneDigitHour = spaced && digitAt(s, r.at) && !digitAt(s, r.at + 1);
    int h = r.number(oneDigitHour ? 1 : 2);
    if (h < 0 || !r.takeOneOf(".-")) return std::nullopt;
    const char separator = s[r.at - 1];
    const int mi = r.number(2);
    if (mi < 0 || !r.take(Text(&separator, 1))) return std::nullopt;
    const int sec = r.number(2);
    if (sec < 0 || !r.digitsEnd()) return std::nullopt;
    if (noonShift >= 0) {
        h = h < 1 || h > 12 ? -1 : h % 12 + noonShift;
    } else if (spaced) {
        h = afterClockMarker(r, h);
    }
    return moment(y, mo, d, h, mi, sec);
}

// 20210314121530: exactly 14 digits.
std::optional<NameDate> fourteenDigitForm(Text s, std::size_t at) {
    Reader r{s, at};
    const int y = r.number(4), mo = r.number(2), d = r.number(2);
    const int h = r.number(2), mi = r.number(2), sec = r.number(2);
    if (sec < 0 || !r.digitsEnd()) return std::nullopt;
    return moment(y, mo, d, h, mi, sec);
}

// IMG-20190704-WA0003 (WhatsApp): the day the picture was received, no time.
std::optional<NameDate> whatsAppForm(Text s, std::size_t at) {
    if (at == 0 || s[at - 1] != '-') return std::nullopt;
    Reader r{s, at};
    const int y = r.number(4), mo = r.number(2), d = r.number(2);
    if (d < 0 || !r.take("-WA") || !digitAt(s, r.at)) return std::nullopt;
    return dayOnly(y, mo, d);
}

// 2021-03-14 with no time after it.
std::optional<NameDate> dashedDayForm(Text s, std::size_t at) {
    Reader r{s, at};
    int y = 0, mo = 0, d = 0;
    if (!dashedDay(r, y, mo, d) || !r.digitsEnd()) return std::nullopt;
    return plausibleDay(y, mo, d);
}

// 20210314: exactly 8 digits.
std::optional<NameDate> compactDayForm(Text s, std::size_t at) {
    Reader r{s, at};
    const int y = r.number(4), mo = r.number(2), d = r.number(2);
    if (d < 0 || !r.digitsEnd()) return std::nullopt;
    return plausibleDay(y, mo, d);
}

using Form = std::optional<NameDate> (*)(Text, std::size_t);

// The most telling first: a name with both a time and a lone day in it
// gives its time.
constexpr std::array<Form, 4> TimedForms = {pixelForm, compactForm, dashedForm, fourteenDigitForm};
constexpr std::array<Form, 3> DayForms = {whatsAppForm, dashedDayForm, compactDayForm};

// Whether a time follows the day at `at`, real or not. A name whose time is
// impossible (25 o'clock) is not trusted for its day either.
bool timeFollows(Text name, std::size_t at) {
    return std::any_of(TimedForms.begin(), TimedForms.end(),
                       [&](Form form) { return form(name, at).has_value(); });
}

// The first place from the left in `s` (the whole name or its stem, both
// starting where `name` starts) where `form` reads a real moment.
std::optional<NameDate> findForm(Form form, Text s, Text name, bool dayForm) {
    for (std::size_t at = 0; at < s.size(); ++at) {
        if (!isDigit(s[at]) || (at > 0 && isDigit(s[at - 1]))) continue;
        auto named = form(s, at);
        if (named && isReal(*named) && !(dayForm && timeFollows(name, at))) return named;
    }
    return std::nullopt;
}

// ---- the user's patterns ----

enum Field { Year, Month, Day, Hour, Minute, Second, FieldCount };

struct Piece {
    char literal = 0;
    int field = -1;  // a Field, or -1 for the literal
};

// The pattern cut at each {*}: fixed-width runs of pieces with a run of
// anything between each two.
struct Pattern {
    std::vector<std::vector<Piece>> runs{{}};
    std::array<int, FieldCount> uses{};
};

constexpr std::array<const char*, FieldCount> FieldNames = {"{Y}", "{M}", "{D}",
                                                            "{h}", "{m}", "{s}"};

// The token between braces, quoted for a message when it is short and printable.
std::string unknownTokenProblem(Text token) {
    bool printable = token.size() <= 32;
    for (char c : token)
        printable = printable && static_cast<unsigned char>(c) >= 0x20 && c != 0x7F;
    const std::string which = printable ? "「" + std::string(token) + "」" : std::string("項目");
    return "パターンの" + which +
           "は使えません。使えるのは {Y} {M} {D} {h} {m} {s} {*} です（「{」の文字そのものは「{{」"
           "と書きます）。";
}

std::string parsePattern(Text text, Pattern& pattern) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '}') {
            // "}}" is one brace; a lone one is taken as it is.
            if (i + 1 < text.size() && text[i + 1] == '}') ++i;
            pattern.runs.back().push_back({'}', -1});
            continue;
        }
        if (c != '{') {
            pattern.runs.back().push_back({c, -1});
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '{') {
            pattern.runs.back().push_back({'{', -1});
            ++i;
            continue;
        }
        const std::size_t close = text.find('}', i);
        if (close == Text::npos)
            return "パターンの「{」が「}」で閉じられていません（「{」の文字そのものは「{{」と書き"
                   "ます）。";
        const Text token = text.substr(i, close - i + 1);
        i = close;
        if (token == "{*}") {
            pattern.runs.emplace_back();
            continue;
        }
        int field = 0;
        while (field < FieldCount && token != FieldNames[static_cast<std::size_t>(field)]) ++field;
        if (field == FieldCount) return unknownTokenProblem(token);
        if (pattern.uses[static_cast<std::size_t>(field)]++ > 0)
            return std::string("パターンで ") + FieldNames[static_cast<std::size_t>(field)] +
                   " が二度以上使われています。";
        pattern.runs.back().push_back({0, field});
    }
    std::string missing;
    for (std::size_t f = Year; f <= Day; ++f) {
        if (pattern.uses[f] == 0)
            missing += std::string(missing.empty() ? "" : " ") + FieldNames[f];
    }
    if (!missing.empty())
        return "パターンに " + missing +
               " がありません。{Y}（年）{M}（月）{D}（日）はすべて必要です。";
    const int times = pattern.uses[Hour] + pattern.uses[Minute] + pattern.uses[Second];
    if (times != 0 && times != 3)
        return "パターンの {h}（時）{m}（分）{s}（秒）は三つそろえて使うか、どれも使わないでくださ"
               "い。";
    return {};
}

std::size_t pieceWidth(const Piece& p) { return p.field < 0 ? 1 : p.field == Year ? 4 : 2; }

std::size_t runWidth(const std::vector<Piece>& run) {
    std::size_t width = 0;
    for (const Piece& p : run) width += pieceWidth(p);
    return width;
}

// Whether `run` matches `s` at `at` (which leaves room for it), noting the
// fields it reads. A field out of its range (month 13, 60 minutes) does not
// match, so a later place may be tried.
bool runMatches(const std::vector<Piece>& run, Text s, std::size_t at,
                std::array<int, FieldCount>& values) {
    static constexpr std::array<int, FieldCount> Lowest = {1, 1, 1, 0, 0, 0};
    static constexpr std::array<int, FieldCount> Highest = {9999, 12, 31, 23, 59, 59};
    for (const Piece& p : run) {
        if (p.field < 0) {
            if (s[at++] != p.literal) return false;
            continue;
        }
        const auto f = static_cast<std::size_t>(p.field);
        const int value = digitsAt(s, at, pieceWidth(p));
        if (value < Lowest[f] || value > Highest[f]) return false;
        values[f] = value;
        at += pieceWidth(p);
    }
    return true;
}

// The whole of `s` against the pattern, each {*} taking as few characters as
// will do. Each run between two {*} is put at the first place it matches:
// any later place leaves less room for the runs after it, so the first place
// never loses a match that a later one would find.
std::optional<NameDate> matchPattern(const Pattern& pattern, Text s) {
    std::array<int, FieldCount> values{};
    const auto& runs = pattern.runs;
    const std::size_t firstWidth = runWidth(runs.front());
    if (runs.size() == 1) {
        if (firstWidth != s.size() || !runMatches(runs.front(), s, 0, values)) return std::nullopt;
    } else {
        const std::size_t lastWidth = runWidth(runs.back());
        if (firstWidth + lastWidth > s.size() || !runMatches(runs.front(), s, 0, values) ||
            !runMatches(runs.back(), s, s.size() - lastWidth, values))
            return std::nullopt;
        const std::size_t end = s.size() - lastWidth;  // where the middle runs must stop
        std::size_t at = firstWidth;
        for (std::size_t k = 1; k + 1 < runs.size(); ++k) {
            const std::size_t width = runWidth(runs[k]);
            while (at + width <= end && !runMatches(runs[k], s, at, values)) ++at;
            if (at + width > end) return std::nullopt;
            at += width;
        }
    }
    const NameDate named = pattern.uses[Hour] == 0
                               ? dayOnly(values[Year], values[Month], values[Day])
                               : moment(values[Year], values[Month], values[Day], values[Hour],
                                        values[Minute], values[Second]);
    if (!isReal(named)) return std::nullopt;
    return named;
}

}  // namespace

std::string NamePatternProblem(const std::string& pattern) {
    if (pattern.empty()) return {};  // the built-in patterns
    Pattern parsed;
    return parsePattern(pattern, parsed);
}

std::optional<NameDate> DateFromName(const std::string& name, const std::string& pattern) {
    const Text whole(name);
    const std::size_t dot = whole.rfind('.');
    const Text stem = dot == Text::npos ? whole : whole.substr(0, dot);
    // The stem first; then the whole name, for a name without an extension
    // whose time holds dots (2021-03-14 12.15.30).
    const bool twoWays = stem.size() != whole.size();
    if (pattern.empty()) {
        const auto inName = [&](Form form, bool dayForm) -> std::optional<NameDate> {
            if (auto named = findForm(form, stem, whole, dayForm)) return named;
            if (twoWays) return findForm(form, whole, whole, dayForm);
            return std::nullopt;
        };
        for (Form form : TimedForms) {
            if (auto named = inName(form, false)) return named;
        }
        for (Form form : DayForms) {
            if (auto named = inName(form, true)) return named;
        }
        return std::nullopt;
    }
    Pattern parsed;
    if (!parsePattern(pattern, parsed).empty()) return std::nullopt;
    if (auto named = matchPattern(parsed, stem)) return named;
    if (twoWays) return matchPattern(parsed, whole);
    return std::nullopt;
}

}  // namespace tovrin
