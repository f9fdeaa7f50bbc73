// Adjusted coordinates: a traverse from A along the outer sides, then in to
// the centre and, as the known points allow, out again to a known point.
#include <cmath>

#include "adjustment/AdjustmentStages.h"
#include "angles/Angles.h"
#include "state/Faults.h"

namespace kestrane {

void computeCoordinates(AdjustmentState& s) {
    FaultGuard guard;
    const int n = s.triangleCount;
    constexpr double f = RAD_PER_DEG;
    auto at = [](int k) { return static_cast<std::size_t>(k); };
    const auto& angle = s.angleDegrees;
    const auto& side = s.sideLengths;
    auto& alpha = s.sideAzimuths;

    // Point i from point i-1 over side s with the azimuth alpha(i).
    auto leg = [&](int i, int sideIndex) {
        s.pointX[at(i)] = std::cos(alpha[at(i)] * f) * side[at(sideIndex)] + s.pointX[at(i - 1)];
        s.pointY[at(i)] = std::sin(alpha[at(i)] * f) * side[at(sideIndex)] + s.pointY[at(i - 1)];
    };
    // Turning at outer point i-1 by a(i) and b(i-1).
    auto outerTurn = [&](int i) {
        alpha[at(i)] = NormaliseAzimuth(alpha[at(i - 1)] - angle[at(3 * i - 2)] - angle[at(3 * i - 4)] + 180);
    };

    const KnownPointCase known = s.knownPointCase();
    double start = alpha[1];
    switch (known) {
    case KnownPointCase::AOnly: start = s.t0Degrees + s.qaDegrees; break;
    case KnownPointCase::AWithB: start = s.t0Degrees - angle[1] - angle[at(3 * n - 1)]; break;
    case KnownPointCase::AWithC: start = s.t0Degrees - angle[1]; break;
    case KnownPointCase::None: break;
    }
    alpha[1] = NormaliseAzimuth(start);
    s.pointX[1] = std::cos(alpha[1] * f) * side[2] + s.Xa;
    s.pointY[1] = std::sin(alpha[1] * f) * side[2] + s.Ya;

    for (int i = 2; i <= n - 2; ++i) {
        outerTurn(i);
        leg(i, 2 * i);
    }

    switch (known) {
    case KnownPointCase::AOnly:
    case KnownPointCase::AWithC:
        outerTurn(n - 1);
        leg(n - 1, 2 * n - 2);
        // Into the centre over the radial side s(2n-1), turning by b(n-1).
        alpha[at(n)] = NormaliseAzimuth(alpha[at(n - 1)] - angle[at(3 * n - 4)] + 180);
        leg(n, 2 * n - 1);
        if (known == KnownPointCase::AOnly) {
            // Out to A again over s(1), turning by the central angle c(n).
            alpha[at(n + 1)] = NormaliseAzimuth(alpha[at(n)] + angle[at(3 * n)] + 180);
            leg(n + 1, 1);
        }
        break;
    case KnownPointCase::AWithB:
        // Into the centre over s(2n-3), turning by b(n-2); out to B over s(2n-1).
        alpha[at(n - 1)] = NormaliseAzimuth(alpha[at(n - 2)] - angle[at(3 * n - 7)] + 180);
        leg(n - 1, 2 * n - 3);
        alpha[at(n)] = NormaliseAzimuth(alpha[at(n - 1)] + angle[at(3 * n - 3)] + 180);
        leg(n, 2 * n - 1);
        break;
    case KnownPointCase::None: break;
    }
    guard.check();
}

}  // namespace kestrane
