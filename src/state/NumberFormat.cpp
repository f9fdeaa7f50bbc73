#include "state/NumberFormat.h"

#include <cmath>
#include <charconv>
#include <vector>

#include "state/Faults.h"

namespace kestrane {

namespace {
double powerOfTen(int decimals) {
    double p = 1.0;
    for (int i = 0; i < decimals; ++i) p *= 10.0;  // exact up to 10^22
    return p;
}
}  // namespace

double roundHalfEven(double x, int decimals) {
    const double scale = powerOfTen(decimals);
    const double scaled = x * scale;
    requireFinite(scaled);
    // nearbyint rounds in the current mode, round-to-nearest ties-to-even.
    return std::nearbyint(scaled) / scale;
}

std::string formatFixed(double v, int decimals) {
    requireFinite(v);
    // to_chars gives the exact "%.{d}f" text, independent of the locale.
    std::vector<char> buffer(static_cast<std::size_t>(decimals) + 400);
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v,
                                      std::chars_format::fixed, decimals);
    std::string text(buffer.data(), result.ptr);
    if (!text.empty() && text[0] == '-' && text.find_first_of("123456789") == std::string::npos) {
        text.erase(0, 1);
    }
    return text;
}

std::string integerText(long value) { return std::to_string(value); }

std::string shortestText(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string shortestText(float value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace kestrane
