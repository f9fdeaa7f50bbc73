// Input from Chinese tools: numbers typed with a Chinese input method (full
// width), observation files saved in GB18030, and the TOML parser's
// messages in Chinese.
#include <gtest/gtest.h>

#include <iconv.h>

#include <nlohmann/json.hpp>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "ConsoleRuns.h"
#include "driver/TypedAnswers.h"
#include "files/ObservationFile.h"
#include "prompting/NumberReader.h"

using namespace kestrane;
using namespace kestrane::testing;

namespace {

const char* const kSpace = "\u3000";  // the ideographic space

// The number as a Chinese input method types it: every digit, sign and blank
// full width; points alternately ． and 。.
std::string fullWidth(const std::string& ascii) {
    const std::map<char, std::string> wide = {{'+', "＋"}, {'-', "－"}, {' ', kSpace}};
    std::string typed;
    bool fullStop = false;
    for (char c : ascii) {
        if (c >= '0' && c <= '9') {
            typed += "\xEF\xBC";
            typed += static_cast<char>(0x90 + (c - '0'));
        } else if (c == '.') {
            typed += (fullStop = !fullStop) ? "。" : "．";
        } else {
            typed += wide.contains(c) ? wide.at(c) : std::string(1, c);
        }
    }
    return typed;
}

// The bits of a reading, so that -0 and 0 differ.
std::string bitsOf(const std::optional<double>& v) {
    if (!v) return "none";
    std::uint64_t bits;
    std::memcpy(&bits, &*v, sizeof bits);
    return std::to_string(bits);
}

std::string gb18030Of(const std::string& utf8) {
    const iconv_t cd = iconv_open("GB18030", "UTF-8");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string out(utf8.size() * 2 + 8, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* to = out.data();
    std::size_t outLeft = out.size();
    EXPECT_NE(iconv(cd, &in, &inLeft, &to, &outLeft), static_cast<std::size_t>(-1));
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace

// Each typed text reads exactly as its ASCII form: the same double to the
// bit, the same refusal, the same rejection at a confirmation.
TEST(ChineseTyping, FullWidthFormsReadAsTheirAsciiForms) {
    const struct {
        std::string typed;
        std::string ascii;
        bool number;
    } cases[] = {
        {"３", "3", true},
        {"－４２９。６１０", "-429.610", true},
        {"＋２", "+2", true},
        {"1２．5", "12.5", true},  // mixed widths
        {"。５", ".5", true},
        {"２．５E－１", "2.5E-1", true},
        {std::string(kSpace) + "３２７．４８０１９" + kSpace, " 327.48019 ", true},
        {"\t" + std::string(kSpace) + "8 ", "\t 8 ", true},
        {"０", "0", true},
        {"－０", "-0", true},
        {std::string(kSpace) + "０．０" + kSpace, " 0.0 ", true},
        // Still not numbers.
        {"３" + std::string(kSpace) + "１", "3 1", false},
        {kSpace, " ", false},
        {"１．２。３", "1.2.3", false},
        {"３，５", "3,5", false},  // the full-width comma is no point
        {"１ｅ３", "1x3", false},  // nor is a full-width e an exponent
        {"Ｏ", "O", false},        // a full-width letter O is no zero
        {"\xEF\xBC" "3", "\xEF\xBC" "3", false},  // a cut-off sequence
    };
    for (const auto& c : cases) {
        const std::optional<double> typed = readNumber(c.typed);
        EXPECT_EQ(typed.has_value(), c.number) << c.typed;
        EXPECT_EQ(bitsOf(typed), bitsOf(readNumber(c.ascii))) << c.typed;
        EXPECT_EQ(isRejection(c.typed), isRejection(c.ascii)) << c.typed;
    }
}

// Every golden computation typed in full width: the same report byte for
// byte, and a transcript that differs only in the answers, recorded as typed.
// The answers reject values at confirmations with ０ and with ０ between
// ideographic spaces.
TEST(ChineseTyping, GoldenComputationsTypedInFullWidth) {
    using Json = nlohmann::json;
    const std::filesystem::path golden = KESTRANE_GOLDEN_DIR;
    for (const char* name : {"aonly-n3", "aonly-n9", "awithb-n5", "awithc-n4"}) {
        std::vector<std::string> typed;
        std::istringstream lines(readFile(golden / (std::string(name) + ".answers.txt")));
        for (std::string line; std::getline(lines, line);) {
            // Names are taken as typed: only the numbers change.
            typed.push_back(readNumber(line) ? fullWidth(line) : line);
        }
        const ConsoleRun run = runIn("chinese-typing", typedLines(typed));
        ASSERT_EQ(run.status, kExitCompleted) << name << run.err;
        EXPECT_EQ(run.report, readFile(golden / (std::string(name) + ".report.txt"))) << name;

        std::istringstream gotLines(run.transcript);
        std::istringstream wantLines(readFile(golden / (std::string(name) + ".transcript.jsonl")));
        std::size_t asked = 0;
        std::string gotLine, wantLine;
        while (std::getline(wantLines, wantLine)) {
            ASSERT_TRUE(std::getline(gotLines, gotLine)) << name;
            Json got = Json::parse(gotLine), want = Json::parse(wantLine);
            if (want["event"] == "ask") {
                ASSERT_LT(asked, typed.size());
                EXPECT_EQ(got["answer"], typed[asked++]) << name;
                got.erase("answer");
                want.erase("answer");
            }
            EXPECT_EQ(got, want) << name;
        }
        EXPECT_FALSE(std::getline(gotLines, gotLine)) << name;
    }
}

// A GB18030 copy of an example with Chinese names reads as the UTF-8 file:
// the same values, and the same report and transcript on the console, with
// a notice on standard error.
TEST(Gb18030Files, ReadAsTheirUtf8Originals) {
    const auto dir = freshFolder("chinese-gb18030");
    for (const char* name : {"aonly-n8-town", "awithc-n7-hill", "awithb-n12-valley"}) {
        const std::filesystem::path example =
            std::filesystem::path(KESTRANE_EXAMPLES_DIR) / (std::string(name) + ".kestrane.toml");
        const std::string utf8 = readFile(example);
        const std::string gb = gb18030Of(utf8);
        ASSERT_NE(gb, utf8) << name;  // Chinese names in the file
        const auto gbPath = dir / (std::string(name) + "-gb.kestrane.toml");
        std::ofstream(gbPath, std::ios::binary) << gb;

        const ObservationReading fromUtf8 = readObservationFile(example.string());
        const ObservationReading fromGb = readObservationFile(gbPath.string());
        ASSERT_TRUE(fromUtf8.values && fromGb.values) << fromGb.message;
        EXPECT_EQ(*fromGb.values, *fromUtf8.values) << name;
        EXPECT_EQ(fromUtf8.notice, "");
        EXPECT_NE(fromGb.notice.find("“" + gbPath.string() + "”"), std::string::npos) << fromGb.notice;
        EXPECT_NE(fromGb.notice.find("GB18030"), std::string::npos) << fromGb.notice;

        ConsoleOptions options;
        options.inputPath = example.string();
        const ConsoleRun utf8Run = runIn("chinese-run", "", options);
        ASSERT_EQ(utf8Run.status, kExitCompleted) << name << utf8Run.err;
        options.inputPath = gbPath.string();
        const ConsoleRun gbRun = runIn("chinese-run", "", options);
        ASSERT_EQ(gbRun.status, kExitCompleted) << name << gbRun.err;
        EXPECT_EQ(gbRun.report, utf8Run.report) << name;
        EXPECT_EQ(gbRun.transcript, utf8Run.transcript) << name;  // the notice is no event
        EXPECT_EQ(utf8Run.err, "");
        EXPECT_EQ(gbRun.err, fromGb.notice + "\n");
        EXPECT_NE(utf8Run.report.find(fromUtf8.values->names[1]), std::string::npos) << name;
    }

    std::filesystem::remove_all(dir);
}

TEST(Gb18030Files, InvalidInBothIsRefused) {
    const std::string names = gb18030Of("names = [\"基准点A\", \"东岗\"]\n");
    const struct {
        std::string text;
        int line;
    } cases[] = {
        {"triangles = 3\n# caf\xE9\n", 2},                         // Latin-1: a lead byte before a line break
        {"triangles = 3\ntolerance = 10\n# \xFF\n", 3},
        {"triangles = 3\n" + names + "# \x80\n", 2},               // GB18030 up to a byte neither allows
        {"triangles = 3\n# \x81\x30\n", 2},                       // a four-byte sequence cut short
        {"triangles = 3\n# \xD6", 2},                             // a two-byte character cut off by the end
    };
    for (const auto& c : cases) {
        const ObservationReading reading = parseObservations(c.text, "bad.kestrane.toml");
        ASSERT_FALSE(reading.values) << c.text;
        EXPECT_NE(reading.message.find("“bad.kestrane.toml” 第 " + std::to_string(c.line) + " 行"), std::string::npos)
            << reading.message;
        EXPECT_NE(reading.message.find("GB18030"), std::string::npos) << reading.message;
        EXPECT_EQ(reading.notice, "");
    }
}

// The common mistakes of a hand-edited file are told in Chinese, with the
// line and, where the library names one, the key; other errors keep the
// library's words.
TEST(TomlMessages, CommonMistakesInChinese) {
    const std::string head = "triangles = 3\ntolerance = 10\n";
    const struct {
        std::string text;
        int line;
        std::string key;
        std::string what;
    } cases[] = {
        {"triangles 3\n", 1, "", "键的后面缺少等号 “=”"},
        {head + "A = { X = 1 }\nT0\n", 4, "", "键的后面缺少等号 “=”"},
        {head + "names = [\"A\", \"P1]\n", 3, "", "字符串没有结束：缺少结尾的引号"},
        {head + "names = [\"A\", \"P1\r\n", 3, "", "字符串没有结束：缺少结尾的引号"},
        {head + "names = ['A', 'P1]\n", 3, "", "字符串没有结束：缺少结尾的引号"},
        {head + "names = [\"A\", \"P1", 3, "", "字符串没有结束：缺少结尾的引号"},
        {head + "names = [\"\"\"A", 3, "", "字符串没有结束：缺少结尾的引号"},
        {"triangles = 3\ntolerance = 1.2.3\n", 2, "", "数值写法不对：不应出现 '.'"},
        {"triangles = 3\ntolerance = 1e\n", 2, "", "数值写法不对：数字不完整"},
        {"triangles = 3\ntolerance = 010\n", 2, "", "数值写法不对：整数部分不能以多余的 0 开头"},
        {"triangles = 3\ntolerance = 1e999\n", 2, "", "数值超出范围"},
        {"triangles = 99999999999999999999\n", 1, "", "数值超出范围"},
        {"triangles = 3\ntolerance = ３\n", 2, "", "无法识别的值"},
        {"triangles = 3\ntriangles = 4\n", 2, "triangles", "键重复"},
        {head + "A = { X = 1, X = 2 }\n", 3, "X", "键重复"},
        {head + "A = { X = 1 }\nA = { X = 2 }\n", 4, "A", "键重复"},
        {head + "[B]\nX = 1\n[B]\n", 5, "B", "键重复"},
        {head + "tolerance.X = 2\n", 3, "", "键重复"},  // a dotted key over a number: no key named
    };
    for (const auto& c : cases) {
        const ObservationReading reading = parseObservations(c.text, "net.kestrane.toml");
        ASSERT_FALSE(reading.values) << c.text;
        const std::string& m = reading.message;
        EXPECT_NE(m.find("“net.kestrane.toml” 第 " + std::to_string(c.line) + " 行"), std::string::npos) << m;
        EXPECT_NE(m.find("不是有效的 TOML 文本（" + c.what), std::string::npos) << c.text << "\n" << m;
        if (c.key.empty()) {
            EXPECT_EQ(m.find("，键 "), std::string::npos) << m;
        } else {
            EXPECT_NE(m.find("行，键 " + c.key + "："), std::string::npos) << m;
        }
        EXPECT_EQ(m.find("Error while parsing"), std::string::npos) << m;
    }
    // Rarer errors: the library's own description.
    const ObservationReading other = parseObservations("triangles = 3\nnames = [\"A\x01\"]\n", "net.kestrane.toml");
    EXPECT_NE(other.message.find("第 2 行"), std::string::npos) << other.message;
    EXPECT_NE(other.message.find("Error while parsing string: unescaped control characters"), std::string::npos)
        << other.message;
    const ObservationReading array = parseObservations("triangles = 3\nsides = [1, 2\n", "net.kestrane.toml");
    EXPECT_NE(array.message.find("Error while parsing array"), std::string::npos) << array.message;
}
