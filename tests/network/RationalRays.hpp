#pragma once
// Rays worked out in GMP's rational arithmetic: the oracle of the exact decisions on
// boundary lines outside the network (network/OuterRays.hpp). A ray is an origin and a
// direction, all rationals; a ray that starts where two others meet has that meeting point,
// exactly, for its origin.

#include <gmpxx.h>

#include <utility>
#include <vector>

#include "model/cPoint.hpp"

namespace kelvarin::testing {

struct RationalRay {
    mpq_class ox, oy, dx, dy;
};

inline RationalRay RayOf(const cPoint& origin, double dx, double dy) {
    return RationalRay{mpq_class(origin.X), mpq_class(origin.Y), mpq_class(dx), mpq_class(dy)};
}

inline int SignOf(const mpq_class& v) { return sgn(v); }

// a.origin + s a.direction = b.origin + u b.direction: cross, s * cross and u * cross
struct RationalMeeting {
    mpq_class cross, sNum, uNum;
};

inline RationalMeeting MeetingOf(const RationalRay& a, const RationalRay& b) {
    const mpq_class wx = b.ox - a.ox, wy = b.oy - a.oy;
    return RationalMeeting{a.dx * b.dy - a.dy * b.dx, wx * b.dy - wy * b.dx, wx * a.dy - wy * a.dx};
}

// ahead of both origins or at one of them; from one origin only when b turns clockwise from a
inline bool Meets(const RationalRay& a, const RationalRay& b) {
    const RationalMeeting m = MeetingOf(a, b);
    const int c = SignOf(m.cross);
    if (c == 0) return false;
    const int s = c * SignOf(m.sNum), u = c * SignOf(m.uNum);
    if (s < 0 || u < 0) return false;
    if (s == 0 && u == 0) return c < 0;
    return true;
}

// the parameter along a of its meeting with b
inline mpq_class Along(const RationalRay& a, const RationalRay& b) {
    const RationalMeeting m = MeetingOf(a, b);
    return mpq_class(m.sNum / m.cross);
}

inline std::pair<mpq_class, mpq_class> MeetingPoint(const RationalRay& a, const RationalRay& b) {
    const mpq_class s = Along(a, b);
    return {a.ox + s * a.dx, a.oy + s * a.dy};
}

// the ray from the meeting of a and b in the given direction
inline RationalRay FromMeeting(const RationalRay& a, const RationalRay& b, double dx, double dy) {
    const auto [x, y] = MeetingPoint(a, b);
    return RationalRay{x, y, mpq_class(dx), mpq_class(dy)};
}

struct RationalBox {
    mpq_class minX, maxX, minY, maxY;
};

inline bool StrictlyInside(const std::pair<mpq_class, mpq_class>& P, const RationalBox& box) {
    return P.first > box.minX && P.first < box.maxX && P.second > box.minY && P.second < box.maxY;
}

// where a ray from inside the box first reaches its boundary
inline std::pair<mpq_class, mpq_class> ExitPoint(const RationalRay& r, const RationalBox& box) {
    mpq_class best = -1;
    auto consider = [&](const mpq_class& t) {
        if (t > 0 && (best < 0 || t < best)) best = t;
    };
    if (sgn(r.dx) != 0) consider((sgn(r.dx) > 0 ? box.maxX - r.ox : box.minX - r.ox) / r.dx);
    if (sgn(r.dy) != 0) consider((sgn(r.dy) > 0 ? box.maxY - r.oy : box.minY - r.oy) / r.dy);
    return {r.ox + best * r.dx, r.oy + best * r.dy};
}

// the squared distance from P to the closed polyline
inline mpq_class Distance2(const std::pair<mpq_class, mpq_class>& P, const std::vector<cPoint>& polyline) {
    mpq_class best = -1;
    for (std::size_t k = 0; k < polyline.size(); ++k) {
        const cPoint& A = polyline[k];
        const cPoint& B = polyline[(k + 1) % polyline.size()];
        const mpq_class ex = mpq_class(B.X) - A.X, ey = mpq_class(B.Y) - A.Y;
        const mpq_class wx = P.first - A.X, wy = P.second - A.Y;
        const mpq_class length2 = ex * ex + ey * ey;
        mpq_class t = length2 == 0 ? mpq_class(0) : mpq_class((wx * ex + wy * ey) / length2);
        if (t < 0) t = 0;
        if (t > 1) t = 1;
        const mpq_class qx = wx - t * ex, qy = wy - t * ey;
        const mpq_class d = qx * qx + qy * qy;
        if (best < 0 || d < best) best = d;
    }
    return best;
}

}  // namespace kelvarin::testing
