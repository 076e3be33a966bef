#include "geometry/SimpleRing.hpp"

#include <algorithm>
#include <utility>

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

// the closed segments share at least one point
bool SegmentsMeet(const Edge& e, const Edge& f) {
    const int o1 = Orient2D(*e.A, *e.B, *f.A);
    const int o2 = Orient2D(*e.A, *e.B, *f.B);
    const int o3 = Orient2D(*f.A, *f.B, *e.A);
    const int o4 = Orient2D(*f.A, *f.B, *e.B);
    if (o1 * o2 < 0 && o3 * o4 < 0) return true;
    return (o1 == 0 && WithinSegment(*f.A, *e.A, *e.B)) || (o2 == 0 && WithinSegment(*f.B, *e.A, *e.B)) ||
           (o3 == 0 && WithinSegment(*e.A, *f.A, *f.B)) || (o4 == 0 && WithinSegment(*e.B, *f.A, *f.B));
}

// neighbouring edges a->b and b->c run back over each other (c on the ray from b through a)
bool FoldsBack(const cPoint& a, const cPoint& b, const cPoint& c) {
    if (Orient2D(a, b, c) != 0) return false;
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

// the segments cross at a point inside both, or run along each other for a stretch
bool SegmentsCross(const Edge& e, const Edge& f) {
    const int o1 = Orient2D(*e.A, *e.B, *f.A);
    const int o2 = Orient2D(*e.A, *e.B, *f.B);
    const int o3 = Orient2D(*f.A, *f.B, *e.A);
    const int o4 = Orient2D(*f.A, *f.B, *e.B);
    if (o1 * o2 < 0 && o3 * o4 < 0) return true;
    if (o1 != 0 || o2 != 0) return false;
    // on one line: the stretch both cover, along the axis the edges run furthest on
    const bool alongX = e.MaxX - e.MinX >= e.MaxY - e.MinY;
    const double lo = alongX ? std::max(e.MinX, f.MinX) : std::max(e.MinY, f.MinY);
    const double hi = alongX ? std::min(e.MaxX, f.MaxX) : std::min(e.MaxY, f.MaxY);
    return lo < hi;
}

}  // namespace

std::optional<RingCrossing> FindRingsCrossing(const std::vector<cPoint>& a, const std::vector<cPoint>& b) {
    const std::vector<Edge> edges[2] = {EdgesOf(a), EdgesOf(b)};
    std::vector<std::pair<int, std::size_t>> order;  // (ring, edge)
    for (int r = 0; r < 2; ++r)
        for (std::size_t k = 0; k < edges[r].size(); ++k) order.emplace_back(r, k);
    const auto edge = [&](const std::pair<int, std::size_t>& id) -> const Edge& { return edges[id.first][id.second]; };
    std::sort(order.begin(), order.end(), [&](const auto& x, const auto& y) { return edge(x).MinX < edge(y).MinX; });
    std::vector<std::size_t> active[2];
    std::optional<RingCrossing> found;
    for (const auto& id : order) {
        const Edge& e = edge(id);
        const int other = 1 - id.first;
        for (int r = 0; r < 2; ++r) std::erase_if(active[r], [&](std::size_t j) { return edges[r][j].MaxX < e.MinX; });
        for (const std::size_t j : active[other]) {
            const Edge& f = edges[other][j];
            if (f.MaxY < e.MinY || e.MaxY < f.MinY || !SegmentsCross(e, f)) continue;
            const Edge& ofA = id.first == 0 ? e : f;
            const Edge& ofB = id.first == 0 ? f : e;
            const RingCrossing c{ofA.From + 1, ofB.From + 1, ofA.To + 1, ofB.To + 1};
            if (!found || c.First < found->First || (c.First == found->First && c.Second < found->Second)) found = c;
        }
        active[id.first].push_back(id.second);
    }
    return found;
}

std::optional<RingCrossing> FindRingCrossing(const std::vector<cPoint>& ring) {
    const std::vector<Edge> edges = EdgesOf(ring);
    if (std::optional<RingCrossing> fold = FindFold(edges)) return fold;
    return SweepMeetings(edges, true);
}

std::optional<RingCrossing> FindEdgeMeeting(const std::vector<cPoint>& ring) {
    return SweepMeetings(EdgesOf(ring), false);
}

}  // namespace kelvarin
