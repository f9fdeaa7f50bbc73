// Observation files: refusals naming file, line and key; partial files;
// writing that reads back to the same values; numbers read as typed.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "TestSupport.h"
#include "driver/TypedAnswers.h"
#include "files/ObservationFile.h"
#include "prompting/NumberReader.h"

using namespace kestrane;

namespace {

const std::string kHead = "triangles = 3\ntolerance = 10\nA = { X = 3588567.302, Y = 477466.850 }\n";
const std::string kAOnly = kHead +
                           "T0 = 311.58067\nQa = 225.20538\n"
                           "names = [\"A\", \"P1\", \"P2\", \"O\", \"A\"]\n"
                           "angles = [[37.13068, 31.38534, 111.07578], [31.20592, 30.35011, 118.04002],\n"
                           "  [22.26566, 26.45031, 130.48061]]\n"
                           "sides = [727.925, 1294.025, 839.151, 1455.355, 858.075, 1443.075]\n";
// A file up to its names, with T0 and Qa.
const std::string kNamed = kHead + "T0 = 1\nQa = 2\nnames = [\"A\", \"P1\", \"P2\", \"O\", \"A\"]\n";

std::vector<std::string> answersOf(const std::string& text) {
    const ObservationReading reading = parseObservations(text, "t.kestrane.toml");
    EXPECT_TRUE(reading.values) << reading.message << "\n" << text;
    return reading.values ? typedAnswers(*reading.values) : std::vector<std::string>{};
}

}  // namespace

TEST(ObservationFile, RefusalNamesFileLineAndKey) {
    const struct {
        std::string text;
        int line;
        std::string key;
    } cases[] = {
        {"triangles = = 3\n", 1, ""},                                     // not TOML
        {"triangles = 3\ntolerence = 10\n", 2, "tolerence"},             // misspelt key
        {"triangles = \"3\"\n", 1, "triangles"},                         // wrong type
        {"triangles = 3.0\n", 1, "triangles"},
        {"triangles = 3\ntolerance = 0x10\n", 2, "tolerance"},           // not decimal
        {"triangles = 3\ntolerance = inf\n", 2, "tolerance"},
        {"triangles = 2\n", 1, "triangles"},                             // n out of range
        {"triangles = 6554\n", 1, "triangles"},
        {"triangles = 3\ntolerance = 0\n", 2, "tolerance"},              // not above 0
        {"triangles = 3\ntolerance = 1e-50\n", 2, "tolerance"},          // 0 in single precision
        {kHead + "A2 = 1\n", 4, "A2"},
        {kHead + "B = { X = 1, Y = 0 }\n", 4, "B"},                      // half known
        {kHead + "B = { Y = 5 }\n", 4, "B.X"},
        {kHead + "C = { X = 1, Y = 2, Z = 3 }\n", 4, "C.Z"},
        {kHead + "B = { X = 1, Y = 2 }\nC = { X = 3, Y = 4 }\n", 5, "C"},  // B and C both known
        {kHead + "B = { X = 1, Y = 2 }\nT0 = 10\n", 5, "T0"},            // T0 with a known B
        {kHead + "C = { X = 1, Y = 2 }\nQa = 10\n", 5, "Qa"},
        {kHead + "T0 = 1\nnames = [\"A\"]\n", 5, "names"},               // Qa missing before names
        {kHead + "T0 = 1\nQa = 2\nnames = [\"A\", \"B\tC\"]\n", 6, "names[2]"},  // control character
        {kHead + "T0 = 1\nQa = 2\nnames = [\"A\", \"P1\"]\nangles = [[1, 2, 3]]\n", 6, "names"},  // short, then more
        {kHead + "T0 = 1\nQa = 2\nnames = [\"A\", \"B\", \"C\", \"D\", \"E\", \"F\"]\n", 6, "names"},  // too many
        {kHead + "B = { X = 1, Y = 2 }\nnames = [\"A\", \"B\", \"C\", \"D\", \"E\"]\n", 5, "names"},    // n+1 with B
        {"triangles = 3\n\nangles = [[1, 2, 3]]\n", 3, "angles"},                                 // gap
        {kAOnly + "extra = [1]\n", 10, "extra"},
        {kNamed + "angles = [[1, 2], [3, 4, 5]]\n", 7, "angles[1]"},
        {kNamed + "angles = [[1, 2, 3, 4]]\n", 7, "angles[1]"},
        {kAOnly + "sides2 = 0\n", 10, "sides2"},
        {kNamed + "angles = [[1, 2, 3], [1, 2, 3], [1, 2, 3], [1, 2, 3]]\n", 7, "angles"},
        {kAOnly.substr(0, kAOnly.rfind("sides")) + "sides = [1, 2, 3, 4, 5, 6, 7]\n", 9, "sides"},
        {kNamed + "angles = [[1, 2, 3], [1, 2, 3], [1, 2]]\nsides = [1]\n", 7, "angles"},
    };
    for (const auto& c : cases) {
        const ObservationReading reading = parseObservations(c.text, "net.kestrane.toml");
        ASSERT_FALSE(reading.values) << c.text;
        EXPECT_NE(reading.message.find("net.kestrane.toml"), std::string::npos) << reading.message;
        EXPECT_NE(reading.message.find("第 " + std::to_string(c.line) + " 行"), std::string::npos)
            << c.text << "\n" << reading.message;
        if (!c.key.empty()) {
            EXPECT_NE(reading.message.find("键 " + c.key + "："), std::string::npos) << reading.message;
        }
    }
    const ObservationReading empty = parseObservations("# only a comment\n", "e.kestrane.toml");
    EXPECT_FALSE(empty.values);
    EXPECT_NE(empty.message.find("e.kestrane.toml"), std::string::npos);
}

