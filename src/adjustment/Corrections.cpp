// Final correlates from the misclosures, and the corrections v = Q A^T K
// applied to every observation.
#include "adjustment/AdjustmentStages.h"
#include "state/Faults.h"

namespace kestrane {

void applyCorrections(AdjustmentState& s) {
    FaultGuard guard;
    const int n = s.triangleCount;
    const int t = s.conditionCount;
    BorderedNormalMatrix& N = s.normalMatrix;
    const SparseMatrix& A = s.conditionCoefficients;
    auto& K = s.correlates;
    auto at = [](int k) { return static_cast<std::size_t>(k); };

    // N K + W = 0 with the misclosures as right-hand column.
    for (int j = 1; j <= t; ++j) N.rightHand(j) = s.misclosures[at(j)];
    reduceForward(N);
    substituteBack(N, K);
    guard.check();

    // Each correction sums over the conditions j = 1..t in increasing order;
    // a condition without the observation adds 0 K(j), an exact zero to a sum
    // that starts at +0, and is left out. The weight functions (rows t+1 and
    // t+2) are no conditions and take no part.
    // Angles have weight 1: v (seconds) = sum a(j, i) K(j).
    double vv = 0;
    for (int i = 1; i <= 3 * n; ++i) {
        double v = 0;
        for (const SparseMatrix::Entry& e : A.column(i)) {
            if (e.index > t) break;
            v = v + e.value * K[at(e.index)];
        }
        s.angleDegrees[at(i)] = s.angleDegrees[at(i)] + v / 3600;
        vv = vv + v * v;
    }
    // Sides: v (metres) = q sum a(j, i) K(j), each coefficient weighted first.
    double pvv = 0;
    for (int i = 3 * n + 1; i <= 5 * n; ++i) {
        const double q = s.weightReciprocals[at(i)];
        double v = 0;
        for (const SparseMatrix::Entry& e : A.column(i)) {
            if (e.index > t) break;
            v = v + K[at(e.index)] * (e.value * q);
        }
        s.sideLengths[at(i - 3 * n)] = s.sideLengths[at(i - 3 * n)] + v;
        requireNonZeroDivisor(q);
        pvv = pvv + v * v / q;
    }
    s.angleSquareSum = vv;
    s.sideSquareSum = pvv;
    guard.check();
}

}  // namespace kestrane
