// Divide-and-conquer Delaunay triangulation on a quad-edge mesh: the sites sorted by X, then
// Y, triangulated in halves, the halves merged bottom-up along the rising base edge. Every
// side and circle decision is exact, so the result is a Delaunay triangulation of the given
// doubles; where four or more sites lie exactly on one empty circle it is one of several,
// and the triangles on that circle are joined into one face.

#include "network/Delaunay.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <utility>

#include "geometry/PredicateFilters.hpp"
#include "geometry/Predicates.hpp"

namespace kelvarin {

namespace {

// Quick decisions for the mesh: the determinant in double precision where its error bound
// makes the sign certain, the exact predicate otherwise.

// the sign of Orient2D(a, b, c)
int Orientation(const cPoint& a, const cPoint& b, const cPoint& c) {
    bool certain = false;
    const int sign = predicate_filter::Orientation(a, b, c, certain);
    return certain ? sign : Orient2D(a, b, c);
}

// the sign of InCircle(a, b, c, d) for a, b, c counter-clockwise
int CircleSide(const cPoint& a, const cPoint& b, const cPoint& c, const cPoint& d) {
    bool certain = false;
    const int sign = predicate_filter::InCircleDeterminant(a, b, c, d, certain);
    return certain ? sign : InCircle(a, b, c, d);
}

// Directed edges are numbered 4q + r: quad-edge q, rotation r (0 and 2 the two directions
// of the primal edge, 1 and 3 its dual).
class QuadEdgeMesh {
  public:
    // the sites in the order of the sweep, copied together for locality
    explicit QuadEdgeMesh(std::vector<cPoint> sites) : P(std::move(sites)) {
        const std::size_t quads = 3 * P.size() + 8;
        next_.reserve(4 * quads);
        org_.reserve(4 * quads);
        dead_.reserve(quads);
    }

    static std::int32_t Rot(std::int32_t e) { return (e & ~3) | ((e + 1) & 3); }
    static std::int32_t InvRot(std::int32_t e) { return (e & ~3) | ((e + 3) & 3); }
    static std::int32_t Sym(std::int32_t e) { return e ^ 2; }
    std::int32_t Onext(std::int32_t e) const { return next_[static_cast<std::size_t>(e)]; }
    std::int32_t Oprev(std::int32_t e) const { return Rot(Onext(Rot(e))); }
    std::int32_t Lnext(std::int32_t e) const { return Rot(Onext(InvRot(e))); }
    std::int32_t Rprev(std::int32_t e) const { return Onext(Sym(e)); }
    std::int32_t Org(std::int32_t e) const { return org_[static_cast<std::size_t>(e)]; }
    std::int32_t Dest(std::int32_t e) const { return Org(Sym(e)); }
    const cPoint& At(std::int32_t site) const { return P[static_cast<std::size_t>(site)]; }
    std::int32_t EdgeCount() const { return static_cast<std::int32_t>(next_.size()); }
    bool Dead(std::int32_t e) const { return dead_[static_cast<std::size_t>(e >> 2)] != 0; }

    std::int32_t MakeEdge(std::int32_t from, std::int32_t to) {
        const auto e = static_cast<std::int32_t>(next_.size());
        next_.insert(next_.end(), {e, e + 3, e + 2, e + 1});
        org_.insert(org_.end(), {from, -1, to, -1});
        dead_.push_back(0);
        return e;
    }

    void Splice(std::int32_t a, std::int32_t b) {
        const std::int32_t alpha = Rot(Onext(a));
        const std::int32_t beta = Rot(Onext(b));
        std::swap(next_[static_cast<std::size_t>(a)], next_[static_cast<std::size_t>(b)]);
        std::swap(next_[static_cast<std::size_t>(alpha)], next_[static_cast<std::size_t>(beta)]);
    }

    // a new edge from the destination of a to the origin of b
    std::int32_t Connect(std::int32_t a, std::int32_t b) {
        const std::int32_t e = MakeEdge(Dest(a), Org(b));
        Splice(e, Lnext(a));
        Splice(Sym(e), b);
        return e;
    }

    void DeleteEdge(std::int32_t e) {
        Splice(e, Oprev(e));
        Splice(Sym(e), Oprev(Sym(e)));
        dead_[static_cast<std::size_t>(e >> 2)] = 1;
    }

    // the sites a, b, c counter-clockwise
    bool Ccw(std::int32_t a, std::int32_t b, std::int32_t c) const { return Orientation(At(a), At(b), At(c)) > 0; }
    bool RightOf(std::int32_t x, std::int32_t e) const { return Ccw(x, Dest(e), Org(e)); }
    bool LeftOf(std::int32_t x, std::int32_t e) const { return Ccw(x, Org(e), Dest(e)); }
    // d strictly inside the circle through a, b, c (counter-clockwise); a corner is on it
    bool Inside(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) const {
        if (d == a || d == b || d == c) return false;
        return CircleSide(At(a), At(b), At(c), At(d)) > 0;
    }

