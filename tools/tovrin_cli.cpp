// tovrin-cli: the engine from the command line, for scripted use on large
// folders and for measurements against other tools. Run "tovrin-cli --help".
//
// One JSON object per photo and line, flushed at least every 50 ms; a run
// that is killed leaves its journal for what the lines did not say. Exit
// status: 0 every photo processed, 1 some photo was not (no EXIF data, not a
// JPEG, an error), 2 bad usage; every argument is checked before the first
// file is opened.

#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli_options.h"
#include "cli_runs.h"
#include "run/journal.h"
#include "utf8_args.h"

int main(int argc, char** argv) {
    using namespace tovrin;
    using namespace tovrin::cli;
    std::ios::sync_with_stdio(false);
    // UTF-8 words whatever the system's code page.
    int exitCode = 0;
    const std::optional<Options> options = ParseCommandLine(Utf8Arguments(argc, argv), exitCode);
    if (!options) return exitCode;
    try {
        return RunCommand(*options, argv[0]);
    } catch (const UsageError& e) {
        ReportUsageError(e);
        return 2;
    } catch (const JournalUnavailable& e) {
        // One line, as every message here: the box's line breaks become blanks.
        StderrBoxes().show(JournalUnavailableText(e), MsgButtons::Ok, MsgIcon::Critical, "journal");
        return 2;
    }
}
