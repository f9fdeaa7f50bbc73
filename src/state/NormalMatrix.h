// The bordered normal matrix 0..t+2 x 0..t+2 of the condition adjustment,
// held by its non-zero pattern.
//
// N couples a condition only with the few conditions that share one of its
// observations (and the horizon condition with every central angle), so the
// array is almost empty. What is kept:
//  - rows 1..t of N over columns k..t, the upper triangle that the
//    Gauss-Doolittle reduction reads and writes in place, with a place for
//    every element the reduction can make non-zero (its fill-in);
//  - the unreduced N over the same places: the reduction never writes below
//    the diagonal, so the lower triangle of the array always reads N;
//  - the right-hand column t+1, rows 1..t, carried along by the reduction;
//  - the weight functions' terms: row t+1 ([a fx q], the X function as it was
//    formed), column and row t+2 ([a fy q]), and the corner of their squared
//    and mixed weighted norms.
// Any element can still be read as in a full array, 0 where nothing is held.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace kestrane {

class BorderedNormalMatrix {
public:
    // An element N(row, column) of the upper triangle, row <= column <= t.
    struct UpperEntry {
        std::int32_t row;
        std::int32_t column;
        double value;
    };

    // Where the elements of the upper triangle live, including fill-in. Row k
    // holds positions [rowStart[k], rowStart[k+1]), the first being the
    // pivot (k, k), then increasing columns. For a column k, the rows l < k
    // that hold an element (l, k) are listed in increasing order in
    // aboveRow[aboveStart[k] .. aboveStart[k+1]), with the position of (l, k)
    // in abovePosition.
    struct Pattern {
        int t = 0;
        std::vector<std::int32_t> rowStart;
        std::vector<std::int32_t> column;
        std::vector<std::int32_t> aboveStart;
        std::vector<std::int32_t> aboveRow;
        std::vector<std::int32_t> abovePosition;
    };

    // Not formed yet: every element reads 0.
    BorderedNormalMatrix() = default;

    // A matrix with t conditions from the non-zero elements of N's upper
    // triangle (each position at most once; the diagonal need not be
    // listed), the weight-function columns gx and gy (indices 0..t, element
    // 0 unused) and the corner elements (t+1, t+1), (t+1, t+2) = (t+2, t+1)
    // and (t+2, t+2). The right-hand column starts as gx, as in the
    // bordered matrix the normal equations are formed into.
    BorderedNormalMatrix(int t, const std::vector<UpperEntry>& upper, std::vector<double> gx, std::vector<double> gy,
                         double fxx, double fxy, double fyy);

    // The element (r, c) as the full array holds it, 0 where nothing is held.
    double operator()(int r, int c) const;

    bool formed() const { return pattern_ != nullptr; }
    int conditionCount() const { return pattern_ ? pattern_->t : 0; }
    const Pattern& pattern() const { return *pattern_; }

    // The upper triangle's current values by position (see Pattern).
    std::span<double> values() { return values_; }
    std::span<const double> values() const { return values_; }

    // Column t+1, rows 1..t: the right-hand column of the reduction.
    double& rightHand(int r) { return rightHand_[static_cast<std::size_t>(r)]; }
    double rightHand(int r) const { return rightHand_[static_cast<std::size_t>(r)]; }

    // Rows and columns 1..t, both triangles, set to the elements `from`
    // holds there (same conditions; its pattern is shared).
    void restoreBlockFrom(const BorderedNormalMatrix& from);

private:
    std::shared_ptr<const Pattern> pattern_;
    std::vector<double> values_;     // upper triangle, current
    std::vector<double> formed_;     // upper triangle as formed (0 at fill-in places)
    std::vector<double> rightHand_;  // column t+1, rows 0..t
    std::vector<double> gx_;         // row t+1, columns 0..t
    std::vector<double> gy_;         // column and row t+2, 0..t
    double fxx_ = 0, fxy_ = 0, fyy_ = 0;

    // Position of (r, c), r <= c <= t, or -1 when it is not in the pattern.
    std::int32_t position(int r, int c) const;
};

}  // namespace kestrane
