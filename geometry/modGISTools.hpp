#pragma once
// Planar predicates and measures, and whole-ring operations including the ring
// intersection that cuts every station cell by the basin.
//
// Points are read through cPoint (X, Y; z where noted). Arrays of points are
// read as closed rings: the last vertex is followed by the first.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string_view>

#include "model/BoundedArray.hpp"
#include "model/cPoint.hpp"
#include "model/cPolygon.hpp"

namespace kelvarin {

// The decimal value used wherever angles are measured, and its multiples.
constexpr double PI = 3.14159265358979;
constexpr double HALF_PI = 1.570796326794895;
constexpr double TWO_PI = 6.28318530717958;

// Every frame is this much larger than what it encloses: the frame around the basin and the
// selected stations, the outer frame around it where open fans are closed, and the map's extent
// (enlarged twice). Five percent keeps every ring and crossing clear of the frame's edges.
constexpr double kFrameFactor = 1.05;

using PointArray = Array1<PointRef>;
using PolygonArray = Array1<PolygonRef>;
using LineCoefficients = Array1<double>;  // 1..3: a*x + b*y = c

// ---- planar primitives ----

// exactly equal, or within one part in 10^9 of the larger magnitude
bool IsAlmostEqual(double a, double b);

// Verdicts of SegmentIntersection.
enum class Verdict { L1Point, L2Point, lineError, NoAns, In, Out, NoLimit, UnKnown };
std::string_view ToString(Verdict verdict);  // "L1Point", ..., "UnKnown"

// coefficients (resized to 1..3) of the line through P1 and P2, scaled near 1;
// true, and coef untouched, when P1 and P2 are the same point (X, Y and z)
bool LineEquation(const cPoint& P1, const cPoint& P2, LineCoefficients& coef);
// P on the infinite line through A and B
bool IsPointOnLine(const cPoint& P, const cPoint& A, const cPoint& B);
// closed range on an axis where A <= B, open range where A > B
bool IsPointInBox(const cPoint& P, const cPoint& A, const cPoint& B);
// snaps P onto a vertical or horizontal segment A-B when almost on it, then IsPointInBox
bool IsPointInSegmentBox(cPoint& P, const cPoint& A, const cPoint& B);
// crossing of the lines P1-P2 and P3-P4; ptOut is a new point for In and Out
Verdict SegmentIntersection(const cPoint& P1, const cPoint& P2, const cPoint& P3, const cPoint& P4, PointRef& ptOut);
void CopyPoint(cPoint& dst, const cPoint& src);
// distance counting the z difference too
double PointDistance(const cPoint& P, const cPoint& Q);
double Determinant2(double a, double b, double c, double d);
// direction of P->Q in [0, 2*PI)
double DirectionAngle(const cPoint& P, const cPoint& Q);
// signed turn from P->A to P->B in [-PI, PI]; positive is counter-clockwise
double SweepAngle(const cPoint& P, const cPoint& A, const cPoint& B);
long QuadrantCode(const cPoint& P, const cPoint& V);
// 0 outside, +-2*PI inside (sign = ring orientation), another sum on the boundary
double WindingAngle(const cPoint& P, const PointArray& pts);

// An axis-parallel box around points: empty (inverted) until a point is added. Sides count
// as inside.
struct Box {
    double minX = HUGE_VAL, maxX = -HUGE_VAL, minY = HUGE_VAL, maxY = -HUGE_VAL;

    void Add(double x, double y) {
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    }
    template <class P>
    void Add(const P& p) {
        Add(p.X, p.Y);
    }
    void Add(const Box& other) {
        minX = std::min(minX, other.minX);
        maxX = std::max(maxX, other.maxX);
        minY = std::min(minY, other.minY);
        maxY = std::max(maxY, other.maxY);
    }
    // the box of the segment p-q
    template <class P>
    static Box Of(const P& p, const P& q) {
        Box box;
        box.Add(p);
        box.Add(q);
        return box;
    }
    Box Widened(double margin) const { return Box{minX - margin, maxX + margin, minY - margin, maxY + margin}; }
    template <class P>
    bool Holds(const P& p) const {
        return p.X >= minX && p.X <= maxX && p.Y >= minY && p.Y <= maxY;
    }
    bool Meets(const Box& other) const {
        return !(maxX < other.minX || other.maxX < minX || maxY < other.minY || other.maxY < minY);
    }
    double Width() const { return maxX - minX; }
    double Height() const { return maxY - minY; }
};

// ---- ring operations ----

// the index after i in a ring whose indices run lo..lo+count-1: the last is followed by lo
inline long RingSuccessor(long i, long lo, long count) { return lo + ((i - lo + 1) % count); }
inline long RingSuccessor(const PointArray& pts, long i) { return RingSuccessor(i, pts.LBound(), pts.Count()); }

// twice the signed area of a ring given as a sequence of points with X and Y (positive when
// it runs counter-clockwise), measured from the first vertex to keep map coordinates small
template <class Points>
double TwiceSignedArea(const Points& ring) {
    double sum = 0.0;
    const std::size_t n = ring.size();
    for (std::size_t i = 1; i + 1 < n; ++i) {
        sum += (ring[i].X - ring[0].X) * (ring[i + 1].Y - ring[0].Y) -
               (ring[i + 1].X - ring[0].X) * (ring[i].Y - ring[0].Y);
    }
    return sum;
}

// vertex references of a ring as an array 1..Count (the same point objects)
PointArray RingToArray(const cPolygon& ring);

double PolygonArea(const cPolygon& ring);
long FindEdgeOfPoint(const cPoint& P, const cPolygon& ring);          // 0 when none
long FindEdgeOfPointInArray(const cPoint& P, const PointArray& pts);  // LBound - 1 when none
// sets pt to a point inside the ring and returns its winding angle; 0 for fewer than 3 vertices
double InteriorPoint(const cPolygon& ring, cPoint& pt);
void ReverseRing(cPolygon& ring);
void BoundingBox(const PointArray& pts, cPoint& maxPt, cPoint& minPt);
// rectOut = 1..4 new corners (max X, max Y), (min X, max Y), (min X, min Y), (max X, min Y)
void EnclosingRectangle(const PointArray& ptsIn, PointArray& rectOut, double factor);
void ExpandRectangleTwice(PointArray& pts);
PointRef GridOrigin(const PointArray& rect);
bool LineByAngle(const cPoint& P, double angle, LineCoefficients& coef);
bool IsSamePoint(const cPoint& A, const cPoint& B, bool exact);

// the region common to rings A and B as pieces 1..count (new open rings running like A);
// returns count, pieces untouched when it is 0. Cuts both boundaries where they meet
// (OverlayClip), deciding exactly; rings in any position, touching or not.
long ClipPolygons(PolygonArray& pieces, const PointArray& A, const PointArray& B);

}  // namespace kelvarin
