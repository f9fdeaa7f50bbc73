#include "files/ObservationFile.h"

#include <toml++/toml.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <tuple>
#include <vector>

#include "driver/TypedAnswers.h"
#include "entry/EntryStages.h"
#include "files/AtomicWrite.h"
#include "files/ParseMessages.h"
#include "files/TextEncoding.h"

namespace kestrane {

namespace {

// The refusal of a file, thrown inside the reader and caught at its entry.
struct Refusal {
    std::string message;
};

// One coordinate pair as the file gives it; X or Y may be missing in the
// last point of an unfinished file.
struct FilePoint {
    std::optional<double> X, Y;
    long line = 0;
    bool implied = false;  // left out before a later key: "not known"
    bool given() const { return X || Y; }
    bool known() const { return X && Y && *X != 0 && *Y != 0; }
    bool zero() const { return X && Y && *X == 0 && *Y == 0; }
};

// Keys in entry order, with the lines they stand on.
struct FileKeys {
    std::optional<int> triangles;
    long trianglesLine = 0;
    std::optional<double> tolerance;
    long toleranceLine = 0;
    std::optional<FilePoint> A, B, C;
    std::optional<double> T0, Qa;
    long T0Line = 0, QaLine = 0;
    std::optional<std::vector<std::string>> names;
    long namesLine = 0;
    std::optional<std::vector<std::vector<double>>> angles;
    long anglesLine = 0;
    std::vector<long> triangleLines;
    std::optional<std::vector<double>> sides;
    long sidesLine = 0;
    AprioriSettings settings;  // not entries: allowed in any file
};

long lineOf(const toml::node& node) { return static_cast<long>(node.source().begin.line); }

class Reader {
public:
    explicit Reader(std::string name) : name_(std::move(name)) {}

    [[noreturn]] void refuse(long line, const std::string& key, const std::string& what) const {
        std::string message = "观测数据文件 “" + name_ + "”";
        if (line > 0) message += " 第 " + std::to_string(line) + " 行";
        if (!key.empty()) message += "，键 " + key;
        message += "：" + what;
        throw Refusal{message};
    }

    FileKeys read(const toml::table& root) const {
        FileKeys keys;
        if (root.empty()) refuse(0, "", "文件中没有任何观测数据。");
        for (const auto& [key, node] : root) {
            const std::string k(key.str());
            const long line = lineOf(node);
            if (k == "triangles") {
                keys.triangles = triangleCount(node);
                keys.trianglesLine = line;
            } else if (k == "tolerance") {
                keys.tolerance = tolerance(node);
                keys.toleranceLine = line;
            } else if (k == "A" || k == "B" || k == "C") {
                (k == "A" ? keys.A : k == "B" ? keys.B : keys.C) = point(node, k);
            } else if (k == "T0") {
                keys.T0 = number(node, k);
                keys.T0Line = line;
            } else if (k == "Qa") {
                keys.Qa = number(node, k);
                keys.QaLine = line;
            } else if (k == "names") {
                keys.names = names(node);
                keys.namesLine = line;
            } else if (k == "angles") {
                keys.angles = angles(node, keys.triangleLines);
                keys.anglesLine = line;
            } else if (k == "sides") {
                keys.sides = numbers(node, "sides");
                keys.sidesLine = line;
            } else if (k == "angle_sd") {
                const double value = number(node, k);
                if (!validAngleError(value)) refuse(line, k, "测角中误差（秒）必须大于 0。");
                keys.settings.angleSd = value;
            } else if (k == "side_sd") {
                keys.settings.sideSd = sideError(node);
            } else if (k == "weighting") {
                const auto* text = node.as_string();
                const auto weighting = text ? weightingFromName(text->get()) : std::nullopt;
                if (!weighting) refuse(line, k, "定权方式应为 \"classic\"（按限差定权）或 \"rigorous\"（严密定权）。");
                keys.settings.weighting = weighting;
            } else {
                refuse(lineOf(node), k,
                       "未知的键（可用的键: triangles, tolerance, A, B, C, T0, Qa, names, angles, sides, angle_sd, "
                       "side_sd, weighting）。");
            }
        }
        return keys;
    }

private:
    // A decimal TOML integer or a finite float, as a double.
    double number(const toml::node& node, const std::string& key) const {
        if (const auto* integer = node.as_integer()) {
            // The low two bits of the flags tell binary, octal or hexadecimal.
            if ((static_cast<unsigned>(integer->flags()) & 3u) != 0) refuse(lineOf(node), key, "数值必须是十进制数。");
            return static_cast<double>(integer->get());
        }
        if (const auto* real = node.as_floating_point()) {
            if (!std::isfinite(real->get())) refuse(lineOf(node), key, "数值必须是有限的十进制数（不能是 inf 或 nan）。");
            return real->get();
        }
        refuse(lineOf(node), key, "应为数值。");
    }

