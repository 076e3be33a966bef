#include "geometry/RingOverlay.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

#include "geometry/Predicates.hpp"
#include "geometry/RingLoops.hpp"
#include "geometry/Tolerances.hpp"

namespace kelvarin {
namespace {

// Every decision below (does an edge cross or touch another, in which order do the meeting
// points follow each other along an edge, on which side of the other ring does a stretch
// run, which way does the boundary turn at a node) is an exact predicate on the rings' own
// vertices. Meeting points are therefore found once, consistently for both rings, and the
// pieces have the topology of the exact intersection. Only the crossing points' coordinates
// are rounded, when the pieces are written out.

// A place where the two boundaries meet, or a vertex of either ring. For each ring: the
// vertex that lies there, or the edge whose inside holds it (-1 for none).
struct Node {
    int vertex[2] = {-1, -1};
    int edge[2] = {-1, -1};
    double X = 0.0, Y = 0.0, z = 0.0;
    bool On(int ring) const { return vertex[ring] >= 0 || edge[ring] >= 0; }
};

// a node inside an edge of one ring: a vertex of the other ring lying on it, or the
// crossing with an edge of the other ring
struct Cut {
    int ring, edge;
    int node;         // as first numbered (a vertex of B shared with A is renumbered later)
    int vertex;       // the other ring's vertex lying on the edge, or -1
    int otherEdge;    // the other ring's edge crossing this edge, or -1
    double t, error;  // where along the edge (0 at its start, 1 at its end), within error
};

// a stretch of one ring's edge between two consecutive nodes on it
struct Stretch {
    int from, to;
    int ring, edge;
};

// an edge's box, for the sweep that finds the edge pairs whose boxes meet
struct EdgeBox {
    double minX, maxX, minY, maxY;
    int edge;
};

// where a stretch of one ring runs with respect to the other ring
enum class Side { Outside, Inside, SameWay, OppositeWay };

// the buffers of one clip, kept between calls: clipping every cell of a scene by the basin
// allocates little beyond the pieces themselves
struct Workspace {
    std::vector<cPoint> ring[2];
    Box box[2];
    std::vector<EdgeBox> boxes[2], scratch;
    std::vector<std::size_t> runStarts;
    std::vector<int> active[2];
    std::vector<Node> nodes;
    std::vector<int> nodeOfB;     // the node of each vertex of B (A's when they share it)
    std::vector<int> edgeUnderA;  // for each vertex of A: the edge of B whose inside holds it
    std::vector<int> edgeUnderB;  // for each vertex of B: the edge of A whose inside holds it
    std::vector<Cut> cuts;
    std::vector<Stretch> stretches;
    std::vector<Side> sides;
    std::vector<Stretch> kept;
    std::vector<int> firstOut, fill, outgoing;
    std::vector<char> used;
    std::vector<int> cycleNodes, cycleStart;
    bool walksClosed = true;
};

// the ring's vertices without repeated neighbours
void LoadRing(const PointArray& pts, std::vector<cPoint>& ring) {
    ring.clear();
    for (const auto& p : pts) {
        if (!ring.empty() && ring.back().X == p->X && ring.back().Y == p->Y) continue;
        ring.push_back(*p);
    }
    while (ring.size() > 1 && ring.front().X == ring.back().X && ring.front().Y == ring.back().Y) ring.pop_back();
}

// even-odd test of a point that is not on the ring's boundary; whether an edge crosses the
// ray to the right of the point is decided exactly: the point lies left of an upward edge
// (right of a downward one)
bool Inside(const cPoint& p, const std::vector<cPoint>& ring) {
    bool inside = false;
    const std::size_t n = ring.size();
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        const cPoint& a = ring[i];
        const cPoint& b = ring[j];
        if ((a.Y > p.Y) != (b.Y > p.Y)) {
            const int side = Orient2D(a, b, p);
            if (b.Y > a.Y ? side > 0 : side < 0) inside = !inside;
        }
    }
    return inside;
}

// for parallel directions a->b and c->d: whether they point the same way (their components'
// signs, compared exactly)
bool SameWay(const cPoint& a, const cPoint& b, const cPoint& c, const cPoint& d) {
    return (b.X > a.X) == (d.X > c.X) && (b.X < a.X) == (d.X < c.X) && (b.Y > a.Y) == (d.Y > c.Y) &&
           (b.Y < a.Y) == (d.Y < c.Y);
}

// The intersection of two counter-clockwise rings without repeated neighbours. Both
// boundaries are cut at every node where they meet; each stretch between nodes is kept
// when it runs inside the other ring (or along it, the same way, once); the kept stretches
// are joined into rings.
class Overlay {
  public:
    explicit Overlay(Workspace& w) : w_(w), n_(w.ring[0].size()), m_(w.ring[1].size()) {}

