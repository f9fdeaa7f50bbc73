#include "adjustment/DenseAdjustment.h"

#include "adjustment/AdjustmentStages.h"
#include "state/Faults.h"

namespace kestrane {

void formConditionEquationsDense(AdjustmentState& s, DenseAdjustment& d) {
    FaultGuard guard;
    const int n = s.triangleCount;
    const int t = s.conditionCount;
    auto at = [](int k) { return static_cast<std::size_t>(k); };
    d.conditionCoefficients = Matrix(t + 2, 5 * n);
    d.normalMatrix = Matrix(t + 2, t + 2);
    d.normalMatrixWork = Matrix(t + 2, t + 2);
    Matrix& A = d.conditionCoefficients;
    lineariseConditions(s, [&A](int r, int c, double v) { A(r, c) = v; });
    guard.check();

    // N(a, b) = sum over u of (A(a, u) q(u)) A(b, u), every element of the
    // full square in turn, each stored into both halves of both matrices.
    const auto& q = s.weightReciprocals;
    const int columns = 5 * n;
    for (int a = 1; a <= t + 2; ++a) {
        for (int b = 1; b <= t + 2; ++b) {
            double sum = 0;
            for (int u = 0; u <= columns; ++u) sum += (A(a, u) * q[at(u)]) * A(b, u);
            d.normalMatrix(a, b) = sum;
            d.normalMatrix(b, a) = sum;
            d.normalMatrixWork(a, b) = sum;
            d.normalMatrixWork(b, a) = sum;
        }
    }
    guard.check();
}

void solveWeightReciprocalsDense(AdjustmentState& s, DenseAdjustment& d) {
    FaultGuard guard;
    const int t = s.conditionCount;
    Matrix& N = d.normalMatrix;
    Matrix& W = d.normalMatrixWork;

    // 1/px = [fx fx q] - gx^T N^-1 gx, gx being column t+1.
    s.solverRowIndex = static_cast<std::int16_t>(t + 1);
    const double r1 = cm1(N, W, s.solverRowIndex, s.triangleCount, s.correlates);
    s.weightReciprocalX = r1 + W(t + 1, t + 1);
    guard.check();

    // Restore the working copy, with the Y weight function as right-hand column.
    for (int a = 1; a <= t; ++a) {
        for (int b = 1; b <= t; ++b) {
            W(a, b) = N(a, b);
            W(b, a) = N(b, a);
        }
        W(a, t + 1) = N(a, t + 2);
    }

    s.solverRowIndex = static_cast<std::int16_t>(t + 2);
    const double r2 = cm1(N, W, s.solverRowIndex, s.triangleCount, s.correlates);
    s.weightReciprocalY = r2 + N(t + 2, t + 2);
    guard.check();
}

void applyCorrectionsDense(AdjustmentState& s, DenseAdjustment& d) {
    FaultGuard guard;
    const int n = s.triangleCount;
    const int t = s.conditionCount;
    Matrix& N = d.normalMatrix;
    const Matrix& A = d.conditionCoefficients;
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

DenseAdjustment adjustDensely(AdjustmentState& s) {
    DenseAdjustment d;
    formConditionEquationsDense(s, d);
    solveWeightReciprocalsDense(s, d);
    applyCorrectionsDense(s, d);
    return d;
}

}  // namespace kestrane
