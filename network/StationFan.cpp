// The fan of triangles around one station.

#include "network/StationFan.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "geometry/ModMathTools.hpp"
#include "geometry/Predicates.hpp"
#include "geometry/modGISTools.hpp"

namespace kelvarin {

namespace {

// exact equality of X, Y and z
bool SamePoint(const cPoint& A, const cPoint& B) { return A.X == B.X && A.Y == B.Y && A.z == B.z; }

}  // namespace

// filled triangle columns
long TriangleCount(const Array2<PointRef>& tri) {
    long T = 0;
    for (long t = tri.LBound(2); t <= tri.UBound(2); ++t) {
        if (tri(1, t)) T = t;
    }
    return T;
}

namespace {

// Whether the direction from S to A comes before the direction from S to B counter-clockwise
// from east, as their angles in [0, 2*PI) would order them, decided exactly: first by the half
// turn each lies in (east and above it, then west and below), then by the side B lies on seen
// along S->A. The angles of two corners a thin triangle apart round alike (or the wrong way).
bool DirectionBefore(const cPoint& S, const cPoint& A, const cPoint& B) {
    // the sign of a difference of doubles is exact
    auto upper = [&S](const cPoint& P) {
        const double dy = P.Y - S.Y;
        return dy > 0 || (dy == 0 && P.X - S.X > 0);
    };
    const bool a = upper(A), b = upper(B);
    if (a != b) return a;
    return Orient2D(S, A, B) > 0;
}

// Sorts the fan of the station at S by the direction to the corner following the station
// (insertion sort: fans are short; two triangles of one triangulation never share that
// direction) and finds its gap.
void SortAndOpen(StationFan& f, const cPoint& S, const Array2<PointRef>& tri) {
    const long n = f.fan.Count();
    f.count = n;
    auto after = [&](long k) -> const cPoint& { return *tri(1 + (f.vtx(k) % 3), f.fan(k)); };
    for (long k = 2; k <= n; ++k) {
        for (long j = k; j > 1 && DirectionBefore(S, after(j), after(j - 1)); --j) {
            SwapValues(f.fan(j), f.fan(j - 1));
            SwapValues(f.vtx(j), f.vtx(j - 1));
        }
    }
    for (long j = 1; j <= n; ++j) {
        const long e = RingSuccessor(j, 1, n);
        const cPoint& following = *tri(1 + (f.vtx(e) % 3), f.fan(e));
        const cPoint& preceding = *tri(1 + ((f.vtx(j) + 1) % 3), f.fan(j));
        if (!SamePoint(following, preceding)) {
            f.j0 = j;
            break;
        }
    }
}

// corners by position, then by triangle
bool Before(double X1, double Y1, double z1, double X2, double Y2, double z2) {
    if (X1 != X2) return X1 < X2;
    if (Y1 != Y2) return Y1 < Y2;
    return z1 < z2;
}

}  // namespace

// fan, corner rows and gap of the station at S
StationFan FindStationFan(const cPoint& S, const Array2<PointRef>& tri) {
    StationFan f;
    f.fan.ReDim(1, 0);
    f.vtx.ReDim(1, 0);
    const long T = TriangleCount(tri);
    for (long t = 1; t <= T; ++t) {
        for (long v = 1; v <= 3; ++v) {
            if (SamePoint(*tri(v, t), S)) {
                f.fan.Append(t);
                f.vtx.Append(v);
                break;
            }
        }
    }
    SortAndOpen(f, S, tri);
    return f;
}

StationFanIndex::StationFanIndex(const Array2<PointRef>& tri) : tri_(tri) {
    const long T = TriangleCount(tri);
    corners_.reserve(static_cast<std::size_t>(3 * T));
    for (long t = 1; t <= T; ++t) {
        for (long v = 1; v <= 3; ++v) {
            const cPoint& C = *tri(v, t);
            // a coordinate that is not a number matches no station
            if (std::isnan(C.X) || std::isnan(C.Y) || std::isnan(C.z)) continue;
            // a station matches the first of equal corners of one triangle
            bool earlier = false;
            for (long u = 1; u < v; ++u) earlier = earlier || SamePoint(*tri(u, t), C);
            if (!earlier) corners_.push_back(Corner{C.X, C.Y, C.z, t, v});
        }
    }
    // each position's corners in table order (no two corners have the same triangle and row)
    std::sort(corners_.begin(), corners_.end(), [](const Corner& a, const Corner& b) {
        if (Before(a.X, a.Y, a.z, b.X, b.Y, b.z)) return true;
        if (Before(b.X, b.Y, b.z, a.X, a.Y, a.z)) return false;
        return a.t < b.t || (a.t == b.t && a.v < b.v);
    });
}

StationFan StationFanIndex::Fan(const cPoint& S) const {
    StationFan f;
    f.fan.ReDim(1, 0);
    f.vtx.ReDim(1, 0);
    if (!std::isnan(S.X) && !std::isnan(S.Y) && !std::isnan(S.z)) {
        auto first = std::lower_bound(corners_.begin(), corners_.end(), S, [](const Corner& c, const cPoint& P) {
            return Before(c.X, c.Y, c.z, P.X, P.Y, P.z);
        });
        auto last = first;
        while (last != corners_.end() && last->X == S.X && last->Y == S.Y && last->z == S.z) ++last;
        const auto count = static_cast<long>(last - first);
        f.fan.ReDim(1, count);
        f.vtx.ReDim(1, count);
        for (long k = 1; k <= count; ++k, ++first) {
            f.fan(k) = first->t;
            f.vtx(k) = first->v;
        }
    }
    SortAndOpen(f, S, tri_);
    return f;
}

}  // namespace kelvarin
