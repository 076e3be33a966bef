#pragma once
// Seeded random simple rings: convex, star-shaped and random-walk (untangled) rings
// of a given size around a given centre, in either orientation.

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "geometry/modGISTools.hpp"

namespace kelvarin::testing {

enum class RingKind { Convex, Star, Walk };

class RandomRings {
  public:
    explicit RandomRings(unsigned long long seed) : engine_(seed) {}

    double Uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(engine_); }
    long Integer(long lo, long hi) { return std::uniform_int_distribution<long>(lo, hi)(engine_); }
    // vertex counts spread evenly over the logarithm, so small and large rings both appear
    long VertexCount(long lo, long hi) {
        return std::clamp(static_cast<long>(std::exp(Uniform(std::log(lo), std::log(hi + 1.0)))), lo, hi);
    }

    // a simple ring of n vertices around (cx, cy) with radius about r
    std::vector<cPoint> Make(RingKind kind, long n, double cx, double cy, double r) {
        std::vector<cPoint> ring;
        switch (kind) {
            case RingKind::Convex:
                ring = Polar(n, cx, cy, r, 1.0);
                break;
            case RingKind::Star:
                ring = Polar(n, cx, cy, r, Uniform(0.1, 0.8));
                break;
            case RingKind::Walk:
                ring = Walk(n, cx, cy, r);
                break;
        }
        if (Uniform(0, 1) < 0.5) std::reverse(ring.begin(), ring.end());
        std::rotate(ring.begin(), ring.begin() + Integer(0, static_cast<long>(ring.size()) - 1), ring.end());
        return ring;
    }

    // a star ring with every vertex moved to the nearest point of a coarse grid: many shared
    // vertices, vertices on edges and overlapping edges when two such rings meet
    std::vector<cPoint> OnGrid(long n, double cx, double cy, double r, double step) {
        auto ring = Make(RingKind::Star, n, cx, cy, r);
        std::vector<cPoint> snapped;
        for (const auto& p : ring) {
            const cPoint q{cx + std::round((p.X - cx) / step) * step, cy + std::round((p.Y - cy) / step) * step, 0.0};
            if (!snapped.empty() && snapped.back().X == q.X && snapped.back().Y == q.Y) continue;
            snapped.push_back(q);
        }
        while (snapped.size() > 1 && snapped.front().X == snapped.back().X && snapped.front().Y == snapped.back().Y)
            snapped.pop_back();
        return snapped;
    }

    // the part of the axis-parallel frame on the left of a random line through it: a cell
    // whose vertices lie on the frame's edges, like a station cell clipped by the frame
    std::vector<cPoint> FrameCell(double x0, double y0, double x1, double y1) {
        const cPoint frame[4] = {{x1, y1, 0}, {x0, y1, 0}, {x0, y0, 0}, {x1, y0, 0}};
        const cPoint p{Uniform(x0, x1), Uniform(y0, y1), 0.0};
        const double angle = Uniform(0, 2 * M_PI);
        const double dx = std::cos(angle), dy = std::sin(angle);
        auto side = [&](const cPoint& q) { return dx * (q.Y - p.Y) - dy * (q.X - p.X); };
        std::vector<cPoint> cell;
        for (int i = 0; i < 4; ++i) {
            const cPoint& a = frame[i];
            const cPoint& b = frame[(i + 1) % 4];
            const double sa = side(a), sb = side(b);
            if (sa >= 0) cell.push_back(a);
            if ((sa > 0 && sb < 0) || (sa < 0 && sb > 0)) {
                const double t = sa / (sa - sb);
                // the cut lies on an axis-parallel frame edge: one coordinate is the edge's own
                cPoint q{a.X + t * (b.X - a.X), a.Y + t * (b.Y - a.Y), 0.0};
                if (a.X == b.X) q.X = a.X;
                if (a.Y == b.Y) q.Y = a.Y;
                cell.push_back(q);
            }
        }
        return cell;
    }

    // the ring grown or shrunk about its first vertex by a tiny factor: edges that almost overlap
    static std::vector<cPoint> Scaled(const std::vector<cPoint>& ring, double factor) {
        std::vector<cPoint> scaled;
        const cPoint& o = ring.front();
        for (const auto& p : ring)
            scaled.push_back(cPoint{o.X + (p.X - o.X) * factor, o.Y + (p.Y - o.Y) * factor, 0.0});
        return scaled;
    }

