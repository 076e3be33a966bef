#pragma once
// The bits of a double as an unsigned integer (what std::bit_cast gives, for C++ libraries
// that do not have it yet, such as the browser build's).

#include <cstdint>
#include <cstring>

namespace kelvarin {

inline std::uint64_t BitsOf(double value) {
    static_assert(sizeof(double) == sizeof(std::uint64_t));
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

}  // namespace kelvarin
