// The quality check and the rigorous weighting against independent dense
// computations: the condition adjustment redone with full arrays and a dense
// inverse, a least-squares adjustment by coordinates (variation of
// coordinates, Gauss-Newton) for the rigorous results, and Boost.Math's
// chi-square quantiles.
#include <gtest/gtest.h>

#include <boost/math/distributions/chi_squared.hpp>

#include <cmath>
#include <functional>

#include "NetworkFixture.h"
#include "adjustment/ChiSquare.h"
#include "adjustment/PointPrecision.h"
#include "adjustment/QualityCheck.h"
#include "adjustment/SelectedInversion.h"
#include "driver/ComputationDriver.h"

namespace kestrane {
namespace {

using fixture::NetworkInput;
using Dense = std::vector<std::vector<double>>;
constexpr double kPi = 3.141592653589793;
std::size_t at(int k) { return static_cast<std::size_t>(k); }

using testing::packedDegrees;

Dense inverse(Dense a) {
    const std::size_t m = a.size();
    Dense b(m, std::vector<double>(m, 0.0));
    for (std::size_t i = 0; i < m; ++i) b[i][i] = 1;
    for (std::size_t c = 0; c < m; ++c) {
        std::size_t p = c;
        for (std::size_t r = c + 1; r < m; ++r) if (std::fabs(a[r][c]) > std::fabs(a[p][c])) p = r;
        std::swap(a[c], a[p]);
        std::swap(b[c], b[p]);
        const double d = a[c][c];
        for (std::size_t k = 0; k < m; ++k) a[c][k] /= d, b[c][k] /= d;
        for (std::size_t r = 0; r < m; ++r) {
            if (r == c || a[r][c] == 0) continue;
            const double f = a[r][c];
            for (std::size_t k = 0; k < m; ++k) a[r][k] -= f * a[c][k], b[r][k] -= f * b[c][k];
        }
    }
    return b;
}

// The condition adjustment of the quality check with full arrays: A by central
// differences of the 3n+1 conditions, N = A Q A^T inverted densely.
struct DenseCheck {
    std::vector<double> w, sdW, v, r, length;
    double vpv = 0;
};

DenseCheck denseCheck(const NetworkInput& in, const AdjustmentState& s, double sigmaBeta, const std::vector<double>& sigmaS) {
    const int n = in.n, t = 3 * n + 1, m = 5 * n;
    const int known = s.knownSide();
    std::vector<double> obs(at(m) + 1);
    for (int k = 1; k <= 3 * n; ++k) obs[at(k)] = packedDegrees(in.angles[at(k)]);
    for (int k = 1; k <= 2 * n; ++k) obs[at(3 * n + k)] = k == known ? s.sideLengths[at(k)] : std::stod(in.sides[at(k)]);
    auto conditions = [&](const std::vector<double>& x) {
        std::vector<double> f(at(t) + 1);
        auto side = [&](int k) { return x[at(3 * n + (k == 2 * n + 1 ? 1 : k))]; };
        // The misclosures with the program's degree (pi to ten decimals).
        auto sine = [&](int k) { return std::sin(x[at(k)] * 0.017453292519444445); };
        double central = 0;
        for (int i = 1; i <= n; ++i) {
            f[at(i)] = (x[at(3 * i - 2)] + x[at(3 * i - 1)] + x[at(3 * i)] - 180) * 3600;
            f[at(n + 2 * i - 1)] = side(2 * i - 1) * sine(3 * i - 2) - side(2 * i + 1) * sine(3 * i - 1);
            f[at(n + 2 * i)] = side(2 * i + 1) * sine(3 * i) - side(2 * i) * sine(3 * i - 2);
            central += x[at(3 * i)];
        }
        f[at(t)] = (central - 360) * 3600;
        return f;
    };
    DenseCheck d;
    d.w = conditions(obs);
    Dense A(at(t) + 1, std::vector<double>(at(m) + 1, 0.0));
    std::vector<double> q(at(m) + 1, 1.0);
    for (int u = 1; u <= m; ++u) {
        const bool isSide = u > 3 * n;
        if (isSide && u - 3 * n == known) continue;
        // Central differences: a side by 0.1 mm; an angle by 0.01" for the
        // angle conditions and by 1e-7 radian for the side conditions, whose
        // angle terms take a second as 1 / 206265 radian, as the method does.
        auto derivative = [&](double h, int j) {
            std::vector<double> plus = obs, minus = obs;
            plus[at(u)] += h;
            minus[at(u)] -= h;
            return (conditions(plus)[at(j)] - conditions(minus)[at(j)]) / (2 * h);
        };
        for (int j = 1; j <= t; ++j) {
            const bool sideCondition = j > n && j < t;
            if (isSide) A[at(j)][at(u)] = derivative(1e-4, j);
            else if (!sideCondition) A[at(j)][at(u)] = derivative(0.01 / 3600, j) / 3600;
            else A[at(j)][at(u)] = derivative(1e-7 / 0.017453292519444445, j) / 0.017453292519444445 / 206265;
        }
        if (isSide) q[at(u)] = std::pow(sigmaS[at(u - 3 * n)] / 1000, 2) / (sigmaBeta * sigmaBeta);
    }
    Dense N(at(t), std::vector<double>(at(t), 0.0));
    for (int a = 1; a <= t; ++a)
        for (int b = 1; b <= t; ++b)
            for (int u = 1; u <= m; ++u) N[at(a - 1)][at(b - 1)] += A[at(a)][at(u)] * q[at(u)] * A[at(b)][at(u)];
    const Dense Ni = inverse(N);
    std::vector<double> K(at(t), 0.0);
    for (int a = 0; a < t; ++a)
        for (int b = 0; b < t; ++b) K[at(a)] -= Ni[at(a)][at(b)] * d.w[at(b + 1)];
    d.sdW.assign(at(t) + 1, 0.0);
    for (int j = 1; j <= t; ++j) d.sdW[at(j)] = sigmaBeta * std::sqrt(N[at(j - 1)][at(j - 1)]);
    d.v.assign(at(m) + 1, 0.0);
    d.r.assign(at(m) + 1, 0.0);
    for (int u = 1; u <= m; ++u) {
        for (int j = 1; j <= t; ++j) {
            d.v[at(u)] += q[at(u)] * A[at(j)][at(u)] * K[at(j - 1)];
            for (int k = 1; k <= t; ++k) d.r[at(u)] += q[at(u)] * A[at(j)][at(u)] * Ni[at(j - 1)][at(k - 1)] * A[at(k)][at(u)];
        }
        d.vpv += d.v[at(u)] * d.v[at(u)] / q[at(u)];
    }
    d.length.assign(at(2 * n) + 1, 0.0);
    for (int k = 1; k <= 2 * n; ++k) d.length[at(k)] = obs[at(3 * n + k)] + d.v[at(3 * n + k)];
    return d;
}

void expectNear(double mine, double reference, const std::string& what) {
    EXPECT_LE(std::fabs(mine - reference), std::max(1e-5 * std::fabs(reference), 1e-6)) << what << ": " << mine << " vs " << reference;
}

// A flag may differ from the reference only where its figure lies within
// 1e-5 of the threshold.
void expectFlag(bool mine, double figure, double threshold, const std::string& what) {
    if (std::fabs(std::fabs(figure) - threshold) > 1e-5 * threshold) {
        EXPECT_EQ(mine, std::fabs(figure) > threshold) << what;
    }
}

struct Case {
    KnownPointCase known;
    int n;
    std::uint64_t seed;
    AprioriSettings settings;
    int blunderAngle;      // observation 1..3n given 30" too much, or 0
    int blunderSide;       // side k given 0.12 m too much, or 0
};

std::string caseName(const Case& c) {
    return std::string(fixture::caseName(c.known)) + "_n" + std::to_string(c.n) + "_seed" + std::to_string(c.seed);
}

AprioriSettings given(std::optional<double> angle, std::optional<SideErrorModel> side,
                      Weighting weighting = Weighting::Classic) {
    return {weighting, angle, side};
}

TEST(QualityCheck, AgreesWithADenseComputationInEveryFigureAndFlag) {
    const std::vector<Case> cases = {
        {KnownPointCase::AOnly, 3, 1, {}, 0, 0},
        {KnownPointCase::AOnly, 9, 2, given(2.0, SideErrorModel{3, std::nullopt}), 5, 0},
        {KnownPointCase::AOnly, 14, 3, given(1.5, SideErrorModel{2, 2.0}, Weighting::Rigorous), 0, 7},
        {KnownPointCase::AWithB, 5, 4, {}, 0, 0},
        {KnownPointCase::AWithB, 11, 5, given(2.0, SideErrorModel{1, 5.0}), 13, 4},
        {KnownPointCase::AWithC, 4, 6, given(std::nullopt, std::nullopt, Weighting::Rigorous), 0, 0},
        {KnownPointCase::AWithC, 12, 7, given(3.0, SideErrorModel{0, 10.0}), 0, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(caseName(c));
        NetworkInput in = fixture::randomNetwork(c.n, c.known, c.seed, 1.5, 2.0);
        if (c.blunderAngle) {
            // 30" more, written back as packed d.mmss with tenths of seconds.
            in.angles[at(c.blunderAngle)] = testing::packedText(packedDegrees(in.angles[at(c.blunderAngle)]) + 30.0 / 3600);
        }
        if (c.blunderSide) in.sides[at(c.blunderSide)] = std::to_string(std::stod(in.sides[at(c.blunderSide)]) + 0.12);
        const AdjustmentState s = fixture::completedState(in, c.settings);
        ASSERT_TRUE(s.complete);
        const QualityCheck q = checkQuality(s);
        ASSERT_FALSE(q.error);
        const int n = c.n, t = 3 * n + 1;
        const int known = s.knownSide();

        // The model: sigma_beta the tolerance (10") unless given; sigma_s the
        // classic side error unless given, ppm of the observed length.
        const double sigmaBeta = c.settings.angleSd.value_or(10.0);
        std::vector<double> sigmaS(at(2 * n) + 1, 0.0);
        auto observed = [&](int k) { return k == known ? s.sideLengths[at(k)] : std::stod(in.sides[at(k)]); };
        double mean = 0;
        for (int k = 1; k <= 2 * n; ++k) mean += observed(k);
        mean /= 2 * n;
        for (int k = 1; k <= 2 * n; ++k) {
            const double length = observed(k);
            const auto& m = c.settings.sideSd;
            sigmaS[at(k)] = !m ? mean * 10 * 1000 / 1.414 / 206265
                               : std::hypot(m->mm, m->ppm.value_or(0) * length / 1000);
            if (k == known) {
                EXPECT_FALSE(q.sideSdMm[at(k - 1)]);
            } else {
                expectNear(*q.sideSdMm[at(k - 1)], sigmaS[at(k)], "sigma_s");
            }
        }
        EXPECT_EQ(q.angleSd, sigmaBeta);

        const DenseCheck d = denseCheck(in, s, sigmaBeta, sigmaS);
        ASSERT_EQ(q.conditions.size(), at(t));
        for (int j = 1; j <= t; ++j) {
            const ConditionCheck& cc = q.conditions[at(j - 1)];
            const double unit = cc.sideCondition ? 1000 : 1;
            expectNear(cc.w, d.w[at(j)] * unit, cc.name + " w");
            expectNear(cc.sd, d.sdW[at(j)] * unit, cc.name + " sd");
            expectNear(cc.limit, 2 * d.sdW[at(j)] * unit, cc.name + " limit");
            expectFlag(cc.flag, d.w[at(j)], 2 * d.sdW[at(j)], cc.name);
        }
        double ww = 0;
        for (int i = 1; i <= n; ++i) ww += d.w[at(i)] * d.w[at(i)];
        expectNear(q.ferreroMb, std::sqrt(ww / (3 * n)), "Ferrero");

        expectNear(q.adjustment.sigma0, std::sqrt(d.vpv / t), "sigma0");
        expectNear(q.adjustment.statistic, d.vpv / (sigmaBeta * sigmaBeta), "statistic");
        const boost::math::chi_squared chi(t);
        EXPECT_NEAR(q.adjustment.lower, boost::math::quantile(chi, 0.025), 1e-9 * q.adjustment.lower);
        EXPECT_NEAR(q.adjustment.upper, boost::math::quantile(chi, 0.975), 1e-9 * q.adjustment.upper);

        // Every observation, and the redundancy numbers summing to t.
        double sumR = 0;
        std::size_t largest = 0;
        double largestW = -1;
        std::size_t o = 0;
        for (int u = 1; u <= 5 * n; ++u) {
            if (u > 3 * n && u - 3 * n == known) continue;
            const ObservationCheck& ob = q.observations[o];
            const bool side = u > 3 * n;
            const double unit = side ? 1000 : 1;
            const double sigma = side ? sigmaS[at(u - 3 * n)] : sigmaBeta;
            const double v = d.v[at(u)] * unit, r = d.r[at(u)];
            const double w = v / (sigma * std::sqrt(r));
            expectNear(ob.v, v, ob.name + " v");
            expectNear(ob.r, r, ob.name + " r");
            expectNear(*ob.w, w, ob.name + " w");
            expectNear(*ob.nabla, -v / r, ob.name + " nabla");
            expectNear(*ob.mdb, 4.13 * sigma / std::sqrt(r), ob.name + " mdb");
            expectFlag(ob.blunder, w, kBlunderThreshold, ob.name + " blunder");
            if (std::fabs(r - kWeakRedundancy) > 1e-5 * kWeakRedundancy) {
                EXPECT_EQ(ob.weak, r < kWeakRedundancy) << ob.name;
            }
            if (std::fabs(w) > largestW) largestW = std::fabs(w), largest = o;
            sumR += ob.r;
            ++o;
        }
        EXPECT_EQ(o, q.observations.size());
        EXPECT_NEAR(sumR, t, 1e-9 * t);
        EXPECT_EQ(*q.largestW, largest);
        if (c.blunderAngle || c.blunderSide) {
            EXPECT_GT(q.flagCount(), 0);
        }

        // Every side: the rigorous length, its standard error and 1/T.
        for (const SideCheck& sc : q.sides) {
            const double r = d.r[at(3 * n + sc.side)];
            const double sd = sigmaS[at(sc.side)] * std::sqrt(1 - r);
            expectNear(sc.length, d.length[at(sc.side)], sc.name + " length");
            expectNear(*sc.sdMm, sd, sc.name + " sd");
            EXPECT_LE(std::fabs(*sc.T - d.length[at(sc.side)] / (sd / 1000)), 50 + 1e-5 * *sc.T) << sc.name;
            EXPECT_EQ(std::fmod(*sc.T, 100), 0);
        }

        // The shown coordinates are the rigorous ones when the results are.
        ASSERT_EQ(q.points.size(), at(s.resultRowCount) + 1);
        for (const PointCheck& p : q.points) {
            if (c.settings.rigorous()) {
                EXPECT_EQ(std::hypot(p.dXmm, p.dYmm), 0) << p.name;
            }
        }
    }
}

// The selected inverse against a dense inverse of the same normal matrix,
// on every place of the factor.
TEST(QualityCheck, SelectedInverseAgreesWithTheDenseInverse) {
    for (const KnownPointCase known : fixture::kKnownCases) {
        for (const int n : {3, 4, 7, 12}) {
            const AdjustmentState s = fixture::completedState(fixture::randomNetwork(n, known, 40 + static_cast<std::uint64_t>(n)),
                                                              given(std::nullopt, std::nullopt, Weighting::Rigorous));
            ASSERT_TRUE(s.complete);
            const BorderedNormalMatrix& N = s.normalMatrix;  // reduced by the final solve
            const int t = N.conditionCount();
            // N = A Q A^T formed anew from the coefficients and weights.
            const SparseMatrix& A = s.conditionCoefficients;
            Dense full(at(t), std::vector<double>(at(t), 0.0));
            for (int u = 0; u <= 5 * n; ++u) {
                for (const auto& e1 : A.column(u)) {
                    for (const auto& e2 : A.column(u)) {
                        if (e1.index > t || e2.index > t) continue;
                        full[at(e1.index - 1)][at(e2.index - 1)] += e1.value * s.weightReciprocals[at(u)] * e2.value;
                    }
                }
            }
            const Dense dense = inverse(full);
            const SelectedInverse Z(N);
            const auto& P = N.pattern();
            for (int i = 1; i <= t; ++i) {
                for (std::int32_t q = P.rowStart[at(i)]; q < P.rowStart[at(i) + 1]; ++q) {
                    const int j = P.column[at(q)];
                    const double ref = dense[at(i - 1)][at(j - 1)];
                    EXPECT_NEAR(Z(i, j), ref, 1e-9 * std::fabs(dense[at(i - 1)][at(i - 1)]) + 1e-15) << n << " " << i << "," << j;
                }
            }
        }
    }
}

// The rigorous weighting against a least-squares adjustment by coordinates
// of the same observations and standard errors: every point's coordinates
// within 0.1 mm, and sigma_beta^2 / px, sigma_beta^2 / py the a-priori
// variances of X and Y within 1 %.
TEST(RigorousWeighting, AgreesWithAnAdjustmentByCoordinates) {
    for (const KnownPointCase known : fixture::kKnownCases) {
        for (const int n : {3, 6, 13}) {
            SCOPED_TRACE(caseName({known, n, 0, {}, 0, 0}));
            const NetworkInput in = fixture::randomNetwork(n, known, 70 + static_cast<std::uint64_t>(n), 2.0, 3.0);
            const AprioriSettings settings = given(2.0, SideErrorModel{2, 2.0}, Weighting::Rigorous);
            const AdjustmentState s = fixture::completedState(in, settings);
            ASSERT_TRUE(s.complete);

            // Points: 0 = A, 1..n-1 outer points, n = the centre (outer
            // point n is A). Unknown: every one that is not A, B or C.
            // Row of the report for each point: the centre is row n (AOnly,
            // AWithC) or n-1 (AWithB, where B is row n).
            auto row = [&](int j) {
                if (known == KnownPointCase::AWithB) return j == n ? n - 1 : (j == n - 1 ? n : j);
                return j;
            };
            std::vector<fixture::Point> pt(at(n) + 1);
            pt[0] = {s.Xa, s.Ya};
            for (int j = 1; j <= n; ++j) pt[at(j)] = {s.pointX[at(row(j))], s.pointY[at(row(j))]};
            const int bIndex = known == KnownPointCase::AWithB ? n - 1 : -1;
            if (known == KnownPointCase::AWithB) pt[at(n - 1)] = {s.Xb, s.Yb};
            if (known == KnownPointCase::AWithC) pt[at(n)] = {s.Xc, s.Yc};
            std::vector<int> unknown;
            for (int j = 1; j <= n; ++j) {
                if (j != bIndex && (known != KnownPointCase::AWithC || j != n)) unknown.push_back(j);
            }
            // Start from rounded coordinates, away from the answer.
            for (int j : unknown) pt[at(j)] = {std::round(pt[at(j)].x) + 0.3, std::round(pt[at(j)].y) - 0.2};

            auto outer = [&](int i) { return i % n == 0 ? 0 : i; };
            auto angleAt = [&](int p, int q, int r) {  // seconds
                const double a1 = std::atan2(pt[at(q)].y - pt[at(p)].y, pt[at(q)].x - pt[at(p)].x);
                const double a2 = std::atan2(pt[at(r)].y - pt[at(p)].y, pt[at(r)].x - pt[at(p)].x);
                double d = std::fabs(a1 - a2);
                if (d > kPi) d = 2 * kPi - d;
                return d * 180 / kPi * 3600;
            };
            auto dist = [&](int p, int q) { return std::hypot(pt[at(q)].x - pt[at(p)].x, pt[at(q)].y - pt[at(p)].y) * 1000; };
            struct Obs {
                std::function<double()> computed;
                double observed, sigma;
            };
            std::vector<Obs> obs;
            const double sb = 2.0;
            for (int i = 1; i <= n; ++i) {
                const int p0 = outer(i - 1), p1 = outer(i);
                obs.push_back({[=] { return angleAt(p0, n, p1); }, packedDegrees(in.angles[at(3 * i - 2)]) * 3600, sb});
                obs.push_back({[=] { return angleAt(p1, p0, n); }, packedDegrees(in.angles[at(3 * i - 1)]) * 3600, sb});
                obs.push_back({[=] { return angleAt(n, p0, p1); }, packedDegrees(in.angles[at(3 * i)]) * 3600, sb});
            }
            for (int k = 1; k <= 2 * n; ++k) {
                if (k == s.knownSide()) continue;
                const double length = std::stod(in.sides[at(k)]);
                const int a = k % 2 ? n : outer(k / 2 - 1), b = k % 2 ? outer((k - 1) / 2) : outer(k / 2);
                obs.push_back({[=] { return dist(a, b); }, length * 1000, std::hypot(2.0, 2.0 * length / 1000)});
            }
            if (known == KnownPointCase::AOnly) {
                // The orientation T0 + Qa of A -> 1, observed with sigma_beta.
                const double alpha = (s.t0Degrees + s.qaDegrees) * 3600;
                obs.push_back({[&pt, alpha] {
                                   double a = std::atan2(pt[1].y - pt[0].y, pt[1].x - pt[0].x) * 180 / kPi * 3600;
                                   while (a - alpha > 648000) a -= 1296000;
                                   while (alpha - a > 648000) a += 1296000;
                                   return a;
                               },
                               alpha, sb});
            }
            const std::size_t u = unknown.size() * 2;
            Dense covariance;
            for (int iteration = 0; iteration < 8; ++iteration) {
                Dense J(obs.size(), std::vector<double>(u, 0.0));
                std::vector<double> l(obs.size());
                for (std::size_t o = 0; o < obs.size(); ++o) l[o] = obs[o].observed - obs[o].computed();
                for (std::size_t k = 0; k < u; ++k) {  // unknowns in millimetres, stepped by 1 mm
                    double& c = k % 2 ? pt[at(unknown[k / 2])].y : pt[at(unknown[k / 2])].x;
                    const double kept = c;
                    c = kept + 1e-3;
                    for (std::size_t o = 0; o < obs.size(); ++o) J[o][k] = obs[o].computed();
                    c = kept - 1e-3;
                    for (std::size_t o = 0; o < obs.size(); ++o) J[o][k] = (J[o][k] - obs[o].computed()) / 2;
                    c = kept;
                }
                if (iteration == 0) {
                    for (std::size_t o = 0; o < obs.size(); ++o) ASSERT_TRUE(std::isfinite(l[o])) << o;
                }
                Dense N(u, std::vector<double>(u, 0.0));
                std::vector<double> h(u, 0.0);
                for (std::size_t o = 0; o < obs.size(); ++o) {
                    const double p = 1 / (obs[o].sigma * obs[o].sigma);
                    for (std::size_t a = 0; a < u; ++a) {
                        h[a] += J[o][a] * p * l[o];
                        for (std::size_t b = 0; b < u; ++b) N[a][b] += J[o][a] * p * J[o][b];
                    }
                }
                covariance = inverse(N);
                for (std::size_t a = 0; a < u; ++a) {
                    double dx = 0;
                    for (std::size_t b = 0; b < u; ++b) dx += covariance[a][b] * h[b];
                    (a % 2 ? pt[at(unknown[a / 2])].y : pt[at(unknown[a / 2])].x) += dx / 1000;
                }
            }
            const std::vector<PointPrecision> precision = computePointPrecision(s);
            for (std::size_t k = 0; k < unknown.size(); ++k) {
                const int j = unknown[k], r = row(j);
                EXPECT_NEAR(s.pointX[at(r)], pt[at(j)].x, 1e-4) << s.pointNames[at(r)];
                EXPECT_NEAR(s.pointY[at(r)], pt[at(j)].y, 1e-4) << s.pointNames[at(r)];
                EXPECT_NEAR(sb * sb * precision[at(r)].weightReciprocalX, covariance[2 * k][2 * k], 0.01 * covariance[2 * k][2 * k]);
                EXPECT_NEAR(sb * sb * precision[at(r)].weightReciprocalY, covariance[2 * k + 1][2 * k + 1],
                            0.01 * covariance[2 * k + 1][2 * k + 1]);
            }
        }
    }
}

// Boost.Math's quantiles over the degrees of freedom a central polygon has
// (t = 3n + 1, n = 3..6553).
TEST(ChiSquare, QuantilesAgreeWithBoostToOneInABillion) {
    for (const int t : {10, 13, 25, 31, 61, 121, 601, 3001, 19660}) {
        const boost::math::chi_squared chi(t);
        for (const double p : {0.025, 0.975, 0.5, 0.001}) {
            const double reference = boost::math::quantile(chi, p);
            EXPECT_NEAR(chiSquareQuantile(p, t), reference, 1e-9 * reference) << t << " " << p;
        }
    }
}

}  // namespace
}  // namespace kestrane
