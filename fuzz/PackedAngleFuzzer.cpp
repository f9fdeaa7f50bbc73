// Fuzz target: packed d.mmss conversions, the azimuth of a coordinate
// difference and the normalising of azimuths.
//
// The input chooses one of several shapes of argument (any bit pattern of a
// double, a packed angle built from degrees, minutes and seconds, a decimal
// angle, coordinate differences of any size) so that both the whole double
// range and the surveying range are reached. Properties:
// - DmsToDegrees, SignedDmsToDegrees and DegreesToDms give finite results for
//   finite arguments up to 1e300 in magnitude; the signed conversion is odd.
// - DmsToDegrees of any packed value below 1e9 lies between what its
//   degrees, at most 100 minutes and -10..90 seconds can give, and of a
//   well-formed one (minutes and seconds below 60) equals D + M/60 + S/3600.
// - DegreesToDms gives minutes below 60 and seconds below 60, and converting
//   back reproduces the decimal angle.
// - AzimuthFromDeltas with the distance as the callers compute it is finite
//   and in [0, 360) whenever that distance is finite, and within 1e-6 degree
//   of the direction atan2 gives when the distance is neither vanishing nor
//   huge.
// - NormaliseAzimuth brings [-360, 720) into [0, 360).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzCheck.h"
#include "angles/Angles.h"

using namespace kestrane;
using kestrane::fuzz::require;

namespace {

std::string show(double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17g (%a)", v, v);
    return buffer;
}

double anyDouble(FuzzedDataProvider& in) {
    std::uint64_t bits = in.ConsumeIntegral<std::uint64_t>();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// A double in one of the shapes worth reaching.
double someDouble(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0: return anyDouble(in);
    case 1: return in.ConsumeFloatingPointInRange(-1e6, 1e6);
    case 2: return in.ConsumeFloatingPointInRange(-1.0, 1.0) * std::ldexp(1.0, in.ConsumeIntegralInRange(-1074, 1023));
    default: return static_cast<double>(in.ConsumeIntegralInRange<std::int64_t>(-4000000, 4000000)) / 1000;
    }
}

void checkPacked(double x) {
    if (!std::isfinite(x) || std::fabs(x) > 1e300) return;
    const double signedDegrees = SignedDmsToDegrees(x);
    require(std::isfinite(signedDegrees), "signed packed conversion is not finite", show(x));
    require(SignedDmsToDegrees(-x) == -signedDegrees, "signed packed conversion is not odd", show(x));
    if (x < 0) return;
    const double degrees = DmsToDegrees(x);
    require(std::isfinite(degrees), "packed conversion is not finite", show(x));
    require(signedDegrees == (x == 0 ? 0.0 : degrees), "signed conversion differs for a positive value", show(x));
    if (x < 1e9) {
        const double D = std::trunc(x);
        const double slack = 1e-12 * (1 + D);
        require(degrees >= D - 10.0 / 3600 - slack && degrees <= D + 100.0 / 60 + 90.0 / 3600 + slack,
                "packed conversion leaves the range its parts allow", show(x) + " -> " + show(degrees));
    }
}

void checkWellFormedPacked(FuzzedDataProvider& in) {
    const double D = static_cast<double>(in.ConsumeIntegralInRange(0, 1000000));
    const double M = static_cast<double>(in.ConsumeIntegralInRange(0, 59));
    // Seconds with up to four decimals, below 60.
    const double S = static_cast<double>(in.ConsumeIntegralInRange(0, 599999)) / 10000;
    const double packed = D + M / 100 + S / 10000;
    const double expected = D + M / 60 + S / 3600;
    const double degrees = DmsToDegrees(packed);
    require(std::fabs(degrees - expected) <= 1e-9 + 1e-15 * D, "well-formed packed angle converts wrongly",
            show(packed) + " -> " + show(degrees) + " want " + show(expected));
}

void checkDegrees(double a) {
    if (!std::isfinite(a) || a < 0 || a > 1e300) return;
    const double packed = DegreesToDms(a);
    require(std::isfinite(packed), "decimal to packed is not finite", show(a));
    if (a >= 1e9) return;
    const double D = std::trunc(packed);
    require(D == std::trunc(a), "decimal to packed changes the degrees", show(a) + " -> " + show(packed));
    // Minutes and seconds below 60 (a seconds part of 59.99... may show as
    // 60 once rounded for display, but not here).
    require(packed - D < 0.6 + 1e-12 * (1 + D), "decimal to packed gives 60 minutes or more",
            show(a) + " -> " + show(packed));
    const double back = DmsToDegrees(packed);
    require(std::fabs(back - a) <= 1e-12 + 1e-15 * a, "packed form does not convert back",
            show(a) + " -> " + show(packed) + " -> " + show(back));
}

void checkAzimuth(double dX, double dY) {
    if (!std::isfinite(dX) || !std::isfinite(dY)) return;
    const double d = std::sqrt(dX * dX + dY * dY);
    if (!std::isfinite(d)) return;
    const double azimuth = AzimuthFromDeltas(dX, dY, d);
    const std::string args = "dX " + show(dX) + " dY " + show(dY) + " -> " + show(azimuth);
    require(std::isfinite(azimuth), "azimuth is not finite", args);
    require(azimuth >= 0 && azimuth < 360, "azimuth outside [0, 360)", args);
    if (d < 1e-150 || d > 1e150) return;
    double reference = std::atan2(dY, dX) * (180 / M_PI);
    if (reference < 0) reference += 360;
    double difference = std::fabs(azimuth - reference);
    difference = std::fmin(difference, 360 - difference);
    require(difference <= 1e-6, "azimuth differs from the direction", args + " want " + show(reference));
}

void checkNormalise(double x) {
    if (!(x >= -360 && x < 720)) return;
    const double n = NormaliseAzimuth(x);
    require(n >= 0 && n < 360, "normalised azimuth outside [0, 360)", show(x) + " -> " + show(n));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    while (in.remaining_bytes() > 0) {
        switch (in.ConsumeIntegralInRange(0, 4)) {
        case 0: checkPacked(someDouble(in)); break;
        case 1: checkWellFormedPacked(in); break;
        case 2: checkDegrees(someDouble(in)); break;
        case 3: {
            const double dX = someDouble(in);
            checkAzimuth(dX, someDouble(in));
            break;
        }
        default: checkNormalise(someDouble(in)); break;
        }
    }
    return 0;
}
