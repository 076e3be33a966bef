#include "geometry/RingLoops.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <optional>
#include <utility>

#include "geometry/Predicates.hpp"
#include "geometry/SimpleRing.hpp"

namespace kelvarin {
namespace {

// Where edges i and j of a ring that meet (FindEdgeMeeting) share a point: their crossing,
// or else the first of edge j's ends lying on edge i, or of edge i's ends lying on edge j.
cPoint MeetingPoint(const std::vector<cPoint>& ring, std::size_t i, std::size_t j) {
    const std::size_t n = ring.size();
    const cPoint& p = ring[i];
    const cPoint& q = ring[(i + 1) % n];
    const cPoint& c = ring[j];
    const cPoint& d = ring[(j + 1) % n];
    const int sideC = Orient2D(p, q, c), sideD = Orient2D(p, q, d);
    const int sideP = Orient2D(c, d, p), sideQ = Orient2D(c, d, q);
    if (sideC * sideD < 0 && sideP * sideQ < 0) {
        const double t = CrossingParameter(p, q, c, d).t;
        return cPoint{p.X + t * (q.X - p.X), p.Y + t * (q.Y - p.Y), 0.0};
    }
    // a vertex of one edge on the other: the ring touches itself there
    for (const cPoint* v : {&c, &d}) {
        if (Orient2D(p, q, *v) == 0 && WithinSegment(*v, p, q)) return *v;
    }
    for (const cPoint* v : {&p, &q}) {
        if (Orient2D(c, d, *v) == 0 && WithinSegment(*v, c, d)) return *v;
    }
    return c;  // not reached: edges that meet without crossing meet at such a vertex
}

}  // namespace

// the way a ring runs: by its area where rounding cannot have made its sign, else by the turn
// at its lowest leftmost vertex
int RingOrientation(const std::vector<cPoint>& ring) {
    const std::size_t n = ring.size();
    if (n < 3) return 0;
    double twiceArea = 0.0, magnitude = 0.0;
    const cPoint& o = ring[0];
    for (std::size_t i = 1; i + 1 < n; ++i) {
        const double left = (ring[i].X - o.X) * (ring[i + 1].Y - o.Y);
        const double right = (ring[i + 1].X - o.X) * (ring[i].Y - o.Y);
        twiceArea += left - right;
        magnitude += std::fabs(left) + std::fabs(right);
    }
    // each term is off by a few units of the last bit of its products, the sum by n more
    if (std::fabs(twiceArea) > 4.0 * static_cast<double>(n) * kUnitRoundoff * magnitude)
        return twiceArea > 0.0 ? 1 : -1;
    std::size_t low = 0;
    for (std::size_t i = 1; i < n; ++i) {
        if (ring[i].X < ring[low].X || (ring[i].X == ring[low].X && ring[i].Y < ring[low].Y)) low = i;
    }
    return Orient2D(ring[(low + n - 1) % n], ring[low], ring[(low + 1) % n]);
}

// the ring split at the lowest-numbered pair of edges that meet, again and again, keeping the
// loops that run counter-clockwise
std::vector<std::vector<cPoint>> SimpleLoops(const std::vector<cPoint>& ring) {
    std::vector<std::vector<cPoint>> todo{ring}, done;
    std::size_t splits = 4 * ring.size() + 16;  // each split removes a meeting; rounding may add a few
    while (!todo.empty()) {
        std::vector<cPoint> loop = std::move(todo.back());
        todo.pop_back();
        std::vector<cPoint> clean;
        for (const cPoint& p : loop)
            if (clean.empty() || !SamePlace(clean.back(), p)) clean.push_back(p);
        while (clean.size() > 1 && SamePlace(clean.front(), clean.back())) clean.pop_back();
        if (clean.size() < 3) continue;
        const std::optional<RingCrossing> meeting = splits > 0 ? FindEdgeMeeting(clean) : std::nullopt;
        if (meeting) {
            --splits;
            const auto i = static_cast<long>(meeting->First) - 1, j = static_cast<long>(meeting->Second) - 1;
            const cPoint at = MeetingPoint(clean, meeting->First - 1, meeting->Second - 1);
            // the meeting point, then edge i's end up to edge j's start; and the meeting point,
            // then edge j's end round to edge i's start
            std::vector<cPoint> first{at}, second{at};
            first.insert(first.end(), clean.begin() + i + 1, clean.begin() + j + 1);
            second.insert(second.end(), clean.begin() + j + 1, clean.end());
            second.insert(second.end(), clean.begin(), clean.begin() + i + 1);
            todo.push_back(std::move(first));
            todo.push_back(std::move(second));
            continue;
        }
        if (RingOrientation(clean) > 0) done.push_back(std::move(clean));
    }
    return done;
}

}  // namespace kelvarin
