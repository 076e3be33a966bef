#include "geometry/RingTouch.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kelvarin {
namespace {

// a place in coordinates relative to a local origin
struct Place {
    double X, Y;
};

// the middle of the two rings' joint box: measured from there, the coordinates of rings far
// from the map origin keep their full precision in every product
struct Origin {
    double X = 0.0, Y = 0.0;
};

// the local origin of two rings
Origin LocalOrigin(const PointArray& A, const PointArray& B) {
    Box box;
    for (const PointArray* ring : {&A, &B})
        for (const auto& p : *ring) box.Add(*p);
    if (box.minX > box.maxX) return Origin{};
    return Origin{box.minX + box.Width() / 2.0, box.minY + box.Height() / 2.0};
}

// a vertex measured from the local origin
Place PlaceOf(const cPoint& p, const Origin& origin) { return Place{p.X - origin.X, p.Y - origin.Y}; }

// distance from p to the segment a-b
double SegmentDistance(const Place& p, const Place& a, const Place& b) {
    const double dx = b.X - a.X, dy = b.Y - a.Y;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0.0 ? ((p.X - a.X) * dx + (p.Y - a.Y) * dy) / length2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(a.X + t * dx - p.X, a.Y + t * dy - p.Y);
}

}  // namespace

// true when a vertex of either ring lies on the other ring's boundary (within tolerance)
bool RingsTouch(const PointArray& A, const PointArray& B, double tolerance) {
    const Origin origin = LocalOrigin(A, B);
    for (int r = 0; r < 2; ++r) {
        const PointArray& self = r == 0 ? A : B;
        const PointArray& other = r == 0 ? B : A;
        if (self.Empty() || other.Empty()) continue;
        // only vertices within the other ring's box can touch it
        cPoint maxOther, minOther;
        BoundingBox(other, maxOther, minOther);
        std::vector<const cPoint*> near;
        for (const auto& v : self) {
            if (v->X >= minOther.X - tolerance && v->X <= maxOther.X + tolerance && v->Y >= minOther.Y - tolerance &&
                v->Y <= maxOther.Y + tolerance)
                near.push_back(v.get());
        }
        if (near.empty()) continue;
        const long lo = other.LBound(), n = other.Count();
        for (long j = lo; j <= other.UBound(); ++j) {
            const cPoint& p = *other(j);
            const cPoint& q = *other(lo + ((j - lo + 1) % n));
            const double minX = std::min(p.X, q.X) - tolerance, maxX = std::max(p.X, q.X) + tolerance;
            const double minY = std::min(p.Y, q.Y) - tolerance, maxY = std::max(p.Y, q.Y) + tolerance;
            for (const cPoint* v : near) {
                if (v->X < minX || v->X > maxX || v->Y < minY || v->Y > maxY) continue;
                if (SegmentDistance(PlaceOf(*v, origin), PlaceOf(p, origin), PlaceOf(q, origin)) <= tolerance)
                    return true;
            }
        }
    }
    return false;
}

}  // namespace kelvarin
