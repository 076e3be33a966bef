// Rays outside the network: where they meet, where they leave the frame, and in which order,
// decided exactly.
//
// A ray's origin is held as (x, y, w): the point (x / w, y / w), w > 0. A point of the network
// has w = 1; the meeting point of two rays is a quotient, and its w the denominator, so that
// every expression below is a polynomial in doubles and the origins' numbers: exact in dyadic
// arithmetic, with no division and no reduction of fractions.

#include "network/OuterRays.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <type_traits>
#include <utility>

#include "network/ExactArithmetic.hpp"

namespace kelvarin {

using exact::Dyadic;
using exact::Interval;

template <class T>
struct OuterRays::Values {
    T x, y, w;  // the origin (x / w, y / w), w > 0
    T dx, dy;
};

struct OuterRays::Ray {
    cPoint origin;    // rounded
    Interval ox, oy;  // hold the exact origin
    double dx = 0.0, dy = 0.0;
    Id a = 0, b = 0;  // the rays whose meeting point is the origin
    bool fromMeeting = false;
    mutable std::optional<Values<Dyadic>> exact;  // worked out once needed
};

namespace {

// The meeting of rays a and b: with W = a.w b.w, a's origin + sNum / (cross W) a's direction
// equals b's origin + uNum / (cross W) b's direction.
template <class T>
struct Terms {
    T cross, sNum, uNum;
};

template <class T, class V>
Terms<T> MeetingTerms(const V& a, const V& b) {
    const T wx = b.x * a.w - a.x * b.w, wy = b.y * a.w - a.y * b.w;
    return Terms<T>{a.dx * b.dy - a.dy * b.dx, wx * b.dy - wy * b.dx, wx * a.dy - wy * a.dx};
}

// the meeting point of a and b as (x, y, w), w of either sign
template <class T, class V>
std::pair<std::pair<T, T>, T> MeetingOf(const V& a, const V& b) {
    const Terms<T> t = MeetingTerms<T>(a, b);
    const T w = t.cross * a.w * b.w;
    return {{a.x * t.cross * b.w + t.sNum * a.dx, a.y * t.cross * b.w + t.sNum * a.dy}, w};
}

// the sides of an axis-parallel rectangle; false when one of its edges runs askew
struct Rectangle {
    double minX, maxX, minY, maxY;
};

bool RectangleOf(const PointArray& F, Rectangle& box) {
    if (F.Count() < 3) return false;
    box = Rectangle{F(F.LBound())->X, F(F.LBound())->X, F(F.LBound())->Y, F(F.LBound())->Y};
    for (long k = F.LBound(); k <= F.UBound(); ++k) {
        const cPoint& A = *F(k);
        const cPoint& B = *F(k < F.UBound() ? k + 1 : F.LBound());
        if (A.X != B.X && A.Y != B.Y) return false;
        box.minX = std::min(box.minX, A.X), box.maxX = std::max(box.maxX, A.X);
        box.minY = std::min(box.minY, A.Y), box.maxY = std::max(box.maxY, A.Y);
    }
    return box.minX < box.maxX && box.minY < box.maxY;
}

long Successor(const PointArray& F, long k) { return k < F.UBound() ? k + 1 : F.LBound(); }

// The squared distance from P to the segment AB, as a fraction num / den, den > 0, of P given
// as (px / pw, py / pw), pw > 0. On intervals, where it cannot tell which part of the segment
// is nearest, it holds the distances to each part that may be.
template <class T>
std::pair<T, T> SegmentDistance2(const T& px, const T& py, const T& pw, const cPoint& A, const cPoint& B) {
    const T ex = exact::Value<T>(B.X) - exact::Value<T>(A.X), ey = exact::Value<T>(B.Y) - exact::Value<T>(A.Y);
    // P - A and P - B, times pw
    const T wx = px - exact::Value<T>(A.X) * pw, wy = py - exact::Value<T>(A.Y) * pw;
    const T vx = px - exact::Value<T>(B.X) * pw, vy = py - exact::Value<T>(B.Y) * pw;
    const T pw2 = pw * pw;
    std::pair<T, T> toA{wx * wx + wy * wy, pw2}, toB{vx * vx + vy * vy, pw2};
    const T length2 = ex * ex + ey * ey;
    const T cross = wx * ey - wy * ex;
    std::pair<T, T> toLine{cross * cross, pw2 * length2};
    // (P - A).e, and its excess over |e|^2, times pw
    const T along = wx * ex + wy * ey;
    const int before = exact::SignOf(along), after = exact::SignOf(along - length2 * pw);
    if (exact::SignOf(length2) == 0 || (before != exact::kUnknown && before <= 0)) return toA;
    if (after != exact::kUnknown && after >= 0) return toB;
    if constexpr (std::is_same_v<T, Interval>) {
        Interval d = toLine.first / toLine.second;
        if (before == exact::kUnknown) d = exact::Hull(d, toA.first / toA.second);
        if (after == exact::kUnknown) d = exact::Hull(d, toB.first / toB.second);
        return {d, Interval::Point(1.0)};
    } else {
        return toLine;
    }
}

// -1, 0 or +1 as n1 / d1 is below, at or above n2 / d2 (d1, d2 > 0)
int CompareFractions(const std::pair<Dyadic, Dyadic>& a, const std::pair<Dyadic, Dyadic>& b) {
    return exact::SignOf(a.first * b.second - b.first * a.second);
}

}  // namespace

OuterRays::OuterRays() = default;
OuterRays::~OuterRays() = default;

OuterRays::Id OuterRays::Add(const cPoint& origin, double dx, double dy) {
    Ray ray;
    ray.origin = cPoint{origin.X, origin.Y, 0.0};
    ray.ox = Interval::Point(origin.X);
    ray.oy = Interval::Point(origin.Y);
    ray.dx = dx;
    ray.dy = dy;
    rays_.push_back(std::move(ray));
    return rays_.size() - 1;
}

OuterRays::Id OuterRays::AddFromMeeting(Id a, Id b, double dx, double dy) {
    const auto [point, w] = MeetingOf<Interval>(ValuesOf<Interval>(a), ValuesOf<Interval>(b));
    Ray ray;
    ray.origin = MeetingPoint(a, b);
    ray.ox = point.first / w;
    ray.oy = point.second / w;
    ray.dx = dx;
    ray.dy = dy;
    ray.a = a;
    ray.b = b;
    ray.fromMeeting = true;
    rays_.push_back(std::move(ray));
    return rays_.size() - 1;
}

const cPoint& OuterRays::Origin(Id r) const { return rays_[r].origin; }
double OuterRays::Dx(Id r) const { return rays_[r].dx; }
double OuterRays::Dy(Id r) const { return rays_[r].dy; }

template <class T>
OuterRays::Values<T> OuterRays::ValuesOf(Id r) const {
    const Ray& ray = rays_[r];
    if constexpr (std::is_same_v<T, Interval>) {
        return Values<T>{ray.ox, ray.oy, Interval::Point(1.0), Interval::Point(ray.dx), Interval::Point(ray.dy)};
    } else {
        if (!ray.exact) {
            Values<Dyadic> v{exact::ToDyadic(ray.origin.X), exact::ToDyadic(ray.origin.Y), exact::ToDyadic(1.0),
                             exact::ToDyadic(ray.dx), exact::ToDyadic(ray.dy)};
            if (ray.fromMeeting) {
                auto [point, w] = MeetingOf<Dyadic>(ValuesOf<Dyadic>(ray.a), ValuesOf<Dyadic>(ray.b));
                if (exact::SignOf(w) < 0) {
                    point.first = -point.first;
                    point.second = -point.second;
                    w = -w;
                }
                v.x = point.first;
                v.y = point.second;
                v.w = w;
            }
            ray.exact = std::move(v);
        }
        return *ray.exact;
    }
}

bool OuterRays::Meets(Id a, Id b) const {
    auto term = [&](auto pick) {
        return [&, pick](auto zero) {
            using T = decltype(zero);
            return pick(MeetingTerms<T>(ValuesOf<T>(a), ValuesOf<T>(b)));
        };
    };
    const int cross = exact::ExactSign(term([](const auto& t) { return t.cross; }));
    if (cross == 0) return false;  // parallel
    const int s = cross * exact::ExactSign(term([](const auto& t) { return t.sNum; }));
    const int u = cross * exact::ExactSign(term([](const auto& t) { return t.uNum; }));
    if (s < 0 || u < 0) return false;
    if (s == 0 && u == 0) return cross < 0;  // one origin
    return true;
}

cPoint OuterRays::MeetingPoint(Id a, Id b) const {
    const Ray& A = rays_[a];
    const Ray& B = rays_[b];
    const double cross = A.dx * B.dy - A.dy * B.dx;
    const double wx = B.origin.X - A.origin.X;
    const double wy = B.origin.Y - A.origin.Y;
    const double s = (wx * B.dy - wy * B.dx) / cross;
    return cPoint{A.origin.X + s * A.dx, A.origin.Y + s * A.dy, 0.0};
}

int OuterRays::CompareMeetings(Id r, Id a, Id b) const {
    auto cross = [&](Id other) {
        return exact::ExactSign([&](auto zero) {
            using T = decltype(zero);
            return MeetingTerms<T>(ValuesOf<T>(r), ValuesOf<T>(other)).cross;
        });
    };
    // along r, s(a) = sNum(a) / (cross(a) r.w a.w): s(a) - s(b) has the sign of
    // (sNum(a) cross(b) b.w - sNum(b) cross(a) a.w) cross(a) cross(b)
    const int difference = exact::ExactSign([&](auto zero) {
        using T = decltype(zero);
        const Values<T> R = ValuesOf<T>(r), A = ValuesOf<T>(a), B = ValuesOf<T>(b);
        const Terms<T> ta = MeetingTerms<T>(R, A);
        const Terms<T> tb = MeetingTerms<T>(R, B);
        return ta.sNum * tb.cross * B.w - tb.sNum * ta.cross * A.w;
    });
    return difference * cross(a) * cross(b);
}

bool OuterRays::MeetsInside(Id a, Id b, const PointArray& F) const {
    Rectangle box{};
    if (!RectangleOf(F, box)) return false;
    const int sign = exact::ExactSign([&](auto zero) {
        using T = decltype(zero);
        return MeetingOf<T>(ValuesOf<T>(a), ValuesOf<T>(b)).second;
    });
    if (sign == 0) return false;  // parallel
    // the meeting's coordinate less the bound: (x - bound w) / w
    auto side = [&](double bound, bool alongX) {
        return sign * exact::ExactSign([&](auto zero) {
                   using T = decltype(zero);
                   const auto [point, w] = MeetingOf<T>(ValuesOf<T>(a), ValuesOf<T>(b));
                   return (alongX ? point.first : point.second) - exact::Value<T>(bound) * w;
               });
    };
    return side(box.minX, true) > 0 && side(box.maxX, true) < 0 && side(box.minY, false) > 0 &&
           side(box.maxY, false) < 0;
}

int OuterRays::CompareDistances(Id a1, Id b1, Id a2, Id b2, const std::vector<cPoint>& polyline) const {
    if (polyline.empty()) return 0;
    // the squared distance of a meeting point from the polyline, as a fraction
    auto distance = [&](Id a, Id b, auto zero) {
        using T = decltype(zero);
        auto [point, w] = MeetingOf<T>(ValuesOf<T>(a), ValuesOf<T>(b));
        if constexpr (std::is_same_v<T, Interval>) {
            const Interval px = point.first / w, py = point.second / w, one = Interval::Point(1.0);
            Interval best = SegmentDistance2(px, py, one, polyline.back(), polyline.front()).first;
            for (std::size_t k = 0; k + 1 < polyline.size(); ++k) {
                const auto d = SegmentDistance2(px, py, one, polyline[k], polyline[k + 1]);
                best = exact::Min(best, d.first / d.second);
            }
            return std::pair<T, T>{best, one};
        } else {
            if (exact::SignOf(w) < 0) {
                point.first = -point.first;
                point.second = -point.second;
                w = -w;
            }
            auto best = SegmentDistance2(point.first, point.second, w, polyline.back(), polyline.front());
            for (std::size_t k = 0; k + 1 < polyline.size(); ++k) {
                auto d = SegmentDistance2(point.first, point.second, w, polyline[k], polyline[k + 1]);
                if (CompareFractions(d, best) < 0) best = std::move(d);
            }
            return best;
        }
    };
    const Interval d1 = distance(a1, b1, Interval{}).first, d2 = distance(a2, b2, Interval{}).first;
    if (d1.hi < d2.lo) return -1;
    if (d2.hi < d1.lo) return 1;
    return CompareFractions(distance(a1, b1, Dyadic{}), distance(a2, b2, Dyadic{}));
}

long OuterRays::Exit(Id r, const PointArray& F, cPoint& exitPoint) const {
    Rectangle box{};
    if (!RectangleOf(F, box)) return 0;
    const Ray& ray = rays_[r];
    // the origin strictly inside: x - bound w
    auto beyond = [&](double bound, bool alongX) {
        return exact::ExactSign([&](auto zero) {
            using T = decltype(zero);
            const Values<T> R = ValuesOf<T>(r);
            return (alongX ? R.x : R.y) - exact::Value<T>(bound) * R.w;
        });
    };
    if (!(beyond(box.minX, true) > 0 && beyond(box.maxX, true) < 0 && beyond(box.minY, false) > 0 &&
          beyond(box.maxY, false) < 0))
        return 0;
    const int sx = (ray.dx > 0) - (ray.dx < 0), sy = (ray.dy > 0) - (ray.dy < 0);
    if (sx == 0 && sy == 0) return 0;
    const double xSide = sx > 0 ? box.maxX : box.minX;
    const double ySide = sy > 0 ? box.maxY : box.minY;
    // which side it reaches first: tx - ty = ((xSide w - x) dy - (ySide w - y) dx) / (w dx dy)
    int first = sx == 0 ? 1 : (sy == 0 ? -1 : 0);
    if (sx != 0 && sy != 0) {
        first = sx * sy * exact::ExactSign([&](auto zero) {
                    using T = decltype(zero);
                    const Values<T> R = ValuesOf<T>(r);
                    return (exact::Value<T>(xSide) * R.w - R.x) * R.dy - (exact::Value<T>(ySide) * R.w - R.y) * R.dx;
                });
    }
    long edge = 0;
    for (long k = F.LBound(); k <= F.UBound() && edge == 0; ++k) {
        const cPoint& A = *F(k);
        const cPoint& B = *F(Successor(F, k));
        if (first < 0 && A.X == B.X && A.X == xSide) edge = k;
        if (first > 0 && A.Y == B.Y && A.Y == ySide) edge = k;
        if (first == 0 && A.X == xSide && A.Y == ySide) edge = k;  // through the corner: the edge from it
    }
    if (edge == 0) return 0;
    if (first == 0) {
        exitPoint = cPoint{xSide, ySide, 0.0};
        return edge;
    }
    // the exit point as the crossing of the ray with the edge's line, measured from the origin
    const cPoint& A = *F(edge);
    const cPoint& B = *F(Successor(F, edge));
    const double ex = B.X - A.X, ey = B.Y - A.Y;
    const double cross = ray.dx * ey - ray.dy * ex;
    const double wx = A.X - ray.origin.X, wy = A.Y - ray.origin.Y;
    const double s = (wx * ey - wy * ex) / cross;
    exitPoint = cPoint{ray.origin.X + s * ray.dx, ray.origin.Y + s * ray.dy, 0.0};
    // on a vertical or horizontal edge the exit takes the edge's exact coordinate
    if (A.X == B.X) exitPoint.X = A.X;
    if (A.Y == B.Y) exitPoint.Y = A.Y;
    return edge;
}

int OuterRays::CompareExits(Id r1, Id r2, const PointArray& F, long k) const {
    const cPoint& A = *F(k);
    const cPoint& B = *F(Successor(F, k));
    const bool vertical = A.X == B.X;
    const double line = vertical ? A.X : A.Y;
    const double forward = vertical ? B.Y - A.Y : B.X - A.X;
    // A ray meets the edge's line at along / w + (line - across / w) dAlong / dAcross; that
    // position times w dAcross is along dAcross + (line w - across) dAlong. The difference of
    // two positions, times w1 w2 dAcross1 dAcross2:
    const int difference = exact::ExactSign([&](auto zero) {
        using T = decltype(zero);
        const T at = exact::Value<T>(line);
        auto scaled = [&](const Values<T>& R) {
            const T& along = vertical ? R.y : R.x;
            const T& across = vertical ? R.x : R.y;
            const T& dAlong = vertical ? R.dy : R.dx;
            const T& dAcross = vertical ? R.dx : R.dy;
            return along * dAcross + (at * R.w - across) * dAlong;
        };
        const Values<T> R1 = ValuesOf<T>(r1), R2 = ValuesOf<T>(r2);
        const T& dAcross1 = vertical ? R1.dx : R1.dy;
        const T& dAcross2 = vertical ? R2.dx : R2.dy;
        return scaled(R1) * R2.w * dAcross2 - scaled(R2) * R1.w * dAcross1;
    });
    const double across1 = vertical ? rays_[r1].dx : rays_[r1].dy;
    const double across2 = vertical ? rays_[r2].dx : rays_[r2].dy;
    const int scale = ((across1 > 0) - (across1 < 0)) * ((across2 > 0) - (across2 < 0));
    return difference * scale * ((forward > 0) - (forward < 0));
}

}  // namespace kelvarin
