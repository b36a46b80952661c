// travik-read's part of the device history: a readout put into it, and the
// history commands (list, export, name, join).
#pragma once

#include <string>

#include "CliOptions.h"
#include "Readout.h"

namespace travik::cli {

// Merges the readout into the history named by the options and says on
// standard error what happened. kReplyReceived, or kHistoryFailed.
int MergeIntoHistory(const Options& options, const ReadoutState& state, const ReadoutResult& result,
                     const std::string& source);

// travik-read history list|export|name|join.
int RunHistoryCommand(const Options& options);

}  // namespace travik::cli
