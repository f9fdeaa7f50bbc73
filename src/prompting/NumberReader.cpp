#include "prompting/NumberReader.h"

#include <clocale>
#include <cstdlib>
#include <locale.h>

namespace kestrane {

namespace {
bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// What a Chinese input method types in place of the characters of a number,
// as UTF-8: the full-width digits ０-９ (U+FF10-FF19), point ． (U+FF0E),
// plus ＋ (U+FF0B) and minus － (U+FF0D) share the lead bytes EF BC; the
// ideographic space (U+3000) and full stop 。 (U+3002) are E3 80 80 and
// E3 80 82. Each becomes its ASCII form; every other byte stays as it is.
// (No byte of these sequences but the first is a lead byte, so they never
// overlap.)
std::string asciiForms(const std::string& text) {
    if (text.find_first_of("\xEF\xE3") == std::string::npos) return text;
    std::string ascii;
    ascii.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i + 2 < text.size()) {
            const auto lead = static_cast<unsigned char>(text[i]);
            const auto second = static_cast<unsigned char>(text[i + 1]);
            const auto third = static_cast<unsigned char>(text[i + 2]);
            char replacement = 0;
            if (lead == 0xEF && second == 0xBC) {
                if (third >= 0x90 && third <= 0x99) replacement = static_cast<char>('0' + (third - 0x90));
                if (third == 0x8E) replacement = '.';
                if (third == 0x8B) replacement = '+';
                if (third == 0x8D) replacement = '-';
            } else if (lead == 0xE3 && second == 0x80) {
                if (third == 0x80) replacement = ' ';
                if (third == 0x82) replacement = '.';
            }
            if (replacement) {
                ascii += replacement;
                i += 2;
                continue;
            }
        }
        ascii += text[i];
    }
    return ascii;
}

}  // namespace

std::optional<double> readNumber(const std::string& typed) {
    const std::string text = asciiForms(typed);
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
