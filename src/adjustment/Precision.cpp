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

void computeSideUnitError(AdjustmentState& s) {
    FaultGuard guard;
    s.sideUnitError = toSingle(static_cast<double>(s.unitWeightError()) * std::sqrt(s.sideWeightReciprocal));
    guard.check();
}

void computeWeakestErrorX(AdjustmentState& s) {
    FaultGuard guard;
    s.weakestErrorX = toSingle(static_cast<double>(s.unitWeightError()) * std::sqrt(s.weightReciprocalX));
    guard.check();
}

void computeWeakestErrorY(AdjustmentState& s) {
    FaultGuard guard;
    s.weakestErrorY = toSingle(static_cast<double>(s.unitWeightError()) * std::sqrt(s.weightReciprocalY));
    guard.check();
}

void computeWeakestPositionError(AdjustmentState& s) {
    FaultGuard guard;
    const double mx = s.weakestErrorX;
    const double my = s.weakestErrorY;
    s.weakestPositionError = toSingle(std::sqrt(mx * mx + my * my));
    guard.check();
}

}  // namespace kestrane
