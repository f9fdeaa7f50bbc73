// The data-entry stages of a computation, in the order a run calls them.
#pragma once

#include "state/AdjustmentState.h"
#include "state/Services.h"

namespace kestrane {

// Smallest and largest number of triangles accepted. Fewer than 3 has no
// traverse; 6554 or more leaves the 16-bit range in 5n.
inline constexpr int kMinTriangles = 3;
inline constexpr int kMaxTriangles = 6553;

// Network definition: n (then the arrays are created for it), the angle
// tolerance, the known points, and T0 and Qa or the known side.
void enterNetworkDefinition(AdjustmentState& state, Services& io);

// Point names: A, the points of the coordinate chain, the closure point.
void enterPointNames(AdjustmentState& state, Services& io);

// The three angles of every triangle, each triangle's misclosure right after
// its third angle.
void enterAngles(AdjustmentState& state, Services& io);

// The sides s(1)..s(2n), without the one computed from known coordinates.
void enterSides(AdjustmentState& state, Services& io);

}  // namespace kestrane
