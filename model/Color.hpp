#pragma once

#include <cstdint>

namespace kelvarin {

// A colour as 0x00BBGGRR (red in the low byte).
using ColorRef = std::uint32_t;

constexpr ColorRef RGB(unsigned red, unsigned green, unsigned blue) {
    return static_cast<ColorRef>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr unsigned RedOf(ColorRef c) { return c & 0xFF; }
constexpr unsigned GreenOf(ColorRef c) { return (c >> 8) & 0xFF; }
constexpr unsigned BlueOf(ColorRef c) { return (c >> 16) & 0xFF; }

}  // namespace kelvarin