    // side_sd = 3 (millimetres, > 0) or side_sd = { mm = 2, ppm = 2 }.
    SideErrorModel sideError(const toml::node& node) const {
        const long line = lineOf(node);
        if (const auto* table = node.as_table()) {
            SideErrorModel model;
            bool mm = false;
            for (const auto& [name, value] : *table) {
                const std::string k(name.str());
                if (k == "mm") {
                    model.mm = number(value, "side_sd.mm");
                    mm = true;
                } else if (k == "ppm") {
                    model.ppm = number(value, "side_sd.ppm");
                } else {
                    refuse(lineOf(value), "side_sd." + k, "未知的键（测边中误差只有 mm 和 ppm）。");
                }
            }
            if (!mm || !model.ppm) refuse(line, "side_sd", "测边中误差表必须同时给出 mm 和 ppm。");
            if (!validSideError(model)) refuse(line, "side_sd", "mm 和 ppm 不能为负，也不能同时为 0。");
            return model;
        }
        if (!node.is_number()) refuse(line, "side_sd", "应为毫米数，或 { mm = …, ppm = … }。");
        SideErrorModel model{number(node, "side_sd"), std::nullopt};
        if (!validSideError(model)) refuse(line, "side_sd", "测边中误差（毫米）必须大于 0。");
        return model;
    }

    int triangleCount(const toml::node& node) const {
        const auto* integer = node.as_integer();
        if (!integer) refuse(lineOf(node), "triangles", "三角形个数应为整数。");
        const double n = number(node, "triangles");
        if (!(n >= kMinTriangles && n <= kMaxTriangles)) {
            refuse(lineOf(node), "triangles", "三角形个数必须是 3 到 6553 之间的整数。");
        }
        return static_cast<int>(n);
    }

    double tolerance(const toml::node& node) const {
        const double value = number(node, "tolerance");
        // The tolerance is held in single precision and divides the side weight.
        constexpr double singleLimit = 0x1.ffffffp127;
        if (std::fabs(value) >= singleLimit) refuse(lineOf(node), "tolerance", "测角限差超出范围。");
        if (!(static_cast<float>(value) > 0)) refuse(lineOf(node), "tolerance", "测角限差必须大于 0。");
        return value;
    }

    FilePoint point(const toml::node& node, const std::string& key) const {
        const auto* table = node.as_table();
        if (!table) refuse(lineOf(node), key, "应为座标表 { X = 纵座标, Y = 横座标 }。");
        FilePoint p;
        p.line = lineOf(node);
        for (const auto& [name, value] : *table) {
            const std::string k(name.str());
            if (k == "X") {
                p.X = number(value, key + ".X");
            } else if (k == "Y") {
                p.Y = number(value, key + ".Y");
            } else {
                refuse(lineOf(value), key + "." + k, "未知的键（座标只有 X 和 Y）。");
            }
        }
        if (p.Y && !p.X) refuse(p.line, key + ".X", "缺少纵座标 X（已给出横座标 Y）。");
        if (key != "A" && p.X && p.Y && (*p.X == 0) != (*p.Y == 0)) {
            refuse(p.line, key, key + " 点的纵座标和横座标必须同时为零（不是已知点）或同时不为零。");
        }
        return p;
    }

