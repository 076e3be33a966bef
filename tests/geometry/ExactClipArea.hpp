#pragma once
// A second, exact judge of ring intersections for the cases where GEOS's own rounding
// shows (rings a few units of the last bit wide, edges crossing at a hair's angle): the
// area of A ∩ B in rational arithmetic, as the boundary integral over the stretches of
// each boundary that lie inside the other ring. It shares no code with ClipPolygons: it
// cuts every edge at its meeting points with the other ring and looks at the middle of
// each stretch, where ClipPolygons decides at the meeting points.

#include <gmpxx.h>

#include <algorithm>
#include <cstddef>
#include <vector>

#include "model/cPoint.hpp"

namespace kelvarin::testing {

class ExactClipArea {
  public:
    // the area of A ∩ B for simple rings A and B (stored open, either orientation)
    static double Of(const std::vector<cPoint>& a, const std::vector<cPoint>& b) {
        Ring ra = Load(a), rb = Load(b);
        if (ra.size() < 3 || rb.size() < 3) return 0.0;
        mpq_class twice = Boundary(ra, rb, true) + Boundary(rb, ra, false);
        return mpq_class(twice / 2).get_d();
    }

  private:
    struct P {
        mpq_class x, y;
    };
    using Ring = std::vector<P>;
    enum class Where { Inside, Outside, AlongSameWay, AlongOppositeWay };

    static mpq_class Cross(const P& o, const P& a, const P& b) {
        return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
    }

    // counter-clockwise, without repeated neighbours
    static Ring Load(const std::vector<cPoint>& pts) {
        Ring ring;
        for (const cPoint& p : pts) {
            P q{mpq_class(p.X), mpq_class(p.Y)};
            if (!ring.empty() && ring.back().x == q.x && ring.back().y == q.y) continue;
            ring.push_back(q);
        }
        while (ring.size() > 1 && ring.front().x == ring.back().x && ring.front().y == ring.back().y) ring.pop_back();
        mpq_class twice = 0;
        for (std::size_t i = 0; i < ring.size(); ++i) twice += Cross(ring[0], ring[i], ring[(i + 1) % ring.size()]);
        if (twice < 0) std::reverse(ring.begin(), ring.end());
        return ring;
    }

    // where point m lies with respect to the ring; along an edge, whether the direction dir
    // runs the way that edge does
    static Where Locate(const P& m, const P& dir, const Ring& ring) {
        bool inside = false;
        const std::size_t n = ring.size();
        for (std::size_t i = 0; i < n; ++i) {
            const P& a = ring[i];
            const P& b = ring[(i + 1) % n];
            if (Cross(a, b, m) == 0 && std::min(a.x, b.x) <= m.x && m.x <= std::max(a.x, b.x) &&
                std::min(a.y, b.y) <= m.y && m.y <= std::max(a.y, b.y)) {
                const mpq_class dot = (b.x - a.x) * dir.x + (b.y - a.y) * dir.y;
                return dot > 0 ? Where::AlongSameWay : Where::AlongOppositeWay;
            }
            if ((a.y > m.y) != (b.y > m.y)) {
                const mpq_class x = a.x + (m.y - a.y) * (b.x - a.x) / (b.y - a.y);
                if (x > m.x) inside = !inside;
            }
        }
        return inside ? Where::Inside : Where::Outside;
    }

    // twice the integral of x dy - y dx over the stretches of ring's boundary inside other
    // (and, when keepSame, those running along other's boundary the same way)
    static mpq_class Boundary(const Ring& ring, const Ring& other, bool keepSame) {
        mpq_class sum = 0;
        const std::size_t n = ring.size(), m = other.size();
        for (std::size_t i = 0; i < n; ++i) {
            const P& p = ring[i];
            const P& q = ring[(i + 1) % n];
            const P dir{q.x - p.x, q.y - p.y};
            std::vector<mpq_class> ts{0, 1};
            for (std::size_t j = 0; j < m; ++j) {
                const P& c = other[j];
                const P& d = other[(j + 1) % m];
                const P e{d.x - c.x, d.y - c.y};
                const mpq_class den = dir.x * e.y - dir.y * e.x;
                const P cp{c.x - p.x, c.y - p.y};
                if (den != 0) {
                    const mpq_class t = (cp.x * e.y - cp.y * e.x) / den;
                    const mpq_class u = (cp.x * dir.y - cp.y * dir.x) / den;
                    if (t > 0 && t < 1 && u >= 0 && u <= 1) ts.push_back(t);
                } else if (cp.x * dir.y - cp.y * dir.x == 0) {
                    // on one line: the other edge's ends cut this one
                    const mpq_class length2 = dir.x * dir.x + dir.y * dir.y;
                    for (const P* end : {&c, &d}) {
                        const mpq_class t = ((end->x - p.x) * dir.x + (end->y - p.y) * dir.y) / length2;
                        if (t > 0 && t < 1) ts.push_back(t);
                    }
                }
            }
            std::sort(ts.begin(), ts.end());
            ts.erase(std::unique(ts.begin(), ts.end()), ts.end());
            for (std::size_t k = 0; k + 1 < ts.size(); ++k) {
                const mpq_class mid = (ts[k] + ts[k + 1]) / 2;
                const Where where = Locate(P{p.x + mid * dir.x, p.y + mid * dir.y}, dir, other);
                if (where == Where::Inside || (keepSame && where == Where::AlongSameWay)) {
                    const P s{p.x + ts[k] * dir.x, p.y + ts[k] * dir.y};
                    const P e{p.x + ts[k + 1] * dir.x, p.y + ts[k + 1] * dir.y};
                    sum += s.x * e.y - e.x * s.y;
                }
            }
        }
        return sum;
    }
};

}  // namespace kelvarin::testing
