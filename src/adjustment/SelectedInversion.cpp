#include "adjustment/SelectedInversion.h"

#include <algorithm>
#include <limits>

namespace kestrane {

namespace {
std::size_t at(std::int32_t k) { return static_cast<std::size_t>(k); }
}  // namespace

SelectedInverse::SelectedInverse(const BorderedNormalMatrix& reduced) : pattern_(reduced.pattern()) {
    const BorderedNormalMatrix::Pattern& p = pattern_;
    const std::span<const double> u = reduced.values();
    z_.assign(u.size(), 0.0);
    std::vector<double> multiplier;
    for (int i = p.t; i >= 1; --i) {
        const std::int32_t first = p.rowStart[at(i)];
        const std::int32_t end = p.rowStart[at(i) + 1];
        const double pivot = u[at(first)];
        multiplier.clear();
        for (std::int32_t q = first + 1; q < end; ++q) multiplier.push_back(u[at(q)] / pivot);
        // Off the diagonal: Z(i, j) = -sum U(i, k) / U(i, i) Z(k, j).
        for (std::int32_t q = first + 1; q < end; ++q) {
            const int j = p.column[at(q)];
            double sum = 0;
            for (std::int32_t r = first + 1; r < end; ++r) sum += multiplier[at(r - first - 1)] * (*this)(p.column[at(r)], j);
            z_[at(q)] = -sum;
        }
        // The diagonal, from the row just computed: Z(k, i) = Z(i, k).
        double sum = 0;
        for (std::int32_t q = first + 1; q < end; ++q) sum += multiplier[at(q - first - 1)] * z_[at(q)];
        z_[at(first)] = 1 / pivot - sum;
    }
}

int SelectedInverse::position(int r, int c) const {
    const auto first = pattern_.column.begin() + pattern_.rowStart[at(r)];
    const auto last = pattern_.column.begin() + pattern_.rowStart[at(r) + 1];
    const auto it = std::lower_bound(first, last, c);
    return it != last && *it == c ? static_cast<int>(it - pattern_.column.begin()) : -1;
}

double SelectedInverse::operator()(int i, int j) const {
    const int q = i <= j ? position(i, j) : position(j, i);
    return q < 0 ? std::numeric_limits<double>::quiet_NaN() : z_[at(q)];
}

}  // namespace kestrane