    const toml::array& array(const toml::node& node, const std::string& key) const {
        const auto* list = node.as_array();
        if (!list) refuse(lineOf(node), key, "应为数组 [ … ]。");
        return *list;
    }

    std::vector<double> numbers(const toml::node& node, const std::string& key) const {
        std::vector<double> values;
        const toml::array& list = array(node, key);
        for (std::size_t i = 0; i < list.size(); ++i) {
            values.push_back(number(*list.get(i), key + "[" + std::to_string(i + 1) + "]"));
        }
        return values;
    }

    std::vector<std::string> names(const toml::node& node) const {
        std::vector<std::string> values;
        const toml::array& list = array(node, "names");
        for (std::size_t i = 0; i < list.size(); ++i) {
            const toml::node& item = *list.get(i);
            const std::string key = "names[" + std::to_string(i + 1) + "]";
            const auto* text = item.as_string();
            if (!text) refuse(lineOf(item), key, "点名应为字符串。");
            if (hasControlCharacter(text->get())) refuse(lineOf(item), key, "点名不能含有控制字符（换行、制表符等）。");
            values.push_back(text->get());
        }
        return values;
    }

    std::vector<std::vector<double>> angles(const toml::node& node, std::vector<long>& lines) const {
        std::vector<std::vector<double>> triangles;
        const toml::array& list = array(node, "angles");
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::string key = "angles[" + std::to_string(i + 1) + "]";
            triangles.push_back(numbers(*list.get(i), key));
            lines.push_back(lineOf(*list.get(i)));
            if (triangles.back().size() > 3) refuse(lines.back(), key, "每个三角形只有 3 个角（求距角、前进角、中心角）。");
        }
        return triangles;
    }

public:
    // Control characters: C0, DEL, C1, and the Unicode line and paragraph
    // separators.
    static bool hasControlCharacter(const std::string& text) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            if (c < 0x20 || c == 0x7F) return true;
            if (c == 0xC2 && i + 1 < text.size()) {
                const auto next = static_cast<unsigned char>(text[i + 1]);
                if (next >= 0x80 && next <= 0x9F) return true;
            }
            if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80) {
                const auto last = static_cast<unsigned char>(text[i + 2]);
                if (last == 0xA8 || last == 0xA9) return true;
            }
        }
        return false;
    }

private:
    std::string name_;
};

// The line of the first byte that is not part of a well-formed UTF-8
// sequence, or 0 when the text is UTF-8 throughout.
long firstBadUtf8Line(std::string_view text) {
    long line = 1;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\n') ++line;
        std::size_t length = 0;
        std::uint32_t point = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            length = 2;
            point = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3;
            point = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4;
            point = c & 0x07;
        } else {
            return line;
        }
        if (i + length > text.size()) return line;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return line;
            point = (point << 6) | (next & 0x3F);
        }
        const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (point < smallest[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return line;
        i += length;
    }
    return 0;
}

// One item of the entry order: present or not, complete or short (an array).
struct OrderItem {
    std::string key;
    bool present;
    bool complete;
    long line;
};

