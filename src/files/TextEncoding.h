// Text encodings of files written by other programs.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrane {

// The text read as GB18030 (the default of Chinese Windows editors) and
// converted to UTF-8 with the C library's iconv; nullopt when the text is
// not GB18030 throughout (an invalid or incomplete sequence anywhere).
std::optional<std::string> utf8FromGb18030(std::string_view text);

}  // namespace kestrane
