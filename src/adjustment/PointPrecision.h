// The precision of every point of the result rows, beyond the weakest point:
// the weight reciprocals of each point's X and Y, their mean square errors
// and the standard error ellipse.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "state/AdjustmentState.h"
#include "state/PointPrecision.h"

namespace kestrane {

// One row per result row of the report: i = 0 (A) .. resultRowCount (the
// closure point), for a completed computation (empty otherwise). Reads the
// state only; costs one forward solve over the reduced normal matrix per
// point and coordinate. The weakest point's row carries the figures the run
// stored for it, so that every presentation agrees.
std::vector<PointPrecision> computePointPrecision(const AdjustmentState& state);

// 1/px, 1/py and 1/pxy of every result row as computed from its weight
// functions (0 for the known points), the weakest point's included; the
// weakest point's row of computePointPrecision carries the run's own figures
// instead.
struct WeightReciprocals {
    double x = 0, y = 0, xy = 0;
};
std::vector<WeightReciprocals> computeWeightReciprocals(const AdjustmentState& state);

// The rows of computePointPrecision from the weight reciprocals of every
// result row (as computeWeightReciprocals gives them).
std::vector<PointPrecision> pointPrecisionFrom(const AdjustmentState& state,
                                               const std::vector<WeightReciprocals>& reciprocals);

// The weight functions of a result row's X (northing) and Y (easting): the
// linearised traverse from A to the point, coefficients by observation column
// 0..5n in increasing column order, angle terms in millimetres per second of
// arc, side terms the direction cosines and sines. Empty for a known point.
struct WeightFunctions {
    struct Term {
        std::int32_t column;
        double x;
        double y;
    };
    std::vector<Term> terms;
};
WeightFunctions pointWeightFunctions(const AdjustmentState& state, int row);

// The errors of a point from mb (seconds of arc) and its weight reciprocals
// 1/px, 1/py and 1/pxy: mx, my, mp in millimetres and the error ellipse; a
// figure whose weight reciprocals are unusable is marked not computable and
// left 0.
PointPrecision pointErrors(float mb, double weightReciprocalX, double weightReciprocalY, double weightReciprocalXY);

// The result row of the weakest point (outer point m of the weight functions
// the run solved), or -1 when that point is itself a known point.
int weakestPointRow(const AdjustmentState& state);

// The weakest point as the window names it: outer point m = ⌈n/2⌉, its
// name, and whether it is the known B (A and B known, so few triangles
// that B is that outer point).
struct WeakestPoint {
    int outerPoint = 0;
    std::string name;
    bool knownB = false;
};
WeakestPoint weakestPoint(const AdjustmentState& state);

}  // namespace kestrane
