// Where a UTF-8 character starts and how long it is, for the file and name
// texts that may or may not be UTF-8.
#pragma once

#include <cstddef>
#include <string_view>

namespace travik {

// The length of the valid UTF-8 sequence at `at` (1 for ASCII) and its code
// point in `codePoint`; 0 when none starts there (a stray continuation byte, a
// cut-off sequence, an overlong form, a surrogate, a value past U+10FFFF).
std::size_t Utf8SequenceAt(std::string_view bytes, std::size_t at, char32_t& codePoint);

}  // namespace travik
