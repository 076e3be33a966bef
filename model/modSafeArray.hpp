#pragma once
// Inspecting and reshaping bounded arrays: number of dimensions, bounds, a flat
// view in storage order, and the largest element of any mix of numbers and arrays.

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "model/BoundedArray.hpp"

namespace kelvarin {

// The bounds of one array: one (lower, upper) pair per dimension; no pairs for a plain value.
struct ArrayBounds {
    std::vector<std::pair<long, long>> dimensions;

    int Dims() const { return static_cast<int>(dimensions.size()); }
};

namespace safearray_detail {

template <class T>
struct Shape {
    static constexpr int dims = 0;
    using Element = T;
};
template <class T>
struct Shape<Array1<T>> {
    static constexpr int dims = 1;
    using Element = T;
};
template <class T>
struct Shape<Array2<T>> {
    static constexpr int dims = 2;
    using Element = T;
};

template <class T>
using ElementOf = typename Shape<std::remove_cvref_t<T>>::Element;

// appends the elements of an array (storage order) or the value itself
template <class Out, class T>
void AppendElements(std::vector<Out>& list, const T& value) {
    if constexpr (Shape<T>::dims == 0) {
        list.push_back(static_cast<Out>(value));
    } else {
        for (const auto& element : value.Values()) list.push_back(static_cast<Out>(element));
    }
}

}  // namespace safearray_detail

// number of dimensions: 1 or 2 for an array, 0 for a plain value
template <class T>
constexpr int ArrayDims(const T&) {
    return safearray_detail::Shape<T>::dims;
}

// the bounds of every dimension of an array (none for a plain value)
template <class T>
ArrayBounds ArrayDescriptor(const T& value) {
    ArrayBounds bounds;
    if constexpr (safearray_detail::Shape<T>::dims == 1) {
        bounds.dimensions.emplace_back(value.LBound(), value.UBound());
    } else if constexpr (safearray_detail::Shape<T>::dims == 2) {
        bounds.dimensions.emplace_back(value.LBound(1), value.UBound(1));
        bounds.dimensions.emplace_back(value.LBound(2), value.UBound(2));
    }
    return bounds;
}

// a 1..count array over the same elements in storage order (first dimension fastest)
template <class T>
Array1<T> FlattenArray(const Array2<T>& value) {
    // the element count of a flat list is limited to a 32-bit count
    const auto count = static_cast<std::int64_t>(value.Values().size());
    if (count > std::numeric_limits<std::int32_t>::max())
        throw std::overflow_error("FlattenArray: " + std::to_string(count) + " elements overflow a 32-bit count");
    Array1<T> flat(1, 0);
    for (const auto& element : value.Values()) flat.Append(element);
    return flat;
}

// a one-dimensional array flattened is the same elements with lower bound 1
template <class T>
Array1<T> FlattenArray(const Array1<T>& value) {
    Array1<T> flat(1, 0);
    for (const auto& element : value.Values()) flat.Append(element);
    return flat;
}

// the largest element; the first of equal maxima; throws for an empty array
template <class T>
T MaxOfArray(const Array1<T>& values) {
    if (values.Empty()) throw std::out_of_range("MaxOfArray: the array has no elements");
    T largest = values(values.LBound());
    for (long i = values.LBound() + 1; i <= values.UBound(); ++i) {
        if (values(i) > largest) largest = values(i);
    }
    return largest;
}

// the largest element of all arguments read as one list (arrays flattened in storage
// order); the earliest of equal maxima; throws when the arguments hold no element
template <class First, class... Rest>
auto MaxOf(const First& first, const Rest&... rest) {
    using Value = std::common_type_t<safearray_detail::ElementOf<First>, safearray_detail::ElementOf<Rest>...>;
    std::vector<Value> list;
    safearray_detail::AppendElements(list, first);
    (safearray_detail::AppendElements(list, rest), ...);
    if (list.empty()) throw std::out_of_range("MaxOf: the arguments hold no element");
    Value largest = list.front();
    for (std::size_t i = 1; i < list.size(); ++i) {
        if (list[i] > largest) largest = list[i];
    }
    return largest;
}

}  // namespace kelvarin
