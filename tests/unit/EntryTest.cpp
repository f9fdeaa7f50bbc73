// Reading answers: the number grammar, the confirmation protocol, and the
// refusal of values the computation cannot use.
#include <gtest/gtest.h>

#include "NetworkFixture.h"
#include "angles/Angles.h"
#include "prompting/NumberReader.h"
#include "prompting/PromptTexts.h"

using namespace kestrane;
using namespace kestrane::testing;
using Answers = std::vector<std::optional<std::string>>;

TEST(NumberReader, ReadsTheTypedFormsAndRefusesEverythingElse) {
    struct Case { const char* text; std::optional<double> value; };  // no value: refused
    const Case cases[] = {
        {"3", 3}, {" 3 ", 3}, {"-419.610", -419.61}, {"+2", 2}, {".5", 0.5}, {"5.", 5},
        {"1e3", 1000}, {"1E-2", 0.01}, {"2.5e+1", 25}, {"\t7\t", 7}, {"-0", 0}, {"00", 0},
        {"3562726.265", 3562726.265},
        {"", {}}, {" ", {}}, {".", {}}, {"-", {}}, {"+.", {}}, {"e5", {}}, {"1e", {}}, {"1e+", {}}, {"1.2.3", {}},
        {"1,5", {}}, {"12a", {}}, {"a12", {}}, {"0x10", {}}, {"inf", {}}, {"nan", {}}, {"1 2", {}}, {"--1", {}},
        {"１ｅ３", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(readNumber(c.text), c.value) << '"' << c.text << '"';
    EXPECT_TRUE(std::signbit(*readNumber("-0")));
    EXPECT_TRUE(std::isinf(*readNumber("1e999")));
}

TEST(NumberReader, RejectionIsAZeroNumber) {
    for (const char* text : {"0", " 0 ", "0.0", "00", "-0", "0e5", ".0"}) EXPECT_TRUE(isRejection(std::string(text))) << text;
    for (const char* text : {"", "1", "0.5", "x", "ok", "O", "0a", "-1e-400x"}) EXPECT_FALSE(isRejection(std::string(text))) << text;
    EXPECT_FALSE(isRejection(std::nullopt));  // a cancelled confirmation accepts
}

namespace {
// The answers up to Xa's first confirmation, then what follows.
Answers startThen(Answers rest) {
    Answers a{"3", "10", "100.5"};
    a.insert(a.end(), rest.begin(), rest.end());
    return a;
}
}  // namespace

TEST(ConfirmedEntry, ZeroRejectsUntilAnAcceptance) {
    // Three rejections in different spellings, then Enter: the value is asked four times.
    const RunRecord run = runComputation(startThen({"0", "200.25", " 0 ", "300", "-0", "400", "0.0", "500", ""}), {"Text1"});
    ASSERT_GE(run.asks.size(), 12u);
    const std::vector<std::string> prompts = {
        texts::kXaValue, texts::kXaFirstConfirm, texts::kXReentry, texts::kXConfirm, texts::kXReentry,
        texts::kXConfirm, texts::kXReentry, texts::kXConfirm, texts::kXReentry, texts::kXConfirm,
        texts::kYaValue};
    for (std::size_t i = 0; i < prompts.size(); ++i) EXPECT_EQ(run.asks[i + 2].prompt, prompts[i]) << i;
    // The field is empty while each re-entry prompt is open and shows the value at its confirmation.
    const std::pair<std::size_t, const char*> shown[] = {
        {3, " 100.500"}, {4, ""}, {5, " 200.250"}, {10, ""}, {11, " 500.000"}};
    for (const auto& [ask, text] : shown) EXPECT_EQ(run.asks[ask].watched[0], text) << ask;
    EXPECT_EQ(run.state.Xa, 500.0);
}

TEST(ConfirmedEntry, EverythingButZeroAccepts) {
    for (const char* answer : {"", "1", "0.5", "x", "好", "0a"}) {
        const RunRecord run = runComputation(startThen({answer, "7"}));
        ASSERT_GE(run.asks.size(), 5u);
        EXPECT_EQ(run.asks[4].prompt, texts::kYaValue) << answer;
        EXPECT_EQ(run.state.Xa, 100.5);
    }
    // A cancelled confirmation (end of the script) also accepts: the run then
    // stops at the next value prompt, abandoned.
    const RunRecord run = runComputation(startThen({std::nullopt}));
    EXPECT_EQ(run.asks.back().prompt, texts::kYaValue);
    EXPECT_EQ(run.result.outcome, RunOutcome::Abandoned);
}

TEST(BadInput, NonNumberIsRefusedAndAskedAgain) {
    const RunRecord run = runComputation({"three", "", "3", "ten", "10", "12a", "100", "0", "x", "150", ""});
    EXPECT_EQ(run.state.triangleCount, 3);
    EXPECT_EQ(run.state.angleTolerance, 10.0f);
    EXPECT_EQ(run.state.Xa, 150.0);
    EXPECT_EQ(run.messages, std::vector<std::string>(5, texts::kTypeMismatch));
    // A refused re-entry answer (8) asks the re-entry prompt again; the value before is not lost.
    const std::pair<std::size_t, std::string> prompts[] = {{0, texts::kTriangleCount}, {1, texts::kTriangleCount},
        {2, texts::kTriangleCount}, {3, texts::kTolerance}, {8, texts::kXReentry}, {9, texts::kXReentry}};
    for (const auto& [ask, prompt] : prompts) EXPECT_EQ(run.asks[ask].prompt, prompt) << ask;
}

TEST(BadInput, TriangleCountRangeAndRounding) {
    // 2.5 rounds to 2 (ties to even) and is refused; 6554 overflows 5n in 16 bits.
    const RunRecord run = runComputation({"2.5", "2", "-1", "6554", "40000", "1e300", "3.5", "10"});
    EXPECT_EQ(run.state.triangleCount, 4);  // 3.5 -> 4
    EXPECT_EQ(run.state.conditionCount, 13);
    EXPECT_EQ(run.messages, std::vector<std::string>(6, texts::kTriangleCountRange));
    const RunRecord limit = runComputation({"6553"});
    EXPECT_EQ(limit.state.triangleCount, 6553);
    EXPECT_EQ(limit.state.conditionCount, 19660);
    EXPECT_EQ(limit.window.text("Text30"), " 中心多边形共有6553个三角形");
    EXPECT_TRUE(limit.messages.empty());
}

TEST(BadInput, ToleranceMustBeAboveZero) {
    const RunRecord run = runComputation({"3", "0", "-5", "1e-50", "1e39", "2.5"});
    EXPECT_EQ(run.state.angleTolerance, 2.5f);
    // 1e-50 rounds to single-precision 0.
    EXPECT_EQ(run.messages, (std::vector<std::string>{texts::kToleranceNotPositive, texts::kToleranceNotPositive,
                                                      texts::kToleranceNotPositive, texts::kNumberOverflow}));
}

TEST(BadInput, PointWithOneZeroCoordinateIsAskedAgain) {
    // B with Xb = 0 and Yb non-zero: refused after Yb, then both asked again.
    const RunRecord run = runComputation({"3", "10", "1", "", "2", "", "0", "", "5", "", "7", "", "8", ""});
    EXPECT_EQ(run.messages, std::vector<std::string>{texts::kPointBHalfKnown});
    EXPECT_EQ(run.asks[10].prompt, texts::kXbValue);
    EXPECT_EQ(run.asks[12].prompt, texts::kYbValue);
    EXPECT_EQ(run.asks[12].title, texts::kYbTitle);
    EXPECT_EQ(run.state.Xb, 7.0);
    EXPECT_EQ(run.state.Yb, 8.0);
    EXPECT_EQ(run.asks.back().prompt, texts::kStartName);  // B known: C, T0 and Qa not asked

    // C with Yc = 0 and Xc non-zero, after B unknown.
    const RunRecord c = runComputation({"3", "10", "1", "", "2", "", "0", "", "0", "", "4", "", "0", "", "4", "", "5", ""});
    EXPECT_EQ(c.messages, std::vector<std::string>{texts::kPointCHalfKnown});
    EXPECT_EQ(c.asks[14].prompt, texts::kXcValue);
    EXPECT_EQ(c.state.knownPointCase(), KnownPointCase::AWithC);
}

TEST(BadInput, PackedAngleTextThatIsNoNumber) {
    // T0 is kept as text until confirmed; then "12x" is refused and T0 asked again.
    const Answers a{"3", "10", "1", "", "2", "", "0", "", "0", "", "0", "", "0", "",
                    "12x", "", "30.3", "", "", "", "-0.3", ""};
    const RunRecord run = runComputation(a, {"Text7", "Text8"});
    ASSERT_GE(run.asks.size(), 22u);
    EXPECT_EQ(run.asks[15].watched[0], " 12x");  // shown unchanged before the confirmation
    EXPECT_EQ(run.asks[16].prompt, texts::kT0Value);
    EXPECT_EQ(run.asks[17].watched[0], " 30.30000");
    // An empty Qa is a text too: confirmed, then refused.
    EXPECT_EQ(run.asks[19].watched[1], " ");
    EXPECT_EQ(run.asks[20].prompt, texts::kQaValue);
    EXPECT_EQ(run.messages, std::vector<std::string>(2, texts::kTypeMismatch));
    EXPECT_EQ(run.state.T0, 30.3);
    EXPECT_DOUBLE_EQ(run.state.t0Degrees, 30.5);
    EXPECT_EQ(run.state.Qa, -0.3);
    EXPECT_DOUBLE_EQ(run.state.qaDegrees, -0.5);
}

TEST(BadInput, CancelledValuePromptAsksWhetherToAbandon) {
    ScriptedPrompt prompt({"3", std::nullopt, "10"});
    prompt.abandon = false;  // "no": the same prompt is asked again
    WindowFields window;
    Services io{prompt, window};
    AdjustmentState state;
    EXPECT_EQ(Command1_Click(state, io).outcome, RunOutcome::Abandoned);  // script ends at Xa
    EXPECT_EQ(prompt.asks[1].prompt, texts::kTolerance);
    EXPECT_EQ(prompt.asks[2].prompt, texts::kTolerance);
    EXPECT_EQ(state.angleTolerance, 10.0f);
    EXPECT_FALSE(state.complete);
}

TEST(NetworkEntry, KnownSideOfB) {
    // B 500 m from A at an azimuth just at and just below 30.5 degrees:
    // Text28 shows the packed form, without a carry of 60 seconds.
    const double az = 30.5 * 3.1415926535 / 180;
    const double dx = 500 * std::cos(az);
    double dy = 500 * std::sin(az) - 1e-7;
    auto azimuthOf = [dx](double y) { return AzimuthFromDeltas(dx, y, std::sqrt(dx * dx + y * y)); };
    while (azimuthOf(dy) >= 30.5) dy -= 1e-9;
    const double below = dy;
    while (azimuthOf(dy) < 30.5) dy += 1e-10;
    auto answersFor = [dx](double y) {
        char bx[64], by[64];
        std::snprintf(bx, sizeof bx, "%.17g", 1000 + dx);
        std::snprintf(by, sizeof by, "%.17g", 2000 + y);
        return std::vector<std::optional<std::string>>{"3", "10", "1000", "", "2000", "", bx, "", by, ""};
    };
    const RunRecord run = runComputation(answersFor(dy));
    EXPECT_EQ(run.window.text("Text28"), " 30.30000 度");
    EXPECT_EQ(run.window.text("Text31"), " 500.0000 米");
    EXPECT_NEAR(run.state.T0, 30.3, 1e-9);
    EXPECT_NEAR(run.state.sideLengths[6], 500, 1e-6);
    EXPECT_EQ(run.state.Xc, 0.0);
    EXPECT_EQ(run.asks.back().prompt, texts::kStartName);

    const RunRecord justBelow = runComputation(answersFor(below));
    EXPECT_EQ(justBelow.window.text("Text28"), " 30.29600 度");
    EXPECT_LT(justBelow.state.T0, 30.296);
}

TEST(NetworkEntry, KnownSideOfCShowsDecimalDegrees) {
    const double az = 30.5 * 3.1415926535 / 180;
    char cx[64], cy[64];
    std::snprintf(cx, sizeof cx, "%.17g", 1000 + 500 * std::cos(az));
    std::snprintf(cy, sizeof cy, "%.17g", 2000 + 500 * std::sin(az));
    const RunRecord run = runComputation({"3", "10", "1000", "", "2000", "", "0", "", "0", "", cx, "", cy, ""});
    EXPECT_EQ(run.window.text("Text28"), " 30.50000 度");
    EXPECT_NEAR(run.state.sideLengths[1], 500, 1e-9);
    EXPECT_EQ(run.window.text("Text7"), "");  // T0 and Qa not asked
}

TEST(NetworkEntry, AzimuthsOfBOnTheAxes) {
    struct Case { const char* xb; const char* yb; const char* shown; };
    const Case cases[] = {{"1500", "2000", " 0.00000 度"}, {"500", "2000", " 180.00000 度"},
                          {"1000", "2500", " 90.00000 度"}, {"1000", "1500", " 270.00000 度"}};
    for (const Case& c : cases) {
        const RunRecord run = runComputation({"3", "10", "1000", "", "2000", "", c.xb, "", c.yb, ""});
        EXPECT_EQ(run.window.text("Text28"), c.shown) << c.xb << "," << c.yb;
    }
}

TEST(NetworkEntry, SecondRunStartsAfreshAndForgetsC) {
    AdjustmentState state;
    WindowFields window;
    // A whole computation in the same state and window; the prompts it asked.
    const auto compute = [&](int n, KnownPointCase known) {
        ScriptedPrompt prompt(fixture::answersFor(fixture::regularNetwork(n, known)));
        Services io{prompt, window};
        EXPECT_EQ(Command1_Click(state, io).outcome, RunOutcome::Completed) << n;
        return prompt.asks;
    };
    compute(4, KnownPointCase::AWithC);
    const std::string text28 = window.text("Text28");
    EXPECT_EQ(compute(5, KnownPointCase::AWithB).at(10).prompt, texts::kStartName);  // C not asked after B
    EXPECT_EQ(state.Xc, 0.0);
    EXPECT_EQ(state.knownPointCase(), KnownPointCase::AWithB);
    EXPECT_EQ(state.pointNames.size(), 7u);
    EXPECT_EQ(state.misclosures.size(), 17u);
    EXPECT_EQ(state.pointNames[6], "");
    EXPECT_NE(window.text("Text28"), text28);
    // An A-only run leaves the known side of the previous run on screen.
    const std::string side = window.text("Text31");
    compute(3, KnownPointCase::AOnly);
    EXPECT_EQ(window.text("Text31"), side);
}
