// Angle forms and conversions. Angles are typed and printed in packed
// degrees.minutesseconds (d.mmss: 58.2736 is 58°27'36"), held in decimal
// degrees, passed to sine and cosine in radians, and corrections and
// misclosures are in seconds of arc.
#pragma once

namespace kestrane {

// Degrees to radians: 3.1415926535 / 180 in double (pi to ten decimals), not
// the full-precision pi / 180. Results compared with other programs depend
// on this exact constant.
inline constexpr double RAD_PER_DEG = 0.017453292519444445;
// Seconds of arc in one radian.
inline constexpr double RHO_SECONDS = 206265;

// Packed d.mmss (x >= 0) -> decimal degrees. Minutes and seconds of 60 or
// more are taken as they come.
double DmsToDegrees(double packed);

// sign(x) * DmsToDegrees(|x|): packed d.mmss, possibly negative -> decimal degrees.
double SignedDmsToDegrees(double packed);

// Decimal degrees (a >= 0) -> packed d.mmss, with no carry of 60 seconds.
double DegreesToDms(double degrees);

// Azimuth (decimal degrees, clockwise from north, 0 <= result < 360) of the
// direction with coordinate differences dX (north, metres) and dY (east,
// metres); d = sqrt(dX^2 + dY^2) as the caller computed and stored it.
double AzimuthFromDeltas(double dX, double dY, double d);

// Brings an azimuth (decimal degrees) into 0..360: adds 360 once when it is
// negative, then subtracts 360 once when it is 360 or more.
double NormaliseAzimuth(double degrees);

}  // namespace kestrane
