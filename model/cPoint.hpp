#pragma once
// The one point type: map coordinates (X east, Y north) and a height or carried value z.

#include <memory>

namespace kelvarin {

struct cPoint {
    double X = 0.0;
    double Y = 0.0;
    double z = 0.0;
};

// Points are shared: several rings may hold the same vertex object.
using PointRef = std::shared_ptr<cPoint>;

inline PointRef NewPoint(double X = 0.0, double Y = 0.0, double z = 0.0) {
    return std::make_shared<cPoint>(cPoint{X, Y, z});
}

}  // namespace kelvarin
