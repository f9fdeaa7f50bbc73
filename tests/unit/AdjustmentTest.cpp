// The adjustment core: misclosures and weights, the structure of the normal
// equations, the Gauss-Doolittle solver against an independent solution,
// the traverse and the precision figures.
#include <gtest/gtest.h>

#include <random>

#include "NetworkFixture.h"
#include "adjustment/AdjustmentStages.h"
#include "angles/Angles.h"

using namespace kestrane;
using namespace kestrane::testing;

namespace {
std::size_t at(int k) { return static_cast<std::size_t>(k); }
}  // namespace

TEST(Adjustment, RegularHexagonTraverse) {
    // Six equilateral triangles of side 100 with A at the origin, T0 + Qa = 0.
    const RunRecord run = runComputation(fixture::answersFor(fixture::regularNetwork(6, KnownPointCase::AOnly)));
    ASSERT_EQ(run.result.outcome, RunOutcome::Completed);
    const AdjustmentState& s = run.state;

    // Error-free observations: every misclosure, correlate and correction is 0.
    for (int j = 1; j <= s.conditionCount; ++j) EXPECT_EQ(s.misclosures[at(j)], 0.0f) << j;
    for (int j = 1; j <= s.conditionCount; ++j) EXPECT_EQ(s.correlates[at(j)], 0.0) << j;
    EXPECT_EQ(s.angleSquareSum, 0.0);
    EXPECT_EQ(s.sideSquareSum, 0.0);
    EXPECT_EQ(s.unitWeightError(), 0.0f);
    const std::pair<const char*, const char*> shown[] = {
        {"Text13", ""},          {"Text14", " 0.00 毫米"}, {"Text15", " 0.00 秒"}, {"Text18", " 0.00 秒"},
        {"Text23", "0.00 毫米"}, {"Text25", " P7"},        {"Text26", " 0.000"},   {"Text27", " 0.000"}};
    for (const auto& [field, text] : shown) EXPECT_EQ(run.window.text(field), text) << field;
    EXPECT_GT(s.weightReciprocalX, 0.0);
    EXPECT_GT(s.weightReciprocalY, 0.0);

    const double azimuths[] = {0, 0, 60, 120, 180, 240, 0, 240};
    for (int i = 1; i <= 7; ++i) EXPECT_NEAR(s.sideAzimuths[at(i)], azimuths[i], 1e-9) << i;
    const double x[] = {0, 100, 150, 100, 0, -50, 50, 0};
    const double y[] = {0, 0, 86.603, 173.205, 173.205, 86.603, 86.603, 0};
    for (int i = 0; i <= 7; ++i) {
        EXPECT_NEAR(s.pointX[at(i)], x[i], 6e-4) << i;
        EXPECT_NEAR(s.pointY[at(i)], y[i], 6e-4) << i;
    }
}

TEST(Adjustment, ClosurePointReproducesTheKnownPoint) {
    for (KnownPointCase known : {KnownPointCase::AOnly, KnownPointCase::AWithB, KnownPointCase::AWithC}) {
        // Irregular radii and directions, still error free.
        const fixture::Polygon net{3401810.31, 526929.41, {700, 810, 650, 900, 760}, {200, 262, 318, 30, 121}};
        const AdjustmentState s = fixture::completedState(fixture::exactNetwork(net, known));
        if (!s.complete) continue;
        const int last = known == KnownPointCase::AOnly ? 6 : 5;
        const double wantX = known == KnownPointCase::AOnly ? net.outerX(0) : known == KnownPointCase::AWithB ? net.outerX(4) : net.cx;
        const double wantY = known == KnownPointCase::AOnly ? net.outerY(0) : known == KnownPointCase::AWithB ? net.outerY(4) : net.cy;
        // Angles typed to a tenth of a second and sides to 0.1 mm.
        EXPECT_NEAR(s.pointX[at(last)], wantX, 2e-3) << static_cast<int>(known);
        EXPECT_NEAR(s.pointY[at(last)], wantY, 2e-3) << static_cast<int>(known);
        EXPECT_EQ(s.resultRowCount, last);
        EXPECT_LT(s.unitWeightError(), 0.5f);
        // The adjusted observations satisfy every condition.
        for (int i = 1; i <= 5; ++i) {
            const double a = s.angleDegrees[at(3 * i - 2)], b = s.angleDegrees[at(3 * i - 1)], c = s.angleDegrees[at(3 * i)];
            EXPECT_NEAR(a + b + c, 180, 1e-9);
            // s(2i-1) sin a = s(2i+1) sin b; the adjusted s(1) closes the last triangle.
            const double f = RAD_PER_DEG;
            const int next = i == 5 ? 1 : 2 * i + 1;
            EXPECT_NEAR(std::sin(a * f) * s.sideLengths[at(2 * i - 1)], std::sin(b * f) * s.sideLengths[at(next)], 1e-6);
        }
    }
}

