// The printed report of the last computation, and the results shown on
// screen at the end of a run.
#pragma once

#include <string>

#include "state/AdjustmentState.h"
#include "state/ReportPrinter.h"
#include "state/Services.h"

namespace kestrane {

// Prints the whole report from a completed computation's state, once. The
// state is only read.
void printReport(const AdjustmentState& state, ReportPrinter& printer);

// The line a report in the rigorous weighting adds under its title: the
// weighting and the a-priori standard errors it was computed with.
std::string weightingLine(const AdjustmentState& state);

// On-screen precision figures, each right after it is computed.
void showUnitWeightError(const AdjustmentState& state, WindowFields& window);
void showSideUnitError(const AdjustmentState& state, WindowFields& window);
void showWeightReciprocals(const AdjustmentState& state, WindowFields& window);
void showWeakestErrorX(const AdjustmentState& state, WindowFields& window);
void showWeakestErrorY(const AdjustmentState& state, WindowFields& window);
void showWeakestPositionError(const AdjustmentState& state, WindowFields& window);

// The result rows, one point per pause.
void showPointResults(AdjustmentState& state, Services& io);

}  // namespace kestrane
