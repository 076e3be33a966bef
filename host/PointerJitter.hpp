#pragma once
// Sensitive mice report tiny movements while nobody touches them. A host passes
// pointer positions through this filter and reports a movement to the map window only
// once the pointer has left a small square around where it was first seen.

#include <cstdlib>
#include <optional>

namespace kelvarin {

class PointerJitter {
  public:
    // a movement of fewer pixels than this, in either direction, is not user input
    static constexpr int kThresholdPixels = 4;

    // true when the pointer at (x, y) has moved far enough from where it first was
    bool Moved(int x, int y) {
        if (!origin_) {
            origin_ = Position{x, y};
            return false;
        }
        return std::abs(x - origin_->X) >= kThresholdPixels || std::abs(y - origin_->Y) >= kThresholdPixels;
    }

    // forget the first position (the window moved or was resized)
    void Reset() { origin_.reset(); }

  private:
    struct Position {
        int X, Y;
    };
    std::optional<Position> origin_;
};

}  // namespace kelvarin
