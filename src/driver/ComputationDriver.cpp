#include "driver/ComputationDriver.h"

#include "adjustment/AdjustmentStages.h"
#include "entry/EntryStages.h"
#include "results/Report.h"

namespace kestrane {

namespace {

void runStages(AdjustmentState& s, Services& io) {
    enterNetworkDefinition(s, io);          // n, tolerance, known points, T0 / Qa or the known side
    enterPointNames(s, io);                 // A, the chain, the closure point
    enterAngles(s, io);                     // with each triangle's misclosure
    enterSides(s, io);
    computeSideMisclosuresAndWeights(s, io);
    formConditionEquations(s);
    solveWeightReciprocals(s);              // 1/px, 1/py
    applyCorrections(s);                    // correlates, adjusted observations
    computeCoordinates(s);

    computeUnitWeightError(s);
    showUnitWeightError(s, io.window);
    computeSideUnitError(s);
    showSideUnitError(s, io.window);
    showWeightReciprocals(s, io.window);
    computeWeakestErrorX(s);
    showWeakestErrorX(s, io.window);
    computeWeakestErrorY(s);
    showWeakestErrorY(s, io.window);
    computeWeakestPositionError(s);
    showWeakestPositionError(s, io.window);

    showPointResults(s, io);
}

}  // namespace

RunResult Command1_Click(AdjustmentState& state, Services& io) {
    state.complete = false;
    try {
        runStages(state, io);
    } catch (const ComputationAbandoned&) {
        return {RunOutcome::Abandoned, FaultKind::FloatingPoint};
    } catch (const ComputationFault& fault) {
        io.prompt.showMessage(faultMessage(fault.kind()));
        return {RunOutcome::Faulted, fault.kind()};
    }
    state.complete = true;
    return {RunOutcome::Completed, FaultKind::FloatingPoint};
}

}  // namespace kestrane
