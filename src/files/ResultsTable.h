// The results table of a completed computation as CSV: UTF-8 with a
// byte-order mark, one header line, one line per point in the order of the
// report's adjusted coordinates, every line ended by CR LF.
#pragma once

#include <string>
#include <vector>

#include "state/AdjustmentState.h"
#include "state/PointPrecision.h"

namespace kestrane {

// The CSV text of rows of column texts (the header first).
std::string csvText(const std::vector<std::vector<std::string>>& rows);

// The table of a completed computation: the header, then A, every computed
// point and the closure point with every column (the texts of the
// precision table); `precision` is computePointPrecision's answer.
std::string resultsTableText(const AdjustmentState& state, const std::vector<PointPrecision>& precision);

// One field: quoted (with '"' doubled) only when it holds a comma, a quote,
// CR or LF.
std::string csvField(const std::string& text);

}  // namespace kestrane