// Puts the keys in the order a computation asks for them and checks that
// the file is a beginning of that order: a key missing or short only where
// every later key is missing too. Fills in "not known" for a B or C left
// out before a later key.
ObservationValues checkEntryOrder(const Reader& reader, FileKeys& keys) {
    const bool afterC = keys.T0 || keys.Qa || keys.names || keys.angles || keys.sides;
    // (An empty table C = {} gives nothing.)
    const bool afterB = (keys.C && keys.C->given()) || afterC;
    if (!keys.B && afterB) keys.B = FilePoint{0.0, 0.0, 0, true};
    const bool bKnown = keys.B && keys.B->known();
    if (bKnown && keys.C && keys.C->given()) {
        if (!(keys.C->X.value_or(0) == 0 && keys.C->Y.value_or(0) == 0)) {
            reader.refuse(keys.C->line, "C", "B 和 C 不能同时为已知点。");
        }
        keys.C.reset();  // C is not asked next to a known B
    }
    if (!bKnown && !keys.C && afterC) keys.C = FilePoint{0.0, 0.0, 0, true};
    const bool cKnown = !bKnown && keys.C && keys.C->known();
    const bool secondKnown = bKnown || cKnown;
    if (secondKnown && keys.T0) reader.refuse(keys.T0Line, "T0", "已知 B 或 C 点时不输入外方位角 T0。");
    if (secondKnown && keys.Qa) reader.refuse(keys.QaLine, "Qa", "已知 B 或 C 点时不输入定向角 Qa。");

    const int n = keys.triangles.value_or(0);
    std::vector<OrderItem> order;
    order.push_back({"triangles", keys.triangles.has_value(), true, keys.trianglesLine});
    order.push_back({"tolerance", keys.tolerance.has_value(), true, keys.toleranceLine});
    // A point left out as "not known" does not count.
    auto pointItems = [&](const std::optional<FilePoint>& p, const std::string& key) {
        if (p && p->implied) return;
        const long line = p ? p->line : 0;
        order.push_back({key + ".X", p && p->X, true, line});
        order.push_back({key + ".Y", p && p->Y, true, line});
    };
    pointItems(keys.A, "A");
    pointItems(keys.B, "B");
    if (!bKnown) pointItems(keys.C, "C");
    if (!secondKnown) {
        order.push_back({"T0", keys.T0.has_value(), true, keys.T0Line});
        order.push_back({"Qa", keys.Qa.has_value(), true, keys.QaLine});
    }

    // Counts against n and the known-point case.
    const int nameCount = askedNameCount(n, secondKnown);
    const int sideCount = askedSideCount(n, secondKnown);
    if (keys.names && static_cast<int>(keys.names->size()) > nameCount) {
        reader.refuse(keys.namesLine, "names",
                      "点名太多：应有 " + std::to_string(nameCount) + " 个（已知点 A、" + std::to_string(n) +
                          " 个待定点" + (secondKnown ? "" : "、闭合点") + "）。");
    }
    if (keys.angles && static_cast<int>(keys.angles->size()) > n) {
        reader.refuse(keys.anglesLine, "angles", "三角形太多：应有 " + std::to_string(n) + " 个三角形的角。");
    }
    if (keys.sides && static_cast<int>(keys.sides->size()) > sideCount) {
        reader.refuse(keys.sidesLine, "sides", "边长太多：应有 " + std::to_string(sideCount) + " 条。");
    }
    bool anglesComplete = keys.angles && static_cast<int>(keys.angles->size()) == n;
    if (keys.angles) {
        const auto& triangles = *keys.angles;
        for (std::size_t i = 0; i + 1 < triangles.size(); ++i) {
            if (triangles[i].size() < 3) {
                reader.refuse(keys.triangleLines[i], "angles[" + std::to_string(i + 1) + "]",
                              "每个三角形要有 3 个角；只有最后一个三角形可以不完整。");
            }
        }
        if (!triangles.empty() && triangles.back().size() < 3) anglesComplete = false;
    }
    order.push_back({"names", keys.names.has_value(),
                     keys.names && static_cast<int>(keys.names->size()) == nameCount, keys.namesLine});
    order.push_back({"angles", keys.angles.has_value(), anglesComplete, keys.anglesLine});
    order.push_back({"sides", keys.sides.has_value(), true, keys.sidesLine});

    // Missing or short only before nothing.
    const OrderItem* gap = nullptr;
    for (const OrderItem& item : order) {
        if (item.present && gap) {
            if (gap->present) {
                reader.refuse(gap->line, gap->key, "数据不完整，但其后的键 " + item.key + "（第 " +
                                                       std::to_string(item.line) + " 行）已给出。");
            }
            reader.refuse(item.line, item.key, "缺少在它之前输入的 " + gap->key + "。");
        }
        if (!gap && (!item.present || !item.complete)) gap = &item;
    }

    ObservationValues values;
    values.triangles = keys.triangles;
    values.tolerance = keys.tolerance;
    if (keys.A) std::tie(values.Xa, values.Ya) = std::tie(keys.A->X, keys.A->Y);
    if (keys.B) std::tie(values.Xb, values.Yb) = std::tie(keys.B->X, keys.B->Y);
    if (keys.C) std::tie(values.Xc, values.Yc) = std::tie(keys.C->X, keys.C->Y);
    values.T0 = keys.T0;
    values.Qa = keys.Qa;
    if (keys.names) values.names = *keys.names;
    if (keys.angles) {
        for (const auto& triangle : *keys.angles) values.angles.insert(values.angles.end(), triangle.begin(), triangle.end());
    }
    if (keys.sides) values.sides = *keys.sides;
    values.settings = keys.settings;
    return values;
}

