// What the fuzz targets share: a failed property aborts with a message, so
// that libFuzzer records the input as a crash.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace kestrane::fuzz {

[[noreturn]] inline void fail(const std::string& what, const std::string& detail = {}) {
    std::fprintf(stderr, "\n==== property violated: %s\n", what.c_str());
    if (!detail.empty()) std::fprintf(stderr, "     %s\n", detail.c_str());
    std::abort();
}

inline void require(bool holds, const char* what, const std::string& detail = {}) {
    if (!holds) fail(what, detail);
}

// True when the text spells a non-finite number the way printf or a stream
// would ("nan", "inf", "-NaN", "Infinity"), in any letter case.
inline bool mentionsNonFinite(const std::string& text) {
    std::string lower = text;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower.find("nan") != std::string::npos || lower.find("inf") != std::string::npos;
}

}  // namespace kestrane::fuzz
