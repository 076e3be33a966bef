#include "geometry/SimpleRing.hpp"

#include <algorithm>

#include "geometry/Predicates.hpp"

namespace kelvarin {

namespace {

// an edge of the ring without repeated vertices; From/To index the original vertices
struct Edge {
    const cPoint* A;
    const cPoint* B;
    std::size_t From, To;
    double MinX, MaxX, MinY, MaxY;
};

int Sign(double v) { return (v > 0.0) - (v < 0.0); }

// p on the closed segment a-b, given that the three lie on one line
bool WithinBox(const cPoint& p, const cPoint& a, const cPoint& b) {
    return std::min(a.X, b.X) <= p.X && p.X <= std::max(a.X, b.X) && std::min(a.Y, b.Y) <= p.Y &&
           p.Y <= std::max(a.Y, b.Y);
}

// the closed segments share at least one point
bool SegmentsMeet(const Edge& e, const Edge& f) {
    const int o1 = Orient2D(*e.A, *e.B, *f.A);
    const int o2 = Orient2D(*e.A, *e.B, *f.B);
    const int o3 = Orient2D(*f.A, *f.B, *e.A);
    const int o4 = Orient2D(*f.A, *f.B, *e.B);
    if (o1 * o2 < 0 && o3 * o4 < 0) return true;
    return (o1 == 0 && WithinBox(*f.A, *e.A, *e.B)) || (o2 == 0 && WithinBox(*f.B, *e.A, *e.B)) ||
           (o3 == 0 && WithinBox(*e.A, *f.A, *f.B)) || (o4 == 0 && WithinBox(*e.B, *f.A, *f.B));
}

// neighbouring edges a->b and b->c run back over each other (c on the ray from b through a)
bool FoldsBack(const cPoint& a, const cPoint& b, const cPoint& c) {
    if (Orient2D(a, b, c) != 0) return false;
    // differences of doubles keep their sign exactly, so the direction test is exact too
    return Sign(a.X - b.X) * Sign(c.X - b.X) > 0 || Sign(a.Y - b.Y) * Sign(c.Y - b.Y) > 0;
}

RingCrossing Crossing(const Edge& e, const Edge& f) {
    const Edge& lo = e.From < f.From ? e : f;
    const Edge& hi = e.From < f.From ? f : e;
    return RingCrossing{lo.From + 1, hi.From + 1, lo.To + 1, hi.To + 1};
}

// A ring's edges without repeated vertices (nor a closing copy of the first).
std::vector<Edge> EdgesOf(const std::vector<cPoint>& ring) {
    std::vector<std::size_t> kept;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        if (!kept.empty() && ring[i].X == ring[kept.back()].X && ring[i].Y == ring[kept.back()].Y) continue;
        kept.push_back(i);
    }
    while (kept.size() > 1 && ring[kept.back()].X == ring[kept.front()].X &&
           ring[kept.back()].Y == ring[kept.front()].Y)
        kept.pop_back();
    const std::size_t n = kept.size();
    std::vector<Edge> edges;
    if (n < 3) return edges;  // no area at all: the zero-area rule speaks for such rings
    edges.reserve(n);
    for (std::size_t k = 0; k < n; ++k) {
        const cPoint& a = ring[kept[k]];
        const cPoint& b = ring[kept[(k + 1) % n]];
        edges.push_back(Edge{&a, &b, kept[k], kept[(k + 1) % n], std::min(a.X, b.X), std::max(a.X, b.X),
                             std::min(a.Y, b.Y), std::max(a.Y, b.Y)});
    }
    return edges;
}

// the first neighbours in ring order that fold back over each other
std::optional<RingCrossing> FindFold(const std::vector<Edge>& edges) {
    const std::size_t n = edges.size();
    for (std::size_t k = 0; k < n; ++k) {
        const Edge& e = edges[k];
        const Edge& f = edges[(k + 1) % n];
        if (FoldsBack(*e.A, *e.B, *f.B)) return Crossing(e, f);
    }
    return std::nullopt;
}

// Pairs of edges that are not neighbours and share a point, found by a sweep along X: every
// pair whose boxes overlap is tried. Of the pairs found, the lowest-numbered is kept; with
// firstStep the sweep ends at the first edge that meets an edge before it.
std::optional<RingCrossing> SweepMeetings(const std::vector<Edge>& edges, bool firstStep) {
    const std::size_t n = edges.size();
    if (n <= 3) return std::nullopt;  // every two edges of a triangle are neighbours
    std::vector<std::size_t> order(n);
    for (std::size_t k = 0; k < n; ++k) order[k] = k;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return edges[a].MinX < edges[b].MinX; });
    std::vector<std::size_t> active;
    std::optional<RingCrossing> found;
    for (const std::size_t k : order) {
        const Edge& e = edges[k];
        std::erase_if(active, [&](std::size_t j) { return edges[j].MaxX < e.MinX; });
        for (const std::size_t j : active) {
            const Edge& f = edges[j];
            if (f.MaxY < e.MinY || e.MaxY < f.MinY) continue;
            const std::size_t gap = k > j ? k - j : j - k;
            if (gap == 1 || gap == n - 1) continue;  // neighbours share their vertex
            if (SegmentsMeet(e, f)) {
                const RingCrossing c = Crossing(e, f);
                if (!found || c.First < found->First || (c.First == found->First && c.Second < found->Second))
                    found = c;
            }
        }
        if (found && firstStep) return found;
        active.push_back(k);
    }
    return found;
}

}  // namespace

std::optional<RingCrossing> FindRingCrossing(const std::vector<cPoint>& ring) {
    const std::vector<Edge> edges = EdgesOf(ring);
    if (std::optional<RingCrossing> fold = FindFold(edges)) return fold;
    return SweepMeetings(edges, true);
}

std::optional<RingCrossing> FindEdgeMeeting(const std::vector<cPoint>& ring) {
    return SweepMeetings(EdgesOf(ring), false);
}

}  // namespace kelvarin