    // the pieces, counter-clockwise, as lists of node numbers in w.cycleNodes, piece k
    // running from w.cycleStart[k] to w.cycleStart[k + 1]
    void Run() {
        w_.nodes.assign(n_ + m_, Node{});
        w_.nodeOfB.resize(m_);
        for (std::size_t j = 0; j < m_; ++j) w_.nodeOfB[j] = static_cast<int>(n_ + j);
        w_.edgeUnderA.assign(n_, -1);
        w_.edgeUnderB.assign(m_, -1);
        w_.cuts.clear();
        Sweep();
        NumberNodes();
        std::sort(w_.cuts.begin(), w_.cuts.end(), [this](const Cut& x, const Cut& y) { return Before(x, y); });
        w_.kept.clear();
        for (int r = 0; r < 2; ++r) {
            Split(r);
            Select(r);
        }
        Walk();
    }

  private:
    std::size_t Size(int r) const { return r == 0 ? n_ : m_; }
    // vertex k of ring r for k from -1 to the ring's size, counted round the ring
    const cPoint& V(int r, long k) const {
        const auto size = static_cast<long>(Size(r));
        if (k < 0) k += size;
        if (k >= size) k -= size;
        return w_.ring[r][static_cast<std::size_t>(k)];
    }
    int NodeOfVertex(int r, std::size_t k) const {
        k %= Size(r);
        return r == 0 ? static_cast<int>(k) : w_.nodeOfB[k];
    }
    int Resolve(int node) const {
        const auto id = static_cast<std::size_t>(node);
        return id >= n_ && id < n_ + m_ ? w_.nodeOfB[id - n_] : node;
    }

    // The edges of ring r whose boxes meet the other ring's box, by their smallest X. Along
    // a run of edges that all move the same way in X, the smallest X already rises (or, run
    // backwards, falls), so the runs are merged rather than the edges sorted.
    void Boxes(int r, const Box& other) {
        auto& boxes = w_.boxes[r];
        auto& starts = w_.runStarts;
        boxes.clear();
        starts.clear();
        const auto size = static_cast<long>(Size(r));
        int runWay = 0;  // -1 falling, +1 rising, 0 not yet known
        bool open = false;
        const auto close = [&]() {
            if (open && runWay < 0) std::reverse(boxes.begin() + static_cast<long>(starts.back()), boxes.end());
            open = false;
        };
        for (long e = 0; e < size; ++e) {
            const cPoint& p = V(r, e);
            const cPoint& q = V(r, e + 1);
            const Box b = Box::Of(p, q);
            if (!b.Meets(other)) {
                close();
                continue;
            }
            const int way = (q.X > p.X) - (q.X < p.X);
            if (open && way != 0 && runWay != 0 && way != runWay) close();
            if (!open) {
                starts.push_back(boxes.size());
                open = true;
                runWay = 0;
            }
            if (runWay == 0) runWay = way;
            boxes.push_back(EdgeBox{b.minX, b.maxX, b.minY, b.maxY, static_cast<int>(e)});
        }
        close();
        starts.push_back(boxes.size());
        // merge neighbouring runs pairwise until one is left
        const auto byX = [](const EdgeBox& x, const EdgeBox& y) { return x.minX < y.minX; };
        auto& merged = w_.scratch;
        while (starts.size() > 2) {
            merged.resize(boxes.size());
            std::size_t kept = 1;
            for (std::size_t j = 0; j + 1 < starts.size(); j += 2) {
                const std::size_t lo = starts[j], mid = starts[j + 1];
                const std::size_t hi = j + 2 < starts.size() ? starts[j + 2] : mid;
                std::merge(boxes.begin() + static_cast<long>(lo), boxes.begin() + static_cast<long>(mid),
                           boxes.begin() + static_cast<long>(mid), boxes.begin() + static_cast<long>(hi),
                           merged.begin() + static_cast<long>(lo), byX);
                starts[kept++] = hi;
            }
            starts.resize(kept);
            boxes.swap(merged);
        }
    }

