// The answers that type a set of observation values into a computation, in
// the order the stages ask: each value followed by the empty answer that
// confirms it, and, for a complete set, the empty answers of every pause.
#pragma once

#include <string>
#include <vector>

#include "state/EntryRecord.h"

namespace kestrane {

// A number's answer: the shortest text that reads back as the same double
// (std::to_chars), so that "3" types n = 3 and "311.58067" a packed angle.
std::string numberAnswer(double value);

// The answers for `values`, up to the first value that is missing. The
// values must be in the order a computation accepts them (an observation
// file checked on reading, or an entry record): B and C as 0 and 0 when
// they are not known and a later value is given.
std::vector<std::string> typedAnswers(const ObservationValues& values);

// How many sides a network of n triangles asks for in each known-point case:
// 2n when only A is known, 2n - 1 when B or C is known.
int askedSideCount(int n, bool secondPointKnown);

// How many names: n + 2 when only A is known (A, n chain points, A again),
// n + 1 otherwise.
int askedNameCount(int n, bool secondPointKnown);

}  // namespace kestrane
