// The precision of every point of the result rows.
//
// A point's X and Y are linear functions of the observations, linearised
// along the traverse from A to the point as the weakest point's are. With f
// such a weight function, q the observations' weight reciprocals and g = A Q f
// its column in the bordered normal matrix,
//     1/p = [f f q] - g^T N^-1 g.
// The run has already reduced N in place (the final solve of the correlates),
// N = U^T D^-1 U with U the reduced upper triangle and D its diagonal. The
// reduction of a right-hand column h is h' = D U^-T h, so
//     g^T N^-1 g = sum over k of h'(k)^2 / U(k, k),
// one forward pass per weight function, with no back substitution and no
// inverse. The X and Y functions of a point share their pass, which also
// gives the mixed 1/pxy.
#include "adjustment/PointPrecision.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

#include "angles/Angles.h"

namespace kestrane {

namespace {

std::size_t at(int k) { return static_cast<std::size_t>(k); }

double signOf(double x) { return x > 0 ? 1.0 : (x < 0 ? -1.0 : 0.0); }

// The outer point whose weight functions the run solved: n/2 for even n,
// (n+1)/2 for odd n.
int weakestOuterPoint(int n) {
    const double half = static_cast<double>(n) / 2;
    return std::trunc(half) != half ? (n + 1) / 2 : n / 2;
}

// The last outer point that is a result row of its own: outer point n-1 is B
// itself when B is known.
int lastOuterRow(const AdjustmentState& s) {
    return s.knownPointCase() == KnownPointCase::AWithB ? s.triangleCount - 2 : s.triangleCount - 1;
}

// The result row of the centre when it is not a known point, else -1.
int centreRow(const AdjustmentState& s) {
    switch (s.knownPointCase()) {
    case KnownPointCase::AOnly: return s.triangleCount;
    case KnownPointCase::AWithB: return s.triangleCount - 1;
    default: return -1;
    }
}

// The approximate traverse over the observed values, as the condition
// equations formed it: the outer points 1..last by their outer sides, then the
// centre over its radial side. Azimuths in decimal degrees, coordinates in
// metres.
struct ApproximateTraverse {
    std::vector<double> alpha, x, y;  // outer points 1..last (element 0 unused)
    double centreAlpha = 0, centreX = 0, centreY = 0;
};

ApproximateTraverse approximateTraverse(const AdjustmentState& s) {
    constexpr double f = RAD_PER_DEG;
    const int n = s.triangleCount;
    const KnownPointCase known = s.knownPointCase();
    auto angle = [&s](int k) { return DmsToDegrees(s.enteredAngles[at(k)]); };
    // The known side keeps its computed length through the adjustment.
    auto side = [&s, n, known](int k) {
        const bool fixed = (known == KnownPointCase::AWithB && k == 2 * n) || (known == KnownPointCase::AWithC && k == 1);
        return fixed ? s.sideLengths[at(k)] : s.enteredSides[at(k)];
    };

    ApproximateTraverse tr;
    const int last = std::max(1, lastOuterRow(s));
    tr.alpha.assign(at(last) + 1, 0.0);
    tr.x.assign(at(last) + 1, 0.0);
    tr.y.assign(at(last) + 1, 0.0);
    double start = 0;
    switch (known) {
    case KnownPointCase::AOnly: start = s.qaDegrees + s.t0Degrees; break;
    case KnownPointCase::AWithB: start = s.t0Degrees - angle(1) - angle(3 * n - 1); break;
    case KnownPointCase::AWithC: start = s.t0Degrees - angle(1); break;
    case KnownPointCase::None: break;
    }
    tr.alpha[1] = NormaliseAzimuth(start);
    tr.x[1] = std::cos(tr.alpha[1] * f) * side(2) + s.Xa;
    tr.y[1] = std::sin(tr.alpha[1] * f) * side(2) + s.Ya;
    for (int j = 2; j <= last; ++j) {
        // Turn at outer point j-1 by b(j-1) and a(j).
        tr.alpha[at(j)] = NormaliseAzimuth(tr.alpha[at(j - 1)] - angle(3 * j - 4) - angle(3 * j - 2) + 180);
        tr.x[at(j)] = std::cos(tr.alpha[at(j)] * f) * side(2 * j) + tr.x[at(j - 1)];
        tr.y[at(j)] = std::sin(tr.alpha[at(j)] * f) * side(2 * j) + tr.y[at(j - 1)];
    }
    if (centreRow(s) > 0) {
        // From the last outer point of the chain, turning by its b, over the
        // radial side: outer point n-1 and s(2n-1), or (B known) n-2 and s(2n-3).
        const int from = known == KnownPointCase::AOnly ? n - 1 : n - 2;
        tr.centreAlpha = NormaliseAzimuth(tr.alpha[at(from)] - angle(3 * from - 1) + 180);
        tr.centreX = std::cos(tr.centreAlpha * f) * side(2 * from + 1) + tr.x[at(from)];
        tr.centreY = std::sin(tr.centreAlpha * f) * side(2 * from + 1) + tr.y[at(from)];
    }
    return tr;
}

WeightFunctions weightFunctionsOf(const AdjustmentState& s, const ApproximateTraverse& tr, int row) {
    constexpr double f = RAD_PER_DEG;
    const double c = 1000 / 206265.0;  // millimetres per second of arc and metre
    const int n = s.triangleCount;
    const KnownPointCase known = s.knownPointCase();
    const bool centre = row == centreRow(s);
    WeightFunctions w;
    if (row < 1 || (!centre && row > lastOuterRow(s))) return w;

    const double xp = centre ? tr.centreX : tr.x[at(row)];
    const double yp = centre ? tr.centreY : tr.y[at(row)];
    // Outer points passed on the way: the point itself, or those before the
    // centre.
    const int outer = centre ? (known == KnownPointCase::AOnly ? n - 1 : n - 2) : row;
    auto add = [&w](int column, double x, double y) { w.terms.push_back({column, x, y}); };

    // The starting azimuth turns the whole traverse about A.
    const double leverY = yp - s.Ya;
    const double leverX = xp - s.Xa;
    switch (known) {
    case KnownPointCase::AWithB:
        add(1, c * leverY, c * (-leverX));
        add(3 * n - 1, c * leverY, c * (-leverX));
        break;
    case KnownPointCase::AWithC: add(1, c * leverY, c * (-leverX)); break;
    case KnownPointCase::AOnly: {
        const double sigma = signOf(s.Qa);
        add(0, c * (sigma * (-leverY)), c * (sigma * leverX));
        break;
    }
    case KnownPointCase::None: break;
    }
    // The two angles b(j) and a(j+1) at each outer point passed turn what
    // lies beyond it; into the centre only b of the last one.
    for (int j = 1; j <= outer - 1; ++j) {
        const double termX = c * (yp - tr.y[at(j)]);
        const double termY = c * (-(xp - tr.x[at(j)]));
        add(3 * j - 1, termX, termY);
        add(3 * j + 1, termX, termY);
    }
    if (centre) add(3 * outer - 1, c * (yp - tr.y[at(outer)]), c * (-(xp - tr.x[at(outer)])));
    // Each side moves the point along its direction.
    // (In millimetres per metre in the rigorous weighting, as its angle terms.)
    const double scale = s.settings.rigorous() ? 1000 : 1;
    auto direction = [scale](double d) { return scale == 1 ? d : scale * d; };
    for (int j = 1; j <= outer; ++j) {
        add(3 * n + 2 * j, direction(std::cos(tr.alpha[at(j)] * f)), direction(std::sin(tr.alpha[at(j)] * f)));
    }
    if (centre) {
        add(3 * n + 2 * outer + 1, direction(std::cos(tr.centreAlpha * f)), direction(std::sin(tr.centreAlpha * f)));
    }

    std::sort(w.terms.begin(), w.terms.end(),
              [](const WeightFunctions::Term& a, const WeightFunctions::Term& b) { return a.column < b.column; });
    return w;
}

// g^T N^-1 g for the X and Y functions of a few points at once and their
// mixed forms, by forward passes over the reduced normal matrix. The points
// share each pass, so that the matrix is read once for all of them.
class ReducedForms {
public:
    static constexpr int kPoints = 4;  // points per pass
    struct Forms {
        double xx = 0, yy = 0, xy = 0;
    };

