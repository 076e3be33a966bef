#pragma once
// The coloured collections that hold a layer's content: rings (Polygon), open
// chains (Polyline), points (Point) and multi-part areas (MutiPolygon).

#include <memory>
#include <string>
#include <string_view>

#include "model/Color.hpp"
#include "model/KeyedCollection.hpp"
#include "model/cPoint.hpp"
#include "model/cPolygon.hpp"

namespace kelvarin {

// A set of rings. Add always stores a copy, never the caller's ring or vertices.
class Polygon : private KeyedCollection<cPolygon> {
  public:
    ColorRef Color = 0;

    void ReSet() { Clear(); }
    // a copy of ItemPolygon (vertices and Name); nullptr adds an empty ring
    PolygonRef Add(const cPolygon* ItemPolygon, std::string_view sKey = {});
    PolygonRef Add(const cPolygon& ItemPolygon, std::string_view sKey = {}) { return Add(&ItemPolygon, sKey); }

    using KeyedCollection::begin;
    using KeyedCollection::Count;
    using KeyedCollection::end;
    using KeyedCollection::Item;
    using KeyedCollection::Remove;
    const PolygonRef& operator()(long position) const { return Item(position); }
};

// A set of open chains.
class Polyline : private KeyedCollection<cPolygon> {
  public:
    ColorRef Color = 0;

    void ReSet() { Clear(); }
    // stores the chain object itself
    void AddHandlePolyline(const PolygonRef& ItemPolyline, std::string_view sKey = {}) { Append(ItemPolyline, sKey); }
    // stores a copy; nullptr adds an empty chain
    PolygonRef Add(const cPolygon* ItemPolygon, std::string_view sKey = {});
    KeyedCollection<cPolygon>& hCollection() { return *this; }

    using KeyedCollection::begin;
    using KeyedCollection::Count;
    using KeyedCollection::end;
    using KeyedCollection::Item;
    using KeyedCollection::Remove;
};

// A set of points.
class Point : private KeyedCollection<cPoint> {
  public:
    double PointSize = 1.0;
    ColorRef Color = 0;

    PointRef Add(double X, double Y, double z = 0.0, std::string_view sKey = {});

    using KeyedCollection::begin;
    using KeyedCollection::Count;
    using KeyedCollection::end;
    using KeyedCollection::Item;
    using KeyedCollection::Remove;
};

using PolygonSetRef = std::shared_ptr<Polygon>;

// A set of ring sets: one multi-part area per member.
class MutiPolygon : private KeyedCollection<Polygon> {
  public:
    std::string Name;
    ColorRef Color = 0;

    // a new set holding copies of every ring of ItemPolygon; nullptr adds an empty set
    PolygonSetRef Add(const Polygon* ItemPolygon, std::string_view sKey = {});

    using KeyedCollection::begin;
    using KeyedCollection::Count;
    using KeyedCollection::end;
    using KeyedCollection::Item;
    using KeyedCollection::Remove;
};

}  // namespace kelvarin
