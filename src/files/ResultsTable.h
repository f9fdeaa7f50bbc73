// The results table of a completed computation as CSV: UTF-8 with a
// byte-order mark, one header line, one line per point in the order of the
// report's adjusted coordinates, every line ended by CR LF.
#pragma once

#include <string>
#include <vector>

#include "state/AdjustmentState.h"

namespace kestrane {

// The CSV text of rows of column texts (the header first).
std::string csvText(const std::vector<std::vector<std::string>>& rows);

// One field: quoted (with '"' doubled) only when it holds a comma, a quote,
// CR or LF.
std::string csvField(const std::string& text);

}  // namespace kestrane

namespace kestrane {

// The columns of the table.
inline constexpr const char* kResultsHeader[] = {"点名", "X", "Y", "1/px", "1/py", "mx", "my", "mp", "E", "F", "φ"};

// The table of a completed computation: the header, then A, every computed
// point and the closure point, each with its name and adjusted X and Y (3
// decimals).
std::vector<std::vector<std::string>> resultsTableRows(const AdjustmentState& state);

}  // namespace kestrane