std::string caseComment(const ObservationValues& v) {
    const std::string start = "# Kestrane observations: central polygon, ";
    if (v.Xb && v.Yb && *v.Xb != 0 && *v.Yb != 0) return start + "A and B known";
    if (v.Xc && v.Yc && *v.Xc != 0 && *v.Yc != 0) return start + "A and the centre C known";
    if (v.Xc && v.Yc) return start + "A known with T0 and Qa";
    return start + "known points not yet all entered";
}

// A number as TOML: the shortest text that reads back as the same double,
// made a float where an integer text would lose the sign of zero or leave
// TOML's 64-bit integers.
std::string tomlNumber(double value) {
    std::string text = numberAnswer(value);
    if (text.find_first_of(".eE") == std::string::npos && (text == "-0" || std::fabs(value) >= 0x1p63)) text += ".0";
    return text;
}

// A TOML basic string; the names hold no control characters (checked
// before writing), so only the quote and the backslash need escaping.
std::string tomlString(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace

ObservationReading parseObservations(std::string_view text, const std::string& name) {
    const Reader reader(name);
    std::string notice;
    try {
        // A file that is not UTF-8 but GB18030 (a Chinese Windows editor's
        // default) is read as GB18030.
        std::optional<std::string> converted;
        if (const long line = firstBadUtf8Line(text)) {
            converted = utf8FromGb18030(text);
            if (!converted) reader.refuse(line, "", "文件既不是 UTF-8 文本，也不是 GB18030 文本。");
            text = *converted;
            notice = "观测数据文件 “" + name + "” 不是 UTF-8 文本，已按 GB18030 编码读取。";
        }
        toml::table root;
        try {
            root = toml::parse(text, name);
        } catch (const toml::parse_error& error) {
            const auto& at = error.source().begin;
            const ParseErrorText what = chineseParseError(error.description(), text, static_cast<long>(at.line),
                                                          static_cast<long>(at.column));
            reader.refuse(static_cast<long>(at.line), what.key, "不是有效的 TOML 文本（" + what.what + "）。");
        }
        FileKeys keys = reader.read(root);
        ObservationValues values = checkEntryOrder(reader, keys);
        // Keys that hold nothing (an empty table A) are no values either.
        if (values.empty() && !values.settings.anyGiven()) reader.refuse(0, "", "文件中没有任何观测数据。");
        return {std::move(values), {}, notice};
    } catch (const Refusal& refusal) {
        return {std::nullopt, refusal.message, {}};
    }
}

ObservationReading readObservationFile(const std::string& path) {
    const std::string start = "无法读取观测数据文件 “" + path + "”：";
    std::error_code code;
    const std::filesystem::file_status status = std::filesystem::status(path, code);
    if (!std::filesystem::exists(status)) return {std::nullopt, start + "文件不存在。"};
    if (std::filesystem::is_directory(status)) return {std::nullopt, start + "这是一个文件夹。"};
    if (!std::filesystem::is_regular_file(status)) return {std::nullopt, start + "不是普通文件。"};
    const auto size = std::filesystem::file_size(path, code);
    if (code) return {std::nullopt, start + code.message() + "。"};
    if (size > kMaxObservationFileBytes) return {std::nullopt, start + "文件大于 16 MB，不是观测数据文件。"};
    std::ifstream file(path, std::ios::binary);
    if (!file) return {std::nullopt, start + "没有读取权限或无法打开。"};
    std::string text(static_cast<std::size_t>(size), '\0');
    file.read(text.data(), static_cast<std::streamsize>(size));
    if (!file && !file.eof()) return {std::nullopt, start + "读取失败。"};
    text.resize(static_cast<std::size_t>(file.gcount()));
    return parseObservations(text, path);
}

std::optional<std::string> observationText(const ObservationValues& v, std::string& error) {
    for (const std::string& name : v.names) {
        if (Reader::hasControlCharacter(name)) {
            error = "点名 “" + name + "” 含有控制字符（如制表符），不能写入观测数据文件。";
            return std::nullopt;
        }
    }
    // Each point as far as it was entered; B and C left out when they are
    // "not known" and something later was entered.
    const bool laterThanC = v.T0 || v.Qa || !v.names.empty();
    const bool laterThanB = v.Xc.has_value() || laterThanC;
    auto point = [](const char* key, const std::optional<double>& X, const std::optional<double>& Y) {
        std::string line = std::string(key) + " = { X = " + tomlNumber(*X);
        if (Y) line += ", Y = " + tomlNumber(*Y);
        return line + " }\n";
    };
    std::string text = caseComment(v) + "\n";
    if (v.triangles) text += "triangles = " + std::to_string(*v.triangles) + "\n";
    if (v.tolerance) text += "tolerance = " + tomlNumber(*v.tolerance) + "                            # seconds\n";
    if (v.Xa) text += point("A", v.Xa, v.Ya);
    const bool bKnown = v.Xb && v.Yb && *v.Xb != 0 && *v.Yb != 0;
    if (v.Xb && (bKnown || !v.Yb || !laterThanB)) text += point("B", v.Xb, v.Yb);
    const bool cKnown = v.Xc && v.Yc && *v.Xc != 0 && *v.Yc != 0;
    if (v.Xc && (cKnown || !v.Yc || !laterThanC)) text += point("C", v.Xc, v.Yc);
    if (v.T0) text += "T0 = " + tomlNumber(*v.T0) + "                            # packed degrees\n";
    if (v.Qa) text += "Qa = " + tomlNumber(*v.Qa) + "\n";
    if (!v.names.empty()) {
        text += "names = [";
        for (std::size_t i = 0; i < v.names.size(); ++i) text += (i ? ", " : "") + tomlString(v.names[i]);
        text += "]\n";
    }
    if (!v.angles.empty()) {
        text += "angles = [                                # a, b, c per triangle\n";
        for (std::size_t i = 0; i < v.angles.size(); i += 3) {
            text += "  [";
            for (std::size_t k = i; k < v.angles.size() && k < i + 3; ++k) {
                text += (k > i ? ", " : "") + tomlNumber(v.angles[k]);
            }
            text += "],\n";
        }
        text += "]\n";
    }
    if (!v.sides.empty()) {
        text += "sides = [";
        for (std::size_t i = 0; i < v.sides.size(); ++i) text += (i ? ", " : "") + tomlNumber(v.sides[i]);
        text += "]\n";
    }
    // The settings that were given, after the entries.
    const AprioriSettings& model = v.settings;
    if (model.angleSd) text += "angle_sd = " + tomlNumber(*model.angleSd) + "                         # seconds\n";
    if (model.sideSd) {
        if (model.sideSd->ppm) {
            text += "side_sd = { mm = " + tomlNumber(model.sideSd->mm) + ", ppm = " + tomlNumber(*model.sideSd->ppm) + " }\n";
        } else {
            text += "side_sd = " + tomlNumber(model.sideSd->mm) + "                          # millimetres\n";
        }
    }
    if (model.weighting) text += std::string("weighting = \"") + weightingName(*model.weighting) + "\"\n";
    return text;
}

bool writeObservationFile(const std::string& path, const ObservationValues& values, std::string& error) {
    const std::optional<std::string> text = observationText(values, error);
    return text && writeTextAtomically(path, *text, error);
}

}  // namespace kestrane