TEST(Adjustment, SideWeightFromTheTolerance) {
    AdjustmentState s;
    s.triangleCount = 3;
    s.conditionCount = 10;
    s.redimension(3);
    s.angleTolerance = 10;
    for (int k = 1; k <= 7; ++k) s.sideLengths[at(k)] = 1000;
    for (int k = 1; k <= 9; ++k) s.angleDegrees[at(k)] = 60;
    ScriptedPrompt prompt(std::vector<std::string>{});
    WindowFields window;
    Services io{prompt, window};
    computeSideMisclosuresAndWeights(s, io);
    // 1000 * 10 * 1000 / 1.414 / 206265 = 34.2866 mm; q = that^2 / 10^2.
    const double ae = 1000.0 * 10 * 1000 / 1.414 / 206265;
    EXPECT_NEAR(ae, 34.2866, 1e-4);
    EXPECT_EQ(s.sideWeightReciprocal, ae * ae / 100);
    EXPECT_NEAR(s.sideWeightReciprocal, 11.7557, 1e-4);
    EXPECT_EQ(s.weightReciprocals[0], 1.0);
    EXPECT_EQ(s.weightReciprocals[9], 1.0);
    EXPECT_EQ(s.weightReciprocals[10], s.sideWeightReciprocal);
    EXPECT_EQ(s.weightReciprocals[15], s.sideWeightReciprocal);
    // Six pauses, one before each side-condition misclosure; w(7) is the horizon.
    EXPECT_EQ(prompt.asks.size(), 6u);
    EXPECT_EQ(window.caption("Label24").value(), "w(7)");
    EXPECT_EQ(window.text("Text15"), " -648000.00 秒");  // central angles summing to 180
}

TEST(Adjustment, TriangleMisclosureInSeconds) {
    AdjustmentState s;
    s.triangleCount = 3;
    s.redimension(3);
    s.angleDegrees[1] = 60.001;
    s.angleDegrees[2] = 60;
    s.angleDegrees[3] = 60;
    ScriptedPrompt prompt(std::vector<std::string>{});
    WindowFields window;
    Services io{prompt, window};
    computeTriangleMisclosure(s, io, 1);
    EXPECT_EQ(s.misclosures[1], static_cast<float>((60.001 + 60 + 60 - 180) * 3600));
    EXPECT_EQ(window.text("Text13"), " 3.60 秒");
    EXPECT_EQ(window.caption("Label22").value(), "w(1)");
}

