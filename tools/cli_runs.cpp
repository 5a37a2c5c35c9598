#include "cli_runs.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

#include "cli_json.h"
#include "console.h"
#include "exif/copy_plan.h"
#include "exif/paths.h"
#include "exif/photo_file.h"
#include "exif/photo_update.h"
#include "exif/reader.h"
#include "exif/runtime_error.h"
#include "photo_list.h"
#include "run/date_source.h"
#include "run/journal.h"
#include "run/log_folder.h"
#include "run/photo_run.h"

namespace tovrin::cli {

namespace {

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

// A folder named without -r reaches the engine as a file, whose open refuses
// it (75, "パス名が無効です。"), which says nothing of folders: the line gets a
// "hint", and a person watching is told on standard error what to give.
void printError(Line line, int number, const std::string& path, bool recursive,
                Progress& progress) {
    std::error_code ec;
    if (number == error::PathFileAccess && !recursive &&
        std::filesystem::is_directory(NativePath(path), ec)) {
        line["hint"] = "a folder: give -r (--recursive) to work on the photos in it";
        progress.beforeLine();
        WriteError("tovrin-cli: " + path +
                   " is a folder; give -r (--recursive) to work on the photos in it\n");
    }
    print(line, progress);
}

// Whether the day filter left the photo out: nothing to write, and none of its
// date texts falls on the day (a photo without EXIF data has none). Such a
// photo was never to be changed, so it is skipped, not failed.
bool leftOutByDay(const PhotoDateUpdate& u, const std::string& day) {
    if (day.empty() || !u.writes.empty() || u.refusedAsFuture || u.refusedOutOfRange) return false;
    for (const std::string* text :
         {&u.before.DateTime, &u.before.DateTimeOriginal, &u.before.DateTimeDigitized}) {
        if (text->compare(0, day.size(), day) == 0) return false;
    }
    return true;
}

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
            printError(ErrorLine(t.path, t.error, ErrorDescription(t.error)), t.error, t.path,
                       o.recursive, progress);
            exitCode = 1;
            continue;
        }
        const SplitPath sp = splitPath(t.path);
        try {
            PhotoInfo info;
            std::int32_t status = 0;
            CopyList copies;
            if (sp.name.rfind('.') == std::string::npos) {
                status = ReadPhotoInfo(sp.folder, sp.name, info);
            } else {
                // One open for the EXIF texts and their copies.
                PhotoFile file(sp.folder + sp.name, PhotoFile::Mode::Read);
                status = ReadPhotoInfo(file, sp.name, info);
                if (status > 0) copies = ListDateCopies(file, info);
            }
            if (status == 0) exitCode = 1;
            // The reader turns a name without "." away before it opens the
            // file; a missing file is still reported as missing.
            std::error_code ec;
            if (status == 0 && !std::filesystem::exists(NativePath(t.path), ec))
                throw RuntimeError(error::FileNotFound);
            // Nor is a folder read as a photo without EXIF data: it is
            // refused as set and shift refuse it, with the hint to give -r.
            if (status == 0 && std::filesystem::is_directory(NativePath(t.path), ec))
                throw RuntimeError(error::PathFileAccess);
            print(InfoText(t.path, status, info, copies), progress);
        } catch (const RuntimeError& e) {
            printError(ErrorLine(t.path, e.number(), e.description()), e.number(), t.path,
                       o.recursive, progress);
            exitCode = 1;
        }
    }
    return exitCode;
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
// A run that changes photos, as the command line watches it: one line per
// photo on standard output, a log that fails said on standard error.
class LineObserver : public RunObserver {
public:
    explicit LineObserver(std::size_t count, bool quiet) : progress(count, quiet) {}

    Progress progress;
    int exitCode = 0;

    bool waitForOtherRun() override {
        // Runs take turns; a person watching is told why nothing moves.
        WriteError("tovrin-cli: another run is changing photos; waiting for it to end\n");
        return true;
    }
    MessageBoxes& logBoxes() override { return m_boxes; }
    // The photo stays changed and reported.
    void logFailed(const RuntimeError& e) override {
        m_boxes.show("ログ出力時にエラーが発生しました。\r\n(" + std::to_string(e.number()) + ") " +
                         e.description(),
                     MsgButtons::Ok, MsgIcon::Critical, "ログ出力エラー");
    }

private:
    StderrBoxes m_boxes;
};

RunRequest requestOf(const Options& o, RunKind kind, const char* programPath) {
    RunRequest request;
    request.kind = kind;
    request.journal = !o.dryRun && !o.noJournal;
    if (request.journal) request.journalFolder = JournalFolder();
    request.log = !o.dryRun && !o.noLog;
    if (request.log) request.logFolder = LogFolder(programFolder(programPath));
    return request;
}

