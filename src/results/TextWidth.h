// Display width of text on the report grid: a Wide or Fullwidth character
// (the Chinese characters and full-width punctuation) takes two cells,
// every other character one.
#pragma once

#include <cstdint>
#include <string>

namespace kestrane {

bool isWideCodePoint(std::uint32_t codePoint);

// Width in cells of UTF-8 text; a byte that is not part of valid UTF-8
// counts as one cell.
int displayWidth(const std::string& utf8);

}  // namespace kestrane
