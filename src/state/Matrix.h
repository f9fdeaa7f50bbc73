// Dense two-dimensional array of doubles indexed (row, column) from 0, the
// shape of the condition coefficients and the bordered normal matrices.
#pragma once

#include <cstddef>
#include <vector>

namespace kestrane {

class Matrix {
public:
    Matrix() = default;
    // rows 0..lastRow, columns 0..lastColumn, every element +0.
    Matrix(int lastRow, int lastColumn)
        : rows_(static_cast<std::size_t>(lastRow) + 1),
          cols_(static_cast<std::size_t>(lastColumn) + 1),
          data_(rows_ * cols_, 0.0) {}

    double& operator()(int r, int c) { return data_[static_cast<std::size_t>(r) * cols_ + static_cast<std::size_t>(c)]; }
    double operator()(int r, int c) const { return data_[static_cast<std::size_t>(r) * cols_ + static_cast<std::size_t>(c)]; }

    std::size_t rows() const { return rows_; }
    std::size_t cols() const { return cols_; }
    bool empty() const { return data_.empty(); }

private:
    std::size_t rows_ = 0;
    std::size_t cols_ = 0;
    std::vector<double> data_;
};

}  // namespace kestrane
