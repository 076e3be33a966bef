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
