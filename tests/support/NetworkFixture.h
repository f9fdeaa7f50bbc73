// The one generator of networks for the tests: central polygons, drawn at
// random or given by their shape, observed with or without errors, turned
// into the answers a user would type, and the state the entry stages make
// of those answers.
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "state/AdjustmentState.h"
#include "state/Services.h"

namespace kestrane::fixture {

// The known-point cases a network can have, and a case's name for messages.
inline constexpr KnownPointCase kKnownCases[] = {KnownPointCase::AOnly, KnownPointCase::AWithB, KnownPointCase::AWithC};
const char* caseName(KnownPointCase known);

// A point of the plane: x northing, y easting, metres.
struct Point {
    double x = 0, y = 0;
};
double distance(Point p, Point q);
// Azimuth p -> q in decimal degrees, clockwise from north, in [0, 360).
double azimuth(Point p, Point q);

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
    std::vector<std::string> names;   // 0..m; none given: A, P1, ..., Z

    // The true network the answers were observed on: its points (known
    // points are the typed ones), angles 1..3n (decimal degrees) and sides
    // 1..2n (metres), element 0 unused.
    Point centre;
    std::vector<Point> outer;  // 0..n-1, A first
    std::vector<double> trueAngles, trueSides;
};

// A central polygon by its shape: the centre, and each outer point's
// distance and direction (azimuth from the centre, decimal degrees,
// increasing clockwise) from it, A being outer point 0.
struct Polygon {
    double cx = 50, cy = 86.60254037844386;
    std::vector<double> radius;     // 0..n-1
    std::vector<double> direction;  // 0..n-1

    int n() const { return static_cast<int>(radius.size()); }
    double outerX(int k) const;
    double outerY(int k) const;
    // n equal triangles, A at the origin for the default centre and radius.
    static Polygon regular(int n, double r = 100);
};

// The polygon observed without error: coordinates and sides to 0.1 mm,
// angles packed with `angleDecimals`, T0 the azimuth from A to outer point 1
// and Qa 0, the points named P0, P1, ...
NetworkInput exactNetwork(const Polygon& shape, KnownPointCase known, int angleDecimals = 5);
inline NetworkInput regularNetwork(int n, KnownPointCase known, double r = 100) {
    return exactNetwork(Polygon::regular(n, r), known);
}

// How a random network is drawn and observed.
struct Draw {
    double angleNoiseSeconds = 2.0, sideNoiseMillimetres = 5.0;
    // Errors uniform within plus or minus the noise; otherwise normal with
    // the noise as standard deviation.
    bool boundedNoise = false;
    // Networks of every kind: the centre on a national grid or near the
    // origin, a radius of 300 to 2500 m, Qa of either sign, outer angles
    // of 20 degrees at least. Otherwise on a national grid, 8 m of radius
    // a triangle (50 m at least), Qa of 20 to 80 degrees.
    bool everyKind = false;
};

// A central polygon of n triangles around a centre, outer points clockwise
// at random distances and spacing, every point to the millimetre, observed
// with random errors.
NetworkInput randomNetwork(int n, KnownPointCase known, std::mt19937_64& random, const Draw& draw = {});
inline NetworkInput randomNetwork(int n, KnownPointCase known, std::uint64_t seed, double angleNoiseSeconds = 2.0,
                                  double sideNoiseMillimetres = 5.0) {
    std::mt19937_64 random(seed);
    return randomNetwork(n, known, random, Draw{angleNoiseSeconds, sideNoiseMillimetres});
}

// Every answer of a complete computation: the network definition, the point
// names, angles and sides each confirmed with Enter, then Enter at every
// side-misclosure pause and result row.
std::vector<std::optional<std::string>> answersFor(const NetworkInput& input);

// Answers from a list; past its end every prompt is cancelled and the
// computation abandoned.
using testing::ScriptedPrompt;

// The state after the entry stages (with the triangle misclosures), as a
// run leaves it before the side misclosures and weights.
AdjustmentState typedState(const NetworkInput& input);

// The state after the entry stages and the side misclosures and weights,
// ready for the condition equations, as a run would leave it.
AdjustmentState enteredState(const NetworkInput& input);

// The state's traverse over the observed values, for differencing or for
// the network's misclosure: the adjusted angles and sides replaced by the
// typed ones (the known side kept). The coordinates are not recomputed.
AdjustmentState observedCopy(const AdjustmentState& s);

// The state a whole computation of the network leaves, with the settings
// given; a run that does not complete is a failure of the test.
AdjustmentState completedState(const NetworkInput& input, const AprioriSettings& settings = {});

}  // namespace kestrane::fixture
