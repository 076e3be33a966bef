#pragma once
// Arrays that keep the index ranges of the algorithms they serve: 1-based lists,
// triangle tables with a row 0, frames numbered 1 to 4. Every access is checked.

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace kelvarin {

[[noreturn]] inline void ThrowIndexError(const char* what, long index, long lower, long upper) {
    throw std::out_of_range(std::string(what) + ": index " + std::to_string(index) + " is outside " +
                            std::to_string(lower) + ".." + std::to_string(upper));
}

// Number of indices in lower..upper, counted in 64 bits: `long` is 32 bits on Windows.
inline std::size_t Extent(long lower, long upper) {
    return static_cast<std::size_t>(static_cast<long long>(upper) - lower + 1);
}

// One dimension, indices lower..upper (upper = lower - 1 when empty).
template <class T>
class Array1 {
  public:
    Array1() = default;
    Array1(long lower, long upper) { ReDim(lower, upper); }
    Array1(long lower, std::initializer_list<T> values) : lower_(lower), data_(values) {}

    long LBound() const { return lower_; }
    long UBound() const { return lower_ + static_cast<long>(data_.size()) - 1; }
    long Count() const { return static_cast<long>(data_.size()); }
    bool Empty() const { return data_.empty(); }

    T& operator()(long i) { return data_[Offset(i)]; }
    const T& operator()(long i) const { return data_[Offset(i)]; }

    // new bounds, every element value-initialised
    void ReDim(long lower, long upper) {
        if (upper < lower - 1) ThrowIndexError("Array1::ReDim", upper, lower - 1, upper);
        lower_ = lower;
        data_.assign(Extent(lower, upper), T{});
    }
    // new upper bound, contents kept
    void ReDimPreserve(long upper) {
        if (upper < lower_ - 1) ThrowIndexError("Array1::ReDimPreserve", upper, lower_ - 1, upper);
        data_.resize(Extent(lower_, upper));
    }
    // grow by one element at the upper end
    void Append(T value) { data_.push_back(std::move(value)); }

    auto begin() { return data_.begin(); }
    auto end() { return data_.end(); }
    auto begin() const { return data_.begin(); }
    auto end() const { return data_.end(); }
    const std::vector<T>& Values() const { return data_; }

  private:
    std::size_t Offset(long i) const {
        if (i < lower_ || i > UBound()) ThrowIndexError("Array1", i, lower_, UBound());
        return static_cast<std::size_t>(i - lower_);
    }

    long lower_ = 1;
    std::vector<T> data_;
};

// Two dimensions, (row, column) with any lower bounds; stored with the first
// dimension varying fastest, so a column is contiguous.
template <class T>
class Array2 {
  public:
    Array2() = default;
    Array2(long lower1, long upper1, long lower2, long upper2) { ReDim(lower1, upper1, lower2, upper2); }

    long LBound(int dimension) const { return dimension == 1 ? lower1_ : lower2_; }
    long UBound(int dimension) const { return dimension == 1 ? lower1_ + rows_ - 1 : lower2_ + columns_ - 1; }
    long Count() const { return rows_ * columns_; }

    T& operator()(long i, long j) { return data_[Offset(i, j)]; }
    const T& operator()(long i, long j) const { return data_[Offset(i, j)]; }

    void ReDim(long lower1, long upper1, long lower2, long upper2) {
        if (upper1 < lower1 - 1) ThrowIndexError("Array2::ReDim", upper1, lower1 - 1, upper1);
        if (upper2 < lower2 - 1) ThrowIndexError("Array2::ReDim", upper2, lower2 - 1, upper2);
        lower1_ = lower1;
        lower2_ = lower2;
        rows_ = upper1 - lower1 + 1;
        columns_ = upper2 - lower2 + 1;
        data_.assign(static_cast<std::size_t>(rows_) * static_cast<std::size_t>(columns_), T{});
    }
    // new upper bound of the last dimension, contents kept
    void ReDimPreserve(long upper2) {
        if (upper2 < lower2_ - 1) ThrowIndexError("Array2::ReDimPreserve", upper2, lower2_ - 1, upper2);
        columns_ = upper2 - lower2_ + 1;
        data_.resize(static_cast<std::size_t>(rows_) * static_cast<std::size_t>(columns_));
    }

    // the elements in storage order
    const std::vector<T>& Values() const { return data_; }

  private:
    std::size_t Offset(long i, long j) const {
        if (i < lower1_ || i > UBound(1)) ThrowIndexError("Array2 (dimension 1)", i, lower1_, UBound(1));
        if (j < lower2_ || j > UBound(2)) ThrowIndexError("Array2 (dimension 2)", j, lower2_, UBound(2));
        return static_cast<std::size_t>(i - lower1_) +
               static_cast<std::size_t>(j - lower2_) * static_cast<std::size_t>(rows_);
    }

    long lower1_ = 1, lower2_ = 1, rows_ = 0, columns_ = 0;
    std::vector<T> data_;
};

// A read-only view, indices lower..upper, of a list held elsewhere: a reader that must see
// a large list through the indices of its algorithm, without a copy of its own.
template <class T>
class ArrayView1 {
  public:
    ArrayView1() = default;
    explicit ArrayView1(const std::vector<T>& values, long lower = 1) : values_(&values), lower_(lower) {}

    long LBound() const { return lower_; }
    long UBound() const { return lower_ + Count() - 1; }
    long Count() const { return values_ ? static_cast<long>(values_->size()) : 0; }
    bool Empty() const { return Count() == 0; }

    const T& operator()(long i) const {
        if (i < lower_ || i > UBound()) ThrowIndexError("ArrayView1", i, lower_, UBound());
        return (*values_)[static_cast<std::size_t>(i - lower_)];
    }

    const T* begin() const { return values_ ? values_->data() : nullptr; }
    const T* end() const { return values_ ? values_->data() + values_->size() : nullptr; }

  private:
    const std::vector<T>* values_ = nullptr;
    long lower_ = 1;
};

}  // namespace kelvarin
