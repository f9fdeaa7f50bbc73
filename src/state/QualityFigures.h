// The figures of the quality check (质量检核) of a completed computation:
// misclosures against their limits, the global test, every observation's
// redundancy and blunder test, every side's precision, and the coordinates
// of the rigorous adjustment beside the ones shown. Always in the rigorous
// model (weight reciprocals in the units of the conditions), whatever the
// weighting of the results.
//
// Units: angles, their corrections and the angle conditions in seconds of
// arc; sides' corrections, standard errors and side conditions in
// millimetres; lengths and coordinates in metres; coordinate differences in
// millimetres.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "state/AprioriModel.h"

namespace kestrane {

// Something in the input that looks mistyped; nothing is refused for it.
struct InputWarning {
    std::string what;  // "angle", "T0", "Qa" or "name"
    int index = 0;     // observation 1..3n for an angle, 0-based place in the names for a name, 0 otherwise
    std::string text;  // a short Chinese sentence
};

// A condition's misclosure against twice its standard error.
struct ConditionCheck {
    std::string name;  // T1..Tn, S1.1, S1.2, ..., Sn.2, H
    int triangle = 0;  // 1..n; 0 for the horizon condition
    bool sideCondition = false;
    double w = 0;      // seconds (T, H) or millimetres (S)
    double sd = 0;     // sigma_W, same unit
    double limit = 0;  // 2 sigma_W
    bool flag = false; // |w| > limit
};

// The global test of the adjustment: v^T P v / sigma_beta^2 against chi^2(t).
struct GlobalTest {
    int dof = 0;
    double sigma0 = 0;     // seconds
    double statistic = 0;
    double lower = 0, upper = 0;  // 2.5 % and 97.5 % quantiles
    bool pass = false;
};

// One observation: its correction, redundancy number and Baarda's test.
struct ObservationCheck {
    std::string name;       // a(i), b(i), c(i) or s(k)
    int observation = 0;    // column 1..3n for an angle, 3n + k for side k
    int triangle = 0;       // the angle's triangle; 0 for a side
    int side = 0;           // k for side s(k); 0 for an angle
    double sigma = 0;       // a-priori standard error, seconds or millimetres
    double v = 0;           // seconds or millimetres
    double r = 0;           // redundancy number
    std::optional<double> w, nabla, mdb;
    bool blunder = false;   // |w| > 3.29
    bool weak = false;      // r < 0.1
};

// One adjusted side (not the known side).
struct SideCheck {
    std::string name;
    int side = 0;
    double length = 0;            // metres, after the rigorous adjustment
    std::optional<double> sdMm;   // a-priori standard error of the adjusted side
    std::optional<double> T;      // relative precision 1/T, T a multiple of 100
};

// One point of the result rows: rigorous coordinates and their difference
// to the ones shown.
struct PointCheck {
    std::string name;
    double X = 0, Y = 0;
    double dXmm = 0, dYmm = 0;
};

inline constexpr double kBlunderThreshold = 3.29;
inline constexpr double kWeakRedundancy = 0.1;

struct QualityCheck {
    // The model: sigma_beta, sigma_s of every side k = 1..2n (none for the
    // known side), the weighting of the results.
    double angleSd = 0;
    std::vector<std::optional<double>> sideSdMm;
    Weighting weighting = Weighting::Classic;

    // Set when the rigorous normal equations are singular; nothing else is.
    std::optional<std::string> error;

    std::vector<InputWarning> inputWarnings;
    std::vector<ConditionCheck> conditions;
    double ferreroMb = 0;
    GlobalTest adjustment;
    std::vector<ObservationCheck> observations;
    std::optional<std::size_t> largestW;          // into observations
    std::vector<SideCheck> sides;
    std::optional<std::size_t> weakestSide;       // into sides
    std::vector<PointCheck> points;
    std::optional<std::size_t> largestDifference; // into points

    // Condition flags, blunder flags, and one for a statistic above the
    // upper quantile; a statistic below the lower one and weak observations
    // are shown but not counted.
    int flagCount() const;
    // Triangles (1..n) holding a flagged angle or condition, and sides
    // (1..2n) with a blunder flag: what the network picture marks.
    std::vector<bool> markedTriangles(int n) const;
    std::vector<bool> suspectSides(int n) const;
};

inline constexpr const char* kSingularRigorous = "严密平差的法方程奇异，无法检核";

}  // namespace kestrane