    // Every pair of an edge of A and an edge of B whose boxes meet, found by a sweep along X:
    // the edges are taken by their smallest X, and each is tried against the other ring's
    // edges still open there (those reaching that far in X) whose Y ranges meet its own.
    void Sweep() {
        Boxes(0, w_.box[1]);
        Boxes(1, w_.box[0]);
        const auto& a = w_.boxes[0];
        const auto& b = w_.boxes[1];
        w_.active[0].clear();
        w_.active[1].clear();
        std::size_t ia = 0, ib = 0;
        while (ia < a.size() || ib < b.size()) {
            const int r = ib == b.size() || (ia < a.size() && a[ia].minX <= b[ib].minX) ? 0 : 1;
            const EdgeBox& box = r == 0 ? a[ia] : b[ib];
            const auto& others = w_.boxes[1 - r];
            auto& open = w_.active[1 - r];
            std::size_t kept = 0;
            for (const int k : open) {
                const EdgeBox& other = others[static_cast<std::size_t>(k)];
                if (other.maxX < box.minX) continue;  // closed before this edge begins
                open[kept++] = k;
                if (other.maxY < box.minY || box.maxY < other.minY) continue;
                if (r == 0)
                    TryPair(box.edge, other.edge);
                else
                    TryPair(other.edge, box.edge);
            }
            open.resize(kept);
            w_.active[r].push_back(static_cast<int>(r == 0 ? ia++ : ib++));
        }
    }

    // The meeting of A's edge i (p->q) with B's edge j (c->d). Segments meet where they cross
    // or where an end of one lies on the other; each end is looked at only as the start of its
    // own edge (the end of an edge starts the next one, whose box meets the same edges), and
    // ends shared by both rings make one node.
    void TryPair(int i, int j) {
        const cPoint& p = V(0, i);
        const cPoint& q = V(0, i + 1);
        const cPoint& c = V(1, j);
        const cPoint& d = V(1, j + 1);
        const int sideC = Orient2D(p, q, c), sideD = Orient2D(p, q, d);
        if (sideC == sideD && sideC != 0) return;
        const int sideP = Orient2D(c, d, p), sideQ = Orient2D(c, d, q);
        if (sideP == sideQ && sideP != 0) return;
        if (sideC * sideD < 0 && sideP * sideQ < 0) {
            AddCrossing(i, j);
            return;
        }
        if (sideC == 0 && WithinSegment(c, p, q)) {
            if (SamePlace(c, p)) {
                w_.nodeOfB[static_cast<std::size_t>(j)] = i;
            } else if (!SamePlace(c, q)) {
                AddVertexCut(0, i, static_cast<int>(n_) + j, j);
                w_.edgeUnderB[static_cast<std::size_t>(j)] = i;
            }
        }
        if (sideP == 0 && !SamePlace(p, c) && !SamePlace(p, d) && WithinSegment(p, c, d)) {
            AddVertexCut(1, j, i, i);
            w_.edgeUnderA[static_cast<std::size_t>(i)] = j;
        }
    }

    // the other ring's vertex `vertex` (node `node`) lying inside edge e of ring r
    void AddVertexCut(int r, int e, int node, int vertex) {
        const cPoint& p = V(r, e);
        const cPoint& q = V(r, e + 1);
        const cPoint& v = V(1 - r, vertex);
        // along the axis in which the edge moves more; the quotient of two rounded
        // differences is off by at most a few units of its last bit
        const double t =
            std::fabs(q.X - p.X) >= std::fabs(q.Y - p.Y) ? (v.X - p.X) / (q.X - p.X) : (v.Y - p.Y) / (q.Y - p.Y);
        w_.cuts.push_back(Cut{r, e, node, vertex, -1, t, 8.0 * kUnitRoundoff});
    }

