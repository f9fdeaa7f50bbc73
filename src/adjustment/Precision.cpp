// Precision of the adjustment: unit-weight errors and the errors of the
// weakest point. Each figure is stored in single precision before the next
// is computed from it.
#include <cmath>

#include "adjustment/AdjustmentStages.h"
#include "state/Faults.h"

namespace kestrane {

void computeUnitWeightError(AdjustmentState& s) {
    FaultGuard guard;
    // mb = sqrt(([pvv] + [vv]) / r), the redundancy r being t.
    const double t = s.conditionCount;
    s.unitWeightError() = toSingle(std::sqrt((s.sideSquareSum + s.angleSquareSum) / t));
    guard.check();
}

namespace {
// m = mb * sqrt(1/p) for a weight reciprocal 1/p: the stored single mb
// times the double root, stored in single precision.
float errorOfWeight(const AdjustmentState& s, double weightReciprocal) {
    FaultGuard guard;
    const float error = toSingle(static_cast<double>(s.unitWeightError()) * std::sqrt(weightReciprocal));
    guard.check();
    return error;
}
}  // namespace

void computeSideUnitError(AdjustmentState& s) {
    if (!s.settings.rigorous()) {
        s.sideUnitError = errorOfWeight(s, s.sideWeightReciprocal);
        return;
    }
    // ms = mb sigma_s / sigma_beta for a side of the mean length, millimetres.
    FaultGuard guard;
    const double meanSideError =
        s.settings.sideSd ? sideStandardError(*s.settings.sideSd, s.meanSide) : s.aprioriSideError;
    s.sideUnitError = toSingle(static_cast<double>(s.unitWeightError()) * meanSideError / s.angleStandardError());
    guard.check();
}

void computeWeakestErrorX(AdjustmentState& s) { s.weakestErrorX = errorOfWeight(s, s.weightReciprocalX); }

void computeWeakestErrorY(AdjustmentState& s) { s.weakestErrorY = errorOfWeight(s, s.weightReciprocalY); }

void computeWeakestPositionError(AdjustmentState& s) {
    FaultGuard guard;
    const double mx = s.weakestErrorX;
    const double my = s.weakestErrorY;
    s.weakestPositionError = toSingle(std::sqrt(mx * mx + my * my));
    guard.check();
}

}  // namespace kestrane
