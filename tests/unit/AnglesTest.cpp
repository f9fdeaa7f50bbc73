// Packed d.mmss conversions, azimuths from coordinate differences, and the
// rounding and fixed-point rendering of numbers.
#include <gtest/gtest.h>

#include <cmath>

#include "angles/Angles.h"
#include "state/NumberFormat.h"

using namespace kestrane;

TEST(Angles, ConstantsAreThoseOfTheMethod) {
    EXPECT_EQ(RAD_PER_DEG, 3.1415926535 / 180);
    EXPECT_NE(RAD_PER_DEG, 0.017453292519943295);
    EXPECT_EQ(RHO_SECONDS, 206265.0);
}

TEST(Angles, DmsToDegreesWorkedValues) {
    EXPECT_DOUBLE_EQ(DmsToDegrees(30.3), 30.5);
    EXPECT_DOUBLE_EQ(DmsToDegrees(0.3), 0.5);
    EXPECT_DOUBLE_EQ(DmsToDegrees(58.2736), 58.46);
    // 100 * 0.29 is 28.999999999999996: the 0.1 keeps it at 29 minutes.
    EXPECT_NEAR(DmsToDegrees(0.29), 29.0 / 60, 1e-12);
    // 70 minutes are taken as they come.
    EXPECT_NEAR(DmsToDegrees(0.7), 70.0 / 60, 1e-12);
    EXPECT_NEAR(DmsToDegrees(58.27365), 58 + 27.0 / 60 + 36.5 / 3600, 1e-12);
    EXPECT_EQ(DmsToDegrees(0), 0.0);
    // Signed: the sign applies to the whole packed angle.
    EXPECT_DOUBLE_EQ(SignedDmsToDegrees(-0.3), -0.5);
    EXPECT_DOUBLE_EQ(SignedDmsToDegrees(0.3), 0.5);
    EXPECT_EQ(SignedDmsToDegrees(0), 0.0);
}

TEST(Angles, DegreesToDmsHasNoCarry) {
    EXPECT_DOUBLE_EQ(DegreesToDms(30.5), 30.3);
    EXPECT_EQ(DegreesToDms(0), 0.0);
    // 30°29'59.99999" stays below 30.30 and shows 60 seconds once rounded.
    const double packed = DegreesToDms(30 + 29.0 / 60 + 59.99999 / 3600);
    EXPECT_LT(packed, 30.3);
    EXPECT_EQ(formatFixed(roundHalfEven(packed, 5), 5), "30.29600");
}

TEST(Angles, AzimuthFromDeltasOnAxesAndQuadrants) {
    // On the axes the result is exact; a direction so steep that 1 - s^2
    // vanishes (dX = 1e-300) is taken as dX = 0.
    struct Case { double dX, dY, azimuth, tolerance; };
    const Case cases[] = {
        {1, 1, 45, 1e-8}, {-1, 1, 135, 1e-8}, {-1, -1, 225, 1e-8}, {1, -1, 315, 1e-8}, {5, 0, 0, 0}, {-5, 0, 180, 0},
        {0, 5, 90, 0}, {0, -5, 270, 0}, {0, 0, 270, 0}, {1e-300, 1, 90, 0}, {1e-300, -1, 270, 0},
    };
    for (const Case& c : cases) {
        const double d = std::sqrt(c.dX * c.dX + c.dY * c.dY);
        EXPECT_NEAR(AzimuthFromDeltas(c.dX, c.dY, d), c.azimuth, c.tolerance) << c.dX << "," << c.dY;
    }
}

TEST(Angles, AzimuthFromDeltasUsesTheTenDecimalPi) {
    // 30 degrees east of north: arctan divided by RAD_PER_DEG, not by pi/180.
    const double dX = std::cos(30 * 3.141592653589793 / 180), dY = 0.5;
    const double expected = std::atan(0.5 / std::sqrt(1 - 0.25)) / RAD_PER_DEG;
    EXPECT_EQ(AzimuthFromDeltas(dX, dY, 1.0), expected);
    EXPECT_GT(std::fabs(expected - 30.0), 5e-10);  // eleventh significant digit
}

TEST(Angles, NormaliseAzimuthOnce) {
    // 720 is brought down once only.
    const double cases[][2] = {{360, 0}, {-0.5, 359.5}, {370, 10}, {-20, 340}, {720, 360}};
    for (const auto& c : cases) EXPECT_EQ(NormaliseAzimuth(c[0]), c[1]) << c[0];
}

// Rounding half to even, then fixed-point text: 0.125 is 12.5 hundredths
// exactly and goes to 12; a single-precision value is widened first (1.005f
// is 1.00499999523...); digits all zero print without a sign.
TEST(NumberFormat, RoundHalfEvenAndFixedPatterns) {
    struct Rounding { double value; int decimals; double rounded; };
    const Rounding roundings[] = {{2.5, 0, 2}, {3.5, 0, 4}, {-2.5, 0, -2}, {0.125, 2, 0.12}, {0.375, 2, 0.38},
                                  {1.005f, 2, 1}, {1.234, 2, 1.23}, {0.123456, 4, 0.1235}, {1.5, 2, 1.5}};
    for (const Rounding& c : roundings) {
        EXPECT_EQ(roundHalfEven(c.value, c.decimals), c.rounded) << c.value << " to " << c.decimals;
    }
    struct Fixed { double value; int decimals; const char* text; };
    const Fixed fixed[] = {{1234.5, 4, "1234.5000"}, {45.3, 5, "45.30000"}, {0, 3, "0.000"}, {-0.0, 2, "0.00"},
                           {-0.001, 2, "0.00"}, {-0.006, 2, "-0.01"}, {3456789.12345, 3, "3456789.123"},
                           {1.23, 4, "1.2300"}, {0.1235, 4, "0.1235"}, {1.5, 3, "1.500"}};
    for (const Fixed& c : fixed) {
        EXPECT_EQ(formatFixed(c.value, c.decimals), c.text) << c.value;
    }
}
