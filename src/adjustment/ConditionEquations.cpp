// Linearised conditions of the central polygon, the weight functions of the
// weakest point and the bordered normal matrix N = A Q A^T.
#include <algorithm>
#include <cmath>

#include "adjustment/AdjustmentStages.h"
#include "angles/Angles.h"
#include "state/Faults.h"

namespace kestrane {

namespace {

double signOf(double x) { return x > 0 ? 1.0 : (x < 0 ? -1.0 : 0.0); }

// The outer point whose coordinates are the weight functions: n/2 for even
// n, (n+1)/2 for odd n, decided in double as the original rule does.
int weakestPointIndex(int n) {
    const double half = static_cast<double>(n) / 2;
    return std::trunc(half) != half ? (n + 1) / 2 : n / 2;
}

}  // namespace

void lineariseConditions(AdjustmentState& s, const std::function<void(int, int, double)>& set) {
    const int n = s.triangleCount;
    const int t = s.conditionCount;
    constexpr double f = RAD_PER_DEG;
    constexpr double rho = RHO_SECONDS;
    const double c = 1000 / 206265.0;  // millimetres per second of arc and metre
    auto at = [](int k) { return static_cast<std::size_t>(k); };
    const auto& angle = s.angleDegrees;
    const auto& side = s.sideLengths;
    // A(row, column) = value, as into the full coefficient array.
    struct Writer {
        const std::function<void(int, int, double)>& set;
        int row, column;
        void operator=(double value) const { set(row, column, value); }
    };
    auto A = [&set](int row, int column) { return Writer{set, row, column}; };
    const KnownPointCase known = s.knownPointCase();

    const int m = weakestPointIndex(n);

    // Approximate traverse of the outer points over the observed values.
    double alpha = 0;
    switch (known) {
    case KnownPointCase::AOnly: alpha = s.qaDegrees + s.t0Degrees; break;
    case KnownPointCase::AWithB: alpha = s.t0Degrees - angle[1] - angle[at(3 * n - 1)]; break;
    case KnownPointCase::AWithC: alpha = s.t0Degrees - angle[1]; break;
    case KnownPointCase::None: break;
    }
    s.sideAzimuths[1] = NormaliseAzimuth(alpha);
    s.pointX[1] = std::cos(s.sideAzimuths[1] * f) * side[2] + s.Xa;
    s.pointY[1] = std::sin(s.sideAzimuths[1] * f) * side[2] + s.Ya;
    for (int j = 2; j <= n; ++j) {
        // Turn at outer point j-1 by its two angles b(j-1) and a(j).
        s.sideAzimuths[at(j)] =
            NormaliseAzimuth(s.sideAzimuths[at(j - 1)] - angle[at(3 * j - 4)] - angle[at(3 * j - 2)] + 180);
        s.pointX[at(j)] = std::cos(s.sideAzimuths[at(j)] * f) * side[at(2 * j)] + s.pointX[at(j - 1)];
        s.pointY[at(j)] = std::sin(s.sideAzimuths[at(j)] * f) * side[at(2 * j)] + s.pointY[at(j - 1)];
    }

    // Triangle conditions a + b + c - 180 and the horizon condition sum c - 360.
    for (int i = 1; i <= n; ++i) {
        A(i, 3 * i - 2) = 1;
        A(i, 3 * i - 1) = 1;
        A(i, 3 * i) = 1;
        A(t, 3 * i) = 1;
    }

    // Side conditions, differentiated: an angle term is s cos(angle) / rho
    // (seconds to radians), a side term the sine of the opposite angle.
    // The known side has no correction, so its terms stay 0.
    for (int i = 1; i <= n; ++i) {
        const double a = angle[at(3 * i - 2)];
        const double b = angle[at(3 * i - 1)];
        const double cc = angle[at(3 * i)];
        const int nextRadial = i == n ? 3 * n + 1 : 3 * n + 2 * i + 1;
        const int first = n + 2 * i - 1;
        const int second = n + 2 * i;
        // s(2i-1) sin a(i) = s(2i+1) sin b(i)
        A(first, 3 * i - 2) = std::cos(a * f) * side[at(2 * i - 1)] / rho;
        A(first, 3 * i - 1) = -(std::cos(b * f) * side[at(2 * i + 1)] / rho);
        if (!(known == KnownPointCase::AWithC && i == 1)) A(first, 3 * n + 2 * i - 1) = std::sin(a * f);
        if (!(known == KnownPointCase::AWithC && i == n)) A(first, nextRadial) = -std::sin(b * f);
        // s(2i+1) sin c(i) = s(2i) sin a(i)
        A(second, 3 * i - 2) = -(std::cos(a * f) * side[at(2 * i)] / rho);
        A(second, 3 * i) = std::cos(cc * f) * side[at(2 * i + 1)] / rho;
        if (!(known == KnownPointCase::AWithB && i == n)) A(second, 3 * n + 2 * i) = -std::sin(a * f);
        if (!(known == KnownPointCase::AWithC && i == n)) A(second, nextRadial) = std::sin(cc * f);
    }

    // Weight functions X (row t+1) and Y (row t+2) of the weakest point m,
    // reached from A over the outer sides s(2), s(4), ..., s(2m): an angle at
    // a point turns everything beyond it (c times the coordinate lever, in
    // millimetres per second), a side moves it along its direction.
    const double leverY = s.pointY[at(m)] - s.Ya;
    const double leverX = s.pointX[at(m)] - s.Xa;
    switch (known) {
    case KnownPointCase::AWithB:
        A(t + 1, 1) = c * leverY;
        A(t + 1, 3 * n - 1) = c * leverY;
        A(t + 2, 1) = c * (-leverX);
        A(t + 2, 3 * n - 1) = c * (-leverX);
        break;
    case KnownPointCase::AWithC:
        A(t + 1, 1) = c * leverY;
        A(t + 2, 1) = c * (-leverX);
        break;
    case KnownPointCase::AOnly: {
        const double sigma = signOf(s.Qa);
        A(t + 1, 0) = c * (sigma * (-leverY));
        A(t + 2, 0) = c * (sigma * leverX);
        break;
    }
    case KnownPointCase::None: break;
    }
    // Side terms: the bare direction cosines and sines (classic), or in
    // millimetres per metre like the angle terms (rigorous).
    const bool millimetres = s.settings.rigorous();
    auto sideTerm = [millimetres](double direction) { return millimetres ? 1000 * direction : direction; };
    for (int j = 1; j <= m - 1; ++j) {
        const double termX = c * (s.pointY[at(m)] - s.pointY[at(j)]);
        const double termY = c * (-(s.pointX[at(m)] - s.pointX[at(j)]));
        A(t + 1, 3 * j - 1) = termX;
        A(t + 1, 3 * j + 1) = termX;
        A(t + 2, 3 * j - 1) = termY;
        A(t + 2, 3 * j + 1) = termY;
        A(t + 1, 3 * n + 2 * j) = sideTerm(std::cos(s.sideAzimuths[at(j)] * f));
        A(t + 2, 3 * n + 2 * j) = sideTerm(std::sin(s.sideAzimuths[at(j)] * f));
    }
    A(t + 1, 3 * n + 2 * m) = sideTerm(std::cos(s.sideAzimuths[at(m)] * f));
    A(t + 2, 3 * n + 2 * m) = sideTerm(std::sin(s.sideAzimuths[at(m)] * f));
}

BorderedNormalMatrix formNormalMatrix(const SparseMatrix& A, const std::vector<double>& q, int t) {
    // Element (a, b), a <= b: the observations u that both rows share, in
    // increasing u. The full-square fill forms every element twice, once as
    // sum (A(a, u) q(u)) A(b, u) and later as sum (A(b, u) q(u)) A(a, u), and
    // the later sum is the one left in both halves. Observations that one of
    // the rows does not have add an exact zero there and are left out.
    std::vector<double> kept(static_cast<std::size_t>(t) + 3, 0.0);
    std::vector<double> earlier(static_cast<std::size_t>(t) + 3, 0.0);
    std::vector<char> touched(static_cast<std::size_t>(t) + 3, 0);
    std::vector<int> partners;
    std::vector<BorderedNormalMatrix::UpperEntry> upper;
    std::vector<double> gx(static_cast<std::size_t>(t) + 1, 0.0);
    std::vector<double> gy(static_cast<std::size_t>(t) + 1, 0.0);
    double fxx = 0, fxy = 0, fyy = 0;
    // The earlier sum is overwritten in the full array, but forming it can
    // overflow where the later one does not; it is formed here as well, so
    // that the same overflow is raised.
    volatile double overwritten = 0;

    for (int a = 1; a <= t + 2; ++a) {
        for (const SparseMatrix::Entry& ea : A.row(a)) {
            const auto u = static_cast<std::size_t>(ea.index);
            const double weightedA = ea.value * q[u];
            for (const SparseMatrix::Entry& eb : A.column(ea.index)) {
                const int b = eb.index;
                if (b < a) continue;
                const auto at = static_cast<std::size_t>(b);
                if (!touched[at]) {
                    touched[at] = 1;
                    partners.push_back(b);
                    kept[at] = 0;
                    earlier[at] = 0;
                }
                kept[at] += (eb.value * q[u]) * ea.value;
                if (b != a) earlier[at] += weightedA * eb.value;
            }
        }
        std::sort(partners.begin(), partners.end());
        for (const int b : partners) {
            const auto at = static_cast<std::size_t>(b);
            const double sum = kept[at];
            overwritten = earlier[at];
            touched[at] = 0;
            if (a <= t && b <= t) {
                upper.push_back({a, b, sum});
            } else if (a <= t) {
                (b == t + 1 ? gx : gy)[static_cast<std::size_t>(a)] = sum;
            } else if (a == t + 1) {
                (b == t + 1 ? fxx : fxy) = sum;
            } else {
                fyy = sum;
            }
        }
        partners.clear();
    }
    (void)overwritten;
    return BorderedNormalMatrix(t, upper, std::move(gx), std::move(gy), fxx, fxy, fyy);
}

void formConditionEquations(AdjustmentState& s) {
    FaultGuard guard;
    const int n = s.triangleCount;
    const int t = s.conditionCount;
    std::vector<SparseMatrix::Write> writes;
    writes.reserve(static_cast<std::size_t>(16) * static_cast<std::size_t>(n) + 8);
    lineariseConditions(s, [&writes](int r, int c, double v) { writes.push_back({r, c, v}); });
    guard.check();

    s.conditionCoefficients = SparseMatrix(t + 2, 5 * n, std::move(writes));
    s.normalMatrix = formNormalMatrix(s.conditionCoefficients, s.weightReciprocals, t);
    s.normalMatrixWork = s.normalMatrix;
    guard.check();
}

}  // namespace kestrane
