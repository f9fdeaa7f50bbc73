// Gauss-Doolittle solution of the bordered normal equations N K + h = 0:
// forward reduction of the upper triangle in place, back substitution, no
// pivoting and no inverse.
#include <algorithm>
#include <cmath>

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

// The same procedure over a sparse normal matrix.
//
// An element's terms are those of every earlier row l; a term whose factor
// M(l, j) or M(l, k) is not held is (0 x M) / pivot, an exact zero, and
// subtracting or adding it leaves the element as it is. So only rows that
// hold both factors are visited, in increasing l, and every other product,
// quotient and sum is the one of the full procedure. Two places need more
// care than that:
//  - A sum that is -0 is changed by adding a +0 (it becomes +0). N's
//    elements never start as -0 (they are sums that start at +0), but a
//    misclosure in the right-hand column may; while such an element is
//    still -0, the terms left out above are formed as well, in order.
//  - A zero pivot is a fault even where nothing would be divided by it. Once
//    an element of some row l is infinite or not a number (after an
//    overflow), the full procedure spreads it: a non-finite (l, j), j <= t,
//    makes every element of rows j..t non-finite (through the terms with a
//    zero factor, 0 x inf being NaN), and a NaN pivot (l, l) does so from row
//    l+1. Those rows can then no longer meet a zero pivot, and the stage
//    ends with the fault the flags record. The rows before that point are
//    the same in both and are reduced and checked as usual.

namespace {

std::size_t at(int k) { return static_cast<std::size_t>(k); }

bool isNegativeZero(double x) { return x == 0 && std::signbit(x); }

}  // namespace

void reduceForward(BorderedNormalMatrix& M) {
    const int t = M.conditionCount();
    const BorderedNormalMatrix::Pattern& P = M.pattern();
    const std::span<double> v = M.values();
    auto pivot = [&](int l) { return v[at(P.rowStart[at(l)])]; };
    std::vector<double> row(at(t) + 2, 0.0);  // row k being reduced, by column

    // First row whose pivot the full procedure would have made non-finite.
    int spoiledFrom = t + 1;
    auto noteNonFinite = [&](int k) {
        if (std::isnan(pivot(k))) spoiledFrom = std::min(spoiledFrom, k + 1);
        for (std::int32_t q = P.rowStart[at(k)] + 1; q < P.rowStart[at(k) + 1]; ++q) {
            if (!std::isfinite(v[at(q)])) spoiledFrom = std::min(spoiledFrom, static_cast<int>(P.column[at(q)]));
        }
    };

    if (t >= 2) requireNonZeroDivisor(pivot(1));
    noteNonFinite(1);
    for (int k = 2; k <= t; ++k) {
        if (k >= spoiledFrom) throwRecordedFault(FaultKind::Overflow);
        const std::int32_t first = P.rowStart[at(k)];
        const std::int32_t end = P.rowStart[at(k) + 1];
        for (std::int32_t q = first; q < end; ++q) row[at(P.column[at(q)])] = v[at(q)];

        // s = s - (M(l, j) M(l, k)) / M(l, l) for the rows l holding (l, k),
        // each adding its terms to every column j >= k it holds.
        const std::int32_t aboveEnd = P.aboveStart[at(k) + 1];
        for (std::int32_t a = P.aboveStart[at(k)]; a < aboveEnd; ++a) {
            const int l = P.aboveRow[at(a)];
            const std::int32_t lk = P.abovePosition[at(a)];
            const double mlk = v[at(lk)];
            const double mll = pivot(l);
            for (std::int32_t q = lk; q < P.rowStart[at(l) + 1]; ++q) {
                double& s = row[at(P.column[at(q)])];
                s = s - (v[at(q)] * mlk) / mll;
            }
        }
        for (std::int32_t q = first; q < end; ++q) v[at(q)] = row[at(P.column[at(q)])];

        // The right-hand column t+1, which holds every row.
        double s = M.rightHand(k);
        std::int32_t a = P.aboveStart[at(k)];
        if (isNegativeZero(s)) {
            for (int l = 1; l <= k - 1 && isNegativeZero(s); ++l) {
                const bool held = a < aboveEnd && P.aboveRow[at(a)] == l;
                const double mlk = held ? v[at(P.abovePosition[at(a)])] : 0.0;
                if (held) ++a;
                s = s - (M.rightHand(l) * mlk) / pivot(l);
            }
        }
        for (; a < aboveEnd; ++a) {
            const int l = P.aboveRow[at(a)];
            s = s - (M.rightHand(l) * v[at(P.abovePosition[at(a)])]) / pivot(l);
        }
        M.rightHand(k) = s;

        if (k < t) requireNonZeroDivisor(pivot(k));
        noteNonFinite(k);
    }
}

void substituteBack(const BorderedNormalMatrix& M, std::vector<double>& K) {
    const int t = M.conditionCount();
    const BorderedNormalMatrix::Pattern& P = M.pattern();
    const std::span<const double> v = M.values();
    for (int k = t; k >= 1; --k) {
        double s = M.rightHand(k);
        std::int32_t q = P.rowStart[at(k)] + 1;
        const std::int32_t end = P.rowStart[at(k) + 1];
        if (isNegativeZero(s)) {
            // Every j while the sum is -0, the places not held adding 0 K(j).
            for (int j = k + 1; j <= t && isNegativeZero(s); ++j) {
                const bool held = q < end && P.column[at(q)] == j;
                const double mkj = held ? v[at(q)] : 0.0;
                if (held) ++q;
                s = s + mkj * K[at(j)];
            }
        }
        for (; q < end; ++q) s = s + v[at(q)] * K[at(P.column[at(q)])];
        const double pivot = v[at(P.rowStart[at(k)])];
        requireNonZeroDivisor(pivot);
        K[at(k)] = -s / pivot;
    }
}

double cm1(const BorderedNormalMatrix& F, BorderedNormalMatrix& M, std::int16_t i, std::int16_t n,
           std::vector<double>& correlates) {
    const int t = 3 * n + 1;
    correlates.assign(static_cast<std::size_t>(t) + 1, 0.0);
    reduceForward(M);
    substituteBack(M, correlates);
    double r = 0;
    for (int j = 1; j <= t; ++j) r = r + F(j, i) * correlates[static_cast<std::size_t>(j)];
    return r;
}

void solveWeightReciprocals(AdjustmentState& s) {
    FaultGuard guard;
    const int t = s.conditionCount;
    BorderedNormalMatrix& N = s.normalMatrix;
    BorderedNormalMatrix& W = s.normalMatrixWork;

    // 1/px = [fx fx q] - gx^T N^-1 gx, gx being column t+1.
    s.solverRowIndex = static_cast<std::int16_t>(t + 1);
    const double r1 = cm1(N, W, s.solverRowIndex, s.triangleCount, s.correlates);
    s.weightReciprocalX = r1 + W(t + 1, t + 1);
    guard.check();

    // Restore the working copy, with the Y weight function as right-hand column.
    W.restoreBlockFrom(N);
    for (int a = 1; a <= t; ++a) W.rightHand(a) = N(a, t + 2);

    s.solverRowIndex = static_cast<std::int16_t>(t + 2);
    const double r2 = cm1(N, W, s.solverRowIndex, s.triangleCount, s.correlates);
    s.weightReciprocalY = r2 + N(t + 2, t + 2);
    guard.check();
}

}  // namespace kestrane
