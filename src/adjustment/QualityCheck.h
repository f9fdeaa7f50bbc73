// The checks a surveyor makes before accepting coordinates (质量检核),
// computed from a completed computation in the rigorous model.
#pragma once

#include <vector>

#include "state/AdjustmentState.h"
#include "state/QualityFigures.h"

namespace kestrane {

// The checks of a completed computation; the state is only read.
QualityCheck checkQuality(const AdjustmentState& completed);

// The redundancy numbers r = q (A^T N^-1 A)_ii of every observation column
// 1..5n (0 for the known side) of a state whose normal matrix has been
// reduced by the final solve, from the selected inverse of N.
std::vector<double> redundancyNumbers(const AdjustmentState& reduced);

}  // namespace kestrane
