// The texts of the precision table: one row per result row (A first, the
// closure point last), the columns of the results table. The window shows
// these texts and the results file writes them.
#pragma once

#include <string>
#include <vector>

#include "state/AdjustmentState.h"
#include "state/PointPrecision.h"

namespace kestrane {

inline constexpr int kPrecisionColumnCount = 11;

// 点名, X, Y, 1/px, 1/py, mx, my, mp, E, F, φ
const std::vector<std::string>& precisionTableHeader();

// The texts of every row: the name as entered; X, Y (metres) with 3
// decimals; 1/px, 1/py with 4; mx, my, mp, E, F (millimetres) with 2; φ
// packed d.mmss with 4 decimals, whole seconds carried. Numbers are rounded
// half to even, then written with the pattern. A figure that could not be
// computed leaves its text empty, and so do those that depend on it.
// `precision` is computePointPrecision's answer for the same state; without
// it (an incomplete computation) there are no rows.
std::vector<std::vector<std::string>> precisionTableRows(const AdjustmentState& state,
                                                         const std::vector<PointPrecision>& precision);

// An azimuth in decimal degrees (0 <= phi < 180) as packed d.mmss with 4
// decimals, rounded to whole seconds (half to even) and carried: never "60"
// minutes or seconds; a value that rounds to 180 degrees is the same axis as 0.
std::string packedAxisAzimuthText(double degrees);

}  // namespace kestrane
