// Networks for checking the adjustment stages: random central polygons
// turned into the answers a user would type, and the state the entry
// stages make of those answers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "state/AdjustmentState.h"
#include "state/Services.h"

namespace kestrane::fixture {

// What is typed for one computation, as texts so that a test can put any
// number in (a side of 0, -0, 1e200). Coordinates and sides in metres,
// angles in packed d.mmss.
struct NetworkInput {
    int n = 0;
    KnownPointCase known = KnownPointCase::AOnly;
    std::string tolerance = "10";
    std::string Xa, Ya, Xb = "0", Yb = "0", Xc = "0", Yc = "0";
    std::string T0, Qa;               // case AOnly only
    std::vector<std::string> angles;  // 1..3n (element 0 unused)
    std::vector<std::string> sides;   // 1..2n (element 0 unused); the known side is not typed
};

// A central polygon of n triangles around a centre, outer points clockwise
// at random distances and spacing, observed with normally distributed
// errors (standard deviations in seconds of arc and millimetres).
NetworkInput randomNetwork(int n, KnownPointCase known, std::uint64_t seed, double angleNoiseSeconds = 2.0,
                           double sideNoiseMillimetres = 5.0);

// Every answer of a complete computation: the network definition, the point
// names, angles and sides each confirmed with Enter, then Enter at every
// side-misclosure pause and result row.
std::vector<std::string> answersFor(const NetworkInput& input);

// Answers from a list; past its end every prompt is cancelled and the
// computation abandoned.
using testing::ScriptedPrompt;

// The state after the entry stages (with the triangle misclosures), as a
// run leaves it before the side misclosures and weights.
AdjustmentState typedState(const NetworkInput& input);

// The state after the entry stages and the side misclosures and weights,
// ready for the condition equations, as a run would leave it.
AdjustmentState enteredState(const NetworkInput& input);

}  // namespace kestrane::fixture