    // the ring turned about (cx, cy) by a tiny angle and grown by a tiny factor: edges that
    // cross their twins at tiny angles, no vertex shared
    static std::vector<cPoint> Turned(const std::vector<cPoint>& ring, double cx, double cy, double angle,
                                      double factor) {
        std::vector<cPoint> turned;
        const double c = std::cos(angle) * factor, s = std::sin(angle) * factor;
        for (const auto& p : ring) {
            const double dx = p.X - cx, dy = p.Y - cy;
            turned.push_back(cPoint{cx + c * dx - s * dy, cy + s * dx + c * dy, 0.0});
        }
        return turned;
    }

  private:
    // vertices at sorted random angles; radii between (1 - depth) r and r
    std::vector<cPoint> Polar(long n, double cx, double cy, double r, double depth) {
        std::vector<double> angles;
        for (long i = 0; i < n; ++i) angles.push_back(Uniform(0, 2 * M_PI));
        std::sort(angles.begin(), angles.end());
        angles.erase(std::unique(angles.begin(), angles.end()), angles.end());
        std::vector<cPoint> ring;
        for (double angle : angles) {
            const double radius = depth >= 1.0 ? r : r * Uniform(1.0 - depth, 1.0);
            ring.push_back(cPoint{cx + radius * std::cos(angle), cy + radius * std::sin(angle), 0.0});
        }
        return ring;
    }

    static double Cross(const cPoint& o, const cPoint& a, const cPoint& b) {
        return (a.X - o.X) * (b.Y - o.Y) - (a.Y - o.Y) * (b.X - o.X);
    }
    // proper or touching crossing of segments p1-p2 and p3-p4
    static bool Cross(const cPoint& p1, const cPoint& p2, const cPoint& p3, const cPoint& p4) {
        const double d1 = Cross(p3, p4, p1), d2 = Cross(p3, p4, p2);
        const double d3 = Cross(p1, p2, p3), d4 = Cross(p1, p2, p4);
        return ((d1 > 0) != (d2 > 0) || d1 == 0 || d2 == 0) && ((d3 > 0) != (d4 > 0) || d3 == 0 || d4 == 0) &&
               std::min(p1.X, p2.X) <= std::max(p3.X, p4.X) && std::min(p3.X, p4.X) <= std::max(p1.X, p2.X) &&
               std::min(p1.Y, p2.Y) <= std::max(p3.Y, p4.Y) && std::min(p3.Y, p4.Y) <= std::max(p1.Y, p2.Y);
    }

    // a random walk closed into a ring, its crossings removed by reversing stretches (2-opt)
    std::vector<cPoint> Walk(long n, double cx, double cy, double r) {
        std::vector<cPoint> ring;
        double x = 0, y = 0, heading = Uniform(0, 2 * M_PI);
        for (long i = 0; i < n; ++i) {
            heading += Uniform(-1.2, 1.2);
            const double step = Uniform(0.2, 1.0);
            x += step * std::cos(heading);
            y += step * std::sin(heading);
            ring.push_back(cPoint{x, y, 0.0});
        }
        // scale into the radius around the centre
        double cxw = 0, cyw = 0;
        for (const auto& p : ring) cxw += p.X / n, cyw += p.Y / n;
        double reach = 1e-300;
        for (const auto& p : ring) reach = std::max(reach, std::hypot(p.X - cxw, p.Y - cyw));
        for (auto& p : ring) p = cPoint{cx + (p.X - cxw) / reach * r, cy + (p.Y - cyw) / reach * r, 0.0};

        const auto size = static_cast<long>(ring.size());
        for (int pass = 0; pass < 200; ++pass) {
            bool changed = false;
            for (long i = 0; i < size; ++i) {
                for (long j = i + 2; j < size; ++j) {
                    if (i == 0 && j == size - 1) continue;
                    const cPoint& a = ring[i];
                    const cPoint& b = ring[i + 1];
                    const cPoint& c = ring[j];
                    const cPoint& d = ring[(j + 1) % size];
                    if (Cross(a, b, c, d)) {
                        std::reverse(ring.begin() + i + 1, ring.begin() + j + 1);
                        changed = true;
                    }
                }
            }
            if (!changed) break;
        }
        return ring;
    }

    std::mt19937_64 engine_;
};

inline PointArray ToArray(const std::vector<cPoint>& ring) {
    PointArray a(1, 0);
    for (const auto& p : ring) a.Append(NewPoint(p.X, p.Y, p.z));
    return a;
}

}  // namespace kelvarin::testing
