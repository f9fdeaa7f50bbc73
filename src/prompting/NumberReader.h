// Reading numbers from answer texts.
#pragma once

#include <optional>
#include <string>

namespace kestrane {

// A number as the user may type it: blanks around it ignored, an optional
// sign, digits with an optional "." (".5" and "5." included), an optional
// exponent (e or E, optional sign, digits). Anything else, the empty text
// included, is not a number (nullopt). The value is the double nearest to
// the decimal text; one beyond the double range reads as infinity.
// What a Chinese input method types reads as its ASCII form: the full-width
// digits ０-９, the full-width point ． and the ideographic full stop 。 as
// ".", the full-width ＋ and －, and the ideographic space (U+3000) as a blank.
std::optional<double> readNumber(const std::string& text);

// True when the answer to a confirmation reads as a number whose value is 0
// (0, " 0 ", 0.0, 00, -0, ０): the value is then asked again.
bool isRejection(const std::optional<std::string>& answer);

}  // namespace kestrane
