#pragma once
// Planar predicates and measures, and whole-ring operations including the ring
// intersection that cuts every station cell by the basin.
//
// Points are read through cPoint (X, Y; z where noted). Arrays of points are
// read as closed rings: the last vertex is followed by the first.

#include <optional>
#include <string_view>

#include "model/BoundedArray.hpp"
#include "model/cPoint.hpp"
#include "model/cPolygon.hpp"

namespace kelvarin {

// The decimal value used wherever angles are measured, and its multiples.
constexpr double PI = 3.14159265358979;
constexpr double HALF_PI = 1.570796326794895;
constexpr double TWO_PI = 6.28318530717958;

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

// ---- ring operations ----

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

long FindCrossings(const PointArray& A, const PointArray& B, PointArray& X, Array1<long>& idxA, Array1<long>& idxB);
long ExtractInsideChains(const PointArray& A, const PointArray& B, PolygonArray& chains, const PointArray& X,
                         const Array1<long>& idx);
bool JoinChain(long& n, const cPoint& startPt, PointRef& endPt, PolygonArray& chains, cPolygon& ring);
// the region common to rings A and B as pieces 1..count (new open rings); returns count
long ClipPolygons(PolygonArray& pieces, const PointArray& A, const PointArray& B);
// ClipPolygons' crossing walk alone, for rings in general position: the boundaries' crossings
// cut both rings into chains that are joined into pieces. Empty (pieces untouched) when the
// crossings do not pair up; ClipPolygons then cuts and joins by where each stretch lies.
std::optional<long> WalkClip(PolygonArray& pieces, const PointArray& A, const PointArray& B);

}  // namespace kelvarin
