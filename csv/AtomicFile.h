// Replacing a file so that a failed write never loses what was there.
#pragma once

#include <string>

namespace travik {

// Writes `bytes` to a temporary file beside `path` and renames it over `path`
// once complete and closed. A symbolic link is followed (the file it points to
// is replaced, the link stays); an existing target that is not a regular file
// (a device, a FIFO) is written directly. Returns 0, or the platform's error
// code of the failing step, with the temporary file removed. `path` is UTF-8.
int WriteFileAtomically(const std::string& path, const std::string& bytes);

}  // namespace travik
