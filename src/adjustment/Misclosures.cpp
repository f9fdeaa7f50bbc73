// Misclosures of the triangle, side (sine rule) and horizon conditions, and
// the weight reciprocal of the sides relative to the unit-weight angles.
#include <cmath>

#include "adjustment/AdjustmentStages.h"
#include "angles/Angles.h"
#include "prompting/ConfirmedEntry.h"
#include "prompting/PromptTexts.h"
#include "state/Faults.h"
#include "state/NumberFormat.h"

namespace kestrane {

namespace {
std::string shownMisclosure(float value, const char* unit) {
    return " " + formatFixed(roundHalfEven(value, 2), 2) + unit;
}
}  // namespace

void computeTriangleMisclosure(AdjustmentState& s, Services& io, int i) {
    FaultGuard guard;
    const auto& angle = s.angleDegrees;
    // w = a + b + c - 180 degrees, in seconds.
    const double w = (angle[static_cast<std::size_t>(3 * i - 2)] + angle[static_cast<std::size_t>(3 * i - 1)] +
                      angle[static_cast<std::size_t>(3 * i)] - 180) *
                     3600;
    s.misclosures[static_cast<std::size_t>(i)] = toSingle(w);
    guard.check();
    io.window.setCaption("Label22", "w(" + integerText(i) + ")");
    io.window.setText("Text13", shownMisclosure(s.misclosures[static_cast<std::size_t>(i)], " 秒"));
}

void computeSideWeights(AdjustmentState& s) {
    const int n = s.triangleCount;
    const auto& side = s.sideLengths;
    auto at = [](int k) { return static_cast<std::size_t>(k); };

    FaultGuard guard;
    // Mean side, the a-priori side error it implies at the tolerance
    // (millimetres, 1.414 standing for sqrt 2) and the side weight reciprocal.
    double sum = 0;
    for (int k = 0; k <= 2 * n; ++k) sum += side[at(k)];
    const double meanSide = sum / 2 / n;
    const double tolerance = s.angleTolerance;
    const double aprioriSideError = meanSide * tolerance * 1000 / 1.414 / 206265;
    const double toleranceSquare = tolerance * tolerance;
    s.meanSide = meanSide;
    s.aprioriSideError = aprioriSideError;
    s.sideWeightReciprocal = aprioriSideError * aprioriSideError / toleranceSquare;
    for (int j = 0; j <= 3 * n; ++j) s.weightReciprocals[at(j)] = 1;
    if (!s.settings.rigorous()) {
        for (int j = 3 * n + 1; j <= 5 * n; ++j) s.weightReciprocals[at(j)] = s.sideWeightReciprocal;
    } else {
        // In the units of the side conditions: q = (sigma_s / 1000)^2 / sigma_beta^2,
        // metres squared per second squared, the angles having weight 1.
        const double sigmaBeta = s.angleStandardError();
        for (int k = 1; k <= 2 * n; ++k) {
            const double metres = s.sideStandardError(k) / 1000;
            s.weightReciprocals[at(3 * n + k)] = metres * metres / (sigmaBeta * sigmaBeta);
        }
    }
    guard.check();
}

void computeSideMisclosuresAndWeights(AdjustmentState& s, Services& io) {
    const int n = s.triangleCount;
    const auto& side = s.sideLengths;
    const auto& angle = s.angleDegrees;
    auto at = [](int k) { return static_cast<std::size_t>(k); };
    constexpr double f = RAD_PER_DEG;

    computeSideWeights(s);
    FaultGuard guard;
    double centralAngleSum = 0;
    for (int i = 1; i <= n; ++i) {
        const double a = angle[at(3 * i - 2)];
        const double b = angle[at(3 * i - 1)];
        const double c = angle[at(3 * i)];
        // s(2i-1) sin a = s(2i+1) sin b
        guard.restart();
        const double sinA = std::sin(a * f);
        const double sinB = std::sin(b * f);
        s.misclosures[at(n + 2 * i - 1)] = toSingle(sinA * side[at(2 * i - 1)] - sinB * side[at(2 * i + 1)]);
        guard.check();
        pause(io, texts::kSideMisclosurePause);
        io.window.setText("Text13", "");
        io.window.setCaption("Label24", "w(" + integerText(2 * i - 1) + ")");
        io.window.setText("Text14", shownMisclosure(s.misclosures[at(n + 2 * i - 1)] * 1000.0f, " 毫米"));

        // s(2i+1) sin c = s(2i) sin a
        guard.restart();
        const double sinC = std::sin(c * f);
        const double sinA2 = std::sin(a * f);
        s.misclosures[at(n + 2 * i)] = toSingle(sinC * side[at(2 * i + 1)] - sinA2 * side[at(2 * i)]);
        guard.check();
        pause(io, texts::kSideMisclosurePause);
        io.window.setCaption("Label24", "w(" + integerText(2 * i) + ")");
        io.window.setText("Text14", shownMisclosure(s.misclosures[at(n + 2 * i)] * 1000.0f, " 毫米"));

        centralAngleSum += c;
    }
    io.window.setCaption("Label24", "w(" + integerText(2 * n + 1) + ")");
    guard.restart();
    s.misclosures[at(3 * n + 1)] = toSingle((centralAngleSum - 360) * 3600);
    guard.check();
    io.window.setText("Text15", shownMisclosure(s.misclosures[at(3 * n + 1)], " 秒"));
}

}  // namespace kestrane
