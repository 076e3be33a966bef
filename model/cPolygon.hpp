#pragma once
// A named ring (or, in a few places, an open chain) of shared points, stored open:
// the edge from the last vertex back to the first is implied.

#include <memory>
#include <string>
#include <string_view>

#include "model/KeyedCollection.hpp"
#include "model/cPoint.hpp"

namespace kelvarin {

class cPolygon {
  public:
    std::string Name;

    // appends the point object itself, so every holder sees later changes
    void AddHandlePoint(const PointRef& hPoint, std::string_view sKey = {});
    // appends a new point with these coordinates and returns it
    PointRef Add(double X, double Y, double z = 0.0, std::string_view sKey = {});
    // the same from numeric text ("1.5"); text that is no number throws
    PointRef Add(std::string_view X, std::string_view Y, std::string_view z, std::string_view sKey = {});
    // appends a copy of the source point and returns the copy
    PointRef AddPoint(const cPoint& source, std::string_view sKey = {});

    const PointRef& Item(long vntIndexKey) const { return vertices_.Item(vntIndexKey); }
    const PointRef& Item(std::string_view vntIndexKey) const { return vertices_.Item(vntIndexKey); }
    const PointRef& operator()(long position) const { return vertices_.Item(position); }
    long Count() const { return vertices_.Count(); }
    void Remove(long vntIndexKey) { vertices_.Remove(vntIndexKey); }
    void Remove(std::string_view vntIndexKey) { vertices_.Remove(vntIndexKey); }

    auto begin() const { return vertices_.begin(); }
    auto end() const { return vertices_.end(); }

  private:
    KeyedCollection<cPoint> vertices_;
};

using PolygonRef = std::shared_ptr<cPolygon>;

}  // namespace kelvarin
