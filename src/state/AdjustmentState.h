// The whole state of one adjustment of a central polygon: what the user
// entered, the working matrices of the condition adjustment and its results.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "state/AprioriModel.h"
#include "state/NormalMatrix.h"
#include "state/SparseMatrix.h"

namespace kestrane {

// Which points besides A are known; derived from Xb, Yb, Xc, Yc each time by
// exact comparison with 0, never stored.
enum class KnownPointCase { AOnly, AWithB, AWithC, None };

struct AdjustmentState {
    // Bordered normal matrix 0..t+2 x 0..t+2: N in 1..t, the weakest point's
    // weight functions in t+1 (X) and t+2 (Y). Reduced in place by the final
    // solve. Held by its non-zero pattern; reads like the full array.
    BorderedNormalMatrix normalMatrix;
    // Working copy of normalMatrix, reduced in place by cm1.
    BorderedNormalMatrix normalMatrixWork;
    std::int16_t solverRowIndex = 0;
    std::int16_t triangleCount = 0;             // n

    std::vector<std::string> pointNames;        // 0..n+1, 0 = A
    std::vector<double> sideLengths;            // 0..2n+1, metres; 2n+1 = copy of s(1); adjusted in place
    std::vector<double> enteredSides;           // 0..2n+1, metres, as typed
    std::vector<double> angleDegrees;           // 0..3n, decimal degrees; adjusted in place
    std::vector<double> enteredAngles;          // 0..3n, packed d.mmss as typed
    std::vector<double> pointX;                 // 0..n+1, metres (northing)
    std::vector<double> pointY;                 // 0..n+1, metres (easting)
    std::vector<float> misclosures;             // 0..t; seconds (angle conditions) or metres (side conditions)
    std::vector<double> correlates;             // 0..t

    double Xa = 0, Ya = 0, Xb = 0, Yb = 0, Xc = 0, Yc = 0;  // metres; 0 = B / C not known
    double T0 = 0;                              // packed d.mmss
    double Qa = 0;                              // packed d.mmss, signed

    float sideUnitError = 0;                    // ms, millimetres
    // Seconds of arc: the angle tolerance until the precision stage, then mb.
    float angleTolerance = 0;
    // The tolerance as entered, seconds of arc; kept after mb takes its place.
    float enteredTolerance = 0;
    double weightReciprocalX = 0;               // 1/px of the weakest point
    double weightReciprocalY = 0;               // 1/py
    float weakestErrorX = 0;                    // mx, millimetres
    float weakestErrorY = 0;                    // my, millimetres
    float weakestPositionError = 0;             // md, millimetres
    std::int16_t resultRowCount = 0;

    // Per-run working data, rebuilt by every run.
    std::int16_t conditionCount = 0;            // t = 3n + 1
    std::vector<double> weightReciprocals;      // 0..5n; 0..3n angles (1), 3n+1..5n sides (q)
    SparseMatrix conditionCoefficients;         // 0..t+2 x 0..5n, the written coefficients only
    std::vector<double> sideAzimuths;           // 0..n+1, decimal degrees
    double t0Degrees = 0;                       // decimal degrees
    double qaDegrees = 0;                       // decimal degrees, signed
    double sideWeightReciprocal = 0;            // q of every side (classic weighting)
    double meanSide = 0;                        // metres
    double aprioriSideError = 0;                // classic a-priori side error, millimetres
    double angleSquareSum = 0;                  // [vv], seconds squared
    double sideSquareSum = 0;                   // [pvv]

    // The a-priori model and the weighting of the results: settings that the
    // front end gives, kept from one run to the next.
    AprioriSettings settings;

    // True only after a run has gone through its last stage; the report is
    // printable only then.
    bool complete = false;

    // mb shares its storage with the tolerance.
    float& unitWeightError() { return angleTolerance; }
    float unitWeightError() const { return angleTolerance; }

    // Discards every array of the previous run and creates them new for n
    // (all numbers 0, all strings empty). The scalars are kept. The matrices
    // hold nothing until the condition equations are formed; every element
    // reads 0 until then.
    void redimension(std::int16_t n);

    KnownPointCase knownPointCase() const;

    // sigma_beta: the standard error of an angle, seconds of arc; by default
    // the tolerance as entered (widened from single precision).
    double angleStandardError() const;
    // sigma_s(k) of side k, millimetres; by default the classic a-priori
    // side error of this run (read after the side weights are formed).
    double sideStandardError(int k) const;
    // The side that follows from the known coordinates (s(2n) with B, s(1)
    // with C), or 0 when every side is measured.
    int knownSide() const;
};

}  // namespace kestrane

namespace kestrane {

// resultRowCount by the known-point case: n+1 when only A is known, n when B
// or C is known; left as it is for a combination that matches no case.
void setResultRowCount(AdjustmentState& state);

}  // namespace kestrane
