// The fan of triangles around one station.

#include "network/StationFan.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "geometry/ModMathTools.hpp"
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

// Sorts the fan by the angles and finds its gap. The angles are distinct around a station of a
// triangulation: they are then sorted at once; equal angles (rounding) or ones that are not
// numbers keep the order of the pairwise exchange that decides them.
void SortAndOpen(StationFan& f, double* angle, const Array2<PointRef>& tri) {
    auto ang = [angle](long k) -> double& { return angle[k - 1]; };
    const long n = f.fan.Count();
    f.count = n;
    // positions 1..n by angle (insertion sort: fans are short), in a buffer on the stack for
    // the usual fan; with distinct angles every sort gives this order
    constexpr std::size_t kShort = 32;
    std::array<long, 3 * kShort> shortBuffer{};
    std::vector<long> longBuffer;
    long* order = shortBuffer.data();
    if (static_cast<std::size_t>(n) > kShort) {
        longBuffer.resize(3 * static_cast<std::size_t>(n));
        order = longBuffer.data();
    }
    long* fan = order + n;
    long* vtx = fan + n;
    for (long k = 0; k < n; ++k) {
        order[k] = k + 1;
        for (long j = k; j > 0 && ang(order[j]) < ang(order[j - 1]); --j) std::swap(order[j], order[j - 1]);
    }
    bool distinct = true;
    for (long k = 0; k < n && distinct; ++k)
        distinct = !std::isnan(ang(order[k])) && (k == 0 || ang(order[k - 1]) < ang(order[k]));
    if (distinct) {
        for (long k = 0; k < n; ++k) {
            fan[k] = f.fan(order[k]);
            vtx[k] = f.vtx(order[k]);
        }
        for (long k = 0; k < n; ++k) {
            f.fan(k + 1) = fan[k];
            f.vtx(k + 1) = vtx[k];
        }
    } else {
        for (long a = 1; a < n; ++a) {
            for (long b = a + 1; b <= n; ++b) {
                if (ang(a) > ang(b)) {
                    SwapValues(ang(a), ang(b));
                    SwapValues(f.fan(a), f.fan(b));
                    SwapValues(f.vtx(a), f.vtx(b));
                }
            }
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
    std::vector<double> ang;
    const long T = TriangleCount(tri);
    for (long t = 1; t <= T; ++t) {
        for (long v = 1; v <= 3; ++v) {
            if (SamePoint(*tri(v, t), S)) {
                f.fan.Append(t);
                f.vtx.Append(v);
                ang.push_back(DirectionAngle(*tri(v, t), *tri(RingSuccessor(v, 1, 3), t)));
                break;
            }
        }
    }
    SortAndOpen(f, ang.data(), tri);
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
    // the angles on the stack for the usual fan
    constexpr std::size_t kShort = 32;
    std::array<double, kShort> shortAngles{};
    std::vector<double> longAngles;
    double* ang = shortAngles.data();
    if (!std::isnan(S.X) && !std::isnan(S.Y) && !std::isnan(S.z)) {
        auto first = std::lower_bound(corners_.begin(), corners_.end(), S, [](const Corner& c, const cPoint& P) {
            return Before(c.X, c.Y, c.z, P.X, P.Y, P.z);
        });
        auto last = first;
        while (last != corners_.end() && last->X == S.X && last->Y == S.Y && last->z == S.z) ++last;
        const auto count = static_cast<long>(last - first);
        f.fan.ReDim(1, count);
        f.vtx.ReDim(1, count);
        if (static_cast<std::size_t>(count) > kShort) {
            longAngles.resize(static_cast<std::size_t>(count));
            ang = longAngles.data();
        }
        for (long k = 1; k <= count; ++k, ++first) {
            f.fan(k) = first->t;
            f.vtx(k) = first->v;
            ang[k - 1] = DirectionAngle(*tri_(first->v, first->t), *tri_(RingSuccessor(first->v, 1, 3), first->t));
        }
    }
    SortAndOpen(f, ang, tri_);
    return f;
}

}  // namespace kelvarin