    // a new node where A's edge i crosses B's edge j
    void AddCrossing(int i, int j) {
        const cPoint& p = V(0, i);
        const cPoint& q = V(0, i + 1);
        const cPoint& c = V(1, j);
        const cPoint& d = V(1, j + 1);
        const SegmentCrossing onA = CrossingParameter(p, q, c, d);
        const SegmentCrossing onB = CrossingParameter(c, d, p, q);
        Node node;
        node.edge[0] = i;
        node.edge[1] = j;
        // The rounded point, measured along the shorter edge (its parameter's error moves the
        // point by that part of the edge's length: along a cell edge reaching far beyond the
        // basin it would be far more than the coordinates' rounding), and kept within both
        // edges' boxes, where the exact one lies.
        const bool alongA = std::max(std::fabs(q.X - p.X), std::fabs(q.Y - p.Y)) <=
                            std::max(std::fabs(d.X - c.X), std::fabs(d.Y - c.Y));
        const cPoint& s0 = alongA ? p : c;
        const cPoint& s1 = alongA ? q : d;
        const double t = alongA ? onA.t : onB.t;
        node.X = std::clamp(s0.X + t * (s1.X - s0.X), std::max(std::min(p.X, q.X), std::min(c.X, d.X)),
                            std::min(std::max(p.X, q.X), std::max(c.X, d.X)));
        node.Y = std::clamp(s0.Y + t * (s1.Y - s0.Y), std::max(std::min(p.Y, q.Y), std::min(c.Y, d.Y)),
                            std::min(std::max(p.Y, q.Y), std::max(c.Y, d.Y)));
        const auto id = static_cast<int>(w_.nodes.size());
        w_.nodes.push_back(node);
        w_.cuts.push_back(Cut{0, i, id, -1, j, onA.t, onA.error});
        w_.cuts.push_back(Cut{1, j, id, -1, i, onB.t, onB.error});
    }

    // what each vertex node is on: its rings' vertices and the edges it lies inside
    void NumberNodes() {
        for (std::size_t i = 0; i < n_; ++i) {
            Node& node = w_.nodes[i];
            const cPoint& p = w_.ring[0][i];
            node.vertex[0] = static_cast<int>(i);
            node.edge[1] = w_.edgeUnderA[i];
            node.X = p.X, node.Y = p.Y, node.z = p.z;
        }
        for (std::size_t j = 0; j < m_; ++j) {
            const auto id = static_cast<std::size_t>(w_.nodeOfB[j]);
            Node& node = w_.nodes[id];
            node.vertex[1] = static_cast<int>(j);
            if (w_.edgeUnderB[j] >= 0) node.edge[0] = w_.edgeUnderB[j];
            if (id == n_ + j) {
                const cPoint& p = w_.ring[1][j];
                node.X = p.X, node.Y = p.Y, node.z = p.z;
            }
        }
    }

    // cuts by ring, edge and place along the edge; places closer than their error bounds are
    // compared exactly
    bool Before(const Cut& x, const Cut& y) const {
        if (x.ring != y.ring) return x.ring < y.ring;
        if (x.edge != y.edge) return x.edge < y.edge;
        if (x.t + x.error < y.t - y.error) return true;
        if (y.t + y.error < x.t - x.error) return false;
        return ComparePlaces(x, y) < 0;
    }

    // -1 when cut x comes first along its edge, +1 when y does, 0 at the same place
    int ComparePlaces(const Cut& x, const Cut& y) const {
        const int r = x.ring, o = 1 - r;
        const cPoint& p = V(r, x.edge);
        const cPoint& q = V(r, x.edge + 1);
        if (x.vertex >= 0 && y.vertex >= 0) {
            // both lie on the edge: their order is that of one coordinate the edge changes
            const cPoint& a = V(o, x.vertex);
            const cPoint& b = V(o, y.vertex);
            const bool byX = q.X != p.X;
            const double from = byX ? a.X : a.Y, to = byX ? b.X : b.Y;
            const bool rising = byX ? q.X > p.X : q.Y > p.Y;
            if (from == to) return 0;
            return (from < to) == rising ? -1 : 1;
        }
        if (x.otherEdge >= 0 && y.otherEdge >= 0) {
            return CompareCrossings(p, q, V(o, x.otherEdge), V(o, x.otherEdge + 1), V(o, y.otherEdge),
                                    V(o, y.otherEdge + 1));
        }
        // a crossing with the line c-d against a vertex v on the edge: beyond the crossing the
        // edge lies on q's side of the line
        const bool crossingFirst = x.otherEdge >= 0;
        const Cut& crossing = crossingFirst ? x : y;
        const cPoint& v = V(o, crossingFirst ? y.vertex : x.vertex);
        const cPoint& c = V(o, crossing.otherEdge);
        const cPoint& d = V(o, crossing.otherEdge + 1);
        const int sideV = Orient2D(c, d, v);
        if (sideV == 0) return 0;
        const int order = sideV == Orient2D(c, d, q) ? -1 : 1;  // the crossing's place against v
        return crossingFirst ? order : -order;
    }

