#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "exif/date_choice.h"

// What the command line asks for, read and checked before any photo is
// looked at.
namespace tovrin::cli {

// Bad usage: the message is printed and the program ends with status 2.
struct UsageError {
    std::string message;
};
// Prints a usage error and the hint to --help on standard error.
void ReportUsageError(const UsageError& error);

enum class Command { Info, Set, Shift, Undo };

struct Options {
    Command command = Command::Info;
    std::vector<std::string> paths;
    std::string filesFrom;
    bool nulSeparated = false;
    bool recursive = false;
    bool quiet = false;
    // set and shift
    bool dryRun = false;
    bool noLog = false;
    bool noJournal = false;
    // set: the choice, its day filter included (--only-on)
    DateChoice choice;
    // shift: the offset in seconds and the day whose texts move ("" for all)
    std::int64_t offset = 0;
    std::string onlyOn;
    // set and shift: only the EXIF texts, not their copies in XMP and IPTC
    bool exifOnly = false;
    // set and shift: the zone written ("+hh:mm"); shift: whether the local
    // times move to it from each photo's stored offset (--to-zone)
    std::string zone;
    bool toZone = false;
    // set: a photo without EXIF gets a block of its own with the date
    bool addMissing = false;
    // set: each photo's moment from its file name (by namePattern, "" for
    // the built-in patterns) or from its modification time, or the chosen
    // one stepped by stepSeconds per photo in name order
    bool fromName = false;
    std::string namePattern;
    bool fromFileTime = false;
    std::int64_t stepSeconds = 0;
    // undo
    bool undoLast = false;
    std::string undoRun;
    bool undoList = false;
};

// Reads the words after the program's name. Nothing when the program is to
// end at once: --help or --version was printed (exit status 0) or a usage
// error (status 2); exitCode says which.
std::optional<Options> ParseCommandLine(const std::vector<std::string>& args, int& exitCode);

}  // namespace tovrin::cli
