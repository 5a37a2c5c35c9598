#include "cli_options.h"

#include <CLI/CLI.hpp>

#include "console.h"
#include "exif/local_time.h"
#include "run/date_setting_run.h"

namespace tovrin::cli {

namespace {

// "YYYY-MM-DD" or "YYYY:MM:DD" (one separator throughout) of a real day, or
// "HH:MM:SS" of a real time.
bool parseNumbers(const std::string& text, std::size_t firstWidth, const std::string& seps,
                  int (&out)[3]) {
    if (text.size() != firstWidth + 6) return false;
    const char sep = text[firstWidth];
    if (seps.find(sep) == std::string::npos || text[firstWidth + 3] != sep) return false;
    const std::size_t starts[3] = {0, firstWidth + 1, firstWidth + 4};
    const std::size_t widths[3] = {firstWidth, 2, 2};
    for (int i = 0; i < 3; ++i) {
        out[i] = 0;
        for (std::size_t k = 0; k < widths[i]; ++k) {
            const char c = text[starts[i] + k];
            if (c < '0' || c > '9') return false;
            out[i] = out[i] * 10 + (c - '0');
        }
    }
    return true;
}
bool parseDate(const std::string& text, CalendarDate& d) {
    int n[3];
    if (!parseNumbers(text, 4, "-:", n)) return false;
    d = {n[0], n[1], n[2]};
    return IsValidDate(d);
}
bool parseTime(const std::string& text, TimeOfDay& t) {
    int n[3];
    if (!parseNumbers(text, 2, ":", n)) return false;
    t = {n[0], n[1], n[2]};
    return IsValidTime(t);
}
const CLI::Validator DateValue(
    [](std::string& text) {
        CalendarDate d;
        return parseDate(text, d) ? std::string()
                                  : "'" + text + "' is not a real day as YYYY-MM-DD or YYYY:MM:DD";
    },
    "");
const CLI::Validator TimeValue(
    [](std::string& text) {
        TimeOfDay t;
        return parseTime(text, t) ? std::string() : "'" + text + "' is not a time as HH:MM:SS";
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
};

void addTargetOptions(CLI::App& command, Options& o) {
    command.add_option("FILE", o.paths, "photos (and, with -r, folders) to work on")->type_name("");
    command.add_flag("-r,--recursive", o.recursive,
                     "walk folders: *.jpg and *.jpeg in any case, no hidden files,\n"
                     "sorted by name, links to folders not followed");
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
                     "say what would change (\"old\" and \"new\") and touch nothing");
    command.add_flag("--no-log", o.noLog, "write no log line");
    command.add_flag("--no-journal", o.noJournal,
                     "keep no undo journal (the run cannot be undone)");
    addTargetOptions(command, o);
}
// "[+|-]HH:MM[:SS]" and "[+|-]N" days as seconds; false when not such a text.
bool parseOffset(const std::string& by, const std::string& days, std::int64_t& seconds) {
    std::string text = by;
    int sign = 1;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        sign = text[0] == '-' ? -1 : 1;
        text.erase(0, 1);
    }
    // Two or three fields of digits between colons; hours as many as given.
    int fields[3] = {0, 0, 0};
    int count = 0;
    std::size_t digits = 0;
    for (const char c : text) {
        if (c == ':') {
            if (digits == 0 || ++count > 2) return false;
            digits = 0;
        } else if (c >= '0' && c <= '9') {
            if (++digits > 7) return false;
            fields[count] = fields[count] * 10 + (c - '0');
        } else {
            return false;
        }
    }
    if (digits == 0 || count == 0) return false;
    const int h = fields[0], m = fields[1], s = fields[2];
    if (m > 59 || s > 59) return false;
    std::int64_t dayCount = 0;
    if (!days.empty()) {
        std::size_t used = 0;
        try {
            dayCount = std::stoll(days, &used);
        } catch (const std::exception&) {
            return false;
        }
        if (used != days.size() || dayCount > 3650000 || dayCount < -3650000) return false;
    }
    seconds = sign * (std::int64_t{h} * 3600 + m * 60 + s) + dayCount * 86400;
    return true;
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
  tovrin-cli set --dry-run --date 2007:01:23 --keep-time -r ~/Pictures/trip
  find . -name '*.jpg' -print0 | tovrin-cli info --files-from - -0

Output: one JSON object per photo and line on standard output.
Exit status: 0 every photo processed, 1 some photo was not (no EXIF data,
not a JPEG, an error), 2 bad usage (no file touched).)";

// Reads what the words chose, as one choice, offset or undo; throws UsageError.
void readChoices(Options& o, const Given& g) {
    switch (o.command) {
        case Command::Info:
            break;
        case Command::Set: {
            if (g.time.empty() && !g.keepTime)
                throw UsageError{"set needs --time HH:MM:SS, or --keep-time"};
            parseDate(g.date, o.choice.date);
            if (!g.time.empty()) parseTime(g.time, o.choice.time);
            o.choice.keepTime = g.keepTime;
            o.choice.filterOn = !g.onlyOn.empty();
            if (o.choice.filterOn) parseDate(g.onlyOn, o.choice.filterDate);
            // Refused as the window refuses it, before any photo is looked at.
            if (IsFutureChoice(o.choice, Now()))
                throw UsageError{
                    "現在より先の日時は設定できません。 (the moment is later than now)"};
            break;
        }
        case Command::Shift:
            if (!parseOffset(g.by, g.days, o.offset))
                throw UsageError{"--by needs [+|-]HH:MM[:SS] and --days [+|-]N"};
            if (!g.onlyOn.empty()) {
                DateChoice day;
                day.filterOn = true;
                parseDate(g.onlyOn, day.filterDate);
                o.onlyOn = FilterDateText(day);
            }
            break;
        case Command::Undo:
            if (!o.undoLast && o.undoRun.empty() && !o.undoList)
                throw UsageError{"undo needs --last, --run ID or --list"};
            return;
    }
    if (o.paths.empty() && o.filesFrom.empty()) throw UsageError{"no FILE given"};
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
        "  tovrin-cli set --dry-run --date 2007-01-23 --time 09:05:00 a.jpg\n"
        "A moment later than now is refused. Each changed photo gets a line in the daily\n"
        "log (DateYYYYMMDD.log): in the program's folder when it may be written there,\n"
        "else in " TOVRIN_STATE_FOLDER
        ". Every run is journaled\n"
        "and can be given back with undo.");
    set->add_option("--date", g.date, "the new date, YYYY-MM-DD or YYYY:MM:DD")
        ->type_name("DATE")
        ->required()
        ->check(DateValue);
    set->add_option("--time", g.time, "the new time of day, HH:MM:SS (not needed with --keep-time)")
        ->type_name("TIME")
        ->check(TimeValue);
    set->add_flag("--keep-time", g.keepTime,
                  "keep each photo's own time of day; write the date only");
    addChangeOptions(*set, o, g, "change only the dates that fall on this day");

    CLI::App* shift = app.add_subcommand(
        "shift",
        "move each photo's EXIF dates by an offset, in place; a text that is not a valid\n"
        "date and time stays as it is; the file times become the new capture moment");
    shift->footer(
        "Examples:\n"
        "  tovrin-cli shift --by -09:00 -r trip/\n"
        "  tovrin-cli shift --by +00:30:15 --days -1 --only-on 2007-01-23 a.jpg\n"
        "A photo whose new moment would be later than now, or outside years 1-9999, is\n"
        "left as it is. Changes are logged and journaled like those of set.");
    shift->add_option("--by", g.by, "the offset, [+|-]HH:MM[:SS]")->type_name("OFFSET")->required();
    shift->add_option("--days", g.days, "days to add as well, [+|-]N")->type_name("N");
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
    auto* last = undo->add_flag("--last", o.undoLast, "undo the most recent run");
    auto* runId =
        undo->add_option("--run", o.undoRun, "undo the run with this id")->type_name("ID");
    auto* list = undo->add_flag("--list", o.undoList, "list the recorded runs");
    last->excludes(runId)->excludes(list);
    runId->excludes(list);
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