    // ring r's edges as stretches between consecutive nodes, in the ring's order
    void Split(int r) {
        w_.stretches.clear();
        auto cut =
            std::lower_bound(w_.cuts.begin(), w_.cuts.end(), r, [](const Cut& c, int ring) { return c.ring < ring; });
        const std::size_t size = Size(r);
        for (std::size_t e = 0; e < size; ++e) {
            int last = NodeOfVertex(r, e);
            const int end = NodeOfVertex(r, e + 1);
            for (; cut != w_.cuts.end() && cut->ring == r && cut->edge == static_cast<int>(e); ++cut) {
                const int node = Resolve(cut->node);
                if (node == last || node == end) continue;
                w_.stretches.push_back(Stretch{last, node, r, static_cast<int>(e)});
                last = node;
            }
            if (last != end) w_.stretches.push_back(Stretch{last, end, r, static_cast<int>(e)});
        }
    }

    // Which side of the other ring the stretch of ring r's edge e leaving `node` runs on. At a
    // node the other ring runs in along w (pointing back where it came from) and out along u;
    // its inside is the angle from u counter-clockwise to w.
    Side Classify(int r, int e, const Node& node) const {
        const int o = 1 - r;
        const cPoint& d0 = V(r, e);
        const cPoint& d1 = V(r, e + 1);
        const bool atVertex = node.vertex[o] >= 0;
        const int k = atVertex ? node.vertex[o] : node.edge[o];
        const cPoint& u0 = V(o, k);
        const cPoint& u1 = V(o, k + 1);
        const cPoint& w0 = atVertex ? V(o, k) : u1;
        const cPoint& w1 = atVertex ? V(o, k - 1) : u0;
        const int uTurn = CrossSign(u0, u1, d0, d1);  // u x d
        if (uTurn == 0 && SameWay(u0, u1, d0, d1)) return Side::SameWay;
        const int wTurn = CrossSign(d0, d1, w0, w1);  // d x w
        if (wTurn == 0 && SameWay(w0, w1, d0, d1)) return Side::OppositeWay;
        bool inside = uTurn > 0;
        if (atVertex) {
            const int corner = CrossSign(u0, u1, w0, w1);
            if (corner > 0) {
                inside = uTurn > 0 && wTurn > 0;  // a convex corner
            } else if (corner < 0) {
                inside = uTurn > 0 || wTurn > 0;  // a reflex corner
            } else if (SameWay(u0, u1, w0, w1)) {
                inside = false;  // the other ring doubles back here: nothing of it lies around
            }
        }
        return inside ? Side::Inside : Side::Outside;
    }

    // Keeps ring r's stretches inside the other ring, and (from A only) those both rings run
    // along the same way. Which side a stretch is on changes only at nodes on the other ring,
    // so the side is found there and carried over the ring's own vertices.
    void Select(int r) {
        const int o = 1 - r;
        const auto& stretches = w_.stretches;
        const std::size_t count = stretches.size();
        if (count == 0) return;
        auto& sides = w_.sides;
        sides.assign(count, Side::Outside);
        std::size_t start = count;
        for (std::size_t k = 0; k < count && start == count; ++k)
            if (w_.nodes[static_cast<std::size_t>(stretches[k].from)].On(o)) start = k;
        if (start == count) {
            // the boundaries never meet: the ring lies wholly inside or outside the other
            if (Inside(V(r, 0), w_.ring[o])) sides.assign(count, Side::Inside);
        } else {
            Side side = Side::Outside;
            for (std::size_t step = 0; step < count; ++step) {
                const std::size_t k = (start + step) % count;
                const Node& node = w_.nodes[static_cast<std::size_t>(stretches[k].from)];
                if (node.On(o)) side = Classify(r, stretches[k].edge, node);
                sides[k] = side;
            }
        }
        for (std::size_t k = 0; k < count; ++k) {
            if (sides[k] == Side::Inside || (r == 0 && sides[k] == Side::SameWay)) w_.kept.push_back(stretches[k]);
        }
    }

