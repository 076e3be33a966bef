// The station triangle network: the faces of the Delaunay subdivision of the stations'
// distinct sites, the sites of a face on one circle searched among themselves, in the order
// of the table.

#include "network/TriangleNetwork.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "geometry/ModMathTools.hpp"
#include "geometry/Predicates.hpp"
#include "network/CocircularSearch.hpp"
#include "network/Delaunay.hpp"

namespace kelvarin {

namespace {

// planar distance (z takes no part)
double PlaneDistance(const cPoint& P, const cPoint& Q) {
    const double dx = P.X - Q.X;
    const double dy = P.Y - Q.Y;
    return std::sqrt(dx * dx + dy * dy);
}

// b1 * c2 - b2 * c1 to within about one unit of its last bit, whatever the cancellation:
// the rounding error of one product is recovered exactly with a fused multiply-add
double AccurateCross(double b1, double c2, double b2, double c1) {
    const double w = b2 * c1;
    const double error = std::fma(b2, c1, -w);
    return std::fma(b1, c2, -w) - error;
}

}  // namespace

// circumcentre of three points and the mean distance of the points from it
double GetCircumCircle(cPoint& centre, const cPoint& P1, const cPoint& P2, const cPoint& P3) {
    if (P2.X == P1.X && P2.Y == P1.Y && P3.X == P1.X && P3.Y == P1.Y) return -2;
    if (Orient2D(P1, P2, P3) == 0) return -1;
    // measured from P1; the differences of nearby coordinates are exact, and the cross
    // product of a nearly flat triangle keeps its digits, so even a centre very far away
    // lies on the right bisectors
    const double bx = P2.X - P1.X, by = P2.Y - P1.Y, cx = P3.X - P1.X, cy = P3.Y - P1.Y;
    const double d = 2.0 * AccurateCross(bx, cy, by, cx);
    const double b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
    const double ux = AccurateCross(cy, b2, by, c2) / d;
    const double uy = AccurateCross(bx, c2, cx, b2) / d;
    if (!std::isfinite(ux) || !std::isfinite(uy)) return -1;
    centre.X = P1.X + ux;
    centre.Y = P1.Y + uy;
    return (PlaneDistance(P1, centre) + PlaneDistance(P2, centre) + PlaneDistance(P3, centre)) / 3;
}

// index of the first station at the same X and Y, for every station: the stations sorted by
// position (stable, so each run of equal positions starts with its first station)
Array1<long> SiteIndex(const PointArray& stations) {
    Array1<long> site(stations.LBound(), stations.UBound());
    std::vector<long> order;
    order.reserve(static_cast<std::size_t>(stations.Count()));
    for (long i = stations.LBound(); i <= stations.UBound(); ++i) {
        site(i) = i;
        // a coordinate that is not a number equals nothing: such a station is a site of its own
        if (!std::isnan(stations(i)->X) && !std::isnan(stations(i)->Y)) order.push_back(i);
    }
    auto before = [&](long a, long b) {
        const cPoint& A = *stations(a);
        const cPoint& B = *stations(b);
        return A.X < B.X || (A.X == B.X && A.Y < B.Y);
    };
    std::stable_sort(order.begin(), order.end(), before);
    for (std::size_t k = 1; k < order.size(); ++k) {
        const cPoint& A = *stations(order[k - 1]);
        const cPoint& B = *stations(order[k]);
        if (A.X == B.X && A.Y == B.Y) site(order[k]) = site(order[k - 1]);
    }
    return site;
}

// column t: the circumcentre, then new copies of the corners counter-clockwise
void FillTriangleColumn(Array2<PointRef>& triangles, long t, const cPoint& centre, const cPoint& first,
                        const cPoint& second, const cPoint& third, int turn) {
    triangles(0, t) = NewPoint(centre.X, centre.Y, 0.0);
    for (long row = 1; row <= 3; ++row) triangles(row, t) = NewPoint();
    CopyPoint(*triangles(1, t), first);
    CopyPoint(*triangles(2, t), second);
    CopyPoint(*triangles(3, t), third);
    if (turn == 0) turn = Orient2D(*triangles(1, t), *triangles(2, t), *triangles(3, t));
    if (turn < 0) {
        SwapObjects(triangles(2, t), triangles(3, t));
    }
}

// the stations' distinct sites, first station of each, in station order
std::vector<const cPoint*> DistinctSites(const PointArray& stations) {
    const Array1<long> site = SiteIndex(stations);
    std::vector<const cPoint*> P;
    for (long i = stations.LBound(); i <= stations.UBound(); ++i) {
        if (site(i) == i) P.push_back(stations(i).get());
    }
    return P;
}

// Delaunay triangle table of the stations' distinct sites: the faces of the Delaunay
// subdivision, the sites on one circle searched among themselves, sorted into the table order
long BuildTriangleNetwork(const PointArray& stations, Array2<PointRef>& triangles) {
    triangles.ReDim(0, 3, 1, 1);
    const std::vector<const cPoint*> P = DistinctSites(stations);
    const bool finite =
        std::all_of(P.begin(), P.end(), [](const cPoint* p) { return std::isfinite(p->X) && std::isfinite(p->Y); });
    // three sites or more with a coordinate that is not finite have no triangulation: they are
    // refused as the exact predicates refuse them (fewer sites make no triangle at all)
    if (!finite) {
        if (P.size() >= 3) throw std::domain_error("exact predicate: a coordinate is not finite");
        return 0;
    }
    const DelaunaySubdivision faces = DelaunayFaces(P);
    std::vector<FoundTriangle> found;
    found.reserve(faces.triangles.size() + 2 * faces.cocircular.size());
    for (std::size_t k = 0; k < faces.triangles.size(); ++k) {
        const std::array<long, 3>& t = faces.triangles[k];
        const cPoint& A = *P[static_cast<std::size_t>(t[0])];
        const cPoint& B = *P[static_cast<std::size_t>(t[1])];
        const cPoint& C = *P[static_cast<std::size_t>(t[2])];
        cPoint centre;
        if (GetCircumCircle(centre, A, B, C) > 0)
            found.push_back(FoundTriangle{t, centre, faces.counterClockwise[k] ? 1 : -1});
    }
    for (const std::vector<long>& face : faces.cocircular) SearchOnCircle(face, P, found);
    std::sort(found.begin(), found.end(),
              [](const FoundTriangle& a, const FoundTriangle& b) { return a.sites < b.sites; });
    const auto T = static_cast<long>(found.size());
    if (T == 0) return 0;
    triangles.ReDim(0, 3, 1, T);
    for (long t = 1; t <= T; ++t) {
        const FoundTriangle& f = found[static_cast<std::size_t>(t - 1)];
        FillTriangleColumn(triangles, t, f.centre, *P[static_cast<std::size_t>(f.sites[0])],
                           *P[static_cast<std::size_t>(f.sites[1])], *P[static_cast<std::size_t>(f.sites[2])], f.turn);
    }
    return T;
}

}  // namespace kelvarin
