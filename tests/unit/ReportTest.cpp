// The printed report: the tab-column grid and the number items of its lines.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "NetworkFixture.h"
#include "results/Report.h"
#include "results/TextReport.h"
#include "results/TextWidth.h"

using namespace kestrane;
using namespace kestrane::testing;

TEST(ReportGrid, WideCharactersTakeTwoCells) {
    // Full-width punctuation is wide too; a stray byte is one cell.
    const std::pair<const char*, int> cases[] = {{"abc", 3}, {"观测边长 :", 10}, {"（）", 4}, {"\xff" "a", 2}, {"", 0}};
    for (const auto& [text, cells] : cases) EXPECT_EQ(displayWidth(text), cells) << text;
}

TEST(ReportGrid, TabColumns) {
    // Item at column c after c-1 cells; a line already at or past c moves on.
    EXPECT_EQ(layoutReportLine({{5, "ab"}, {0, "cd"}}), std::vector<std::string>{"    abcd"});
    EXPECT_EQ(layoutReportLine({{3, "abc"}, {6, "x"}}), std::vector<std::string>{"  abcx"});
    EXPECT_EQ(layoutReportLine({{3, "abcd"}, {6, "x"}}), (std::vector<std::string>{"  abcd", "     x"}));
    EXPECT_EQ(layoutReportLine({{1, "测量"}, {4, "x"}}), (std::vector<std::string>{"测量", "   x"}));
    EXPECT_EQ(layoutReportLine({{1, "测"}, {4, "x"}}), std::vector<std::string>{"测 x"});
    EXPECT_EQ(layoutReportLine({}), std::vector<std::string>{""});
}

namespace {

// A completed n = 3 computation from the example answers.
AdjustmentState exampleState() {
    std::ifstream in(std::string(KESTRANE_GOLDEN_DIR) + "/aonly-n3.answers.txt");
    std::vector<std::optional<std::string>> answers;
    for (std::string line; std::getline(in, line);) answers.push_back(line);
    RunRecord run = runComputation(answers);
    EXPECT_EQ(run.result.outcome, RunOutcome::Completed);
    return run.state;
}

std::string reportOf(const AdjustmentState& state) {
    TextReportPrinter printer;
    printReport(state, printer);
    EXPECT_TRUE(printer.finished());
    return printer.text();
}

bool hasLine(const std::string& text, const std::string& line) {
    return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

}  // namespace

// The lines of a small network, and the number items of its lines with
// figures that round differently.
TEST(Report, LinesAndNumberItemsOfASmallNetwork) {
    AdjustmentState s = exampleState();
    const std::string text = reportOf(s);
    EXPECT_TRUE(hasLine(text, "                       w( 4 )= 0.61 w( 5 )= 7.07"));
    EXPECT_TRUE(hasLine(text, "                       w( 10 )= -6.100( 秒 )"));
    EXPECT_TRUE(hasLine(text, "                       k( 10 )= 2.218614"));
    std::istringstream lines(text);
    int sideRows = 0;
    std::vector<std::string> points;
    bool inResults = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.find("s( ") != std::string::npos) ++sideRows;
        if (line == "                     平差结果 :") inResults = true;
        else if (line.empty()) inResults = false;
        else if (inResults) points.push_back(line.substr(23, 4));
    }
    EXPECT_EQ(sideRows, 24);  // 6 sides, observed and adjusted on separate lines, twice
    // Points 0..4, the last being A again.
    EXPECT_EQ(points, (std::vector<std::string>{"A : ", "P1 :", "P2 :", "O : ", "A : "}));

    s.misclosures[4] = 0.0012345f;             // metres, printed in millimetres
    s.misclosures[10] = 1.5f;                  // horizon, rounded to 2 and printed with 3
    s.weakestErrorX = 1.5f;
    s.weightReciprocalX = 0.123456;
    s.unitWeightError() = 1.2f;
    const std::string changed = reportOf(s);
    EXPECT_TRUE(hasLine(changed, "                       w( 4 )= 1.23 w( 5 )= 7.07"));
    EXPECT_TRUE(hasLine(changed, "                       w( 10 )= 1.500( 秒 )"));
    EXPECT_TRUE(hasLine(changed, "                       最弱点纵座标单位权中误差 :   mx= 1.5000( 毫米 )"));
    EXPECT_TRUE(hasLine(changed, "                       最弱点纵座标权倒数 :       1/px= 0.1235"));
    EXPECT_TRUE(hasLine(changed, "                       单位权测角中误差 :           mb= 1.20( 秒 )"));
}

TEST(Report, KnownPointLines) {
    const std::string withB = reportOf(fixture::completedState(fixture::regularNetwork(4, KnownPointCase::AWithB)));
    EXPECT_NE(withB.find("P4   Xb="), std::string::npos);   // the name of point n
    EXPECT_NE(withB.find("Yb =  "), std::string::npos);
    EXPECT_EQ(withB.find("T0="), std::string::npos);
    EXPECT_EQ(withB.find("Xc="), std::string::npos);

    const std::string withC = reportOf(fixture::completedState(fixture::regularNetwork(4, KnownPointCase::AWithC)));
    EXPECT_NE(withC.find("P4   Xc="), std::string::npos);
    EXPECT_NE(withC.find("s( 1 )= 0.000s( 1 )="), std::string::npos);  // s(1) was not typed
    EXPECT_EQ(withC.find("Qa="), std::string::npos);
}

TEST(OnScreenResults, PrecisionFieldTexts) {
    AdjustmentState s;
    WindowFields w;
    s.unitWeightError() = 1.2f;
    s.weakestErrorX = 2.5f;
    s.weakestErrorY = 2.5f;
    showUnitWeightError(s, w);
    showWeakestErrorX(s, w);
    showWeakestErrorY(s, w);
    EXPECT_EQ(w.text("Text18"), " 1.20 秒");
    EXPECT_EQ(w.text("Text22"), " 2.50 毫米");
    EXPECT_EQ(w.text("Text23"), "2.50 毫米");  // the one field without a leading blank
    s.unitWeightError() = 0;
    showUnitWeightError(s, w);
    EXPECT_EQ(w.text("Text18"), " 0.00 秒");
}

TEST(OnScreenResults, OnePausePerResultRow) {
    const auto answers = fixture::answersFor(fixture::regularNetwork(3, KnownPointCase::AOnly));
    const RunRecord run = runComputation(answers, {"Text25"});
    ASSERT_EQ(run.result.outcome, RunOutcome::Completed);
    int pauses = 0;
    std::vector<std::string> shownBefore;
    for (const auto& ask : run.asks) {
        if (ask.prompt == "按 Enter 键( 或 OK 键 )输出结果 :") {
            ++pauses;
            shownBefore.push_back(ask.watched[0]);
        }
    }
    EXPECT_EQ(pauses, 4);
    EXPECT_EQ(shownBefore, (std::vector<std::string>{"", " P1", " P2", " P3"}));  // emptied by the angle entry
    EXPECT_EQ(run.window.text("Text25"), " P4");
}
