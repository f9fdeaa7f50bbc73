// The TOML library's parse errors in Chinese, for the mistakes a surveyor
// editing an observation file by hand makes most: a missing "=", a string
// without its closing quote, a number written wrong, a key given twice.
// Other errors keep the library's own words.
#pragma once

#include <string>
#include <string_view>

namespace kestrane {

struct ParseErrorText {
    std::string what;  // what is wrong
    std::string key;   // the key the library names, or ""
};

// `description` is the library's "Error while parsing <part>: <detail>";
// `text` the parsed text and `line`, `column` (from 1, in characters) where
// the error stands, which tells a string cut off at the end of its line from
// a control character inside one.
ParseErrorText chineseParseError(std::string_view description, std::string_view text, long line, long column);

}  // namespace kestrane
