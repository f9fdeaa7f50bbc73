// The adjustment done over full arrays, step for step as the method states
// it: every element of the condition coefficients and of both bordered
// normal matrices, every term of every elimination. Time and memory grow
// with (3n)^3 and (3n)^2, so the program itself uses the sparse stages; this
// form is kept as the reference they are checked against (tests, benchmark).
#pragma once

#include "state/AdjustmentState.h"
#include "state/Matrix.h"

namespace kestrane {

// The full arrays of one dense adjustment.
struct DenseAdjustment {
    Matrix conditionCoefficients;  // 0..t+2 x 0..5n
    Matrix normalMatrix;           // 0..t+2 x 0..t+2
    Matrix normalMatrixWork;       // 0..t+2 x 0..t+2
};

// The three stages from the misclosures to the adjusted observations, each
// doing to the state's scalars and vectors (sideAzimuths, pointX, pointY,
// correlates, solverRowIndex, weightReciprocalX/Y, angleDegrees,
// sideLengths, angleSquareSum, sideSquareSum) what the sparse stage of the
// same name does, and to `dense` what it does to the state's matrices.
void formConditionEquationsDense(AdjustmentState& state, DenseAdjustment& dense);
void solveWeightReciprocalsDense(AdjustmentState& state, DenseAdjustment& dense);
void applyCorrectionsDense(AdjustmentState& state, DenseAdjustment& dense);

// All three in order.
DenseAdjustment adjustDensely(AdjustmentState& state);

}  // namespace kestrane
