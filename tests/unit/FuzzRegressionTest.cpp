// Inputs the fuzz targets found to break a property, kept so that the fault
// stays mended. Each case names the property it broke.
#include <gtest/gtest.h>

#include <cmath>

#include "angles/Angles.h"

using namespace kestrane;

namespace {

struct AzimuthCase {
    const char* what;
    double dX;
    double dY;
};

// Directions so close to north on the west side that alpha + 360 rounded to
// 360: the azimuth must still lie in [0, 360).
const AzimuthCase kNearNorthFromWest[] = {
    {"smallest subnormal dY", 2876.6709999999998, -4.9406564584124654e-324},
    {"dY far below an ulp of dX", 1, -1e-20},
    {"coordinates a million metres apart, dY one ulp of 1", 1e6, -2.220446049250313e-16},
};

}  // namespace

TEST(FuzzRegression, AzimuthJustWestOfNorthStaysBelow360) {
    for (const AzimuthCase& c : kNearNorthFromWest) {
        const double d = std::sqrt(c.dX * c.dX + c.dY * c.dY);
        const double azimuth = AzimuthFromDeltas(c.dX, c.dY, d);
        EXPECT_GE(azimuth, 0) << c.what;
        EXPECT_LT(azimuth, 360) << c.what;
        // North, within rounding, from either side.
        EXPECT_LT(std::fmin(azimuth, 360 - azimuth), 1e-9) << c.what;
    }
}
