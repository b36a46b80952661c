// The standard descriptors of a program that may be started with some closed
// (cron, service managers, "prog >&-").
#pragma once

namespace travik {

// Opens the null device on each of descriptors 0, 1 and 2 that is closed, so
// that no file or port opened later can take their place and receive what the
// program prints. Call it first in main. Does nothing where the platform
// gives a program no such descriptors to lose (Windows).
void OpenMissingStandardStreams();

}  // namespace travik