TEST(Adjustment, NormalMatrixStructure) {
    for (KnownPointCase known : {KnownPointCase::AOnly, KnownPointCase::AWithB, KnownPointCase::AWithC}) {
        AdjustmentState fresh = fixture::completedState(fixture::regularNetwork(5, known, 500));
        if (!fresh.complete) continue;
        // Rebuild the matrices (the final solve reduced normalMatrix in place).
        formConditionEquations(fresh);
        const int n = 5, t = 16;
        const auto& N = fresh.normalMatrix;
        const auto& A = fresh.conditionCoefficients;
        for (int i = 1; i <= n; ++i) {
            EXPECT_EQ(N(i, i), 3.0);
            EXPECT_EQ(N(i, t), 1.0);
            for (int j = 1; j <= n; ++j) {
                if (j != i) {
                    EXPECT_EQ(N(i, j), 0.0);
                }
            }
        }
        EXPECT_EQ(N(t, t), 5.0);
        for (int a = 0; a <= t + 2; ++a) {
            EXPECT_EQ(N(0, a), 0.0);
            EXPECT_EQ(N(a, 0), 0.0);
            for (int b = 0; b <= t + 2; ++b) {
                EXPECT_EQ(N(a, b), N(b, a));
                EXPECT_EQ(N(a, b), fresh.normalMatrixWork(a, b));
            }
        }
        for (int row = 1; row <= t; ++row) EXPECT_EQ(A(row, 0), 0.0);
        if (known == KnownPointCase::AWithB) {
            EXPECT_EQ(A(3 * n, 5 * n), 0.0);
            EXPECT_NE(A(3 * n, 3 * n - 2), 0.0);  // the computed A-B distance still enters
        }
        if (known == KnownPointCase::AWithC) {
            EXPECT_EQ(A(n + 1, 3 * n + 1), 0.0);
            EXPECT_EQ(A(3 * n - 1, 3 * n + 1), 0.0);
            EXPECT_EQ(A(3 * n, 3 * n + 1), 0.0);
        }
        if (known == KnownPointCase::AOnly) {
            // Qa typed as 0: sign 0, so the orientation angle drops out.
            EXPECT_EQ(A(t + 1, 0), 0.0);
            EXPECT_EQ(A(t + 2, 0), 0.0);
        } else {
            EXPECT_NE(A(t + 1, 1), 0.0);
        }
    }
}

namespace {

// A random symmetric positive definite bordered system: N in 1..t, right-hand
// column t+1, weight columns t+1 and t+2 as the normal matrix builds them.
Matrix randomBorderedSystem(int t, std::mt19937& rng) {
    std::uniform_real_distribution<double> u(-1, 1);
    const int obs = t + 4;
    Matrix A(t + 2, obs);
    for (int r = 1; r <= t + 2; ++r)
        for (int c = 1; c <= obs; ++c) A(r, c) = (rng() % 3 == 0) ? u(rng) : 0.0;
    for (int r = 1; r <= t; ++r) A(r, r) += 2;  // full rank
    Matrix M(t + 2, t + 2);
    for (int a = 1; a <= t + 2; ++a)
        for (int b = 1; b <= t + 2; ++b) {
            double sum = 0;
            for (int c = 1; c <= obs; ++c) sum += A(a, c) * A(b, c);
            M(a, b) = sum;
        }
    return M;
}

// Independent solution of N k = -h by Gaussian elimination with partial
// pivoting in long double.
std::vector<long double> independentSolve(const Matrix& M, int t) {
    std::vector<std::vector<long double>> a(t, std::vector<long double>(t + 1));
    for (int r = 0; r < t; ++r) {
        for (int c = 0; c < t; ++c) a[r][c] = M(r + 1, c + 1);
        a[r][t] = -static_cast<long double>(M(r + 1, t + 1));
    }
    for (int c = 0; c < t; ++c) {
        int p = c;
        for (int r = c + 1; r < t; ++r) if (std::fabs(a[r][c]) > std::fabs(a[p][c])) p = r;
        std::swap(a[c], a[p]);
        for (int r = c + 1; r < t; ++r) {
            const long double f = a[r][c] / a[c][c];
            for (int k = c; k <= t; ++k) a[r][k] -= f * a[c][k];
        }
    }
    std::vector<long double> x(t);
    for (int r = t - 1; r >= 0; --r) {
        long double s = a[r][t];
        for (int k = r + 1; k < t; ++k) s -= a[r][k] * x[k];
        x[r] = s / a[r][r];
    }
    return x;
}

}  // namespace

