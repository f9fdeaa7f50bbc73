#include "state/NormalMatrix.h"

#include <algorithm>

namespace kestrane {

namespace {

std::size_t at(std::int32_t k) { return static_cast<std::size_t>(k); }

// The places of the reduced upper triangle. Reducing row k subtracts, for
// every earlier row l that holds an element in column k, multiples of row l's
// elements right of k; so row k ends up with N's elements plus those of
// every such row l. It is enough to take them from the rows whose first
// element right of the pivot is in column k (their "parent" is k): the rows
// further up reach k through those (the elimination tree of N).
std::shared_ptr<const BorderedNormalMatrix::Pattern> analyse(int t, const std::vector<std::int32_t>& formedStart,
                                                             const std::vector<std::int32_t>& formedColumn) {
    auto p = std::make_shared<BorderedNormalMatrix::Pattern>();
    p->t = t;
    p->rowStart.assign(at(t) + 2, 0);
    p->column.reserve(formedColumn.size() * 2);

    std::vector<std::int32_t> mark(at(t) + 1, 0);
    std::vector<std::int32_t> firstChild(at(t) + 1, 0);   // 0 = none
    std::vector<std::int32_t> nextSibling(at(t) + 1, 0);
    std::vector<std::int32_t> row;
    for (std::int32_t k = 1; k <= t; ++k) {
        // Row k starts where row k-1 ends (which also closes row k-1).
        p->rowStart[at(k)] = static_cast<std::int32_t>(p->column.size());
        row.clear();
        row.push_back(k);
        mark[at(k)] = k;
        for (std::int32_t q = formedStart[at(k)]; q < formedStart[at(k) + 1]; ++q) {
            const std::int32_t j = formedColumn[at(q)];
            if (mark[at(j)] != k) {
                mark[at(j)] = k;
                row.push_back(j);
            }
        }
        for (std::int32_t l = firstChild[at(k)]; l != 0; l = nextSibling[at(l)]) {
            // Row l's elements right of its pivot lie in columns >= k.
            for (std::int32_t q = p->rowStart[at(l)] + 1; q < p->rowStart[at(l) + 1]; ++q) {
                const std::int32_t j = p->column[at(q)];
                if (mark[at(j)] != k) {
                    mark[at(j)] = k;
                    row.push_back(j);
                }
            }
        }
        std::sort(row.begin() + 1, row.end());
        p->column.insert(p->column.end(), row.begin(), row.end());
        if (row.size() > 1) {
            const std::int32_t parent = row[1];
            nextSibling[at(k)] = firstChild[at(parent)];
            firstChild[at(parent)] = k;
        }
    }
    p->rowStart[at(t) + 1] = static_cast<std::int32_t>(p->column.size());
    p->rowStart[0] = p->rowStart[1];

    // The column view: rows l < k holding (l, k), in increasing l.
    p->aboveStart.assign(at(t) + 2, 0);
    for (std::int32_t l = 1; l <= t; ++l) {
        for (std::int32_t q = p->rowStart[at(l)] + 1; q < p->rowStart[at(l) + 1]; ++q) ++p->aboveStart[at(p->column[at(q)]) + 1];
    }
    for (std::size_t k = 1; k < p->aboveStart.size(); ++k) p->aboveStart[k] += p->aboveStart[k - 1];
    p->aboveRow.resize(at(p->aboveStart.back()));
    p->abovePosition.resize(at(p->aboveStart.back()));
    std::vector<std::int32_t> next(p->aboveStart.begin(), p->aboveStart.end() - 1);
    for (std::int32_t l = 1; l <= t; ++l) {
        for (std::int32_t q = p->rowStart[at(l)] + 1; q < p->rowStart[at(l) + 1]; ++q) {
            const std::int32_t slot = next[at(p->column[at(q)])]++;
            p->aboveRow[at(slot)] = l;
            p->abovePosition[at(slot)] = q;
        }
    }
    return p;
}

}  // namespace

BorderedNormalMatrix::BorderedNormalMatrix(int t, const std::vector<UpperEntry>& upper, std::vector<double> gx,
                                           std::vector<double> gy, double fxx, double fxy, double fyy)
    : gx_(std::move(gx)), gy_(std::move(gy)), fxx_(fxx), fxy_(fxy), fyy_(fyy) {
    gx_.resize(at(t) + 1, 0.0);
    gy_.resize(at(t) + 1, 0.0);
    rightHand_ = gx_;

    // N's upper triangle by rows, each in increasing column order.
    // (The normal-matrix formation hands them over in this order already.)
    const auto byRowAndColumn = [](const UpperEntry& x, const UpperEntry& y) {
        return x.row != y.row ? x.row < y.row : x.column < y.column;
    };
    std::vector<UpperEntry> sorted(upper);
    if (!std::is_sorted(sorted.begin(), sorted.end(), byRowAndColumn)) {
        std::sort(sorted.begin(), sorted.end(), byRowAndColumn);
    }
    std::vector<std::int32_t> start(at(t) + 2, 0);
    std::vector<std::int32_t> column(sorted.size());
    std::vector<double> value(sorted.size());
    for (std::size_t e = 0; e < sorted.size(); ++e) {
        ++start[at(sorted[e].row) + 1];
        column[e] = sorted[e].column;
        value[e] = sorted[e].value;
    }
    for (std::size_t k = 1; k < start.size(); ++k) start[k] += start[k - 1];

    pattern_ = analyse(t, start, column);

    // The formed values at their places; fill-in places start at +0 as the
    // unformed elements of the full array do.
    formed_.assign(pattern_->column.size(), 0.0);
    for (std::int32_t k = 1; k <= t; ++k) {
        std::int32_t q = pattern_->rowStart[at(k)];
        for (std::int32_t f = start[at(k)]; f < start[at(k) + 1]; ++f) {
            while (pattern_->column[at(q)] != column[at(f)]) ++q;
            formed_[at(q)] = value[at(f)];
        }
    }
    values_ = formed_;
}

std::int32_t BorderedNormalMatrix::position(int r, int c) const {
    const Pattern& p = *pattern_;
    const auto first = p.column.begin() + p.rowStart[at(r)];
    const auto last = p.column.begin() + p.rowStart[at(r) + 1];
    const auto it = std::lower_bound(first, last, c);
    return it != last && *it == c ? static_cast<std::int32_t>(it - p.column.begin()) : -1;
}

double BorderedNormalMatrix::operator()(int r, int c) const {
    if (!pattern_) return 0;
    const int t = pattern_->t;
    if (r < 1 || c < 1 || r > t + 2 || c > t + 2) return 0;
    if (r <= t && c <= t) {
        // Above the diagonal the current (possibly reduced) value; below it
        // the reduction never writes, so the element is N's.
        const std::int32_t q = r <= c ? position(r, c) : position(c, r);
        if (q < 0) return 0;
        return r <= c ? values_[at(q)] : formed_[at(q)];
    }
    if (r <= t) return c == t + 1 ? rightHand_[at(r)] : gy_[at(r)];
    if (c <= t) return r == t + 1 ? gx_[at(c)] : gy_[at(c)];
    if (r == t + 1 && c == t + 1) return fxx_;
    if (r == t + 2 && c == t + 2) return fyy_;
    return fxy_;
}

void BorderedNormalMatrix::restoreBlockFrom(const BorderedNormalMatrix& from) {
    pattern_ = from.pattern_;
    values_ = from.values_;
    formed_ = from.formed_;
}

}  // namespace kestrane
