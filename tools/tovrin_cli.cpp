// tovrin-cli: the engine from the command line, for scripted use on large
// folders and for measurements against other tools. Run "tovrin-cli --help".
//
// One JSON object per photo and line, flushed at least every 50 ms; a run
// that is killed leaves its journal for what the lines did not say. Exit
// status: 0 every photo processed, 1 some photo was not (no EXIF data, not a JPEG, an error), 2 bad
// usage; every argument is checked before the first file is opened.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

#include <CLI/CLI.hpp>

#include "cli_json.h"
#include "console.h"
#include "exif/date_choice.h"
#include "exif/local_time.h"
#include "exif/paths.h"
#include "exif/photo_update.h"
#include "exif/reader.h"
#include "exif/runtime_error.h"
#include "photo_list.h"
#include "run/date_setting_run.h"
#include "run/journal.h"
#include "run/log_folder.h"
#include "run/photo_batch.h"
#include "run/run_log.h"
#include "ui/message_boxes.h"
#include "utf8_args.h"

namespace {

using namespace tovrin;
using namespace tovrin::cli;

// Bad usage: the message is printed and the program ends with status 2.
struct UsageError {
    std::string message;
};

// The folder that holds this program: the daily log goes there when it may,
// by the same rule as the window's (LogFolder).
std::string programFolder(const char* argv0) {
    std::error_code ec;
#ifdef _WIN32
    std::wstring buffer(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n > 0 && n < buffer.size()) {
        buffer.resize(n);
        return Utf8Path(std::filesystem::path(buffer).parent_path());
    }
#else
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) return Utf8Path(self.parent_path());
#endif
    const std::filesystem::path found = std::filesystem::canonical(NativePath(argv0), ec);
    return ec ? std::string(".") : Utf8Path(found.parent_path());
}

// The boxes the log writer shows, as lines on standard error.
class StderrBoxes : public MessageBoxes {
public:
    MsgAnswer show(const std::string& text, MsgButtons, MsgIcon,
                   const std::string& title) override {
        // One line each: the box's line breaks become blanks.
        std::string shown;
        for (const char c : text) {
            if (c == '\n') {
                shown += ' ';
            } else if (c != '\r') {
                shown += c;
            }
        }
        WriteError("tovrin-cli: " + title + ": " + shown + "\n");
        return MsgAnswer::Ok;
    }
};

// "n/N" on one line of standard error, redrawn after each photo, when a
// person is watching and there is more than one photo. Standard output is
// left alone but for the line being cleared before each JSON line, so a
// terminal showing both does not mix them.
//
// Lines are flushed at least every 50 ms (each one on a terminal), which
// keeps a reader of the pipe up to date without a write per photo. A run
// killed in between loses at most those lines: its journal, synced before
// any photo is written, still holds every change.
class Progress {
public:
    Progress(std::size_t total, bool quiet)
        : m_on(!quiet && total > 1 && ErrorIsTerminal()),
          m_eachLine(m_on || OutputIsTerminal()),
          m_total(total) {}
    ~Progress() {
        if (m_on && m_done > 0) WriteError("\n");
    }
    void beforeLine() const {
        if (m_on && m_done > 0) WriteError(EraseLineText(m_shown.size()));
    }
    void afterLine() {
        ++m_done;
        if (!m_on) return;
        m_shown = std::to_string(m_done) + "/" + std::to_string(m_total);
        WriteError("\r" + m_shown);
    }

    void write(const std::string& line) {
        std::cout << line << '\n';
        if (m_eachLine) {
            std::cout.flush();
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now - m_flushed >= std::chrono::milliseconds(50)) {
            std::cout.flush();
            m_flushed = now;
        }
    }

private:
    bool m_on;
    bool m_eachLine;
    std::size_t m_total;
    std::size_t m_done = 0;
    std::chrono::steady_clock::time_point m_flushed = std::chrono::steady_clock::now();
    std::string m_shown;
};

void print(const std::string& line, Progress& progress) {
    progress.beforeLine();
    progress.write(line);
    progress.afterLine();
}

void print(const Line& line, Progress& progress) { print(Dump(line), progress); }