  private:
    std::vector<cPoint> P;
    std::vector<std::int32_t> next_;
    std::vector<std::int32_t> org_;
    std::vector<char> dead_;
};

// The triangulation of the mesh's sites lo..hi - 1 (sorted by X, then Y; at least two).
// Returns the counter-clockwise hull edge leaving the leftmost site and the clockwise hull
// edge leaving the rightmost one.
std::pair<std::int32_t, std::int32_t> Triangulate(QuadEdgeMesh& m, std::int32_t lo, std::int32_t hi) {
    if (hi - lo == 2) {
        const std::int32_t a = m.MakeEdge(lo, lo + 1);
        return {a, QuadEdgeMesh::Sym(a)};
    }
    if (hi - lo == 3) {
        const std::int32_t s1 = lo, s2 = lo + 1, s3 = lo + 2;
        const std::int32_t a = m.MakeEdge(s1, s2);
        const std::int32_t b = m.MakeEdge(s2, s3);
        m.Splice(QuadEdgeMesh::Sym(a), b);
        if (m.Ccw(s1, s2, s3)) {
            m.Connect(b, a);
            return {a, QuadEdgeMesh::Sym(b)};
        }
        if (m.Ccw(s1, s3, s2)) {
            const std::int32_t c = m.Connect(b, a);
            return {QuadEdgeMesh::Sym(c), c};
        }
        return {a, QuadEdgeMesh::Sym(b)};  // three sites on one line
    }
    const std::int32_t mid = lo + (hi - lo) / 2;
    auto [ldo, ldi] = Triangulate(m, lo, mid);
    auto [rdi, rdo] = Triangulate(m, mid, hi);
    // the lower common tangent of the two halves
    for (;;) {
        if (m.LeftOf(m.Org(rdi), ldi)) {
            ldi = m.Lnext(ldi);
        } else if (m.RightOf(m.Org(ldi), rdi)) {
            rdi = m.Rprev(rdi);
        } else {
            break;
        }
    }
    std::int32_t basel = m.Connect(QuadEdgeMesh::Sym(rdi), ldi);
    if (m.Org(ldi) == m.Org(ldo)) ldo = QuadEdgeMesh::Sym(basel);
    if (m.Org(rdi) == m.Org(rdo)) rdo = basel;
    auto valid = [&](std::int32_t e) { return m.RightOf(m.Dest(e), basel); };
    // zip the halves together upwards
    for (;;) {
        std::int32_t lcand = m.Onext(QuadEdgeMesh::Sym(basel));
        if (valid(lcand)) {
            while (m.Inside(m.Dest(basel), m.Org(basel), m.Dest(lcand), m.Dest(m.Onext(lcand)))) {
                const std::int32_t t = m.Onext(lcand);
                m.DeleteEdge(lcand);
                lcand = t;
            }
        }
        std::int32_t rcand = m.Oprev(basel);
        if (valid(rcand)) {
            while (m.Inside(m.Dest(basel), m.Org(basel), m.Dest(rcand), m.Dest(m.Oprev(rcand)))) {
                const std::int32_t t = m.Oprev(rcand);
                m.DeleteEdge(rcand);
                rcand = t;
            }
        }
        const bool leftValid = valid(lcand), rightValid = valid(rcand);
        if (!leftValid && !rightValid) break;
        if (!leftValid || (rightValid && m.Inside(m.Dest(lcand), m.Org(lcand), m.Org(rcand), m.Dest(rcand)))) {
            basel = m.Connect(rcand, QuadEdgeMesh::Sym(basel));
        } else {
            basel = m.Connect(QuadEdgeMesh::Sym(basel), QuadEdgeMesh::Sym(lcand));
        }
    }
    return {ldo, rdo};
}

// union-find over the triangles
std::int32_t Root(std::vector<std::int32_t>& parent, std::int32_t t) {
    while (parent[static_cast<std::size_t>(t)] != t) {
        parent[static_cast<std::size_t>(t)] = parent[static_cast<std::size_t>(parent[static_cast<std::size_t>(t)])];
        t = parent[static_cast<std::size_t>(t)];
    }
    return t;
}

// The mesh's triangles: faces left of three directed edges, counter-clockwise; corners as
// sweep positions. triangleOf gets the triangle left of each directed edge (-1 for none).
std::vector<std::array<std::int32_t, 3>> MeshTriangles(const QuadEdgeMesh& m, std::vector<std::int32_t>& triangleOf) {
    const std::int32_t E = m.EdgeCount();
    triangleOf.assign(static_cast<std::size_t>(E), -1);
    std::vector<std::array<std::int32_t, 3>> corners;
    for (std::int32_t e = 0; e < E; e += 2) {
        if (m.Dead(e) || triangleOf[static_cast<std::size_t>(e)] >= 0) continue;
        const std::int32_t f = m.Lnext(e), g = m.Lnext(f);
        if (m.Lnext(g) != e || !m.Ccw(m.Org(e), m.Org(f), m.Org(g))) continue;
        const auto t = static_cast<std::int32_t>(corners.size());
        triangleOf[static_cast<std::size_t>(e)] = triangleOf[static_cast<std::size_t>(f)] =
            triangleOf[static_cast<std::size_t>(g)] = t;
        corners.push_back({m.Org(e), m.Org(f), m.Org(g)});
    }
    return corners;
}

// Neighbouring triangles whose four sites lie exactly on one circle are one face: parent
// (union-find over the triangles) joins them. False when no two are joined.
bool JoinTies(const QuadEdgeMesh& m, const std::vector<std::int32_t>& triangleOf, std::vector<std::int32_t>& parent) {
    bool tied = false;
    for (std::int32_t e = 0; e < m.EdgeCount(); e += 4) {
        if (m.Dead(e)) continue;
        const std::int32_t left = triangleOf[static_cast<std::size_t>(e)];
        const std::int32_t right = triangleOf[static_cast<std::size_t>(QuadEdgeMesh::Sym(e))];
        if (left < 0 || right < 0) continue;
        const std::int32_t f = m.Lnext(e);
        const std::int32_t opposite = m.Dest(m.Lnext(QuadEdgeMesh::Sym(e)));
        if (CircleSide(m.At(m.Org(e)), m.At(m.Org(f)), m.At(m.Dest(f)), m.At(opposite)) != 0) continue;
        const std::int32_t a = Root(parent, left), b = Root(parent, right);
        if (a != b) parent[static_cast<std::size_t>(std::max(a, b))] = std::min(a, b);
        tied = true;
    }
    return tied;
}

// a triangle's corners (counter-clockwise) in ascending order, and whether that order is still
// counter-clockwise (an even permutation of the corners)
void AddTriangle(std::array<long, 3> triple, DelaunaySubdivision& result) {
    bool even = true;
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t k = 0; k + 1 < 3; ++k) {
            if (triple[k] > triple[k + 1]) {
                std::swap(triple[k], triple[k + 1]);
                even = !even;
            }
        }
    }
    result.triangles.push_back(triple);
    result.counterClockwise.push_back(even);
}