TEST(ObservationFile, PartialFilesTypeWhatTheyHold) {
    // A point with X alone: X typed and confirmed, Y asked of the user.
    EXPECT_EQ(answersOf("triangles = 3\ntolerance = 10\nA = { X = 1.5 }\n"),
              (std::vector<std::string>{"3", "10", "1.5", ""}));
    // An empty table gives nothing: B is not "left out before a later key".
    EXPECT_EQ(answersOf("triangles = 3\ntolerance = 10\nC = {}\n"), (std::vector<std::string>{"3", "10"}));
    // Ending with A says nothing about B and C yet.
    EXPECT_EQ(answersOf(kHead).size(), 6u);
    // B and C left out before T0: both typed as 0 and 0.
    EXPECT_EQ(answersOf(kHead + "T0 = 311.58067\n"),
              (std::vector<std::string>{"3", "10", "3588567.302", "", "477466.85", "", "0", "", "0", "", "0", "", "0",
                                        "", "311.58067", ""}));
    // C given as zeros next to a known B is not asked.
    const auto withB = answersOf(kHead + "B = { X = 1, Y = 2 }\nC = { X = 0, Y = 0 }\nnames = [\"A\"]\n");
    EXPECT_EQ(withB, (std::vector<std::string>{"3", "10", "3588567.302", "", "477466.85", "", "1", "", "2", "", "A", ""}));
    // The last triangle may be short; a complete file ends with every pause.
    const auto shortTriangle = kAOnly.substr(0, kAOnly.find("\nangles") + 1) + "angles = [[37.13068, 31.38534, 111.07578], [1]]\n";
    EXPECT_EQ(answersOf(shortTriangle).back(), "");
    EXPECT_EQ(answersOf(shortTriangle).size(), 2 + 4 * 2 + 4 * 2 + 5 * 2 + 4 * 2u);
    EXPECT_EQ(answersOf(kAOnly).size(), 2 + 4 * 2 + 4 * 2 + 5 * 2 + 9 * 2 + 6 * 2 + 6 + 4u);
}

TEST(ObservationFile, WrittenFileReadsBackToTheSameValues) {
    ObservationValues v;
    v.triangles = 3;
    v.tolerance = 0.1;
    v.Xa = -0.0;
    v.Ya = 1e300;
    v.Xb = 0;
    v.Yb = 0;
    v.Xc = 12345678901234567890.0;  // beyond TOML's integers
    v.Yc = 2.2250738585072014e-308;
    v.names = {"南堡", "say \"hi\"", "back\\slash <&>", "a,b"};
    v.angles = {37.13068, 31.38534, 111.07578, 1, 2, 3, 4, 5, 6};
    v.sides = {727.925, 1294.025, 839.151, 1455.355, 858.075};
    // Every stage of an unfinished entry, down to n alone.
    for (;;) {
        std::string error;
        const auto text = observationText(v, error);
        ASSERT_TRUE(text) << error;
        const ObservationReading back = parseObservations(*text, "w.kestrane.toml");
        ASSERT_TRUE(back.values) << back.message << "\n" << *text;
        EXPECT_EQ(*back.values, v) << *text;
        if (back.values->Xa) {
            EXPECT_TRUE(std::signbit(*back.values->Xa));
        }
        if (!v.sides.empty()) v.sides.pop_back();
        else if (!v.angles.empty()) v.angles.pop_back();
        else if (!v.names.empty()) v.names.pop_back();
        else if (v.Yc) v.Yc.reset();
        else if (v.Xc) v.Xc.reset();
        else if (v.Yb) v.Yb.reset();
        else if (v.Xb) v.Xb.reset();
        else if (v.Ya) v.Ya.reset();
        else if (v.Xa) v.Xa.reset();
        else if (v.tolerance) v.tolerance.reset();
        else break;
    }
    // A name that no file can hold is refused, not written.
    ObservationValues tab;
    tab.triangles = 3;
    tab.tolerance = 1;
    tab.names = {"A\tB"};
    std::string error;
    EXPECT_FALSE(observationText(tab, error));
    EXPECT_NE(error.find("A\tB"), std::string::npos);
}

