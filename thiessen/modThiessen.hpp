#pragma once
// Thiessen rings: each station's part of the frame nearer to it than to any other station.

#include "geometry/modGISTools.hpp"
#include "model/BoundedArray.hpp"
#include "model/cPoint.hpp"
#include "model/cPolygon.hpp"

namespace kelvarin {

// two stations: the frame split by their perpendicular bisector; polygons(i) (bounds of
// stations) gets station i's half. Two stations at one place are one site: each gets a copy
// of the whole frame (the caller shares the area between them).
void ThiessenTwoStations(PolygonArray& polygons, const PointArray& stations, const PointArray& frame);

// polygons(i) (bounds of stations, dimensioned by the caller) receives the Thiessen ring of
// every station, clipped to the frame. Handles the degenerate cases itself: no triangle
// (strips for collinear stations, the frame for one site), coincident stations (copies of
// their site's ring), a station in no triangle (an empty ring).
void BuildThiessenPolygons(PolygonArray& polygons, const PointArray& stations, const Array2<PointRef>& triangles,
                           const PointArray& frame);

// closes the open fan of a station (gap after fan position j0) along the outer frame into
// ring; returns the ring's vertex count
long BuildOpenThiessenPolygon(long j0, cPolygon& ring, const Array1<long>& vtx, const Array1<long>& fan,
                              const Array2<PointRef>& triangles, const PointArray& outerFrame);

}  // namespace kelvarin
