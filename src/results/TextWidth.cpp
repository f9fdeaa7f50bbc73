#include "results/TextWidth.h"

namespace kestrane {

int displayWidth(const std::string& text) {
    int width = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        std::uint32_t cp = byte;
        std::size_t length = 1;
        if (byte >= 0xC2 && byte <= 0xDF) {
            length = 2;
            cp = byte & 0x1Fu;
        } else if (byte >= 0xE0 && byte <= 0xEF) {
            length = 3;
            cp = byte & 0x0Fu;
        } else if (byte >= 0xF0 && byte <= 0xF4) {
            length = 4;
            cp = byte & 0x07u;
        }
        bool valid = length == 1 || i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0u) != 0x80u) valid = false;
            else cp = (cp << 6) | (next & 0x3Fu);
        }
        if (!valid) {
            width += 1;
            i += 1;
            continue;
        }
        width += isWideCodePoint(cp) ? 2 : 1;
        i += length;
    }
    return width;
}

}  // namespace kestrane