    // how far a boundary arriving along a0->a1 turns to leave along d0->d1: 0 right, 1 straight
    // on, 2 left, 3 straight back
    static int TurnClass(const cPoint& a0, const cPoint& a1, const cPoint& d0, const cPoint& d1) {
        const int turn = CrossSign(a0, a1, d0, d1);
        if (turn != 0) return turn > 0 ? 2 : 0;
        return SameWay(a0, a1, d0, d1) ? 1 : 3;
    }

    // The kept stretch that follows stretch k: the one leaving its end node with the
    // sharpest left turn, so that pieces meeting at one point come out as separate rings.
    // -1 when none leaves there.
    int Next(int k) const {
        const Stretch& in = w_.kept[static_cast<std::size_t>(k)];
        const auto at = static_cast<std::size_t>(in.to);
        const int first = w_.firstOut[at], last = w_.firstOut[at + 1];
        if (first == last) return -1;
        int best = w_.outgoing[static_cast<std::size_t>(first)];
        if (last - first == 1) return best;
        const cPoint& a0 = V(in.ring, in.edge);
        const cPoint& a1 = V(in.ring, in.edge + 1);
        const Stretch* b = &w_.kept[static_cast<std::size_t>(best)];
        int bestClass = TurnClass(a0, a1, V(b->ring, b->edge), V(b->ring, b->edge + 1));
        for (int i = first + 1; i < last; ++i) {
            const int candidate = w_.outgoing[static_cast<std::size_t>(i)];
            const Stretch& s = w_.kept[static_cast<std::size_t>(candidate)];
            const cPoint& d0 = V(s.ring, s.edge);
            const cPoint& d1 = V(s.ring, s.edge + 1);
            const int cls = TurnClass(a0, a1, d0, d1);
            // within one side, the direction further counter-clockwise turns more to the left
            const bool sharper =
                cls > bestClass || (cls == bestClass && (cls == 0 || cls == 2) &&
                                    CrossSign(V(b->ring, b->edge), V(b->ring, b->edge + 1), d0, d1) > 0);
            if (!sharper) continue;
            best = candidate;
            bestClass = cls;
            b = &s;
        }
        return best;
    }

    // the kept stretches joined into closed rings of nodes
    void Walk() {
        const auto& kept = w_.kept;
        const std::size_t nodes = w_.nodes.size();
        w_.firstOut.assign(nodes + 1, 0);
        for (const Stretch& s : kept) w_.firstOut[static_cast<std::size_t>(s.from) + 1] += 1;
        for (std::size_t i = 0; i < nodes; ++i) w_.firstOut[i + 1] += w_.firstOut[i];
        w_.outgoing.resize(kept.size());
        w_.fill.assign(w_.firstOut.begin(), w_.firstOut.end() - 1);
        for (std::size_t k = 0; k < kept.size(); ++k)
            w_.outgoing[static_cast<std::size_t>(w_.fill[static_cast<std::size_t>(kept[k].from)]++)] =
                static_cast<int>(k);
        w_.used.assign(kept.size(), 0);
        w_.walksClosed = true;
        w_.cycleNodes.clear();
        w_.cycleStart.assign(1, 0);
        for (std::size_t s = 0; s < kept.size(); ++s) {
            if (w_.used[s]) continue;
            const std::size_t begin = w_.cycleNodes.size();
            auto k = static_cast<int>(s);
            bool closed = false;
            while (true) {
                w_.used[static_cast<std::size_t>(k)] = 1;
                w_.cycleNodes.push_back(kept[static_cast<std::size_t>(k)].from);
                const int next = Next(k);
                if (next == static_cast<int>(s)) {
                    closed = true;
                    break;
                }
                if (next < 0 || w_.used[static_cast<std::size_t>(next)]) break;
                k = next;
            }
            if (closed) {
                w_.cycleStart.push_back(static_cast<int>(w_.cycleNodes.size()));
            } else {
                w_.cycleNodes.resize(begin);  // only a ring that crosses itself leaves a walk open
                w_.walksClosed = false;
            }
        }
    }

