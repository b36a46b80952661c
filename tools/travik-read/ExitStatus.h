// travik-read's exit statuses, so that a timer can retry only what is worth it.
#pragma once

namespace travik::cli {

enum ExitStatus {
    kReplyReceived = 0,
    kNoReply = 1,
    kPortFailed = 2,
    kFileFailed = 3,
    kConnectionLost = 4,
    kPortBusy = 5,       // another program (or the window) holds the port
    kHistoryFailed = 6,  // the history could not be written (or read)
    kUsageError = 64,
    kStoppedBySignal = 128,  // plus the signal's number
};

}  // namespace travik::cli
