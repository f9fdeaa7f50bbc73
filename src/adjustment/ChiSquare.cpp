#include "adjustment/ChiSquare.h"

#include <cmath>
#include <limits>

namespace kestrane {

namespace {

// x^a e^-x / Gamma(a), in logarithms so that large a does not overflow.
double gammaFactor(double a, double x) { return std::exp(a * std::log(x) - x - std::lgamma(a)); }

// P(a, x) = x^a e^-x / Gamma(a) * sum x^k / (a (a+1) ... (a+k)), for x < a + 1.
double lowerSeries(double a, double x) {
    double term = 1 / a;
    double sum = term;
    for (int k = 1; k < 100000; ++k) {
        term *= x / (a + k);
        sum += term;
        if (std::fabs(term) < std::fabs(sum) * 1e-17) break;
    }
    return sum * gammaFactor(a, x);
}

// Q(a, x) = 1 - P(a, x) by the continued fraction of Legendre, evaluated by
// the modified Lentz method, for x >= a + 1.
double upperFraction(double a, double x) {
    constexpr double tiny = 1e-300;
    double b = x + 1 - a;
    double c = 1 / tiny;
    double d = 1 / b;
    double h = d;
    for (int i = 1; i < 100000; ++i) {
        const double an = -i * (i - a);
        b += 2;
        d = an * d + b;
        if (std::fabs(d) < tiny) d = tiny;
        c = b + an / c;
        if (std::fabs(c) < tiny) c = tiny;
        d = 1 / d;
        const double delta = d * c;
        h *= delta;
        if (std::fabs(delta - 1) < 1e-17) break;
    }
    return h * gammaFactor(a, x);
}

}  // namespace

double regularisedGammaP(double a, double x) {
    if (x <= 0) return 0;
    if (x < a + 1) return lowerSeries(a, x);
    return 1 - upperFraction(a, x);
}

double chiSquareDistribution(double x, int dof) { return regularisedGammaP(dof / 2.0, x / 2); }

double chiSquareQuantile(double p, int dof) {
    if (!(p > 0 && p < 1) || dof < 1) return std::numeric_limits<double>::quiet_NaN();
    const double k = dof;
    const double a = k / 2;
    // The standard normal quantile of p for the start, by a few Newton steps
    // on the error function from a rough guess (only a start: the chi-square
    // steps below set the accuracy).
    double z = 0;
    for (int i = 0; i < 60; ++i) {
        const double cdf = 0.5 * std::erfc(-z / std::sqrt(2.0));
        const double pdf = std::exp(-z * z / 2) / std::sqrt(2 * 3.14159265358979323846);
        const double step = (cdf - p) / pdf;
        z -= step;
        if (std::fabs(step) < 1e-15) break;
    }
    const double w = 2 / (9 * k);
    double x = k * std::pow(1 - w + z * std::sqrt(w), 3);

    // Newton's method on F(x) - p, F'(x) = (x/2)^(a-1) e^(-x/2) / (2 Gamma(a)),
    // inside [low, high], which always holds the quantile.
    double low = 0;
    double high = k + 40 * std::sqrt(2 * k) + 100;
    while (chiSquareDistribution(high, dof) < p) high *= 2;
    if (!(x > low && x < high)) x = (low + high) / 2;
    for (int i = 0; i < 200; ++i) {
        const double f = chiSquareDistribution(x, dof) - p;
        if (f == 0) return x;
        (f < 0 ? low : high) = x;
        const double density = std::exp((a - 1) * std::log(x / 2) - x / 2 - std::lgamma(a)) / 2;
        double next = x - f / density;
        if (!(next > low && next < high)) next = (low + high) / 2;
        if (std::fabs(next - x) <= 1e-14 * x) return next;
        x = next;
    }
    return x;
}

}  // namespace kestrane