struct SplitPath {
    std::string folder;  // ends with the separator
    std::string name;
};

// Whether a path is absolute and already in its normal form: no "." or ".."
// step, no doubled or trailing separator. Such a path needs no parsing.
bool isPlainAbsolute(const std::string& path) {
#ifdef _WIN32
    (void)path;
    return false;
#else
    if (path.size() < 2 || path[0] != '/' || path.back() == '/') return false;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] != '/') continue;
        const std::size_t next = path.find('/', i + 1);
        const std::string_view step = std::string_view(path).substr(
            i + 1, (next == std::string::npos ? path.size() : next) - i - 1);
        if (step.empty() || step == "." || step == "..") return false;
    }
    return true;
#endif
}

SplitPath splitPath(const std::string& arg) {
    if (isPlainAbsolute(arg)) {
        const std::size_t slash = arg.rfind('/');
        return {arg.substr(0, slash + 1), arg.substr(slash + 1)};
    }
    const std::filesystem::path p = NativePath(arg);
    const std::string parent = Utf8Path(p.parent_path());
    return {FolderPath(parent.empty() ? std::string(".") : parent), Utf8Path(p.filename())};
}

std::string absolutePath(const std::string& path) {
    // Windows takes a "\\?\" path exactly as written: it is whole already,
    // and normalising it would break it.
    if (IsVerbatimPath(path) || isPlainAbsolute(path)) return path;
    const std::filesystem::path p = NativePath(path);
    // Made whole and verbatim by the conversion (a long path, a name ending
    // in "." or " ").
    const std::string native = Utf8Path(p);
    if (IsVerbatimPath(native)) return native;
    // The working folder does not change during a run: asked once, not per photo.
    static const std::filesystem::path here = [] {
        std::error_code ec;
        return std::filesystem::current_path(ec);
    }();
    if (p.is_absolute() || here.empty()) return Utf8Path(p.lexically_normal());
    return Utf8Path((here / p).lexically_normal());
}

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

