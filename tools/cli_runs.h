#pragma once

#include <string>

#include "cli_options.h"
#include "messages/message_boxes.h"

// What each command does with its photos, through the engine's one run; the
// lines printed are in cli_json.
namespace tovrin::cli {

// Carries out the command; the exit status (0 every photo processed, 1 some
// photo was not). programPath locates the daily log (LogFolder's rule), asked
// only by the commands that change photos. Throws UsageError for a list that
// cannot be read, JournalUnavailable when a run cannot keep its journal.
int RunCommand(const Options& options, const char* programPath);

// The boxes of the log and the journal, as lines on standard error.
class StderrBoxes : public MessageBoxes {
public:
    MsgAnswer show(const std::string& text, MsgButtons buttons, MsgIcon icon,
                   const std::string& title) override;
};

}  // namespace tovrin::cli
