// Fuzz target: the reading of numbers from answer texts and the fixed-point
// rendering of what was read.
//
// readNumber is compared with a reference written independently of it: the
// characters a Chinese input method types replaced by their ASCII forms
// (full-width digits, point, sign, the ideographic full stop and space), then
// the grammar as a regular expression (blanks around, optional sign, digits
// with an optional ".", optional exponent) and the value from std::from_chars,
// which must agree to the last bit (the sign of zero included) wherever the
// value is in the double range; beyond it the result must be an infinity of
// the text's sign (overflow) or a zero or subnormal of that sign (underflow).
// isRejection must hold exactly for the texts that read as 0. For every
// finite value read, formatFixed with 0 to 6 decimals must give C's "%.*f"
// text (without the minus sign of an all-zero text), and roundHalfEven must
// give the nearest multiple of the step, ties to the even one, or a fault
// when the scaled value leaves the double range.
#include <charconv>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <regex>
#include <string>
#include <utility>

#include "FuzzCheck.h"
#include "prompting/NumberReader.h"
#include "state/Faults.h"
#include "state/NumberFormat.h"

using namespace kestrane;
using kestrane::fuzz::require;

namespace {

const std::regex& numberGrammar() {
    static const std::regex grammar(R"(^[ \t]*([+-]?)([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)?[ \t]*$)",
                                    std::regex::ECMAScript | std::regex::optimize);
    return grammar;
}

// Each full-width form, as UTF-8, and the ASCII character it stands for.
std::string asciiOfTyped(std::string text) {
    static const std::pair<const char*, char> forms[] = {
        {"０", '0'}, {"１", '1'}, {"２", '2'}, {"３", '3'}, {"４", '4'}, {"５", '5'}, {"６", '6'},
        {"７", '7'}, {"８", '8'}, {"９", '9'}, {"．", '.'}, {"。", '.'}, {"＋", '+'}, {"－", '-'},
        {"\u3000", ' '},
    };
    for (const auto& [wide, ascii] : forms) {
        const std::string from(wide);
        for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + 1)) {
            text.replace(at, from.size(), 1, ascii);
        }
    }
    return text;
}

std::string hexOf(double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%a", v);
    return buffer;
}

std::string printfFixed(double v, int decimals) {
    const int length = std::snprintf(nullptr, 0, "%.*f", decimals, v);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), "%.*f", decimals, v);
    text.resize(static_cast<std::size_t>(length));
    if (text[0] == '-' && text.find_first_of("123456789") == std::string::npos) text.erase(0, 1);
    return text;
}

void checkRendering(double v) {
    for (int decimals = 0; decimals <= 6; ++decimals) {
        require(formatFixed(v, decimals) == printfFixed(v, decimals), "formatFixed differs from %.*f",
                hexOf(v) + " decimals " + std::to_string(decimals));

        double scale = 1;
        for (int i = 0; i < decimals; ++i) scale *= 10;
        const double scaled = v * scale;
        if (!std::isfinite(scaled)) {
            bool faulted = false;
            try {
                (void)roundHalfEven(v, decimals);
            } catch (const ComputationFault&) {
                faulted = true;
            }
            require(faulted, "roundHalfEven of a value beyond the range is a fault", hexOf(v));
            continue;
        }
        // Nearest integer to the scaled value, ties to even, by hand.
        const double floor = std::floor(scaled);
        const double rest = scaled - floor;  // exact for |scaled| < 2^52, 0 above
        double nearest = floor;
        if (rest > 0.5 || (rest == 0.5 && std::fmod(floor, 2) != 0)) nearest = floor + 1;
        const double expected = nearest / scale;
        const double got = roundHalfEven(v, decimals);
        require(got == expected || (std::isnan(got) && std::isnan(expected)), "roundHalfEven is not half-to-even",
                hexOf(v) + " decimals " + std::to_string(decimals) + " got " + hexOf(got));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string typed(reinterpret_cast<const char*>(data), size);
    const std::optional<double> got = readNumber(typed);
    const bool rejection = isRejection(std::optional<std::string>(typed));

    const std::string text = asciiOfTyped(typed);
    std::smatch parts;
    if (!std::regex_match(text, parts, numberGrammar())) {
        require(!got.has_value(), "a text outside the grammar reads as a number", text);
        require(!rejection, "a text that is no number rejects a value", text);
        return 0;
    }
    require(got.has_value(), "a text of the grammar is not read", text);
    const double value = *got;
    require(!std::isnan(value), "a number reads as NaN", text);

    const bool negative = parts[1] == "-";
    const std::string unsigned_ = parts[2].str() + parts[3].str();
    double reference = 0;
    const auto [end, error] =
        std::from_chars(unsigned_.data(), unsigned_.data() + unsigned_.size(), reference, std::chars_format::general);
    require(end == unsigned_.data() + unsigned_.size() || error != std::errc(), "reference did not read it all", text);
    require(std::signbit(value) == negative, "the sign of the value is not the text's", text);
    if (error == std::errc()) {
        if (negative) reference = -reference;
        require(value == reference && std::signbit(value) == std::signbit(reference),
                "value differs from the correctly rounded one", text + " got " + hexOf(value) + " want " + hexOf(reference));
    } else {
        require(error == std::errc::result_out_of_range, "reference refused a text of the grammar", text);
        require(std::isinf(value) || std::fabs(value) < DBL_MIN, "out-of-range text read as a normal number",
                text + " got " + hexOf(value));
    }
    require(rejection == (value == 0), "rejection is not 'reads as 0'", text);
    if (std::isfinite(value)) checkRendering(value);
    return 0;
}
