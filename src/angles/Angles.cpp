#include "angles/Angles.h"

#include <cmath>

namespace kestrane {

double DmsToDegrees(double packed) {
    const double D = std::trunc(packed);
    const double P = 100 * packed;
    const double Q = 10000 * packed;
    // The 0.1 keeps 100 * 0.29 = 28.999999999999996 at 29 minutes.
    const double Mi = std::trunc(P + 0.1);
    const double M = Mi - 100 * D;       // minutes
    const double S = Q - 100 * Mi;       // seconds with their fraction
    return (D + M / 60) + S / 3600;
}

double SignedDmsToDegrees(double packed) {
    const double sign = packed > 0 ? 1.0 : (packed < 0 ? -1.0 : 0.0);
    return sign * DmsToDegrees(std::fabs(packed));
}

double DegreesToDms(double degrees) {
    const double D = std::trunc(degrees);
    const double m = 60 * (degrees - D);  // minutes with their fraction
    const double M = std::trunc(m);
    // Seconds 60 * (m - M) as the fourth to sixth decimals: / 10000.
    return (D + M / 100) + (6 * (m - M)) / 1000;
}

double AzimuthFromDeltas(double dX, double dY, double d) {
    if (dX == 0) return dY > 0 ? 90 : 270;
    if (dY == 0) return dX < 0 ? 180 : 0;
    const double s = dY / d;              // sine of the azimuth
    const double cosineSquare = 1 - s * s;
    // So steep that the cosine vanishes in double: the direction of dX = 0.
    if (cosineSquare <= 0) return dY > 0 ? 90 : 270;
    const double c = std::sqrt(cosineSquare);  // magnitude of its cosine
    double alpha = std::atan(s / c) / RAD_PER_DEG;  // -90..90
    if (dX < 0) alpha = 180 - alpha;
    if (dX >= 0 && dY < 0) alpha = alpha + 360;
    // A direction a hair west of north (|alpha| below half a unit in the last
    // place of 360) rounds to 360 itself: that is north, azimuth 0.
    if (alpha >= 360) alpha = alpha - 360;
    return alpha;
}

double NormaliseAzimuth(double degrees) {
    if (degrees < 0) degrees += 360;
    if (degrees >= 360) degrees -= 360;
    return degrees;
}

}  // namespace kestrane