TEST(ObservationFile, NumbersAreTheDoublesTheNumberReaderMakes) {
    for (const char* number : {"0.1", "477466.850", "2.2250738585072011e-308", "179.99999999999999999",
                               "9007199254740993", "-3.5", "1e3", "+7", "123456.78901234567890123"}) {
        const auto reading = parseObservations(std::string("triangles = 3\ntolerance = 1\nA = { X = ") + number + " }\n", "n");
        ASSERT_TRUE(reading.values) << number << reading.message;
        const double typed = *readNumber(number);
        EXPECT_EQ(std::memcmp(&*reading.values->Xa, &typed, sizeof typed), 0) << number;
    }
}

TEST(ObservationFile, UnreadableFilesGetAClearMessage) {
    const auto dir = kestrane::testing::freshFolder("files-unreadable");
    EXPECT_NE(readObservationFile((dir / "missing.kestrane.toml").string()).message.find("不存在"), std::string::npos);
    EXPECT_NE(readObservationFile(dir.string()).message.find("文件夹"), std::string::npos);
    const auto fifo = dir / "fifo.kestrane.toml";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_NE(readObservationFile(fifo.string()).message.find("不是普通文件"), std::string::npos);  // no hang
    const auto big = dir / "big.kestrane.toml";
    std::ofstream(big).close();
    std::filesystem::resize_file(big, kMaxObservationFileBytes + 1);
    EXPECT_NE(readObservationFile(big.string()).message.find("16 MB"), std::string::npos);
    const auto latin1 = dir / "latin1.kestrane.toml";
    std::ofstream(latin1, std::ios::binary) << "triangles = 3\n# caf\xE9\n";
    const std::string message = readObservationFile(latin1.string()).message;
    EXPECT_NE(message.find("UTF-8"), std::string::npos);
    EXPECT_NE(message.find("第 2 行"), std::string::npos);
    std::filesystem::remove_all(dir);
}

// The writer against a file written by hand from the format's description:
// entry order, the comment of the case, B and C left out as not known, the
// shortest number that reads back (a float for -0), names quoted with their
// escapes, a short last triangle.
TEST(ObservationFile, WriterMatchesAHandWrittenFile) {
    ObservationValues v;
    v.triangles = 3;
    v.tolerance = 10;
    v.Xa = 3562726.265, v.Ya = -429.61;
    v.Xb = v.Yb = v.Xc = v.Yc = 0;
    v.T0 = 327.48019, v.Qa = -0.0;
    v.names = {"A", "P\"1", "C:\\2", "O", "A"};
    v.angles = {31.24188, 23.03478, 125.31526, 33.52213, 30.49015, 115.18358, 0.1 + 0.2};
    const std::string expected = R"(# Kestrane observations: central polygon, A known with T0 and Qa
triangles = 3
tolerance = 10                            # seconds
A = { X = 3562726.265, Y = -429.61 }
T0 = 327.48019                            # packed degrees
Qa = -0.0
names = ["A", "P\"1", "C:\\2", "O", "A"]
angles = [                                # a, b, c per triangle
  [31.24188, 23.03478, 125.31526],
  [33.52213, 30.49015, 115.18358],
  [0.30000000000000004],
]
)";
    const auto hand = kestrane::testing::freshFolder("files-hand") / "hand.kestrane.toml";
    std::string error;
    ASSERT_TRUE(writeObservationFile(hand.string(), v, error)) << error;
    EXPECT_EQ(kestrane::testing::readFile(hand), expected);
}
