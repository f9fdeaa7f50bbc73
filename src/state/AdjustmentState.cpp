#include "state/AdjustmentState.h"

namespace kestrane {

void AdjustmentState::redimension(std::int16_t n) {
    const int t = 3 * n + 1;
    pointNames.assign(static_cast<std::size_t>(n) + 2, std::string());
    angleDegrees.assign(static_cast<std::size_t>(3 * n) + 1, 0.0);
    enteredAngles.assign(static_cast<std::size_t>(3 * n) + 1, 0.0);
    sideLengths.assign(static_cast<std::size_t>(2 * n) + 2, 0.0);
    enteredSides.assign(static_cast<std::size_t>(2 * n) + 2, 0.0);
    weightReciprocals.assign(static_cast<std::size_t>(5 * n) + 1, 0.0);
    sideAzimuths.assign(static_cast<std::size_t>(n) + 2, 0.0);
    pointX.assign(static_cast<std::size_t>(n) + 2, 0.0);
    pointY.assign(static_cast<std::size_t>(n) + 2, 0.0);
    misclosures.assign(static_cast<std::size_t>(t) + 1, 0.0f);
    correlates.assign(static_cast<std::size_t>(t) + 1, 0.0);
    conditionCoefficients = SparseMatrix(t + 2, 5 * n);
    normalMatrix = BorderedNormalMatrix();
    normalMatrixWork = BorderedNormalMatrix();
}

KnownPointCase AdjustmentState::knownPointCase() const {
    if (Xb == 0 && Yb == 0 && Xc == 0 && Yc == 0) return KnownPointCase::AOnly;
    if (Xb != 0 && Yb != 0 && Xc == 0 && Yc == 0) return KnownPointCase::AWithB;
    if (Xb == 0 && Yb == 0 && Xc != 0 && Yc != 0) return KnownPointCase::AWithC;
    return KnownPointCase::None;
}

double AdjustmentState::angleStandardError() const {
    return settings.angleSd.value_or(static_cast<double>(enteredTolerance));
}

double AdjustmentState::sideStandardError(int k) const {
    if (!settings.sideSd) return aprioriSideError;
    return kestrane::sideStandardError(*settings.sideSd, sideLengths[static_cast<std::size_t>(k)]);
}

int AdjustmentState::knownSide() const {
    switch (knownPointCase()) {
    case KnownPointCase::AWithB: return 2 * triangleCount;
    case KnownPointCase::AWithC: return 1;
    default: return 0;
    }
}

}  // namespace kestrane

namespace kestrane {

void setResultRowCount(AdjustmentState& state) {
    const std::int16_t n = state.triangleCount;
    switch (state.knownPointCase()) {
    case KnownPointCase::AOnly: state.resultRowCount = static_cast<std::int16_t>(n + 1); break;
    case KnownPointCase::AWithB:
    case KnownPointCase::AWithC: state.resultRowCount = n; break;
    case KnownPointCase::None: break;
    }
}

}  // namespace kestrane
