// Condition coefficients held by rows: a condition touches a handful of
// observations, so only the written coefficients are kept, each row's in
// increasing column order, with a column-by-column view of the same entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kestrane {

class SparseMatrix {
public:
    // One written element: in a row view the index is the column, in a
    // column view the row.
    struct Entry {
        std::int32_t index;
        double value;
    };
    // One write of the filling stage, in the order the stage makes it.
    struct Write {
        std::int32_t row;
        std::int32_t column;
        double value;
    };

    SparseMatrix() = default;
    // rows 0..lastRow, columns 0..lastColumn, nothing written: every element +0.
    SparseMatrix(int lastRow, int lastColumn);
    // The same shape after the given writes; a later write to a position
    // replaces an earlier one, as assignment to an array element does.
    SparseMatrix(int lastRow, int lastColumn, std::vector<Write> writes);

    // The element at (r, c): the last value written there, +0 where nothing
    // was written (or outside the shape).
    double operator()(int r, int c) const;

    // Row r's written elements in increasing column order.
    std::span<const Entry> row(int r) const;
    // Column c's written elements in increasing row order.
    std::span<const Entry> column(int c) const;

    int lastRow() const { return lastRow_; }
    int lastColumn() const { return lastColumn_; }
    std::size_t storedCount() const { return rowEntries_.size(); }

private:
    int lastRow_ = -1;
    int lastColumn_ = -1;
    std::vector<std::int32_t> rowStart_;     // lastRow+2 offsets into rowEntries_
    std::vector<Entry> rowEntries_;
    std::vector<std::int32_t> columnStart_;  // lastColumn+2 offsets into columnEntries_
    std::vector<Entry> columnEntries_;
};

}  // namespace kestrane
