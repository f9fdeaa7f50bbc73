// The printed report (inputs, misclosures, correlates, coordinates and
// precision, at fixed tab columns) and the on-screen results.
#include "results/Report.h"

#include "prompting/ConfirmedEntry.h"
#include "prompting/PromptTexts.h"
#include "state/NumberFormat.h"

namespace kestrane {

namespace {

std::size_t at(int k) { return static_cast<std::size_t>(k); }

// An index item: the sign position, the digits, one trailing blank.
std::string index(int i) { return " " + integerText(i) + " "; }

// V(x, d, p): x rounded to d decimals (ties to even), shown with p decimals.
std::string rounded(double x, int d, int patternDecimals) {
    return " " + formatFixed(roundHalfEven(x, d), patternDecimals);
}

// F(x, p): x shown with p decimals, no rounding step before.
std::string fixed(double x, int patternDecimals) { return " " + formatFixed(x, patternDecimals); }

using Line = std::vector<ReportItem>;

void sideTable(const AdjustmentState& s, ReportPrinter& p) {
    const int n = s.triangleCount;
    for (int i = 1; i <= 2 * n; ++i) {
        p.printLine({{24, "s("}, {0, index(i)}, {0, ")="}, {0, fixed(s.enteredSides[at(i)], 3)},
                     {37, "s("}, {0, index(i)}, {0, ")="}, {0, rounded(s.sideLengths[at(i)], 3, 3)}});
    }
}

}  // namespace

std::string weightingLine(const AdjustmentState& s) {
    const AprioriSettings& model = s.settings;
    const std::string angle = model.angleSd ? shortestText(*model.angleSd) : shortestText(s.enteredTolerance);
    std::string side;
    if (!model.sideSd) {
        side = formatFixed(s.aprioriSideError, 2) + " 毫米";
    } else {
        side = shortestText(model.sideSd->mm) + " 毫米";
        if (model.sideSd->ppm) side += " + " + shortestText(*model.sideSd->ppm) + " ppm";
    }
    return "定权: 严密 (测角中误差 σβ = " + angle + "″, 测边中误差 σs = " + side + ")";
}

void printReport(const AdjustmentState& s, ReportPrinter& p) {
    const int n = s.triangleCount;
    const int r = s.resultRowCount;
    const auto& W = s.misclosures;
    const auto& K = s.correlates;

    p.setCurrentX(1000);
    p.setCurrentY(1000);
    p.setFontSize(10);
    p.setFontName("宋体");
    p.printLine({{28, "--- Kestrane ---"}});
    if (s.settings.rigorous()) {
        p.setFontSize(8);
        p.printLine({{28, weightingLine(s)}});
        p.setFontSize(10);
    }
    p.printLine({});
    p.printLine({});
    p.setFontSize(8);

    p.printLine({{22, s.pointNames[0]}, {27, "Xa="}, {0, fixed(s.Xa, 3)}, {42, "Ya="}, {0, fixed(s.Ya, 3)}});
    if (s.Xb != 0 && s.Yb != 0) {
        p.printLine({{22, s.pointNames[at(r)]}, {27, "Xb="}, {0, fixed(s.Xb, 3)}, {42, "Yb = "}, {0, fixed(s.Yb, 3)}});
    }
    if (s.Xc != 0 && s.Yc != 0) {
        p.printLine({{22, s.pointNames[at(r)]}, {27, "Xc="}, {0, fixed(s.Xc, 3)}, {42, "Yc="}, {0, fixed(s.Yc, 3)}});
    }
    if (s.Xb == 0 && s.Yb == 0 && s.Xc == 0 && s.Yc == 0) {
        p.printLine({{24, "外方位角 T0="}, {0, fixed(s.T0, 5)}, {0, "( 度,分,秒 )"}});
        p.printLine({{24, "外定向角 Qa="}, {0, fixed(s.Qa, 5)}, {0, "( 度,分,秒 )"}});
    }
    p.printLine({});

    p.printLine({{22, "观测边长 :"}, {35, "平差边长 :"}});
    sideTable(s, p);
    p.printLine({});

    p.printLine({{22, "观测角 :"}});
    p.printLine({{33, "求距角 :"}, {44, "前进角 :"}, {54, "中心角 :"}});
    for (int i = 1; i <= n; ++i) {
        p.printLine({{24, "a("}, {0, index(i)}, {0, ")="}, {0, fixed(s.enteredAngles[at(3 * i - 2)], 5)},
                     {37, "b("}, {0, index(i)}, {0, ")="}, {0, fixed(s.enteredAngles[at(3 * i - 1)], 5)},
                     {46, "c("}, {0, index(i)}, {0, ")="}, {0, fixed(s.enteredAngles[at(3 * i)], 5)}});
    }
    p.printLine({});

    sideTable(s, p);
    p.printLine({});

    p.printLine({{22, "第一组图形条件闭合差 ( 秒 ) :"}});
    for (int i = 1; i <= n; ++i) {
        p.printLine({{24, "w("}, {0, index(i)}, {0, ")="}, {0, rounded(W[at(i)], 2, 2)}});
    }
    p.printLine({});

    p.printLine({{22, "第一组边角条件闭合差 ( 毫米 ) :"}});
    for (int i = 1; i <= n; ++i) {
        // Metres to millimetres in single precision, then rounded.
        const float first = W[at(n + 2 * i - 1)] * 1000.0f;
        const float second = W[at(n + 2 * i)] * 1000.0f;
        p.printLine({{24, "w("}, {0, index(n + 2 * i - 1)}, {0, ")="}, {0, rounded(first, 2, 2)},
                     {37, "w("}, {0, index(n + 2 * i)}, {0, ")="}, {0, rounded(second, 2, 2)}});
    }
    p.printLine({{24, "w("}, {0, index(3 * n + 1)}, {0, ")="}, {0, rounded(W[at(3 * n + 1)], 2, 3)}, {0, "( 秒 )"}});
    p.printLine({});

    p.printLine({{22, "法方程式联系数 K :"}});
    for (int i = 1; i <= n; ++i) {
        p.printLine({{24, "k("}, {0, index(3 * i - 2)}, {0, ")="}, {0, rounded(K[at(3 * i - 2)], 6, 6)},
                     {37, "k("}, {0, index(3 * i - 1)}, {0, ")="}, {0, rounded(K[at(3 * i - 1)], 6, 6)},
                     {46, "k("}, {0, index(3 * i)}, {0, ")="}, {0, rounded(K[at(3 * i)], 6, 6)}});
    }
    p.printLine({{24, "k("}, {0, index(3 * n + 1)}, {0, ")="}, {0, rounded(K[at(3 * n + 1)], 6, 6)}});
    p.printLine({});

    p.printLine({{22, "平差结果 :"}});
    for (int i = 0; i <= r; ++i) {
        p.printLine({{24, s.pointNames[at(i)] + " :"}, {30, "x="}, {0, rounded(s.pointX[at(i)], 3, 3)},
                     {45, "y="}, {0, rounded(s.pointY[at(i)], 3, 3)}});
    }
    p.printLine({});

    p.printLine({{22, "精度评定 :"}});
    p.printLine({{24, "单位权测角中误差 :           mb="}, {0, rounded(s.unitWeightError(), 2, 2)}, {0, "( 秒 )"}});
    p.printLine({{24, "单位权测边中误差 :           ms="}, {0, rounded(s.sideUnitError, 2, 2)}, {0, "( 毫米 )"}});
    p.printLine({});
    p.printLine({{24, "最弱点纵座标权倒数 :       1/px="}, {0, rounded(s.weightReciprocalX, 4, 4)}});
    p.printLine({{24, "最弱点横座标权倒数 :       1/py="}, {0, rounded(s.weightReciprocalY, 4, 4)}});
    p.printLine({{24, "最弱点纵座标单位权中误差 :   mx="}, {0, rounded(s.weakestErrorX, 2, 4)}, {0, "( 毫米 )"}});
    p.printLine({{24, "最弱点横座标单位权中误差 :   my="}, {0, rounded(s.weakestErrorY, 2, 4)}, {0, "( 毫米 )"}});
    p.printLine({{24, "最弱点单位权点位中误差   :   md="}, {0, rounded(s.weakestPositionError, 2, 4)}, {0, "( 毫米 )"}});
    p.endDoc();
}

namespace {
std::string shown(double value, int decimals) { return formatFixed(roundHalfEven(value, decimals), decimals); }
}  // namespace

void showUnitWeightError(const AdjustmentState& s, WindowFields& w) {
    w.setText("Text18", " " + shown(s.unitWeightError(), 2) + " 秒");
}
void showSideUnitError(const AdjustmentState& s, WindowFields& w) {
    w.setText("Text19", " " + shown(s.sideUnitError, 2) + " 毫米");
}
void showWeightReciprocals(const AdjustmentState& s, WindowFields& w) {
    w.setText("Text20", " " + shown(s.weightReciprocalX, 4));
    w.setText("Text21", " " + shown(s.weightReciprocalY, 4));
}
void showWeakestErrorX(const AdjustmentState& s, WindowFields& w) {
    w.setText("Text22", " " + shown(s.weakestErrorX, 2) + " 毫米");
}
void showWeakestErrorY(const AdjustmentState& s, WindowFields& w) {
    // This field has no leading blank.
    w.setText("Text23", shown(s.weakestErrorY, 2) + " 毫米");
}
void showWeakestPositionError(const AdjustmentState& s, WindowFields& w) {
    w.setText("Text24", " " + shown(s.weakestPositionError, 2) + " 毫米");
}

void showPointResults(AdjustmentState& s, Services& io) {
    setResultRowCount(s);
    for (int i = 1; i <= s.resultRowCount; ++i) {
        pause(io, texts::kResultPause);
        io.window.setText("Text25", " " + s.pointNames[at(i)]);
        io.window.setText("Text26", " " + shown(s.pointX[at(i)], 3));
        io.window.setText("Text27", " " + shown(s.pointY[at(i)], 3));
    }
}

}  // namespace kestrane