struct Options {
    std::vector<std::string> paths;
    std::string filesFrom;
    bool nulSeparated = false;
    bool recursive = false;
    bool quiet = false;
    // set only
    std::string date;
    std::string time;
    std::string onlyOn;
    bool keepTime = false;
    bool dryRun = false;
    bool noLog = false;
    bool noJournal = false;
    // shift
    std::string by;
    std::string days;
    // undo
    bool undoLast = false;
    std::string undoRun;
    bool undoList = false;
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
void addChangeOptions(CLI::App& command, Options& o, const char* onlyOn) {
    command.add_option("--only-on", o.onlyOn, onlyOn)->type_name("DATE")->check(DateValue);
    command.add_flag("--dry-run", o.dryRun,
                     "say what would change (\"old\" and \"new\") and touch nothing");
    command.add_flag("--no-log", o.noLog, "write no log line");
    command.add_flag("--no-journal", o.noJournal,
                     "keep no undo journal (the run cannot be undone)");
    addTargetOptions(command, o);
}

std::vector<Target> collectPaths(const Options& o) {
    std::vector<Target> paths;
    for (const std::string& path : o.paths) paths.push_back({path, 0});
    if (o.filesFrom.empty()) return paths;
    std::vector<Target> listed;
    if (o.filesFrom == "-") {
#ifdef _WIN32
        _setmode(_fileno(stdin), _O_BINARY);
#endif
        listed = ReadPathList(std::cin, o.nulSeparated);
    } else {
        std::error_code ec;
        // A folder opens as a stream on some systems and reads as nothing.
        if (std::filesystem::is_directory(NativePath(o.filesFrom), ec))
            throw UsageError{"--files-from: " + o.filesFrom + " is a folder"};
        std::ifstream in(NativePath(o.filesFrom), std::ios::binary);
        if (!in) throw UsageError{"--files-from: cannot read " + o.filesFrom};
        listed = ReadPathList(in, o.nulSeparated);
        if (in.bad()) throw UsageError{"--files-from: cannot read " + o.filesFrom};
    }
    paths.insert(paths.end(), listed.begin(), listed.end());
    return paths;
}

int runInfo(const std::vector<Target>& targets, const Options& o) {
    Progress progress(targets.size(), o.quiet);
    int exitCode = 0;
    for (const Target& t : targets) {
        if (t.error != 0) {
            print(ErrorLine(t.path, t.error, ErrorDescription(t.error)), progress);
            exitCode = 1;
            continue;
        }
        const SplitPath sp = splitPath(t.path);
        try {
            PhotoInfo info;
            const std::int32_t status = ReadPhotoInfo(sp.folder, sp.name, info);
            if (status == 0) exitCode = 1;
            // The reader turns a name without "." away before it opens the
            // file; a missing file is still reported as missing.
            std::error_code ec;
            if (status == 0 && !std::filesystem::exists(NativePath(t.path), ec))
                throw RuntimeError(error::FileNotFound);
            print(InfoText(t.path, status, info), progress);
        } catch (const RuntimeError& e) {
            print(ErrorLine(t.path, e.number(), e.description()), progress);
            exitCode = 1;
        }
    }
    return exitCode;
}

DateChoice choiceOf(const Options& o) {
    DateChoice choice;
    parseDate(o.date, choice.date);
    if (!o.time.empty()) parseTime(o.time, choice.time);
    choice.keepTime = o.keepTime;
    choice.filterOn = !o.onlyOn.empty();
    if (choice.filterOn) parseDate(o.onlyOn, choice.filterDate);
    return choice;
}

// The log line of one changed photo, as the window writes it: its full path
// and its dates from before the change. A log that cannot be written is said
// on standard error; the photo stays changed and reported.
void logChange(const std::string& path, const PhotoDateUpdate& u, const std::string& folder) {
    StderrBoxes boxes;
    try {
        const LocalDateTime now = Now();
        const std::string logPath = GetLogFilePath(folder, boxes, now);
        WriteLogLine(
            ChangeLogKind,
            ChangeLogMessage(absolutePath(path), u.before.DateTimeOriginal, u.before.FileDateText),
            logPath, boxes, now);
    } catch (const RuntimeError& e) {
        boxes.show("ログ出力時にエラーが発生しました。\r\n(" + std::to_string(e.number()) + ") " +
                       e.description(),
                   MsgButtons::Ok, MsgIcon::Critical, "ログ出力エラー");
    }
}

// The journal of a run that changes photos, or nothing for a dry run or when
// told to keep none. A run that cannot journal stops before its first photo.
// Runs take turns; a person watching is told why nothing moves.
bool sayWaiting() {
    WriteError("tovrin-cli: another run is changing photos; waiting for it to end\n");
    return true;
}

std::unique_ptr<Journal> openJournal(const Options& o, const char* kind) {
    if (o.dryRun || o.noJournal) return nullptr;
    return std::make_unique<Journal>(JournalFolder(), kind, std::string(), Journal::UtcNow(),
                                     sayWaiting);
}

// A change of photos, set or shift: in batches, each photo journaled before
// it is written (unless a dry run), reported, logged. One photo reached by
// several names is changed once.
using PlanChange = std::function<std::optional<PlannedPhoto>(const std::string& path, bool wait)>;

int runChange(const std::vector<Target>& targets, const Options& o, const std::string& logTo,
              const char* kind, const PlanChange& plan) {
    const std::unique_ptr<Journal> journal = openJournal(o, kind);
    Progress progress(targets.size(), o.quiet);
    const HeldLog heldLog;
    int exitCode = 0;
    RunInBatches(
        targets.size(), journal.get(),
        [&](std::size_t i, bool wait) -> std::optional<PlannedPhoto> {
            if (targets[i].error != 0) throw RuntimeError(targets[i].error);
            // The journal keeps whole paths, so an undo works from anywhere.
            return plan(absolutePath(targets[i].path), wait);
        },
        [&](std::size_t i, TargetOutcome& outcome) {
            const std::string& path = targets[i].path;
            if (outcome.error) {
                print(ErrorLine(path, outcome.error->number(), outcome.error->description()),
                      progress);
                exitCode = 1;
                return true;
            }
            if (outcome.sameAs >= 0) {
                Line line = PathLine(path);
                line["sameAs"] = targets[static_cast<std::size_t>(outcome.sameAs)].path;
                print(line, progress);
                return true;
            }
            const PhotoDateUpdate& u = outcome.planned->update;
            if (!u.result.status || u.refusedAsFuture || u.refusedOutOfRange) exitCode = 1;
            // Reported before it is logged: the line on standard output is
            // what a script relies on.
            print(SetText(path, u), progress);
            if (u.result.changed && !o.dryRun && !o.noLog) logChange(path, u, logTo);
            return true;
        });
    if (journal) journal->finish();
    return exitCode;
}

int runSet(const std::vector<Target>& targets, const Options& o, const std::string& logTo) {
    const DateChoice choice = choiceOf(o);
    const LocalDateTime now = Now();
    // As the run does for each photo, through one open: the file's own time
    // of day (kept when asked), the reading, the write and, for a changed
    // photo, its times. A kept time of day may not carry a photo past now.
    return runChange(targets, o, logTo, "set", [&](const std::string& path, bool wait) {
        return PlanPhotoDate(path, choice, o.dryRun, now, wait);
    });
}

int runShift(const std::vector<Target>& targets, const Options& o, const std::string& logTo,
             std::int64_t seconds) {
    const LocalDateTime now = Now();
    std::string filter;
    if (!o.onlyOn.empty()) {
        CalendarDate day;
        parseDate(o.onlyOn, day);
        filter = FilterDateText({day, {}, false, true, day});
    }
    return runChange(targets, o, logTo, "shift", [&](const std::string& path, bool wait) {
        return PlanPhotoShift(path, seconds, filter, o.dryRun, now, wait);
    });
}

const char* restoreReason(Restore r) {
    switch (r) {
        case Restore::Restored:
            return "";
        case Restore::HalfDone:
            return "";
        case Restore::AlreadyBefore:
            return "already as before the run";
        case Restore::ChangedSince:
            return "changed since the run";
        case Restore::SizeChanged:
            return "its size changed since the run";
        case Restore::NotSamePhoto:
            return "not the file the run changed, or its time changed since";
        case Restore::NotADate:
            return "the journal names a place that is not a date text of this photo";
    }
    return "";
}

// Gives back what a recorded run changed, newest change first: only photos
// that still hold what it wrote (or, cut short, some of it). The undo is a
// run of its own, journaled and logged.
int runUndo(const Options& o, const std::string& logTo) {
    const std::string folder = JournalFolder();
    const std::vector<std::string> ids =
        folder.empty() ? std::vector<std::string>{} : JournalIds(folder);
    if (o.undoList) {
        for (const std::string& id : ids) {
            const JournalRun run = ReadJournal(folder, id);
            if (run.changes.empty()) continue;
            Line line;
            line["run"] = run.id;
            line["kind"] = run.kind;
            line["photos"] = run.changes.size();
            if (!run.undoes.empty()) line["undoes"] = run.undoes;
            std::cout << Dump(line) << std::endl;
        }
        return 0;
    }
    const std::string id = o.undoRun.empty() ? LastUndoableRun(folder) : o.undoRun;
    if (id.empty() || std::find(ids.begin(), ids.end(), id) == ids.end())
        throw UsageError{id.empty() ? "no recorded run to undo" : "no recorded run " + id};
    const JournalRun run = ReadJournal(folder, id);
    // Newest change first.
    const std::size_t count = run.changes.size();
    const auto change = [&](std::size_t i) { return run.changes[count - 1 - i]; };
    Journal journal(folder, "undo", run.id, Journal::UtcNow(), sayWaiting);
    Progress progress(count, o.quiet);
    const HeldLog heldLog;
    int exitCode = 0;
    RunInBatches(
        count, &journal, [&](std::size_t i, bool wait) { return PlanRestore(change(i), wait); },
        [&](std::size_t i, TargetOutcome& outcome) {
            const std::string path = change(i).path;
            Line line = PathLine(path);
            line["run"] = run.id;
            if (outcome.error) {
                line["restored"] = false;
                line["reason"] = outcome.error->description();
                line["error"] = outcome.error->number();
                print(line, progress);
                exitCode = 1;
                return true;
            }
            const Restore r = outcome.planned->restore;
            const bool given = r == Restore::Restored || r == Restore::HalfDone;
            line["restored"] = given || r == Restore::AlreadyBefore;
            if (r == Restore::HalfDone) line["halfDone"] = true;
            if (!line["restored"].get<bool>() || r == Restore::AlreadyBefore)
                line["reason"] = restoreReason(r);
            if (!line["restored"].get<bool>()) exitCode = 1;
            print(line, progress);
            if (given && !o.noLog) logChange(path, outcome.planned->update, logTo);
            return true;
        },
        BatchLimits{.oncePerFile = false});
    journal.finish();
    return exitCode;
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

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    // UTF-8 words whatever the system's code page.
    const std::vector<std::string> args = Utf8Arguments(argc, argv);
    Options o;
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
    set->add_option("--date", o.date, "the new date, YYYY-MM-DD or YYYY:MM:DD")
        ->type_name("DATE")
        ->required()
        ->check(DateValue);
    set->add_option("--time", o.time, "the new time of day, HH:MM:SS (not needed with --keep-time)")
        ->type_name("TIME")
        ->check(TimeValue);
    set->add_flag("--keep-time", o.keepTime,
                  "keep each photo's own time of day; write the date only");
    addChangeOptions(*set, o, "change only the dates that fall on this day");

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
    shift->add_option("--by", o.by, "the offset, [+|-]HH:MM[:SS]")->type_name("OFFSET")->required();
    shift->add_option("--days", o.days, "days to add as well, [+|-]N")->type_name("N");
    addChangeOptions(*shift, o, "move only the dates that fall on this day");

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
        if (e.get_exit_code() == 0) return app.exit(e);  // --help, --version
        // A mistyped command is otherwise reported as a missing one.
        const std::string first = args.empty() ? "" : args.front();
        const bool known = first == "info" || first == "set" || first == "shift" || first == "undo";
        const std::string why = !first.empty() && !known && first[0] != '-'
                                    ? "unknown command '" + first + "' (info, set, shift or undo)"
                                    : e.what();
        WriteError("tovrin-cli: " + why + "\nRun 'tovrin-cli --help' for the usage.\n");
        return 2;
    }

