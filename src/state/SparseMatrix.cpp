#include "state/SparseMatrix.h"

#include <algorithm>

namespace kestrane {

SparseMatrix::SparseMatrix(int lastRow, int lastColumn)
    : lastRow_(lastRow),
      lastColumn_(lastColumn),
      rowStart_(static_cast<std::size_t>(lastRow) + 2, 0),
      columnStart_(static_cast<std::size_t>(lastColumn) + 2, 0) {}

SparseMatrix::SparseMatrix(int lastRow, int lastColumn, std::vector<Write> writes) : SparseMatrix(lastRow, lastColumn) {
    // Group by position keeping the order of writes within a position; the
    // last write to a position is the element.
    std::stable_sort(writes.begin(), writes.end(), [](const Write& x, const Write& y) {
        return x.row != y.row ? x.row < y.row : x.column < y.column;
    });
    rowEntries_.reserve(writes.size());
    std::vector<std::int32_t> rowOf;
    rowOf.reserve(writes.size());
    for (std::size_t w = 0; w < writes.size(); ++w) {
        if (w + 1 < writes.size() && writes[w + 1].row == writes[w].row && writes[w + 1].column == writes[w].column) {
            continue;
        }
        rowEntries_.push_back({writes[w].column, writes[w].value});
        rowOf.push_back(writes[w].row);
        ++rowStart_[static_cast<std::size_t>(writes[w].row) + 1];
        ++columnStart_[static_cast<std::size_t>(writes[w].column) + 1];
    }
    for (std::size_t r = 1; r < rowStart_.size(); ++r) rowStart_[r] += rowStart_[r - 1];
    for (std::size_t c = 1; c < columnStart_.size(); ++c) columnStart_[c] += columnStart_[c - 1];

    // The column view, filled row by row so that each column's rows increase.
    columnEntries_.resize(rowEntries_.size());
    std::vector<std::int32_t> next(columnStart_.begin(), columnStart_.end() - 1);
    for (std::size_t p = 0; p < rowEntries_.size(); ++p) {
        const auto c = static_cast<std::size_t>(rowEntries_[p].index);
        columnEntries_[static_cast<std::size_t>(next[c]++)] = {rowOf[p], rowEntries_[p].value};
    }
}

double SparseMatrix::operator()(int r, int c) const {
    const std::span<const Entry> entries = row(r);
    auto it = std::lower_bound(entries.begin(), entries.end(), c,
                               [](const Entry& e, int column) { return e.index < column; });
    return it != entries.end() && it->index == c ? it->value : 0.0;
}

std::span<const SparseMatrix::Entry> SparseMatrix::row(int r) const {
    if (r < 0 || r > lastRow_) return {};
    const auto at = static_cast<std::size_t>(r);
    return {rowEntries_.data() + rowStart_[at], rowEntries_.data() + rowStart_[at + 1]};
}

std::span<const SparseMatrix::Entry> SparseMatrix::column(int c) const {
    if (c < 0 || c > lastColumn_) return {};
    const auto at = static_cast<std::size_t>(c);
    return {columnEntries_.data() + columnStart_[at], columnEntries_.data() + columnStart_[at + 1]};
}

}  // namespace kestrane
