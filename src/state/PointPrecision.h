// The precision of one point of the result rows: its weight reciprocals,
// mean square errors and standard error ellipse.
#pragma once

namespace kestrane {

struct PointPrecision {
    // A or the closure point (A again, B or C): every figure 0.
    bool known = false;
    // Which figures could be computed. A weight reciprocal that came out
    // negative (or not finite) through rounding has no error: 1/px and mx
    // go with xComputable, 1/py and my with yComputable; mp needs both; the
    // ellipse E, F and its azimuth need ellipseComputable as well.
    bool xComputable = true;
    bool yComputable = true;
    bool ellipseComputable = true;

    // 1/px, 1/py and the mixed 1/pxy, in the units of the weight functions
    // (mb times the root of 1/px is read in millimetres).
    double weightReciprocalX = 0, weightReciprocalY = 0, weightReciprocalXY = 0;
    // mx, my, mp in millimetres, single precision as the weakest point's.
    float errorX = 0, errorY = 0, positionError = 0;
    // Semi-axes E >= F of the standard error ellipse, millimetres.
    double semiMajor = 0, semiMinor = 0;
    // Azimuth of E, decimal degrees clockwise from north, 0 <= phi < 180
    // (0 when E = F).
    double majorAzimuth = 0;

    bool positionComputable() const { return xComputable && yComputable; }
    bool computable() const { return xComputable && yComputable && ellipseComputable; }
};

}  // namespace kestrane
