// The stages of the condition adjustment, in the order a run calls them.
// Units: angles in decimal degrees, corrections and angle misclosures in
// seconds of arc, sides and side misclosures in metres.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "state/AdjustmentState.h"
#include "state/Matrix.h"
#include "state/NormalMatrix.h"
#include "state/Services.h"
#include "state/SparseMatrix.h"

namespace kestrane {

// Misclosure of the triangle condition of triangle i, in seconds, stored in
// single precision and shown in Label22 / Text13.
void computeTriangleMisclosure(AdjustmentState& state, Services& io, int i);

// The weight reciprocals of the observations: angles 1; sides from the mean
// side and the tolerance (classic), or from the a-priori standard errors in
// the units of the side conditions (rigorous).
void computeSideWeights(AdjustmentState& state);

// Side weight from the mean side and the tolerance; the 2n side-condition
// misclosures (metres; shown in millimetres after a pause each) and the
// horizon misclosure (seconds).
void computeSideMisclosuresAndWeights(AdjustmentState& state, Services& io);

// Condition coefficients of the 3n+1 conditions and of the weakest point's
// two weight functions, and the bordered normal matrix A Q A^T.
void formConditionEquations(AdjustmentState& state);

// The linearisation behind formConditionEquations: the weakest point, the
// approximate traverse over the observed values (written to sideAzimuths,
// pointX, pointY 1..n) and every coefficient of rows 1..t+2, handed to
// set(row, column, value) in the order they are written; a later write to a
// place replaces an earlier one.
void lineariseConditions(AdjustmentState& state, const std::function<void(int, int, double)>& set);

// The bordered normal matrix of the coefficients A (rows 1..t+2) with the
// observations' weight reciprocals q (0..5n): every element is the sum over
// the shared observations u, in increasing u, of (A(r, u) q(u)) A(c, u), r
// being the larger of the element's two indices.
BorderedNormalMatrix formNormalMatrix(const SparseMatrix& A, const std::vector<double>& q, int t);

// Gauss-Doolittle forward reduction, in place, of rows 2..t of the bordered
// matrix m over columns k..t+1 (the upper triangle and the right-hand
// column t+1). A zero pivot is a division-by-zero fault.
void reduceForward(Matrix& m, int t);
// The same reduction over the elements a sparse normal matrix holds, with
// the same results and faults.
void reduceForward(BorderedNormalMatrix& m);

// Back substitution of a reduced bordered matrix: k[1..t] solve N K = -h,
// h being column t+1.
void substituteBack(const Matrix& m, int t, std::vector<double>& k);
void substituteBack(const BorderedNormalMatrix& m, std::vector<double>& k);

// Solves the bordered system M (reduced in place) into correlates and
// returns sum F(j, i) K(j): with F the unreduced matrix and i the right-hand
// column, -h^T N^-1 h.
double cm1(const Matrix& F, Matrix& M, std::int16_t i, std::int16_t n, std::vector<double>& correlates);
double cm1(const BorderedNormalMatrix& F, BorderedNormalMatrix& M, std::int16_t i, std::int16_t n,
           std::vector<double>& correlates);

// The weight reciprocals 1/px and 1/py of the weakest point, by two cm1 solves.
void solveWeightReciprocals(AdjustmentState& state);

// Final correlates from the misclosures, corrections applied in place to
// every angle and side, and the sums [vv] and [pvv].
void applyCorrections(AdjustmentState& state);

// Adjusted coordinates by the traverse from A (decimal degrees -> metres).
void computeCoordinates(AdjustmentState& state);

// Precision, one figure at a time (each stored in single precision):
// mb (seconds) from [pvv] + [vv], ms = mb sqrt(q), mx, my, md (millimetres).
void computeUnitWeightError(AdjustmentState& state);
void computeSideUnitError(AdjustmentState& state);
void computeWeakestErrorX(AdjustmentState& state);
void computeWeakestErrorY(AdjustmentState& state);
void computeWeakestPositionError(AdjustmentState& state);

}  // namespace kestrane
