// Gauss-Doolittle solution of the bordered normal equations N K + h = 0:
// forward reduction of the upper triangle in place, back substitution, no
// pivoting and no inverse.
#include "adjustment/AdjustmentStages.h"
#include "state/Faults.h"

namespace kestrane {

void reduceForward(Matrix& M, int t) {
    // Every pivot M(l, l), l < t, divides the terms of the rows after it.
    if (t >= 2) requireNonZeroDivisor(M(1, 1));
    for (int k = 2; k <= t; ++k) {
        for (int j = k; j <= t + 1; ++j) {
            double s = M(k, j);
            // Rows l < k are already reduced in this pass.
            for (int l = 1; l <= k - 1; ++l) s = s - (M(l, j) * M(l, k)) / M(l, l);
            M(k, j) = s;
        }
        if (k < t) requireNonZeroDivisor(M(k, k));
    }
}

void substituteBack(const Matrix& M, int t, std::vector<double>& K) {
    for (int k = t; k >= 1; --k) {
        double s = M(k, t + 1);
        for (int j = k + 1; j <= t; ++j) s = s + M(k, j) * K[static_cast<std::size_t>(j)];
        requireNonZeroDivisor(M(k, k));
        K[static_cast<std::size_t>(k)] = -s / M(k, k);
    }
}

double cm1(const Matrix& F, Matrix& M, std::int16_t i, std::int16_t n, std::vector<double>& correlates) {
    const int t = 3 * n + 1;
    correlates.assign(static_cast<std::size_t>(t) + 1, 0.0);
    reduceForward(M, t);
    substituteBack(M, t, correlates);
    double r = 0;
    for (int j = 1; j <= t; ++j) r = r + F(j, i) * correlates[static_cast<std::size_t>(j)];
    return r;
}

void solveWeightReciprocals(AdjustmentState& s) {
    FaultGuard guard;
    const int t = s.conditionCount;
    Matrix& N = s.normalMatrix;
    Matrix& W = s.normalMatrixWork;

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

}  // namespace kestrane
