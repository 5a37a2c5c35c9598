#include "cli_options.h"

#include <optional>
#include <string_view>

#include <CLI/CLI.hpp>

#include "console.h"
#include "exif/copy_plan.h"
#include "exif/local_time.h"
#include "exif/name_date.h"
#include "exif/photo_kinds.h"
#include "run/date_setting_run.h"

namespace tovrin::cli {

namespace {

// Digits only, and at least one.
bool readNumber(std::string_view text, int& value) {
    if (text.empty() || text.size() > 7) return false;
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}
// "YYYY-MM-DD", "YYYY:MM:DD" or "YYYY/MM/DD" (the window's own form), one
// separator throughout, of a real day.
bool parseDate(const std::string& text, CalendarDate& d) {
    if (text.size() != 10) return false;
    const char sep = text[4];
    if (std::string_view("-:/").find(sep) == std::string_view::npos || text[7] != sep) return false;
    const std::string_view t(text);
    if (!readNumber(t.substr(0, 4), d.year) || !readNumber(t.substr(5, 2), d.month) ||
        !readNumber(t.substr(8, 2), d.day))
        return false;
    return IsValidDate(d);
}
// "HH:MM:SS", or "HH:MM" as --by takes it (the seconds 0), of a real time.
bool parseTime(const std::string& text, TimeOfDay& t) {
    if ((text.size() != 5 && text.size() != 8) || text[2] != ':') return false;
    const std::string_view v(text);
    t.second = 0;
    if (!readNumber(v.substr(0, 2), t.hour) || !readNumber(v.substr(3, 2), t.minute)) return false;
    if (text.size() == 8 && (text[5] != ':' || !readNumber(v.substr(6, 2), t.second))) return false;
    return IsValidTime(t);
}
const CLI::Validator DateValue(
    [](std::string& text) {
        CalendarDate d;
        return parseDate(text, d) ? std::string()
                                  : "'" + text +
                                        "' is not a real day as YYYY-MM-DD, YYYY/MM/DD or "
                                        "YYYY:MM:DD (e.g. 2007-01-23)";
    },
    "");
const CLI::Validator TimeValue(
    [](std::string& text) {
        TimeOfDay t;
        return parseTime(text, t)
                   ? std::string()
                   : "'" + text + "' is not a time as HH:MM:SS or HH:MM (e.g. 09:05:00 or 09:05)";
    },
    "");
// The words of set and shift as given, before they are read as a choice or
// an offset.
struct Given {
    std::string date;
    std::string time;
    bool keepTime = false;
    std::string onlyOn;
    std::string by;
    std::string days;
    std::string zone;
    std::string toZone;
    bool fromName = false;
    std::string namePattern;
    std::string step;
};

// -r's help: the names a walk takes, from the engine's one list (which the
// window's file list shows too), a few to a line.
std::string recursiveHelp() {
    std::string help = "walk folders: files named *.EXT for EXT in";
    std::string line;
    for (const PhotoKind& kind : PhotoKinds) {
        if (line.size() + 1 + kind.extension.size() > 64) {
            help += "\n " + line;
            line.clear();
        }
        line += " ";
        line += kind.extension;
    }
    help += "\n " + line;
    help +=
        "\nin any case, no hidden files, sorted by name, links to folders not\n"
        "followed";
    return help;
}

void addTargetOptions(CLI::App& command, Options& o) {
    command.add_option("FILE", o.paths, "photos (and, with -r, folders) to work on")->type_name("");
    command.add_flag("-r,--recursive", o.recursive, recursiveHelp());
    command
        .add_option("--files-from", o.filesFrom,
                    "read more paths from FILE, one a line ('-' = standard input)")
        ->type_name("FILE");
    command.add_flag("-0,--null", o.nulSeparated, "paths in --files-from end with NUL, not LF");
    command.add_flag("-q,--quiet", o.quiet, "no n/N progress line on standard error");
}
// The options of the commands that change photos (set, shift).
void addChangeOptions(CLI::App& command, Options& o, Given& g, const char* onlyOn) {
    command.add_option("--only-on", g.onlyOn, onlyOn)->type_name("DATE")->check(DateValue);
    command.add_flag("--dry-run", o.dryRun,
                     "say what would change (\"old\" and \"new\") and touch nothing; a photo\n"
                     "that the run could not write gives the run's error");
    command.add_flag("--no-log", o.noLog, "write no log line");
    command.add_flag("--no-journal", o.noJournal,
                     "keep no undo journal (the run cannot be undone)");
    command.add_flag("--exif-only", o.exifOnly,
                     "change the three EXIF date texts only; leave the copies of the date\n"
                     "in XMP, IPTC and IFD0 as they are");
    command
        .add_option("--zone", g.zone,
                    "write this zone, [+|-]HH:MM, into the photo's OffsetTime fields and\n"
                    "the zones its XMP and IPTC dates store (a photo is never grown)")
        ->type_name("ZONE");
    addTargetOptions(command, o);
}
// "+hh:mm" of a zone given as [+|-]HH:MM or [+|-]HHMM; a UsageError otherwise.
std::string readZone(const std::string& option, const std::string& text) {
    std::string zone = text;
    if (!zone.empty() && zone[0] != '+' && zone[0] != '-') zone.insert(0, "+");
    if (zone.size() == 5 && zone.find(':') == std::string::npos) zone.insert(3, ":");
    const auto minutes = ZoneMinutes(zone);
    if (!minutes || *minutes > 14 * 60 || *minutes < -12 * 60)
        throw UsageError{option + " '" + text +
                         "' is not a zone: give [+|-]HH:MM from -12:00 to +14:00, e.g. " + option +
                         " +09:00"};
    return zone;
}
// "[+|-]HH:MM[:SS]" (hours as many as given), or counts with units in the
// order d, h, m, s ("+1h", "-30m", "+1h30m", "-2d"), as seconds; nothing
// when the text is neither. A bare number is refused: its unit is a guess.
std::optional<std::int64_t> parseBy(std::string text) {
    std::int64_t sign = 1;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        sign = text[0] == '-' ? -1 : 1;
        text.erase(0, 1);
    }
    std::int64_t seconds = 0;
    if (text.find(':') != std::string::npos) {
        // Two or three fields of digits between colons.
        int fields[3] = {0, 0, 0};
        std::size_t start = 0;
        int count = 0;
        for (; count < 3; ++count) {
            const std::size_t colon = text.find(':', start);
            const std::size_t end = colon == std::string::npos ? text.size() : colon;
            if (!readNumber(std::string_view(text).substr(start, end - start), fields[count]))
                return std::nullopt;
            start = end + 1;
            if (colon == std::string::npos) break;
        }
        if (count == 3 || count == 0 || fields[1] > 59 || fields[2] > 59) return std::nullopt;
        seconds = std::int64_t{fields[0]} * 3600 + fields[1] * 60 + fields[2];
    } else {
        static const std::string_view Units = "dhms";
        static const std::int64_t Lengths[] = {86400, 3600, 60, 1};
        std::size_t nextUnit = 0;  // each unit once, largest first
        std::size_t start = 0;
        while (start < text.size()) {
            const std::size_t at = text.find_first_not_of("0123456789", start);
            if (at == std::string::npos) return std::nullopt;  // a number without a unit
            const std::size_t unit = Units.find(text[at], nextUnit);
            int n = 0;
            if (unit == std::string_view::npos ||
                !readNumber(std::string_view(text).substr(start, at - start), n))
                return std::nullopt;
            seconds += n * Lengths[unit];
            nextUnit = unit + 1;
            start = at + 1;
        }
        if (start == 0) return std::nullopt;
    }
    return sign * seconds;
}
// --by and --days together as seconds; a UsageError with examples when
// either is not such a text.
std::int64_t readOffset(const std::string& by, const std::string& days) {
    if (by.empty() && days.empty())
        throw UsageError{
            "shift needs --by OFFSET or --days N, e.g. tovrin-cli shift --by -1h a.jpg"};
    const std::optional<std::int64_t> seconds = by.empty() ? 0 : parseBy(by);
    if (!seconds)
        throw UsageError{
            "--by '" + by +
            "' is not an offset: give [+|-]HH:MM[:SS] or counts with units d, h, m, s,\n"
            "  e.g. --by +1h, --by -30m, --by +1h30m, --by +1:00, --by -09:00:00"};
    std::int64_t dayCount = 0;
    if (!days.empty()) {
        std::size_t used = 0;
        try {
            dayCount = std::stoll(days, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used != days.size() || dayCount > 3650000 || dayCount < -3650000)
            throw UsageError{"--days '" + days + "' is not a count of days, e.g. --days -1"};
    }
    return *seconds + dayCount * 86400;
}
// Where logs and journals go when not beside the program.
#ifdef _WIN32
#define TOVRIN_STATE_FOLDER "%LOCALAPPDATA%\\Tovrin\\"
#define TOVRIN_JOURNAL_FOLDER "%LOCALAPPDATA%\\Tovrin\\journal\\"
#else
#define TOVRIN_STATE_FOLDER "$XDG_STATE_HOME/Tovrin/ (~/.local/state/Tovrin/)"
#define TOVRIN_JOURNAL_FOLDER "$XDG_STATE_HOME/Tovrin/journal/"
#endif
const char* const Footer = R"(Examples:
  tovrin-cli info IMG_0001.jpg
  tovrin-cli set --date 2007-01-23 --time 09:05:00 IMG_0001.jpg IMG_0002.jpg
  tovrin-cli set --dry-run --date 2007/01/23 --keep-time -r ~/Pictures/trip
  tovrin-cli shift --by -1h --only-on 2007-01-23 -r ~/Pictures/trip
  tovrin-cli undo --last
  find . -name '*.jpg' -print0 | tovrin-cli info --files-from - -0

Output: one JSON object per photo and line on standard output ("man tovrin-cli"
lists every member). A folder is worked on only with -r.
Exit status: 0 every photo processed (or skipped by --only-on), 1 some photo
was not (no EXIF data, not a JPEG, an error), 2 bad usage (no file touched).)";

// An example of a whole call of the command, for the messages that refuse one.
const char* exampleOf(Command command) {
    switch (command) {
        case Command::Info:
            return "tovrin-cli info -r photos/";
        case Command::Set:
            return "tovrin-cli set --date 2007-01-23 --time 09:05 -r photos/";
        case Command::Shift:
            return "tovrin-cli shift --by -1h -r photos/";
        case Command::Undo:
            return "tovrin-cli undo --last";
    }
    return "";
}

// set --from-name and --from-file-time: each photo's own moment, from its
// name or its file; --time (or each photo's own time, by default) for names
// that give a day only. A pattern without a field is a file name that
// followed a bare --from-name.
void readOwnMoments(Options& o, Given& g) {
    if (g.fromName && o.fromFileTime)
        throw UsageError{"--from-name and --from-file-time exclude each other: give one of them"};
    const std::string which = g.fromName ? "--from-name" : "--from-file-time";
    if (!g.date.empty() || !g.step.empty())
        throw UsageError{which +
                         " takes each photo's date from the photo: give it without --date and "
                         "--step,\n  e.g. tovrin-cli set " +
                         which + " -r photos/"};
    if (o.fromFileTime) {
        if (!g.time.empty() || g.keepTime)
            throw UsageError{
                "--from-file-time takes the date and the time from each file: give it without\n"
                "  --time and --keep-time, e.g. tovrin-cli set --from-file-time -r photos/"};
        return;
    }
    if (!g.namePattern.empty() && g.namePattern.find('{') == std::string::npos) {
        o.paths.insert(o.paths.begin(), g.namePattern);
        g.namePattern.clear();
    }
    const std::string problem = NamePatternProblem(g.namePattern);
    if (!problem.empty())
        throw UsageError{
            "--from-name '" + g.namePattern + "': " + problem +
            "\n  e.g. --from-name '{Y}{M}{D}_{h}{m}{s}' or --from-name '{*}_{Y}-{M}-{D}'"};
    o.fromName = true;
    o.namePattern = g.namePattern;
    if (!g.time.empty()) {
        parseTime(g.time, o.choice.time);
    } else {
        o.choice.keepTime = true;
    }
}

// Reads what the words chose, as one choice, offset or undo; throws
// UsageError, with an example of a call that works, for words that are
// missing or that contradict each other.
void readChoices(Options& o, Given& g) {
    const std::string example = exampleOf(o.command);
    switch (o.command) {
        case Command::Info:
            break;
        case Command::Set: {
            // One time for every photo, or each photo's own: never both, so
            // that a time given is never silently dropped.
            if (!g.time.empty() && g.keepTime)
                throw UsageError{
                    "--time and --keep-time exclude each other: give one time for every photo\n"
                    "  (tovrin-cli set --date 2007-01-23 --time 09:05 a.jpg) or keep each photo's "
                    "own\n  (tovrin-cli set --date 2007-01-23 --keep-time a.jpg)"};
            o.choice.filterOn = !g.onlyOn.empty();
            if (o.choice.filterOn) parseDate(g.onlyOn, o.choice.filterDate);
            if (g.fromName || o.fromFileTime) {
                readOwnMoments(o, g);
                break;
            }
            if (g.date.empty()) throw UsageError{"set needs --date DATE, e.g. " + example};
            if (g.time.empty() && !g.keepTime)
                throw UsageError{"set needs --time HH:MM[:SS] or --keep-time, e.g. " + example};
            parseDate(g.date, o.choice.date);
            if (!g.time.empty()) parseTime(g.time, o.choice.time);
            o.choice.keepTime = g.keepTime;
            if (!g.step.empty()) {
                const std::optional<std::int64_t> step = parseBy(g.step);
                if (!step || *step <= 0 || *step > 86400)
                    throw UsageError{"--step '" + g.step +
                                     "' is not a step: give a count with a unit, from 1s to 1d,\n"
                                     "  e.g. --step 1s or --step 1m"};
                if (g.keepTime)
                    throw UsageError{
                        "--step gives each photo its own time from --time: give it without\n"
                        "  --keep-time, e.g. tovrin-cli set --date 1998-07-01 --time 10:00 --step "
                        "1m -r scans/"};
                o.stepSeconds = *step;
            }
            // Refused as the window refuses it, before any photo is looked at
            // (with a step, each photo's moment is checked as it comes).
            if (IsFutureChoice(o.choice, Now()))
                throw UsageError{
                    "現在より先の日時は設定できません。 (the moment is later than now)"};
            break;
        }
        case Command::Shift:
            if (!g.toZone.empty()) {
                if (!g.by.empty() || !g.days.empty() || !g.zone.empty())
                    throw UsageError{
                        "--to-zone moves each photo by its own offset: give it without --by,\n"
                        "  --days and --zone, e.g. tovrin-cli shift --to-zone +09:00 a.jpg"};
                o.zone = readZone("--to-zone", g.toZone);
                o.toZone = true;
            } else {
                o.offset = readOffset(g.by, g.days);
            }
            if (!g.onlyOn.empty()) {
                DateChoice day;
                day.filterOn = true;
                parseDate(g.onlyOn, day.filterDate);
                o.onlyOn = FilterDateText(day);
            }
            break;
        case Command::Undo: {
            const int chosen = int{o.undoLast} + int{!o.undoRun.empty()} + int{o.undoList};
            if (chosen != 1)
                throw UsageError{
                    std::string(chosen == 0 ? "undo needs" : "undo takes only one of") +
                    " --last, --run ID or --list, e.g. " + example + " or tovrin-cli undo --list"};
            return;
        }
    }
    if (!g.zone.empty()) o.zone = readZone("--zone", g.zone);
    // -0 tells how the list of --files-from ends its paths; alone it would
    // be a mistake that changes nothing, or a list that was meant and forgotten.
    if (o.nulSeparated && o.filesFrom.empty())
        throw UsageError{
            "-0 (--null) reads the list of --files-from; give the list too, e.g.\n"
            "  find photos -name '*.jpg' -print0 | tovrin-cli info --files-from - -0"};
    if (o.paths.empty() && o.filesFrom.empty()) throw UsageError{"no FILE given, e.g. " + example};
}

}  // namespace

