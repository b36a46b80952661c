// A file or port name as a message shows it: on one line, with nothing a
// terminal would act on.
#pragma once

#include <string>

namespace travik {

// `name` with every control character written out: `\n`, `\r` and `\t` as
// such, other C0 controls and DEL as `\xHH` (`\x1b`), C1 controls (UTF-8
// U+0080..U+009F) as `\u00HH`. Everything else, backslashes and non-ASCII
// letters included, is kept as it is.
std::string PrintableName(const std::string& name);

}  // namespace travik
