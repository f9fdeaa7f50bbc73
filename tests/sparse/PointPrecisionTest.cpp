// The precision of every point on random networks of every known-point case,
// completed through the real stages: the weight functions against the
// traverse they linearise, the weight reciprocals against the covariance of
// the traverse and the figures the run itself solved for the weakest point,
// and the errors and ellipses against their definitions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "NetworkFixture.h"
#include "adjustment/AdjustmentStages.h"
#include "adjustment/PointPrecision.h"
#include "angles/Angles.h"
#include "driver/ComputationDriver.h"

namespace kestrane {
namespace {

using fixture::caseName;
using fixture::observedCopy;
using fixture::randomNetwork;
constexpr const auto& kCases = fixture::kKnownCases;
constexpr auto completed = [](const fixture::NetworkInput& input) { return fixture::completedState(input); };

// The case and size of a network, for the messages of its checks.
std::string where(KnownPointCase known, int n) { return std::string(caseName(known)) + " n = " + std::to_string(n); }

std::size_t at(int k) { return static_cast<std::size_t>(k); }

// The traverse of `o` with observation `column` (0: the orientation angle)
// moved by `step`, degrees for an angle, metres for a side.
AdjustmentState moved(AdjustmentState o, int column, double step) {
    const int n = o.triangleCount;
    if (column == 0) o.qaDegrees += step;
    else if (column <= 3 * n) o.angleDegrees[at(column)] += step;
    else o.sideLengths[at(column - 3 * n)] += step;
    computeCoordinates(o);
    return o;
}

// Every figure of a point's precision row.
std::vector<double> figures(const PointPrecision& p) {
    return {p.weightReciprocalX, p.weightReciprocalY, p.weightReciprocalXY, p.semiMajor,    p.semiMinor,
            p.majorAzimuth,      double(p.errorX),    double(p.errorY),     double(p.positionError)};
}

// Each point's weight functions are the derivatives of its coordinates, as
// the traverse computes them, by every observation: millimetres per second
// of arc for an angle (column 0: the orientation angle), metres per metre
// for a side. Central differences over the program's own traverse.
TEST(PointPrecision, WeightFunctionsAreTheDerivativesOfTheTraverse) {
    for (const KnownPointCase known : kCases) {
        for (const int n : {3, 4, 5, 8}) {
            SCOPED_TRACE(where(known, n));
            const AdjustmentState s = completed(randomNetwork(n, known, static_cast<std::uint64_t>(40 + n)));
            const int r = s.resultRowCount;
            const AdjustmentState base = observedCopy(s);
            for (int column = 0; column <= 5 * n; ++column) {
                const bool angle = column <= 3 * n;
                const double h = angle ? 10.0 : 100.0;  // seconds of arc, metres
                const AdjustmentState plus = moved(base, column, angle ? h / 3600 : h);
                const AdjustmentState minus = moved(base, column, angle ? -h / 3600 : -h);
                const double unit = angle ? 1000.0 : 1.0;
                for (int row = 1; row < r; ++row) {
                    const WeightFunctions w = pointWeightFunctions(s, row);
                    EXPECT_FALSE(w.terms.empty()) << "row " << row;
                    double fx = 0, fy = 0;
                    for (const auto& term : w.terms) {
                        if (term.column == column) fx = term.x, fy = term.y;
                    }
                    const double dx = (plus.pointX[at(row)] - minus.pointX[at(row)]) / (2 * h) * unit;
                    const double dy = (plus.pointY[at(row)] - minus.pointY[at(row)]) / (2 * h) * unit;
                    const double scale = angle ? 1e-5 * (1 + std::fabs(fx) + std::fabs(fy)) : 1e-8;
                    EXPECT_NEAR(fx, dx, scale) << "row " << row << " column " << column;
                    EXPECT_NEAR(fy, dy, scale) << "row " << row << " column " << column;
                }
            }
            EXPECT_TRUE(pointWeightFunctions(s, 0).terms.empty());
            EXPECT_TRUE(pointWeightFunctions(s, r).terms.empty());
        }
    }
}

// The weakest point's functions are the very rows the run built into the
// normal equations, bit for bit.
TEST(PointPrecision, WeakestPointFunctionsAreTheRunsOwn) {
    for (const KnownPointCase known : kCases) {
        for (const int n : {3, 6, 11, 60}) {
            SCOPED_TRACE(where(known, n));
            const AdjustmentState s = completed(randomNetwork(n, known, static_cast<std::uint64_t>(n)));
            const int m = weakestPointRow(s);
            if (known == KnownPointCase::AWithB && n == 3) {
                EXPECT_EQ(m, -1);  // the weakest outer point is B itself
                continue;
            }
            const int t = s.conditionCount;
            const WeightFunctions w = pointWeightFunctions(s, m);
            const auto rowX = s.conditionCoefficients.row(t + 1);
            const auto rowY = s.conditionCoefficients.row(t + 2);
            EXPECT_GT(m, 0);
            EXPECT_EQ(rowX.size(), w.terms.size());
            EXPECT_EQ(rowY.size(), w.terms.size());
            if (m <= 0 || rowX.size() != w.terms.size() || rowY.size() != w.terms.size()) continue;
            for (std::size_t k = 0; k < w.terms.size(); ++k) {
                EXPECT_EQ(rowX[k].index, w.terms[k].column);
                EXPECT_EQ(rowX[k].value, w.terms[k].x) << "column " << rowX[k].index;
                EXPECT_EQ(rowY[k].value, w.terms[k].y);
            }
        }
    }
}

// Every point's 1/px, 1/py and 1/pxy by a second route that shares nothing
// with the program's but the condition equations: the covariance J Qv J^T of
// the point, with J the traverse differenced by every observation and
// Qv = Q - Q A^T N^-1 A Q the cofactors of the adjusted observations, formed
// as full arrays here. J is in the weight functions' units: an angle column
// in millimetres per second of arc by the classic 206265, a side column bare,
// the orientation angle Qa with its sign, as the weakest point's are.
TEST(PointPrecision, EveryPointAgreesWithTheCovarianceOfTheTraverse) {
    for (const KnownPointCase known : kCases) {
        for (int n = 3; n <= 40; ++n) {
            SCOPED_TRACE(where(known, n));
            const AdjustmentState s = completed(randomNetwork(n, known, static_cast<std::uint64_t>(300 + n)));
            const int t = s.conditionCount, m = 5 * n + 1, r = s.resultRowCount;
            const std::vector<double>& q = s.weightReciprocals;
            std::vector<double> AQ(at(t * m)), N(at(t * t));  // rows 1..t as 0..t-1
            for (int a = 1; a <= t; ++a) {
                for (const auto& e : s.conditionCoefficients.row(a)) AQ[at((a - 1) * m + e.index)] = e.value * q[at(e.index)];
            }
            for (int a = 0; a < t; ++a) {
                for (int b = 0; b < t; ++b) {
                    for (int u = 0; u < m; ++u) {
                        if (q[at(u)] != 0) N[at(a * t + b)] += AQ[at(a * m + u)] * AQ[at(b * m + u)] / q[at(u)];
                    }
                }
            }
            // Cholesky N = L L^T, then X = N^-1 A Q column by column.
            for (int j = 0; j < t; ++j) {
                for (int k = 0; k < j; ++k) N[at(j * t + j)] -= N[at(j * t + k)] * N[at(j * t + k)];
                N[at(j * t + j)] = std::sqrt(N[at(j * t + j)]);
                for (int i = j + 1; i < t; ++i) {
                    for (int k = 0; k < j; ++k) N[at(i * t + j)] -= N[at(i * t + k)] * N[at(j * t + k)];
                    N[at(i * t + j)] /= N[at(j * t + j)];
                }
            }
            std::vector<double> X = AQ;
            for (int u = 0; u < m; ++u) {
                for (int i = 0; i < t; ++i) {
                    for (int k = 0; k < i; ++k) X[at(i * m + u)] -= N[at(i * t + k)] * X[at(k * m + u)];
                    X[at(i * m + u)] /= N[at(i * t + i)];
                }
                for (int i = t - 1; i >= 0; --i) {
                    for (int k = i + 1; k < t; ++k) X[at(i * m + u)] -= N[at(k * t + i)] * X[at(k * m + u)];
                    X[at(i * m + u)] /= N[at(i * t + i)];
                }
            }
            std::vector<double> Qv(at(m * m));
            for (int u = 0; u < m; ++u) {
                for (int v = 0; v < m; ++v) {
                    double sum = u == v ? q[at(u)] : 0;
                    for (int a = 0; a < t; ++a) sum -= AQ[at(a * m + u)] * X[at(a * m + v)];
                    Qv[at(u * m + v)] = sum;
                }
            }
            // J by central differences over the observed values.
            const AdjustmentState base = observedCopy(s);
            std::vector<double> Jx(at(r * m)), Jy(at(r * m));
            for (int u = 0; u < m; ++u) {
                const bool angle = u <= 3 * n;
                const double h = angle ? 30.0 / 3600 : 1.0;  // degrees, metres
                const AdjustmentState plus = moved(base, u, h), minus = moved(base, u, -h);
                const double perRadian = angle ? M_PI / 180 : 1.0;
                const double unit = angle ? (u == 0 && s.Qa < 0 ? -1 : 1) * 1000 / 206265.0 : 1.0;
                for (int row = 1; row < r; ++row) {
                    Jx[at(row * m + u)] = (plus.pointX[at(row)] - minus.pointX[at(row)]) / (2 * h * perRadian) * unit;
                    Jy[at(row * m + u)] = (plus.pointY[at(row)] - minus.pointY[at(row)]) / (2 * h * perRadian) * unit;
                }
            }
            const std::vector<WeightReciprocals> got = computeWeightReciprocals(s);
            const std::vector<PointPrecision> shown = computePointPrecision(s);
            EXPECT_EQ(got.size(), at(r) + 1);
            if (got.size() != at(r) + 1 || shown.size() != at(r) + 1) continue;
            const double mb = s.unitWeightError();
            for (int row = 1; row < r; ++row) {
                double qx = 0, qy = 0, qxy = 0;
                for (int u = 0; u < m; ++u) {
                    double cx = 0, cy = 0;
                    for (int v = 0; v < m; ++v) {
                        cx += Qv[at(u * m + v)] * Jx[at(row * m + v)];
                        cy += Qv[at(u * m + v)] * Jy[at(row * m + v)];
                    }
                    qx += Jx[at(row * m + u)] * cx;
                    qy += Jy[at(row * m + u)] * cy;
                    qxy += Jx[at(row * m + u)] * cy;
                }
                SCOPED_TRACE("row " + std::to_string(row));
                EXPECT_NEAR(got[at(row)].x, qx, 1e-6 * qx);
                EXPECT_NEAR(got[at(row)].y, qy, 1e-6 * qy);
                EXPECT_NEAR(got[at(row)].xy, qxy, 1e-6 * std::sqrt(qx * qy));
                // What the window, the CSV and the picture show.
                const PointPrecision& p = shown[at(row)];
                EXPECT_NEAR(p.weightReciprocalX, qx, 1e-6 * qx);
                EXPECT_NEAR(p.weightReciprocalY, qy, 1e-6 * qy);
                EXPECT_NEAR(p.errorX, mb * std::sqrt(qx), 1e-6 * mb * std::sqrt(qx));
                EXPECT_NEAR(p.errorY, mb * std::sqrt(qy), 1e-6 * mb * std::sqrt(qy));
            }
        }
    }
}

// For the weakest point the new figures agree with those the run solved, to
// within 1e-9 of [f f q], on networks of every case and size.
TEST(PointPrecision, WeakestPointAgreesWithTheRunsFigures) {
    std::uint64_t seed = 1;
    for (const KnownPointCase known : kCases) {
        for (const int n : {3, 4, 5, 6, 7, 10, 13, 24, 37, 64, 99, 150, 233, 377, 500}) {
            SCOPED_TRACE(where(known, n));
            const AdjustmentState s = completed(randomNetwork(n, known, seed++));
            const int m = weakestPointRow(s);
            if (m < 0) continue;
            const int t = s.conditionCount;
            const std::vector<WeightReciprocals> got = computeWeightReciprocals(s);
            EXPECT_NEAR(got[at(m)].x, s.weightReciprocalX, 1e-9 * s.normalMatrix(t + 1, t + 1));
            EXPECT_NEAR(got[at(m)].y, s.weightReciprocalY, 1e-9 * s.normalMatrix(t + 2, t + 2));

            // The rows shown carry the run's own figures for that point.
            const std::vector<PointPrecision> rows = computePointPrecision(s);
            EXPECT_EQ(rows[at(m)].weightReciprocalX, s.weightReciprocalX);
            EXPECT_EQ(rows[at(m)].weightReciprocalY, s.weightReciprocalY);
            EXPECT_EQ(rows[at(m)].errorX, s.weakestErrorX);
            EXPECT_EQ(rows[at(m)].errorY, s.weakestErrorY);
            EXPECT_EQ(rows[at(m)].positionError, s.weakestPositionError);
        }
    }
}

// Known points are all zero; every other point's errors follow from its
// weight reciprocals as the weakest point's do, and its ellipse has
// E >= F, E^2 + F^2 = mx^2 + my^2 and 0 <= phi < 180.
TEST(PointPrecision, ErrorsAndEllipsesOfEveryPoint) {
    for (const KnownPointCase known : kCases) {
        for (const int n : {3, 7, 40}) {
            SCOPED_TRACE(where(known, n));
            const AdjustmentState s = completed(randomNetwork(n, known, static_cast<std::uint64_t>(900 + n)));
            const std::vector<PointPrecision> rows = computePointPrecision(s);
            EXPECT_EQ(rows.size(), at(s.resultRowCount) + 1);
            const double mb = s.unitWeightError();
            for (std::size_t i = 0; i < rows.size(); ++i) {
                const PointPrecision& p = rows[i];
                SCOPED_TRACE("row " + std::to_string(i));
                const bool known_ = i == 0 || i + 1 == rows.size();
                EXPECT_EQ(p.known, known_);
                EXPECT_TRUE(p.computable());
                if (!p.computable()) continue;
                if (known_) {
                    for (const double v : figures(p)) EXPECT_EQ(v, 0.0);
                    continue;
                }
                const double mx = p.errorX, my = p.errorY;
                EXPECT_GE(p.semiMajor, p.semiMinor);
                EXPECT_GE(p.semiMinor, 0);
                EXPECT_NEAR(p.semiMajor * p.semiMajor + p.semiMinor * p.semiMinor, mx * mx + my * my,
                            1e-6 * (mx * mx + my * my));
                EXPECT_GE(p.majorAzimuth, 0);
                EXPECT_LT(p.majorAzimuth, 180);
                // E lies along phi: the variance in that direction is E^2.
                const double a = p.majorAzimuth * RAD_PER_DEG;
                const double along = mb * mb *
                                     (std::cos(a) * std::cos(a) * p.weightReciprocalX +
                                      2 * std::sin(a) * std::cos(a) * p.weightReciprocalXY +
                                      std::sin(a) * std::sin(a) * p.weightReciprocalY);
                EXPECT_NEAR(along, p.semiMajor * p.semiMajor, 1e-6 * p.semiMajor * p.semiMajor);
            }
        }
    }
}

// A badly conditioned network can leave a weight reciprocal a hair below 0
// through rounding: that point's errors are marked not computable, nothing
// is NaN, and every other row is what it was.
TEST(PointPrecision, NegativeWeightReciprocalLeavesOnlyThatPointUncomputed) {
    const AdjustmentState s = completed(randomNetwork(9, KnownPointCase::AOnly, 5));
    const std::vector<WeightReciprocals> clean = computeWeightReciprocals(s);
    const std::vector<PointPrecision> before = pointPrecisionFrom(s, clean);
    for (const int spoilt : {1, 3, 9}) {  // outer points and the centre
        for (const double bad : {-1e-13, -0.0 - 1e-300, std::nan("")}) {
            std::vector<WeightReciprocals> rounded = clean;
            rounded[at(spoilt)].y = bad;
            const std::vector<PointPrecision> after = pointPrecisionFrom(s, rounded);
            ASSERT_EQ(after.size(), before.size());
            for (std::size_t i = 0; i < after.size(); ++i) {
                const PointPrecision& p = after[i];
                for (const double v : figures(p)) EXPECT_TRUE(std::isfinite(v)) << "row " << i;
                if (static_cast<int>(i) == spoilt) {
                    EXPECT_TRUE(p.xComputable);
                    EXPECT_FALSE(p.yComputable);
                    EXPECT_FALSE(p.positionComputable());
                    EXPECT_FALSE(p.ellipseComputable);
                    EXPECT_EQ(p.errorX, before[i].errorX);
                } else {
                    EXPECT_EQ(p.computable(), before[i].computable());
                    EXPECT_EQ(p.weightReciprocalY, before[i].weightReciprocalY) << "row " << i;
                    EXPECT_EQ(p.positionError, before[i].positionError) << "row " << i;
                    EXPECT_EQ(p.semiMajor, before[i].semiMajor) << "row " << i;
                }
            }
        }
    }
}

// Nothing is computed for a computation that did not complete.
TEST(PointPrecision, NoRowsBeforeACompletedComputation) {
    AdjustmentState s = fixture::enteredState(randomNetwork(5, KnownPointCase::AWithC, 3));
    EXPECT_TRUE(computePointPrecision(s).empty());
    EXPECT_TRUE(computePointPrecision(AdjustmentState{}).empty());
}

}  // namespace
}  // namespace kestrane