    try {
        if (undo->parsed()) {
            if (!o.undoLast && o.undoRun.empty() && !o.undoList)
                throw UsageError{"undo needs --last, --run ID or --list"};
            return runUndo(o, LogFolder(programFolder(argv[0])));
        }
        std::int64_t offset = 0;
        if (shift->parsed() && !parseOffset(o.by, o.days, offset))
            throw UsageError{"--by needs [+|-]HH:MM[:SS] and --days [+|-]N"};
        const bool setting = set->parsed();
        if (setting) {
            if (o.time.empty() && !o.keepTime)
                throw UsageError{"set needs --time HH:MM:SS, or --keep-time"};
            // Refused as the window refuses it, before any photo is looked at.
            if (IsFutureChoice(choiceOf(o), Now()))
                throw UsageError{
                    "現在より先の日時は設定できません。 (the moment is later than now)"};
        }
        const std::vector<Target> paths = collectPaths(o);
        if (paths.empty() && o.filesFrom.empty()) throw UsageError{"no FILE given"};
        const std::vector<Target> targets = ExpandTargets(paths, o.recursive);
        if (shift->parsed()) return runShift(targets, o, LogFolder(programFolder(argv[0])), offset);
        return setting ? runSet(targets, o, LogFolder(programFolder(argv[0])))
                       : runInfo(targets, o);
    } catch (const UsageError& e) {
        WriteError("tovrin-cli: " + e.message + "\nRun 'tovrin-cli --help' for the usage.\n");
        return 2;
    } catch (const JournalUnavailable& e) {
        // One line, as every message here: the box's line breaks become blanks.
        StderrBoxes().show(JournalUnavailableText(e), MsgButtons::Ok, MsgIcon::Critical, "journal");
        return 2;
    }
}