// set and shift: each photo journaled before it is written (unless a dry
// run), reported, logged. One photo reached by several names is changed once.
int runChange(const Options& o, const char* programPath) {
    const std::vector<Target> targets = ExpandTargets(collectPaths(o), o.recursive);
    const LocalDateTime now = Now();
    ChangeOptions change{.dryRun = o.dryRun,
                         .latest = now,
                         .onlyOn = o.onlyOn,
                         .exifOnly = o.exifOnly,
                         .moveToZone = o.toZone};
    if (!o.zone.empty()) change.zone = o.zone;
    change.addMissing = o.addMissing;
    change.fromFileTime = o.fromFileTime;
    const bool setting = o.command == Command::Set;
    // Where each photo's moment comes from: the one chosen, stepped in name
    // order, its name or its file's time.
    DateSource source;
    source.choice = o.choice;
    source.stepSeconds = o.stepSeconds;
    source.fromName = o.fromName;
    source.namePattern = o.namePattern;
    source.fromFileTime = o.fromFileTime;
    std::vector<std::size_t> ranks(targets.size(), 0);
    if (o.stepSeconds > 0) {
        std::vector<std::string> paths;
        for (const Target& t : targets) paths.push_back(t.path);
        ranks = NameRanks(paths);
    }
    struct Lines : LineObserver {
        const std::vector<Target>& targets;
        const Options& options;
        const std::string day;  // the filter day, "yyyy:mm:dd" ("" for none)
        Lines(const std::vector<Target>& t, const Options& o, std::string filterDay)
            : LineObserver(t.size(), o.quiet), targets(t), options(o), day(std::move(filterDay)) {}
        bool photoDone(std::size_t i, TargetOutcome& outcome) override {
            const std::string& path = targets[i].path;
            if (outcome.error) {
                printError(ErrorLine(path, outcome.error->number(), outcome.error->description()),
                           outcome.error->number(), path, options.recursive, progress);
                exitCode = 1;
            } else if (outcome.sameAs >= 0) {
                Line line = PathLine(path);
                line["sameAs"] = targets[static_cast<std::size_t>(outcome.sameAs)].path;
                print(line, progress);
            } else {
                const PhotoDateUpdate& u = outcome.planned->update;
                // Left out by the day filter, or given no moment by its
                // name: never to be changed, so not a failure.
                const bool skipped = leftOutByDay(u, day) || !u.skipped.empty();
                if (!skipped && (!u.result.status || u.refusedAsFuture || u.refusedOutOfRange ||
                                 u.refusedNoZone))
                    exitCode = 1;
                // Printed before the log line is written: the line on
                // standard output is what a script relies on.
                print(SetText(path, u, skipped), progress);
            }
            return true;
        }
    } lines(targets, o, setting ? FilterDateText(o.choice) : o.onlyOn);
    RunPhotos(
        targets.size(),
        [&](std::size_t i, bool wait) -> std::optional<PlannedPhoto> {
            if (targets[i].error != 0) throw RuntimeError(targets[i].error);
            // The journal keeps whole paths, so an undo works from anywhere.
            const std::string path = absolutePath(targets[i].path);
            if (!setting) return PlanPhotoShift(path, o.offset, change, wait);
            const SourcedChoice sourced =
                ChoiceForPhoto(source, ranks[i], splitPath(targets[i].path).name);
            if (!sourced.choice) {
                // Only a photo is passed over for its name: a folder, a
                // missing or unreadable file is the error it always is.
                const PhotoFile readable(path, PhotoFile::Mode::Read);
                PlannedPhoto skipped;
                skipped.update.path = path;
                skipped.update.skipped = sourced.skipped;
                return skipped;
            }
            return PlanPhotoDate(path, *sourced.choice, change, wait);
        },
        requestOf(o, setting ? RunKind::Set : RunKind::Shift, programPath), lines);
    return lines.exitCode;
}

// The recorded runs, one line each.
int listRuns() {
    const std::string folder = JournalFolder();
    if (folder.empty()) return 0;
    for (const std::string& id : JournalIds(folder)) {
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

// Gives back what a recorded run changed, newest change first: only photos
// that still hold what it wrote (or, cut short, some of it). The undo is a
// run of its own, journaled and logged.
int runUndo(const Options& o, const char* programPath) {
    if (o.undoList) return listRuns();
    const std::string folder = JournalFolder();
    const std::vector<std::string> ids =
        folder.empty() ? std::vector<std::string>{} : JournalIds(folder);
    const std::string id = o.undoRun.empty() ? LastUndoableRun(folder) : o.undoRun;
    if (id.empty() || std::find(ids.begin(), ids.end(), id) == ids.end())
        throw UsageError{id.empty() ? "no recorded run to undo" : "no recorded run " + id};
    const JournalRun run = ReadJournal(folder, id);
    struct Lines : LineObserver {
        const JournalRun& run;
        Lines(const JournalRun& r, bool quiet) : LineObserver(r.changes.size(), quiet), run(r) {}
        bool photoDone(std::size_t i, TargetOutcome& outcome) override {
            Line line = PathLine(UndoneChange(run, i).path);
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
            return true;
        }
    } lines(run, o.quiet);
    UndoRun(folder, run, requestOf(o, RunKind::Undo, programPath), lines);
    return lines.exitCode;
}

}  // namespace

MsgAnswer StderrBoxes::show(const std::string& text, MsgButtons, MsgIcon,
                            const std::string& title) {
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

int RunCommand(const Options& options, const char* programPath) {
    switch (options.command) {
        case Command::Info:
            return runInfo(ExpandTargets(collectPaths(options), options.recursive), options);
        case Command::Set:
        case Command::Shift:
            return runChange(options, programPath);
        case Command::Undo:
            return runUndo(options, programPath);
    }
    return 2;
}

}  // namespace tovrin::cli