    Workspace& w_;
    std::size_t n_, m_;
};

// twice the signed area of a ring of nodes
double TwiceArea(const std::vector<Node>& nodes, const int* ring, std::size_t size) {
    double sum = 0.0;
    const Node& o = nodes[static_cast<std::size_t>(ring[0])];
    for (std::size_t i = 1; i + 1 < size; ++i) {
        const Node& a = nodes[static_cast<std::size_t>(ring[i])];
        const Node& b = nodes[static_cast<std::size_t>(ring[i + 1])];
        sum += (a.X - o.X) * (b.Y - o.Y) - (b.X - o.X) * (a.Y - o.Y);
    }
    return sum;
}

// The rings of nodes as pieces. The intersection of two simple rings has no holes; a ring
// that runs clockwise comes from a ring that touches itself, and bounds a hole touching a
// piece's boundary at a node: it is spliced into that piece there, so the area stays right.
std::vector<std::vector<int>> Pieces(const Workspace& w, bool& consistent) {
    consistent = w.walksClosed;
    std::vector<std::vector<int>> outer, holes;
    for (std::size_t k = 0; k + 1 < w.cycleStart.size(); ++k) {
        const int* ring = w.cycleNodes.data() + w.cycleStart[k];
        const auto size = static_cast<std::size_t>(w.cycleStart[k + 1] - w.cycleStart[k]);
        if (size < 3) continue;
        const double area = TwiceArea(w.nodes, ring, size);
        if (area == 0.0) continue;
        (area > 0.0 ? outer : holes).emplace_back(ring, ring + size);
    }
    for (const auto& hole : holes) {
        bool spliced = false;
        for (auto& ring : outer) {
            for (std::size_t i = 0; i < ring.size() && !spliced; ++i) {
                const auto at = std::find(hole.begin(), hole.end(), ring[i]);
                if (at == hole.end()) continue;
                // ..., node, hole after node ..., hole before node, node, ...
                std::vector<int> loop(at, hole.end());
                loop.insert(loop.end(), hole.begin(), at);
                loop.push_back(ring[i]);
                ring.insert(ring.begin() + static_cast<long>(i) + 1, loop.begin() + 1, loop.end());
                spliced = true;
            }
            if (spliced) break;
        }
        consistent = consistent && spliced;
    }
    return outer;
}

// the meeting tolerance of rings in these boxes: from the part of the plane both boxes cover,
// where every piece lies; none when they do not meet
double MeetingTolerance(const Box& a, const Box& b) {
    const Box common{std::max(a.minX, b.minX), std::min(a.maxX, b.maxX), std::max(a.minY, b.minY),
                     std::min(a.maxY, b.maxY)};
    if (common.minX > common.maxX || common.minY > common.maxY) return 0.0;
    const double extent = std::max(common.Width(), common.Height());
    const double magnitude =
        std::max({std::fabs(common.minX), std::fabs(common.maxX), std::fabs(common.minY), std::fabs(common.maxY)});
    return std::max(kMeetingTolerance * extent, kCoordinateRounding * magnitude);
}

// A piece narrower than the meeting tolerance on average (its area below the tolerance times
// half its perimeter): two boundaries that run along each other a rounding error apart, with
// nothing between them worth a piece.
bool Sliver(const std::vector<const Node*>& corners, double tolerance) {
    double twiceArea = 0.0, perimeter = 0.0;
    const Node& o = *corners.front();
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const Node& a = *corners[i];
        const Node& b = *corners[(i + 1) % corners.size()];
        twiceArea += (a.X - o.X) * (b.Y - o.Y) - (b.X - o.X) * (a.Y - o.Y);
        perimeter += std::hypot(b.X - a.X, b.Y - a.Y);
    }
    return std::fabs(twiceArea) <= tolerance * perimeter;
}

}  // namespace

