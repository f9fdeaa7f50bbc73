#include "files/ParseMessages.h"

namespace kestrane {

namespace {

bool startsWith(std::string_view text, std::string_view start) { return text.substr(0, start.size()) == start; }
bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

// The character at a line and column (UTF-8, columns counted in
// characters); '\n' at or beyond the end of the text.
char characterAt(std::string_view text, long line, long column) {
    std::size_t at = 0;
    for (long l = 1; l < line && at < text.size(); ++at) {
        if (text[at] == '\n') ++l;
    }
    for (long c = 1; c < column && at < text.size(); ++c) {
        do {
            ++at;
        } while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80);
    }
    return at < text.size() ? text[at] : '\n';
}

// What the library saw, from "..., saw 'x'"; "" when it names nothing.
std::string_view seen(std::string_view detail) {
    const std::size_t at = detail.rfind("saw '");
    if (at == std::string_view::npos || detail.back() != '\'') return {};
    return detail.substr(at + 5, detail.size() - at - 6);
}

std::string numberMistake(std::string_view detail) {
    if (contains(detail, "leading zeroes")) return "数值写法不对：整数部分不能以多余的 0 开头";
    if (contains(detail, "not representable") || contains(detail, "could not be interpreted")) return "数值超出范围";
    const std::string_view saw = seen(detail);
    if (saw == "\\n" || saw == "\\r" || contains(detail, "end-of-file")) return "数值写法不对：数字不完整";
    if (!saw.empty()) return "数值写法不对：不应出现 '" + std::string(saw) + "'";
    return "数值写法不对";
}

}  // namespace

ParseErrorText chineseParseError(std::string_view description, std::string_view text, long line, long column) {
    constexpr std::string_view prefix = "Error while parsing ";
    const std::size_t colon = description.find(": ");
    if (!startsWith(description, prefix) || colon == std::string_view::npos) return {std::string(description), ""};
    const std::string_view part = description.substr(prefix.size(), colon - prefix.size());
    const std::string_view detail = description.substr(colon + 2);

    // "cannot redefine existing integer 'triangles'", "... table 'A' as
    // table", "... integer as dotted key-value pair".
    if (startsWith(detail, "cannot redefine existing ")) {
        std::string key;
        const std::size_t open = detail.find('\'');
        const std::size_t close = detail.rfind('\'');
        if (open != std::string_view::npos && close > open) key = std::string(detail.substr(open + 1, close - open - 1));
        return {"键重复：这个键在前面已经给出过", key};
    }
    if (part == "key-value pair" && startsWith(detail, "expected '='")) return {"键的后面缺少等号 “=”", ""};
    if (part == "string" || part == "literal string") {
        // A string still open at the end of its line (or of the file) meets
        // the line break, a control character.
        const bool atLineEnd = contains(detail, "control characters") && (characterAt(text, line, column) == '\n' ||
                                                                          characterAt(text, line, column) == '\r');
        if (atLineEnd || detail == "encountered end-of-file") return {"字符串没有结束：缺少结尾的引号", ""};
    }
    if (part == "floating-point" || part == "decimal integer" || part == "hexadecimal integer" ||
        part == "octal integer" || part == "binary integer") {
        return {numberMistake(detail), ""};
    }
    if (part == "value" && detail == "could not determine value type") {
        return {"无法识别的值：数值要写成 10、-3.5、1e3 这样的十进制数，点名要加引号", ""};
    }
    return {std::string(description), ""};
}

}  // namespace kestrane
