// The fan of triangles around one station.

#include "network/StationFan.hpp"

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

// fan, corner rows and gap of the station at S
StationFan FindStationFan(const cPoint& S, const Array2<PointRef>& tri) {
    StationFan f;
    f.fan.ReDim(1, 0);
    f.vtx.ReDim(1, 0);
    Array1<double> ang(1, 0);
    const long T = TriangleCount(tri);
    for (long t = 1; t <= T; ++t) {
        for (long v = 1; v <= 3; ++v) {
            if (SamePoint(*tri(v, t), S)) {
                f.fan.Append(t);
                f.vtx.Append(v);
                ang.Append(DirectionAngle(*tri(v, t), *tri(RingSuccessor(v, 1, 3), t)));
                break;
            }
        }
    }
    const long n = f.fan.Count();
    f.count = n;
    for (long a = 1; a < n; ++a) {
        for (long b = a + 1; b <= n; ++b) {
            if (ang(a) > ang(b)) {
                SwapValues(ang(a), ang(b));
                SwapValues(f.fan(a), f.fan(b));
                SwapValues(f.vtx(a), f.vtx(b));
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
    return f;
}

}  // namespace kelvarin
