#include "model/Shapes.hpp"

namespace kelvarin {
namespace {

PolygonRef CopyRing(const cPolygon* source) {
    auto ring = std::make_shared<cPolygon>();
    if (source == nullptr) return ring;
    ring->Name = source->Name;
    for (const auto& vertex : *source) ring->AddPoint(*vertex);
    return ring;
}

}  // namespace

PolygonRef Polygon::Add(const cPolygon* ItemPolygon, std::string_view sKey) {
    auto ring = CopyRing(ItemPolygon);
    Append(ring, sKey);
    return ring;
}

PolygonRef Polyline::Add(const cPolygon* ItemPolygon, std::string_view sKey) {
    auto chain = CopyRing(ItemPolygon);
    Append(chain, sKey);
    return chain;
}

PointRef Point::Add(double X, double Y, double z, std::string_view sKey) {
    auto point = NewPoint(X, Y, z);
    Append(point, sKey);
    return point;
}

PolygonSetRef MutiPolygon::Add(const Polygon* ItemPolygon, std::string_view sKey) {
    auto set = std::make_shared<Polygon>();
    if (ItemPolygon != nullptr) {
        for (const auto& ring : *ItemPolygon) set->Add(ring.get());
    }
    Append(set, sKey);
    return set;
}

}  // namespace kelvarin