void ReportUsageError(const UsageError& error) {
    WriteError("tovrin-cli: " + error.message + "\nRun 'tovrin-cli --help' for the usage.\n");
}

std::optional<Options> ParseCommandLine(const std::vector<std::string>& args, int& exitCode) {
    Options o;
    Given g;
    CLI::App app{"tovrin-cli " TOVRIN_VERSION
                 " - reads and rewrites the capture dates (EXIF DateTime, DateTimeOriginal,\n"
                 "DateTimeDigitized) of JPEG photos in place, byte for byte.",
                 "tovrin-cli"};
    app.set_version_flag("--version", "tovrin-cli " TOVRIN_VERSION, "print the version and exit");
    app.require_subcommand(1);
    // "/tmp/a.jpg" is a path, never the option "tmp/a.jpg" (CLI11 reads
    // "/name" as an option on Windows unless told otherwise; subcommands
    // take the setting from here).
    app.allow_windows_style_options(false);
    app.footer(Footer);

    CLI::App* info = app.add_subcommand(
        "info", "print each photo's EXIF dates, size, maker, model and file date");
    info->footer("Example:\n  tovrin-cli info -r photos/");
    addTargetOptions(*info, o);

    CLI::App* set = app.add_subcommand(
        "set",
        "write a date (and time) into each photo's three EXIF dates; a changed photo's\n"
        "file times are set to it and the change is logged, as the window does");
    set->footer(
        "Examples:\n"
        "  tovrin-cli set --date 2007-01-23 --time 09:05:00 a.jpg\n"
        "  tovrin-cli set --date 2007-01-23 --keep-time --only-on 2006-05-04 -r photos/\n"
        "  tovrin-cli set --dry-run --date 2007/01/23 --time 09:05 a.jpg\n"
        "With --only-on, a photo none of whose dates falls on that day (a photo without\n"
        "EXIF data has none) is skipped (\"skipped\":true), not a failure: the exit status\n"
        "stays 0. A moment later than now is refused. Each changed photo gets a line in\n"
        "the daily log (DateYYYYMMDD.log): in the program's folder when it may be written\n"
        "there, else in " TOVRIN_STATE_FOLDER
        ". Every run is\n"
        "journaled and can be given back with undo.");
    set->add_option("--date", g.date, "the new date (needed): YYYY-MM-DD, YYYY/MM/DD or YYYY:MM:DD")
        ->type_name("DATE")
        ->check(DateValue);
    set->add_option("--time", g.time,
                    "the new time of day, HH:MM:SS or HH:MM (not with --keep-time)")
        ->type_name("TIME")
        ->check(TimeValue);
    set->add_flag("--keep-time", g.keepTime,
                  "keep each photo's own time of day; write the date only (not with --time)");
    set->add_flag("--add-missing", o.addMissing,
                  "give a JPEG or PNG that has no EXIF a block of its own with the date\n"
                  "(the photo is written anew beside itself and put in its place; undo\n"
                  "takes the block away again)");
    CLI::Option* fromName =
        set->add_option("--from-name", g.namePattern,
                        "take each photo's date and time from its file name (instead of --date):\n"
                        "IMG_20210314_121530, PXL_20220831_003137144 (UTC), Screenshot_20200101-\n"
                        "101010, IMG-20190704-WA0003 (a day only: --time, else the photo's own\n"
                        "time), 2021-03-14 12.15.30, 20210314_121530; or by PATTERN with {Y} {M}\n"
                        "{D} {h} {m} {s} and {*} (any text), e.g. '{*}_{Y}{M}{D}_{h}{m}{s}'")
            ->expected(0, 1)
            ->type_name("[PATTERN]");
    set->add_flag("--from-file-time", o.fromFileTime,
                  "take each photo's date and time from its file's modification time");
    set->add_option("--step", g.step,
                    "give the photos, in name order, moments this far apart from --date and\n"
                    "--time (scans in album order): 1s, 1m, ...")
        ->type_name("STEP");
    addChangeOptions(*set, o, g, "change only the dates that fall on this day");

    CLI::App* shift = app.add_subcommand(
        "shift",
        "move each photo's EXIF dates by an offset, in place; a text that is not a valid\n"
        "date and time stays as it is; the file times become the new capture moment");
    shift->footer(
        "Examples:\n"
        "  tovrin-cli shift --by -09:00 -r trip/\n"
        "  tovrin-cli shift --by +1h30m --only-on 2007-01-23 -r trip/\n"
        "  tovrin-cli shift --by +00:30:15 --days -1 a.jpg\n"
        "With --only-on, a photo none of whose dates falls on that day (a photo without\n"
        "EXIF data has none) is skipped (\"skipped\":true), not a failure: the exit status\n"
        "stays 0. A photo whose new moment would be later than now, or outside years\n"
        "1-9999, is left as it is. Changes are logged and journaled like those of set.");
    shift
        ->add_option("--by", g.by,
                     "the offset (this, --days or both): [+|-]HH:MM[:SS], or counts\n"
                     "with units d, h, m, s (+1h, -30m, +1h30m)")
        ->type_name("OFFSET");
    shift->add_option("--days", g.days, "days to add, [+|-]N")->type_name("N");
    shift
        ->add_option("--to-zone", g.toZone,
                     "move each photo's local times from the zone it stores (OffsetTime-\n"
                     "Original) to this one, [+|-]HH:MM, and write the new zone (instead of\n"
                     "--by); a photo that stores no zone is left as it is")
        ->type_name("ZONE");
    addChangeOptions(*shift, o, g, "move only the dates that fall on this day");

    CLI::App* undo = app.add_subcommand(
        "undo",
        "give back what a run of set, shift, undo or the window changed: old texts and old\n"
        "file times, for every photo that still holds what the run wrote");
    undo->footer(
        "Examples:\n"
        "  tovrin-cli undo --list\n"
        "  tovrin-cli undo --last\n"
        "  tovrin-cli undo --run 20070123-090500-001\n"
        "Runs are journaled for 30 days under " TOVRIN_JOURNAL_FOLDER ".");
    // One of the three; readChoices says so with an example.
    undo->add_flag("--last", o.undoLast, "undo the most recent run");
    undo->add_option("--run", o.undoRun, "undo the run with this id")->type_name("ID");
    undo->add_flag("--list", o.undoList, "list the recorded runs");
    undo->add_flag("--no-log", o.noLog, "write no log line");
    undo->add_flag("-q,--quiet", o.quiet, "no n/N progress line on standard error");

    try {
        // CLI11 takes the words last first.
        std::vector<std::string> words(args.rbegin(), args.rend());
        app.parse(words);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {  // --help, --version
            exitCode = app.exit(e);
            return std::nullopt;
        }
        // A mistyped command is otherwise reported as a missing one.
        const std::string first = args.empty() ? "" : args.front();
        const bool known = first == "info" || first == "set" || first == "shift" || first == "undo";
        const std::string why = !first.empty() && !known && first[0] != '-'
                                    ? "unknown command '" + first + "' (info, set, shift or undo)"
                                    : e.what();
        ReportUsageError({why});
        exitCode = 2;
        return std::nullopt;
    }

    o.command = set->parsed()     ? Command::Set
                : shift->parsed() ? Command::Shift
                : undo->parsed()  ? Command::Undo
                                  : Command::Info;
    g.fromName = fromName->count() > 0;
    try {
        readChoices(o, g);
    } catch (const UsageError& e) {
        ReportUsageError(e);
        exitCode = 2;
        return std::nullopt;
    }
    exitCode = 0;
    return o;
}

}  // namespace tovrin::cli
