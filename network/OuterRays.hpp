#pragma once
// Boundary lines outside the station network as rays, and every decision on them made exactly.
//
// A ray runs from its origin in its direction, a pair of doubles taken as they are. Its origin
// is a point of the network, or the meeting point of two earlier rays: such a point is held
// exactly (through the two rays it comes from) besides its rounded coordinates, so that a later
// ray through the same point is known to pass through it, and the rounding of the point cannot
// put a later meeting on the wrong side of it. Each answer below is the one for the exact rays:
// worked out on intervals first, and on rationals where the interval cannot tell. Only the
// coordinates handed out (meeting and exit points) are rounded.

#include <cstddef>
#include <memory>
#include <vector>

#include "geometry/modGISTools.hpp"
#include "model/cPoint.hpp"

namespace kelvarin {

class OuterRays {
  public:
    using Id = std::size_t;

    OuterRays();
    ~OuterRays();
    OuterRays(const OuterRays&) = delete;
    OuterRays& operator=(const OuterRays&) = delete;

    // a ray from a point of the network
    Id Add(const cPoint& origin, double dx, double dy);
    // a ray from the point where rays a and b meet (Meets(a, b) must hold)
    Id AddFromMeeting(Id a, Id b, double dx, double dy);

    const cPoint& Origin(Id r) const;  // rounded
    double Dx(Id r) const;
    double Dy(Id r) const;

    // Whether rays a and b meet ahead of both origins or at one of them. Two rays from one
    // origin meet there only when b turns clockwise from a: the region counter-clockwise after
    // a and before b is then closed at that point.
    bool Meets(Id a, Id b) const;
    // where they meet, rounded: a's origin plus a's direction times the parameter worked out in
    // doubles
    cPoint MeetingPoint(Id a, Id b) const;
    // -1, 0 or +1 as the meeting of r with a comes before, at, or after the meeting of r with b
    // along r (both must meet r)
    int CompareMeetings(Id r, Id a, Id b) const;
    // whether the meeting of a and b lies strictly inside the axis-parallel rectangle F
    bool MeetsInside(Id a, Id b, const PointArray& F) const;
    // -1, 0 or +1 as the meeting of a1 and b1 lies nearer to, as near as, or farther from the
    // closed polyline than the meeting of a2 and b2
    int CompareDistances(Id a1, Id b1, Id a2, Id b2, const std::vector<cPoint>& polyline) const;

    // The edge k of the axis-parallel rectangle F (corners counter-clockwise, edge k from F(k) to
    // its successor) by which r leaves it, with the exit point; a ray through a corner leaves by
    // the edge that starts there. 0 when the origin does not lie strictly inside F.
    long Exit(Id r, const PointArray& F, cPoint& exitPoint) const;
    // for rays r1 and r2 that leave F by the same edge k: -1, 0 or +1 as r2 leaves ahead of r1
    // (counter-clockwise along the edge), at the same point, or behind it
    int CompareExits(Id r1, Id r2, const PointArray& F, long k) const;

  private:
    struct Ray;
    // a ray's origin and direction in a number type of the exact arithmetic
    template <class T>
    struct Values;
    template <class T>
    Values<T> ValuesOf(Id r) const;

    std::vector<Ray> rays_;
};

}  // namespace kelvarin