// a tiny part of the extent both rings' boxes cover, and never below the rounding of the
// coordinates there
double MeetingTolerance(const PointArray& A, const PointArray& B) {
    Box boxes[2];
    for (const auto& p : A) boxes[0].Add(*p);
    for (const auto& p : B) boxes[1].Add(*p);
    return MeetingTolerance(boxes[0], boxes[1]);
}

namespace {

// Overlays the counter-clockwise rings in w.ring[0] and w.ring[1] (no repeated neighbours)
// and appends the pieces, counter-clockwise. False when the walk found the rings not simple
// (a ring that crosses itself); the pieces appended then are not to be trusted.
bool Intersect(Workspace& w, std::vector<std::vector<cPoint>>& out) {
    for (int r = 0; r < 2; ++r) {
        w.box[r] = Box{};
        for (const cPoint& p : w.ring[r]) w.box[r].Add(p);
    }
    if (w.ring[0].size() < 3 || w.ring[1].size() < 3 || !w.box[0].Meets(w.box[1])) return true;
    Overlay(w).Run();
    bool consistent = true;
    const auto rings = Pieces(w, consistent);
    // Nodes closer than the meeting tolerance are written as one corner: the exact
    // intersection may have crossings that close (edges meeting at a hair's angle, vertices an
    // ulp apart in the two rings), but no such edge is worth its place in a piece. A ring's
    // own vertex is kept over a rounded crossing.
    const double tolerance = MeetingTolerance(w.box[0], w.box[1]);
    const auto near = [tolerance](const Node* p, const Node* q) {
        return std::fabs(p->X - q->X) <= tolerance && std::fabs(p->Y - q->Y) <= tolerance &&
               std::hypot(p->X - q->X, p->Y - q->Y) <= tolerance;
    };
    const auto crossing = [](const Node* p) { return p->vertex[0] < 0 && p->vertex[1] < 0; };
    std::vector<const Node*> corners;
    for (const auto& ring : rings) {
        corners.clear();
        for (const int id : ring) {
            const Node* node = &w.nodes[static_cast<std::size_t>(id)];
            if (corners.empty() || !near(corners.back(), node)) {
                corners.push_back(node);
            } else if (crossing(corners.back()) && !crossing(node)) {
                corners.back() = node;
            }
        }
        while (corners.size() > 1 && near(corners.front(), corners.back())) {
            if (crossing(corners.front()) && !crossing(corners.back())) corners.front() = corners.back();
            corners.pop_back();
        }
        if (corners.size() < 3 || Sliver(corners, tolerance)) continue;
        auto& piece = out.emplace_back();
        for (const Node* node : corners) piece.push_back(cPoint{node->X, node->Y, node->z});
    }
    return consistent;
}

}  // namespace

// A ∩ B as pieces 1..count (new open rings running like A); pieces untouched when count is 0
long OverlayClip(PolygonArray& pieces, const PointArray& A, const PointArray& B) {
    thread_local Workspace w;
    LoadRing(A, w.ring[0]);
    LoadRing(B, w.ring[1]);
    const int turnA = RingOrientation(w.ring[0]);
    const int turnB = RingOrientation(w.ring[1]);
    if (turnA == 0 || turnB == 0) return 0;
    if (turnA < 0) std::reverse(w.ring[0].begin(), w.ring[0].end());
    if (turnB < 0) std::reverse(w.ring[1].begin(), w.ring[1].end());

    std::vector<std::vector<cPoint>> out;
    if (!Intersect(w, out)) {
        // A ring crosses or touches itself (a polygon whose repair left a loop a hair wide):
        // each ring is taken as the simple rings it is made of, and every pair is overlaid.
        out.clear();
        const auto loopsA = SimpleLoops(w.ring[0]);
        const auto loopsB = SimpleLoops(w.ring[1]);
        for (const auto& a : loopsA) {
            for (const auto& b : loopsB) {
                w.ring[0] = a;
                w.ring[1] = b;
                Intersect(w, out);
            }
        }
    }
    long count = 0;
    for (auto& ring : out) {
        if (turnA < 0) std::reverse(ring.begin(), ring.end());
        auto piece = std::make_shared<cPolygon>();
        for (const cPoint& p : ring) piece->Add(p.X, p.Y, p.z);
        if (count == 0) pieces.ReDim(1, 0);
        pieces.Append(piece);
        ++count;
    }
    return count;
}

}  // namespace kelvarin