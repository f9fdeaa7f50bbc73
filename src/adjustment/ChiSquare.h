// The chi-square distribution of the global test of an adjustment.
#pragma once

namespace kestrane {

// P(a, x): the regularised lower incomplete gamma function, a > 0, x >= 0,
// by its series below a + 1 and its continued fraction above.
double regularisedGammaP(double a, double x);

// The chi-square distribution function with `dof` degrees of freedom at x:
// P(dof / 2, x / 2).
double chiSquareDistribution(double x, int dof);

// The p-quantile (0 < p < 1) of the chi-square distribution with `dof`
// degrees of freedom, to about 1e-12 relative: Newton's method on the
// distribution function from the Wilson-Hilferty start, kept inside a
// bracket that halves whenever a step would leave it.
double chiSquareQuantile(double p, int dof);

}  // namespace kestrane
