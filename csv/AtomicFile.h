// Replacing a file so that a failed write never loses what was there.
#pragma once

#include <string>
#include <string_view>

#include "Status.h"

namespace travik {

// Writes `bytes` to a temporary file beside `path` and renames it over `path`
// once complete and closed. A symbolic link is followed (the file it points to
// is replaced, the link stays), except another user's link in a shared sticky
// folder such as /tmp (EACCES, as the kernel refuses it); an existing target
// that is not a regular file (a device, a FIFO) is written directly. A file
// with other names (hard links) is rewritten in place once the temporary file
// is complete, so that every name shows the new content. A failure
// names its step and the system's error; the temporary file is then removed.
// `path` is UTF-8.
Status WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace travik