// the faces from the triangles (corners as indices into the sites) and their union-find
void GatherFaces(const std::vector<std::array<long, 3>>& corners, std::vector<std::int32_t>& parent,
                 DelaunaySubdivision& result) {
    std::vector<std::int32_t> size(corners.size(), 0);
    for (std::size_t t = 0; t < corners.size(); ++t) {
        ++size[static_cast<std::size_t>(Root(parent, static_cast<std::int32_t>(t)))];
    }
    std::vector<std::int32_t> polygonOf(corners.size(), -1);
    for (std::size_t t = 0; t < corners.size(); ++t) {
        const std::int32_t root = Root(parent, static_cast<std::int32_t>(t));
        const std::array<long, 3>& triple = corners[t];
        if (size[static_cast<std::size_t>(root)] == 1) {
            AddTriangle(triple, result);
            continue;
        }
        std::int32_t& face = polygonOf[static_cast<std::size_t>(root)];
        if (face < 0) {
            face = static_cast<std::int32_t>(result.cocircular.size());
            result.cocircular.emplace_back();
        }
        auto& sites = result.cocircular[static_cast<std::size_t>(face)];
        sites.insert(sites.end(), triple.begin(), triple.end());
    }
    for (auto& sites : result.cocircular) {
        std::sort(sites.begin(), sites.end());
        sites.erase(std::unique(sites.begin(), sites.end()), sites.end());
    }
}

}  // namespace

DelaunaySubdivision DelaunayFaces(const std::vector<const cPoint*>& P) {
    DelaunaySubdivision result;
    const std::size_t n = P.size();
    if (n < 3) return result;
    std::vector<std::int32_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](std::int32_t a, std::int32_t b) {
        const cPoint& A = *P[static_cast<std::size_t>(a)];
        const cPoint& B = *P[static_cast<std::size_t>(b)];
        return A.X < B.X || (A.X == B.X && A.Y < B.Y);
    });
    std::vector<cPoint> sorted;
    sorted.reserve(n);
    for (const std::int32_t i : order) sorted.push_back(*P[static_cast<std::size_t>(i)]);
    QuadEdgeMesh m(std::move(sorted));
    Triangulate(m, 0, static_cast<std::int32_t>(n));

    std::vector<std::int32_t> triangleOf;
    const std::vector<std::array<std::int32_t, 3>> mesh = MeshTriangles(m, triangleOf);
    std::vector<std::array<long, 3>> corners;
    corners.reserve(mesh.size());
    for (const auto& c : mesh) {
        corners.push_back({order[static_cast<std::size_t>(c[0])], order[static_cast<std::size_t>(c[1])],
                           order[static_cast<std::size_t>(c[2])]});
    }
    std::vector<std::int32_t> parent(corners.size());
    std::iota(parent.begin(), parent.end(), 0);
    if (JoinTies(m, triangleOf, parent)) {
        GatherFaces(corners, parent, result);
        return result;
    }
    result.triangles.reserve(corners.size());
    result.counterClockwise.reserve(corners.size());
    for (const auto& triple : corners) AddTriangle(triple, result);
    return result;
}

}  // namespace kelvarin
