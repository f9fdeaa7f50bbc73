#include "prompting/NumberReader.h"

#include <clocale>
#include <cstdlib>
#include <locale.h>

namespace kestrane {

namespace {
bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

std::optional<double> readNumber(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;

    std::size_t i = begin;
    if (i < end && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < end && isDigit(text[i])) { ++i; ++digits; }
    if (i < end && text[i] == '.') {
        ++i;
        while (i < end && isDigit(text[i])) { ++i; ++digits; }
    }
    if (digits == 0) return std::nullopt;
    if (i < end && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < end && (text[i] == '+' || text[i] == '-')) ++i;
        std::size_t exponentDigits = 0;
        while (i < end && isDigit(text[i])) { ++i; ++exponentDigits; }
        if (exponentDigits == 0) return std::nullopt;
    }
    if (i != end) return std::nullopt;

    // The text is now known to be a plain decimal number. strtod reads it
    // with correct rounding; the "C" locale keeps "." the decimal point
    // whatever locale the window toolkit has set.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    const std::string number = text.substr(begin, end - begin);
    return strtod_l(number.c_str(), nullptr, cLocale);
}

bool isRejection(const std::optional<std::string>& answer) {
    if (!answer) return false;
    const auto value = readNumber(*answer);
    return value && *value == 0;
}

}  // namespace kestrane
