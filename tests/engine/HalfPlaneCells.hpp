#pragma once
// A reference for Thiessen areas that needs no triangulation: each gauge's cell is the basin
// cut by the half-plane of every other gauge (the side of their perpendicular bisector that
// holds the gauge), nearest gauge first, so the cell shrinks quickly and the gauges too far
// away to cut it are never tried. Each cut is the plain polygon-by-half-plane clip, which is
// right for any polygon: a cut through a concave basin may leave zero-width bridges, which
// add no area. Coordinates are taken relative to the gauge, so that map coordinates keep
// their precision.

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>
#include <vector>

#include "model/cPoint.hpp"

namespace kelvarin::testing {

namespace half_plane {

struct Vec {
    double x, y;
};

// the part of the polygon where d·p <= c
inline std::vector<Vec> Clip(const std::vector<Vec>& polygon, Vec d, double c) {
    std::vector<Vec> out;
    out.reserve(polygon.size() + 2);
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const Vec a = polygon[i], b = polygon[(i + 1) % polygon.size()];
        const double fa = d.x * a.x + d.y * a.y - c, fb = d.x * b.x + d.y * b.y - c;
        if (fa <= 0) out.push_back(a);
        if ((fa < 0 && fb > 0) || (fa > 0 && fb < 0)) {
            const double t = fa / (fa - fb);
            out.push_back(Vec{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)});
        }
    }
    return out;
}

inline double Area(const std::vector<Vec>& polygon) {
    double twice = 0.0;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const Vec a = polygon[i], b = polygon[(i + 1) % polygon.size()];
        twice += a.x * b.y - b.x * a.y;
    }
    return twice / 2.0;
}

}  // namespace half_plane

// The Thiessen area in the basin (a counter-clockwise ring) of each gauge, in the order given.
// Gauges at one place share their cell equally.
inline std::vector<double> HalfPlaneCellAreas(const std::vector<cPoint>& basin, const std::vector<cPoint>& gauges) {
    using half_plane::Vec;
    std::vector<double> areas(gauges.size(), 0.0);
    for (std::size_t s = 0; s < gauges.size(); ++s) {
        const cPoint& site = gauges[s];
        std::vector<std::size_t> others(gauges.size());
        std::iota(others.begin(), others.end(), std::size_t{0});
        auto distance = [&](std::size_t k) { return std::hypot(gauges[k].X - site.X, gauges[k].Y - site.Y); };
        std::sort(others.begin(), others.end(),
                  [&](std::size_t a, std::size_t b) { return distance(a) < distance(b); });
        std::vector<Vec> cell;
        for (const cPoint& v : basin) cell.push_back(Vec{v.X - site.X, v.Y - site.Y});
        double sharing = 1.0;
        for (const std::size_t k : others) {
            if (k == s) continue;
            const Vec d{gauges[k].X - site.X, gauges[k].Y - site.Y};
            if (d.x == 0 && d.y == 0) {
                sharing += 1.0;
                continue;
            }
            double reach = 0.0;  // the cell lies within this distance of the gauge
            for (const Vec& p : cell) reach = std::max(reach, std::hypot(p.x, p.y));
            if (distance(k) > 2.0 * reach) break;  // this bisector and all later ones miss the cell
            cell = half_plane::Clip(cell, d, (d.x * d.x + d.y * d.y) / 2.0);
            if (cell.empty()) break;
        }
        areas[s] = half_plane::Area(cell) / sharing;
    }
    return areas;
}

// Site i's cell in a frame (a convex ring around every site): the frame cut by the bisector
// half-plane of every other site, in long double, every site tried. Sites at site i's place are
// skipped. The oracle for cells that reach beyond a basin (sub-basins, the network's frame).
inline std::vector<cPoint> HalfPlaneCellInFrame(const std::vector<cPoint>& sites, std::size_t i,
                                                const std::vector<cPoint>& frame) {
    using Pt = std::pair<long double, long double>;
    std::vector<Pt> cell;
    for (const cPoint& p : frame) cell.emplace_back(p.X, p.Y);
    const long double sx = sites[i].X, sy = sites[i].Y;
    for (std::size_t j = 0; j < sites.size() && !cell.empty(); ++j) {
        const long double tx = sites[j].X, ty = sites[j].Y;
        if (tx == sx && ty == sy) continue;
        // keep the points nearer to S: (T - S).p <= (|T|^2 - |S|^2) / 2
        const long double a = tx - sx, b = ty - sy, c = (tx * tx + ty * ty - sx * sx - sy * sy) / 2;
        std::vector<Pt> out;
        for (std::size_t k = 0; k < cell.size(); ++k) {
            const Pt& p = cell[k];
            const Pt& q = cell[(k + 1) % cell.size()];
            const long double fp = a * p.first + b * p.second - c, fq = a * q.first + b * q.second - c;
            if (fp <= 0) out.push_back(p);
            if ((fp < 0 && fq > 0) || (fp > 0 && fq < 0)) {
                const long double t = fp / (fp - fq);
                out.emplace_back(p.first + t * (q.first - p.first), p.second + t * (q.second - p.second));
            }
        }
        cell = out;
    }
    std::vector<cPoint> ring;
    for (const Pt& p : cell) ring.push_back(cPoint{static_cast<double>(p.first), static_cast<double>(p.second), 0});
    return ring;
}

}  // namespace kelvarin::testing
