// Final correlates from the misclosures, and the corrections v = Q A^T K
// applied to every observation.
#include "adjustment/AdjustmentStages.h"
#include "state/Faults.h"

namespace kestrane {

void applyCorrections(AdjustmentState& s) {
    FaultGuard guard;
    const int n = s.triangleCount;
    const int t = s.conditionCount;
    Matrix& N = s.normalMatrix;
    const Matrix& A = s.conditionCoefficients;
    auto& K = s.correlates;
    auto at = [](int k) { return static_cast<std::size_t>(k); };

    // N K + W = 0 with the misclosures as right-hand column.
    for (int j = 1; j <= t; ++j) N(j, t + 1) = s.misclosures[at(j)];
    reduceForward(N, t);
    substituteBack(N, t, K);
    guard.check();

    // Angles have weight 1: v (seconds) = sum a(j, i) K(j).
    double vv = 0;
    for (int i = 1; i <= 3 * n; ++i) {
        double v = 0;
        for (int j = 1; j <= t; ++j) v = v + A(j, i) * K[at(j)];
        s.angleDegrees[at(i)] = s.angleDegrees[at(i)] + v / 3600;
        vv = vv + v * v;
    }
    // Sides: v (metres) = q sum a(j, i) K(j), each coefficient weighted first.
    const double q = s.sideWeightReciprocal;
    double pvv = 0;
    for (int i = 3 * n + 1; i <= 5 * n; ++i) {
        double v = 0;
        for (int j = 1; j <= t; ++j) v = v + K[at(j)] * (A(j, i) * q);
        s.sideLengths[at(i - 3 * n)] = s.sideLengths[at(i - 3 * n)] + v;
        requireNonZeroDivisor(q);
        pvv = pvv + v * v / q;
    }
    s.angleSquareSum = vv;
    s.sideSquareSum = pvv;
    guard.check();
}

}  // namespace kestrane
