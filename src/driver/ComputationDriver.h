// One complete computation: every prompt from the number of triangles to the
// last result row, the stages in their fixed order.
#pragma once

#include <string>

#include "state/AdjustmentState.h"
#include "state/Faults.h"
#include "state/Services.h"

namespace kestrane {

enum class RunOutcome { Completed, Abandoned, Faulted };

struct RunResult {
    RunOutcome outcome = RunOutcome::Completed;
    FaultKind fault = FaultKind::FloatingPoint;  // when Faulted
};

// The start command. A fault of the computation is shown through the prompt
// service's message and ends the run; an abandoned run shows nothing more.
// Either way the state is left not printable (state.complete is false).
RunResult Command1_Click(AdjustmentState& state, Services& io);

}  // namespace kestrane
