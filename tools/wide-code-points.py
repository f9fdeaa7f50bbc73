#!/usr/bin/env python3
"""Writes src/results/WideCodePoints.cpp: the code points that take two cells
of the report grid, from the East_Asian_Width property of the Unicode
character database (EastAsianWidth.txt).

    tools/wide-code-points.py [EastAsianWidth.txt] > src/results/WideCodePoints.cpp

The data file defaults to /usr/share/unicode/EastAsianWidth.txt (Debian
package unicode-data). A code point is wide when its East_Asian_Width is W
(wide) or F (fullwidth). Code points the file does not list take the defaults
its header states: W in the CJK ideograph blocks and in planes 2 and 3, N
everywhere else. Ambiguous (A) characters count as narrow, as UAX #11 advises
outside an East Asian legacy context.
"""

import re
import sys

DEFAULT_FILE = "/usr/share/unicode/EastAsianWidth.txt"

# Unlisted code points that default to W (UAX #11 and the file's header):
# CJK Unified Ideographs Extension A, CJK Unified Ideographs, CJK
# Compatibility Ideographs, planes 2 and 3.
DEFAULT_WIDE = [(0x3400, 0x4DBF), (0x4E00, 0x9FFF), (0xF900, 0xFAFF), (0x20000, 0x2FFFD), (0x30000, 0x3FFFD)]

LINE = re.compile(r"^([0-9A-F]{4,6})(?:\.\.([0-9A-F]{4,6}))?\s*;\s*(\w+)\s*(?:#.*)?$")
VERSION = re.compile(r"^#\s*EastAsianWidth-(\d+\.\d+\.\d+)\.txt")


def read_widths(path):
    """The version of the data and the wide flag of every code point."""
    wide = bytearray(0x110000)
    for first, last in DEFAULT_WIDE:
        wide[first:last + 1] = b"\x01" * (last - first + 1)
    version = None
    with open(path, encoding="utf-8") as data:
        for number, line in enumerate(data, 1):
            line = line.rstrip("\n")
            match = VERSION.match(line)
            if match and version is None:
                version = match.group(1)
            if not line.strip() or line.startswith("#"):
                continue
            match = LINE.match(line)
            if not match:
                sys.exit(f"{path}:{number}: not a code point and width: {line}")
            first = int(match.group(1), 16)
            last = int(match.group(2) or match.group(1), 16)
            flag = 1 if match.group(3) in ("W", "F") else 0
            wide[first:last + 1] = bytes([flag]) * (last - first + 1)
    if version is None:
        sys.exit(f"{path}: no version line (# EastAsianWidth-X.Y.Z.txt)")
    return version, wide


def ranges(wide):
    """Sorted, non-overlapping, inclusive ranges of the wide code points."""
    found = []
    start = None
    for cp, flag in enumerate(wide):
        if flag and start is None:
            start = cp
        elif not flag and start is not None:
            found.append((start, cp - 1))
            start = None
    if start is not None:
        found.append((start, len(wide) - 1))
    return found


HEAD = """\
// Wide and Fullwidth code points (Unicode East Asian Width W or F, Unicode
// {version}): they take two cells of the report grid. Generated from the Unicode
// character database; sorted, non-overlapping, inclusive ranges. Do not edit:
// regenerate with
//   tools/wide-code-points.py /usr/share/unicode/EastAsianWidth.txt > src/results/WideCodePoints.cpp
// (EastAsianWidth.txt from Debian package unicode-data).
#include "results/TextWidth.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace kestrane {{

namespace {{
struct Range {{
    std::uint32_t first;
    std::uint32_t last;
}};
constexpr Range kWide[] = {{
"""

TAIL = """\
};
}  // namespace

bool isWideCodePoint(std::uint32_t cp) {
    const Range* end = kWide + sizeof(kWide) / sizeof(kWide[0]);
    const Range* it = std::upper_bound(kWide, end, cp, [](std::uint32_t c, const Range& r) { return c < r.first; });
    if (it == kWide) return false;
    --it;
    return cp >= it->first && cp <= it->last;
}

}  // namespace kestrane
"""


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else DEFAULT_FILE
    version, wide = read_widths(path)
    out = sys.stdout
    out.write(HEAD.format(version=version))
    for first, last in ranges(wide):
        out.write(f"    {{0x{first:X}, 0x{last:X}}},\n")
    out.write(TAIL)


if __name__ == "__main__":
    main()
