// Elements of the inverse of the normal matrix where its factor has places,
// without forming the inverse.
#pragma once

#include <vector>

#include "state/NormalMatrix.h"

namespace kestrane {

// Z = N^-1 on the places of the reduced upper triangle U of N (the band and
// the border the Gauss-Doolittle reduction fills), from U alone by one
// backward sweep over its rows (selected inversion, Takahashi's
// recurrences). With N = U^T D^-1 U, D the diagonal of U:
//     Z(i, j) = delta(i, j) / U(i, i) - sum over k > i held in row i of
//               U(i, k) / U(i, i) * Z(k, j),
// and row i's places form a clique of the filled pattern, so every Z(k, j)
// it needs has been computed in a later row. O(t) for the central polygon.
class SelectedInverse {
public:
    // `reduced` holds N's upper triangle reduced in place.
    explicit SelectedInverse(const BorderedNormalMatrix& reduced);

    // Z(i, j) = Z(j, i), 1 <= i, j <= t, for a place of the pattern; NaN for
    // a place the factor does not hold.
    double operator()(int i, int j) const;

private:
    const BorderedNormalMatrix::Pattern& pattern_;
    std::vector<double> z_;  // by position of the pattern
    int position(int r, int c) const;
};

}  // namespace kestrane