TEST(Solver, AgreesWithAnIndependentSolution) {
    std::mt19937 rng(7);
    for (int n : {1, 2, 3, 5}) {
        const int t = 3 * n + 1;
        const Matrix F = randomBorderedSystem(t, rng);
        Matrix M = F;
        std::vector<double> k;
        const double r = cm1(F, M, static_cast<std::int16_t>(t + 1), static_cast<std::int16_t>(n), k);
        const auto expected = independentSolve(F, t);
        long double hk = 0;
        ASSERT_EQ(k.size(), static_cast<std::size_t>(t + 1));
        EXPECT_EQ(k[0], 0.0);
        for (int j = 1; j <= t; ++j) {
            EXPECT_NEAR(k[at(j)], static_cast<double>(expected[at(j - 1)]), 1e-10) << n << " " << j;
            hk += F(j, t + 1) * expected[at(j - 1)];
        }
        EXPECT_NEAR(r, static_cast<double>(hk), 1e-10);  // -h^T N^-1 h
        // Row 1, row t+1 and column t+2 are untouched by the reduction.
        for (int c = 0; c <= t + 2; ++c) {
            EXPECT_EQ(M(1, c), F(1, c));
            EXPECT_EQ(M(t + 1, c), F(t + 1, c));
            EXPECT_EQ(M(c, t + 2), F(c, t + 2));
        }
    }
}

TEST(Solver, ReadsOnlyTheUpperTriangleAndTheRightHandColumn) {
    std::mt19937 rng(11);
    const int n = 3, t = 10;
    const Matrix F = randomBorderedSystem(t, rng);
    Matrix clean = F, garbage = F;
    for (int r = 2; r <= t; ++r)
        for (int c = 1; c < r; ++c) garbage(r, c) = 1e6 * r + c;
    std::vector<double> k1, k2;
    const double r1 = cm1(F, clean, t + 1, n, k1);
    const double r2 = cm1(F, garbage, t + 1, n, k2);
    EXPECT_EQ(k1, k2);
    EXPECT_EQ(r1, r2);
    // Reducing the reduced matrix again subtracts the terms twice: a wrong K.
    std::vector<double> k3;
    cm1(F, clean, t + 1, n, k3);
    EXPECT_NE(k1, k3);
}

TEST(Solver, DiagonalSystemAndZeroPivot) {
    const int n = 1, t = 4;
    Matrix M(t + 2, t + 2);
    for (int k = 1; k <= t; ++k) {
        M(k, k) = k + 1;
        M(k, t + 1) = 3 * k;
    }
    const Matrix F = M;
    std::vector<double> K;
    cm1(F, M, t + 1, n, K);
    for (int k = 1; k <= t; ++k) EXPECT_EQ(K[at(k)], -(3.0 * k) / (k + 1));
    for (int k = 1; k <= t; ++k) EXPECT_EQ(M(k, k), F(k, k));

    for (const int zero : {2, t}) {
        Matrix singular = F;
        singular(zero, zero) = 0;
        try {
            cm1(F, singular, t + 1, n, K);
            ADD_FAILURE() << "a zero pivot must stop the solve: " << zero;
        } catch (const ComputationFault& fault) {
            EXPECT_EQ(fault.kind(), FaultKind::DivisionByZero) << zero;
        }
    }
}

TEST(Precision, WorkedFigures) {
    AdjustmentState s;
    s.conditionCount = 10;
    s.angleSquareSum = 30;
    s.sideSquareSum = 10;
    computeUnitWeightError(s);
    EXPECT_EQ(s.unitWeightError(), 2.0f);
    s.sideWeightReciprocal = 2.25;
    computeSideUnitError(s);
    EXPECT_EQ(s.sideUnitError, 3.0f);
    s.weightReciprocalX = 2.25;
    s.weightReciprocalY = 4;
    computeWeakestErrorX(s);
    computeWeakestErrorY(s);
    EXPECT_EQ(s.weakestErrorX, 3.0f);
    EXPECT_EQ(s.weakestErrorY, 4.0f);
    computeWeakestPositionError(s);
    EXPECT_EQ(s.weakestPositionError, 5.0f);

    // md is formed from the single-precision mx and my.
    s.weakestErrorX = 1.1f;
    s.weakestErrorY = 2.3f;
    computeWeakestPositionError(s);
    const double mx = 1.1f, my = 2.3f;
    EXPECT_EQ(s.weakestPositionError, static_cast<float>(std::sqrt(mx * mx + my * my)));

    // A negative weight reciprocal has no root: a floating-point fault.
    s.weightReciprocalX = -1;
    try {
        computeWeakestErrorX(s);
        FAIL();
    } catch (const ComputationFault& fault) {
        EXPECT_EQ(fault.kind(), FaultKind::FloatingPoint);
    }
}