    explicit ReducedForms(const BorderedNormalMatrix& reduced)
        : t_(reduced.conditionCount()), pattern_(reduced.pattern()) {
        const std::span<const double> v = reduced.values();
        pivot_.assign(at(t_) + 1, 0.0);
        for (int k = 1; k <= t_; ++k) pivot_[at(k)] = v[at(pattern_.rowStart[at(k)])];
        // The multiplier U(l, k) / U(l, l) of every element above the diagonal.
        multiplier_.resize(pattern_.aboveRow.size());
        for (std::size_t a = 0; a < multiplier_.size(); ++a) {
            multiplier_[a] = v[at(pattern_.abovePosition[a])] / pivot_[at(pattern_.aboveRow[a])];
        }
        h_.assign((at(t_) + 1) * kWidth, 0.0);
    }

    // The columns gx = A Q fx and gy = A Q fy of each point are accumulated
    // term by term, each element over the observations in increasing order;
    // then one pass reduces them all.
    std::vector<Forms> solve(const SparseMatrix& A, const std::vector<double>& q,
                             const std::vector<WeightFunctions>& points) {
        int first = t_ + 1;
        for (std::size_t p = 0; p < points.size(); ++p) {
            for (const WeightFunctions::Term& term : points[p].terms) {
                const double wx = term.x * q[at(term.column)];
                const double wy = term.y * q[at(term.column)];
                for (const SparseMatrix::Entry& e : A.column(term.column)) {
                    if (e.index > t_) break;
                    double* h = &h_[at(e.index) * kWidth + 2 * p];
                    h[0] += wx * e.value;
                    h[1] += wy * e.value;
                    first = std::min(first, static_cast<int>(e.index));
                }
            }
        }
        std::vector<Forms> forms(points.size());
        const std::size_t width = 2 * points.size();
        for (int k = first; k <= t_; ++k) {
            double* hk = &h_[at(k) * kWidth];
            for (std::int32_t a = pattern_.aboveStart[at(k)]; a < pattern_.aboveStart[at(k) + 1]; ++a) {
                const int l = pattern_.aboveRow[at(a)];
                if (l < first) continue;
                const double m = multiplier_[at(a)];
                const double* hl = &h_[at(l) * kWidth];
                for (std::size_t j = 0; j < width; ++j) hk[j] -= m * hl[j];
            }
            // h(k)^2 / U(k, k), by the pivot's reciprocal: a division per
            // row and pass instead of three per point.
            const double inverse = 1 / pivot_[at(k)];
            for (std::size_t p = 0; p < points.size(); ++p) {
                const double x = hk[2 * p], y = hk[2 * p + 1];
                const double xScaled = x * inverse;
                forms[p].xx += x * xScaled;
                forms[p].xy += y * xScaled;
                forms[p].yy += y * (y * inverse);
            }
        }
        if (first <= t_) std::fill(h_.begin() + static_cast<std::ptrdiff_t>(at(first) * kWidth), h_.end(), 0.0);
        return forms;
    }

private:
    static constexpr std::size_t kWidth = 2 * kPoints;
    int t_;
    const BorderedNormalMatrix::Pattern& pattern_;
    std::vector<double> pivot_;
    std::vector<double> multiplier_;
    std::vector<double> h_;  // row k holds x, y of every point of the pass
};

bool usable(double weightReciprocal) { return std::isfinite(weightReciprocal) && weightReciprocal >= 0; }

// m = mb sqrt(1/p) in single precision, or nothing beyond its range.
bool singleError(double mb, double weightReciprocal, float& error) {
    const double e = mb * std::sqrt(weightReciprocal);
    if (!(e <= FLT_MAX)) return false;
    error = static_cast<float>(e);
    return true;
}

}  // namespace

PointPrecision pointErrors(float mb, double qx, double qy, double qxy) {
    PointPrecision p;
    p.weightReciprocalX = qx;
    p.weightReciprocalY = qy;
    p.weightReciprocalXY = qxy;
    const double m = mb;
    p.xComputable = usable(qx) && singleError(m, qx, p.errorX);
    p.yComputable = usable(qy) && singleError(m, qy, p.errorY);
    if (!p.xComputable) p.errorX = 0;
    if (!p.yComputable) p.errorY = 0;
    if (p.positionComputable()) {
        const double mx = p.errorX;
        const double my = p.errorY;
        p.positionError = static_cast<float>(std::sqrt(mx * mx + my * my));
    }

    // The ellipse of the covariance mb^2 (1/px, 1/pxy; 1/pxy, 1/py).
    p.ellipseComputable = false;
    if (p.positionComputable() && std::isfinite(qxy)) {
        const double m2 = m * m;
        const double sxx = m2 * qx, syy = m2 * qy, sxy = m2 * qxy;
        const double half = (sxx + syy) / 2;
        const double root = std::hypot((sxx - syy) / 2, sxy);
        const double major = half + root;
        double minor = half - root;
        // A covariance that is singular up to rounding has F = 0; one that
        // is clearly not positive has no ellipse.
        if (minor < 0 && minor >= -1e-12 * half) minor = 0;
        if (std::isfinite(major) && minor >= 0) {
            p.ellipseComputable = true;
            p.semiMajor = std::sqrt(major);
            p.semiMinor = std::sqrt(minor);
            if (sxy != 0 || sxx != syy) {
                // Twice the azimuth from north (X) towards east (Y).
                double phi = std::atan2(2 * sxy, sxx - syy) / 2 / RAD_PER_DEG;
                if (phi < 0) phi += 180;
                if (phi >= 180) phi -= 180;
                p.majorAzimuth = phi + 0.0;
            }
        }
    }
    if (!p.xComputable) p.weightReciprocalX = 0;
    if (!p.yComputable) p.weightReciprocalY = 0;
    if (!p.ellipseComputable) p.weightReciprocalXY = 0;
    return p;
}

int weakestPointRow(const AdjustmentState& s) {
    const int m = weakestOuterPoint(s.triangleCount);
    return m <= lastOuterRow(s) ? m : -1;
}

WeakestPoint weakestPoint(const AdjustmentState& s) {
    const int row = weakestPointRow(s);
    // B is the last result row.
    const int named = row >= 0 ? row : s.triangleCount;
    WeakestPoint w{weakestOuterPoint(s.triangleCount), {}, row < 0};
    if (named >= 0 && named < static_cast<int>(s.pointNames.size())) w.name = s.pointNames[static_cast<std::size_t>(named)];
    return w;
}

WeightFunctions pointWeightFunctions(const AdjustmentState& s, int row) {
    if (s.knownPointCase() == KnownPointCase::None || s.triangleCount < 3) return {};
    return weightFunctionsOf(s, approximateTraverse(s), row);
}

std::vector<WeightReciprocals> computeWeightReciprocals(const AdjustmentState& s) {
    if (!s.complete || !s.normalMatrix.formed() || s.knownPointCase() == KnownPointCase::None) return {};
    const int r = s.resultRowCount;
    const std::vector<double>& q = s.weightReciprocals;
    const ApproximateTraverse traverse = approximateTraverse(s);
    ReducedForms reduced(s.normalMatrix);
    std::vector<WeightReciprocals> rows(at(r) + 1);
    std::vector<WeightFunctions> batch;
    for (int first = 1; first < r; first += ReducedForms::kPoints) {
        const int last = std::min(r - 1, first + ReducedForms::kPoints - 1);
        batch.clear();
        for (int i = first; i <= last; ++i) batch.push_back(weightFunctionsOf(s, traverse, i));
        const std::vector<ReducedForms::Forms> forms = reduced.solve(s.conditionCoefficients, q, batch);
        for (int i = first; i <= last; ++i) {
            // [f f q] and the mixed [fx fy q], over the observations in increasing order.
            double fxx = 0, fyy = 0, fxy = 0;
            for (const WeightFunctions::Term& term : batch[at(i - first)].terms) {
                const double qu = q[at(term.column)];
                fxx += (term.x * qu) * term.x;
                fyy += (term.y * qu) * term.y;
                fxy += (term.y * qu) * term.x;
            }
            const ReducedForms::Forms& f = forms[at(i - first)];
            rows[at(i)] = {fxx - f.xx, fyy - f.yy, fxy - f.xy};
        }
    }
    return rows;
}

std::vector<PointPrecision> computePointPrecision(const AdjustmentState& s) {
    return pointPrecisionFrom(s, computeWeightReciprocals(s));
}

std::vector<PointPrecision> pointPrecisionFrom(const AdjustmentState& s, const std::vector<WeightReciprocals>& reciprocals) {
    if (reciprocals.empty()) return {};
    const int weakest = weakestPointRow(s);
    const float mb = s.unitWeightError();
    std::vector<PointPrecision> rows(reciprocals.size());
    rows.front().known = true;
    rows.back().known = true;
    for (std::size_t i = 1; i + 1 < rows.size(); ++i) {
        const WeightReciprocals& w = reciprocals[i];
        if (static_cast<int>(i) == weakest) {
            // The figures the run solved and stored for this point.
            rows[i] = pointErrors(mb, s.weightReciprocalX, s.weightReciprocalY, w.xy);
            rows[i].errorX = s.weakestErrorX;
            rows[i].errorY = s.weakestErrorY;
            rows[i].positionError = s.weakestPositionError;
        } else {
            rows[i] = pointErrors(mb, w.x, w.y, w.xy);
        }
    }
    return rows;
}

}  // namespace kestrane
