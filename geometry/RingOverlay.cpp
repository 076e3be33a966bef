#include "geometry/RingOverlay.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

#include "geometry/Predicates.hpp"
#include "geometry/Tolerances.hpp"

namespace kelvarin {
namespace {

// a place in coordinates relative to a local origin (X, Y), with its height and the map
// coordinates it is written back with (mapX, mapY)
struct Place {
    double X, Y, z;
    double mapX, mapY;
};

// the middle of the two rings' joint box: measured from there, the coordinates of rings far
// from the map origin keep their full precision in every product
struct Origin {
    double X = 0.0, Y = 0.0;
};

// the local origin of two rings
Origin LocalOrigin(const PointArray& A, const PointArray& B) {
    double minX = HUGE_VAL, maxX = -HUGE_VAL, minY = HUGE_VAL, maxY = -HUGE_VAL;
    for (const PointArray* ring : {&A, &B}) {
        for (const auto& p : *ring) {
            minX = std::min(minX, p->X);
            maxX = std::max(maxX, p->X);
            minY = std::min(minY, p->Y);
            maxY = std::max(maxY, p->Y);
        }
    }
    if (minX > maxX) return Origin{};
    return Origin{minX + (maxX - minX) / 2.0, minY + (maxY - minY) / 2.0};
}

// a vertex measured from the local origin
Place PlaceOf(const cPoint& p, const Origin& origin) { return Place{p.X - origin.X, p.Y - origin.Y, p.z, p.X, p.Y}; }

// twice the signed area of the triangle o, a, b (positive when counter-clockwise)
double Orient(const Place& o, const Place& a, const Place& b) {
    return (a.X - o.X) * (b.Y - o.Y) - (a.Y - o.Y) * (b.X - o.X);
}

// distance from p to the segment a-b, and the parameter of its nearest point
double SegmentDistance(const Place& p, const Place& a, const Place& b, double& t) {
    const double dx = b.X - a.X, dy = b.Y - a.Y;
    const double length2 = dx * dx + dy * dy;
    t = length2 > 0.0 ? ((p.X - a.X) * dx + (p.Y - a.Y) * dy) / length2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(a.X + t * dx - p.X, a.Y + t * dy - p.Y);
}

// the ring's vertices with repeated neighbours (within tolerance) dropped
std::vector<Place> Places(const PointArray& pts, double tolerance, const Origin& origin) {
    std::vector<Place> ring;
    for (const auto& p : pts) {
        const Place place = PlaceOf(*p, origin);
        if (!ring.empty() && std::hypot(place.X - ring.back().X, place.Y - ring.back().Y) <= tolerance) continue;
        ring.push_back(place);
    }
    while (ring.size() > 1 && std::hypot(ring.front().X - ring.back().X, ring.front().Y - ring.back().Y) <= tolerance)
        ring.pop_back();
    return ring;
}

// even-odd test of a point against a ring; the point is not on the boundary. Whether the
// edge crosses the ray to the right of the point is decided exactly: the point lies left
// of an upward edge (right of a downward one)
bool Inside(const Place& p, const std::vector<Place>& ring) {
    bool inside = false;
    const std::size_t n = ring.size();
    const cPoint P{p.X, p.Y, 0.0};
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        const Place& a = ring[i];
        const Place& b = ring[j];
        if ((a.Y > p.Y) != (b.Y > p.Y)) {
            const int side = Orient2D(cPoint{a.X, a.Y, 0.0}, cPoint{b.X, b.Y, 0.0}, P);
            if (b.Y > a.Y ? side > 0 : side < 0) inside = !inside;
        }
    }
    return inside;
}

// The places where the two boundaries meet become shared nodes; each edge is cut at them.
class Overlay {
  public:
    Overlay(std::vector<Place> a, std::vector<Place> b, double tolerance, const Origin& origin)
        : rings_{std::move(a), std::move(b)},
          tolerance_(tolerance),
          cellSize_(tolerance > 0.0 ? 16.0 * tolerance : 1.0),
          origin_(origin) {}

    // the rings of A ∩ B, counter-clockwise, as lists of nodes
    std::vector<std::vector<Place>> Intersection() {
        BuildNodes();
        CutEdges();
        SelectEdges();
        return Walk();
    }

  private:
    struct Cut {
        double t;
        int node;
    };
    struct Edge {
        int from, to;
    };

    // the grid cell of a coordinate; cells are sixteen tolerances wide
    long long Cell(double v) const { return static_cast<long long>(std::floor(v / cellSize_)); }
    static long long Key(long long cx, long long cy) { return cx * 1000003LL + cy; }

    // the node at a place, merging places closer than the tolerance (looked up in the
    // neighbouring grid cells)
    int NodeAt(const Place& place) {
        const long long cx = Cell(place.X), cy = Cell(place.Y);
        // a neighbouring cell can only hold a match when the place is within the tolerance of its side
        const double fx = place.X / cellSize_ - static_cast<double>(cx);
        const double fy = place.Y / cellSize_ - static_cast<double>(cy);
        const double reach = tolerance_ / cellSize_;
        const long long x0 = fx < reach ? -1 : 0, x1 = fx > 1.0 - reach ? 1 : 0;
        const long long y0 = fy < reach ? -1 : 0, y1 = fy > 1.0 - reach ? 1 : 0;
        for (long long dx = x0; dx <= x1; ++dx) {
            for (long long dy = y0; dy <= y1; ++dy) {
                const auto found = grid_.find(Key(cx + dx, cy + dy));
                if (found == grid_.end()) continue;
                for (const int i : found->second) {
                    const Place& node = nodes_[static_cast<std::size_t>(i)];
                    if (std::hypot(node.X - place.X, node.Y - place.Y) <= tolerance_) return i;
                }
            }
        }
        nodes_.push_back(place);
        const int index = static_cast<int>(nodes_.size()) - 1;
        grid_[Key(cx, cy)].push_back(index);
        return index;
    }

    // one node per vertex, shared by the two rings where their vertices meet
    void BuildNodes() {
        for (int r = 0; r < 2; ++r) {
            vertexNode_[r].clear();
            for (const auto& v : rings_[r]) vertexNode_[r].push_back(NodeAt(v));
            cuts_[r].assign(rings_[r].size(), {});
        }
    }

    // every place where an edge of one ring meets the other ring becomes a cut on both edges
    void CutEdges() {
        CutAtVertices();
        CutAtCrossings();
        SplitAtCuts();
    }

    // a vertex of one ring lying on an edge of the other cuts that edge
    void CutAtVertices() {
        const double e = tolerance_;
        for (int r = 0; r < 2; ++r) {
            const auto& self = rings_[r];
            const auto& other = rings_[1 - r];
            // only the other ring's vertices within this ring's box can lie on its edges
            Box selfBox;
            for (const Place& p : self) selfBox.Add(p);
            selfBox = selfBox.Widened(e);
            std::vector<std::size_t> near;
            Box nearBox;
            for (std::size_t v = 0; v < other.size(); ++v) {
                if (!selfBox.Holds(other[v])) continue;
                near.push_back(v);
                nearBox.Add(other[v]);
            }
            for (std::size_t i = 0; i < self.size() && !near.empty(); ++i) {
                const Box edge = Box::Of(self[i], self[(i + 1) % self.size()]).Widened(e);
                if (!edge.Meets(nearBox)) continue;
                for (const std::size_t v : near) {
                    const Place& o = other[v];
                    if (!edge.Holds(o)) continue;
                    double t = 0.0;
                    if (SegmentDistance(o, self[i], self[(i + 1) % self.size()], t) <= tolerance_)
                        cuts_[r][i].push_back(Cut{t, vertexNode_[1 - r][v]});
                }
            }
        }
    }

    // edges of A and B that cross each other away from their ends are cut at the crossing
    void CutAtCrossings() {
        const auto& a = rings_[0];
        const auto& b = rings_[1];
        const std::size_t n = a.size(), m = b.size();
        // B's edges that reach into A's box, and the box around them
        Box aBox;
        for (const Place& p : a) aBox.Add(p);
        std::vector<std::size_t> nearB;
        Box nearBox;
        for (std::size_t j = 0; j < m; ++j) {
            const Box edge = Box::Of(b[j], b[(j + 1) % m]);
            if (!edge.Meets(aBox)) continue;
            nearB.push_back(j);
            nearBox.Add(edge);
        }
        for (std::size_t i = 0; i < n && !nearB.empty(); ++i) {
            const Place& p1 = a[i];
            const Place& p2 = a[(i + 1) % n];
            const Box edgeA = Box::Of(p1, p2);
            if (!edgeA.Meets(nearBox)) continue;
            for (const std::size_t j : nearB) {
                const Place& p3 = b[j];
                const Place& p4 = b[(j + 1) % m];
                if (!edgeA.Meets(Box::Of(p3, p4))) continue;
                double t = 0.0;
                // an end lying on the other segment was cut above
                if (SegmentDistance(p1, p3, p4, t) <= tolerance_ || SegmentDistance(p2, p3, p4, t) <= tolerance_ ||
                    SegmentDistance(p3, p1, p2, t) <= tolerance_ || SegmentDistance(p4, p1, p2, t) <= tolerance_)
                    continue;
                const double d1 = Orient(p3, p4, p1), d2 = Orient(p3, p4, p2);
                const double d3 = Orient(p1, p2, p3), d4 = Orient(p1, p2, p4);
                if (!(((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0))))
                    continue;
                const double tA = d1 / (d1 - d2);
                const double tB = d3 / (d3 - d4);
                const double x = p1.X + tA * (p2.X - p1.X), y = p1.Y + tA * (p2.Y - p1.Y);
                const int node = NodeAt(Place{x, y, 0.0, x + origin_.X, y + origin_.Y});
                cuts_[0][i].push_back(Cut{tA, node});
                cuts_[1][j].push_back(Cut{tB, node});
            }
        }
    }

    // every edge becomes the stretches between its cuts, in order along it
    void SplitAtCuts() {
        for (int r = 0; r < 2; ++r) {
            const std::size_t size = rings_[r].size();
            for (std::size_t i = 0; i < size; ++i) {
                auto& cuts = cuts_[r][i];
                std::stable_sort(cuts.begin(), cuts.end(), [](const Cut& x, const Cut& y) { return x.t < y.t; });
                int last = vertexNode_[r][i];
                const int end = vertexNode_[r][(i + 1) % size];
                for (const Cut& cut : cuts) {
                    if (cut.node == last || cut.node == end) continue;
                    edges_[r].push_back(Edge{last, cut.node});
                    last = cut.node;
                }
                if (last != end) edges_[r].push_back(Edge{last, end});
            }
        }
    }

    // A's stretches inside B, B's inside A, and stretches both run along in the same direction (once)
    void SelectEdges() {
        std::set<std::pair<int, int>> edgesOf[2];
        std::vector<char> usedBy[2];
        for (int r = 0; r < 2; ++r) {
            usedBy[r].assign(nodes_.size(), 0);
            for (const Edge& e : edges_[r]) {
                edgesOf[r].insert({e.from, e.to});
                usedBy[r][static_cast<std::size_t>(e.from)] = 1;
            }
        }
        for (int r = 0; r < 2; ++r) {
            const auto& other = edgesOf[1 - r];
            // where a ring is inside the other changes only at places both rings pass through,
            // so the test is made once after each such place
            bool known = false, inside = false;
            for (const Edge& e : edges_[r]) {
                const bool same = other.count({e.from, e.to}) > 0;
                const bool opposite = other.count({e.to, e.from}) > 0;
                if (same || opposite) {
                    // a stretch both run along is kept once, from A, when both run the same way
                    if (r == 0 && same) kept_.push_back(e);
                    known = false;
                    continue;
                }
                if (!known || usedBy[1 - r][static_cast<std::size_t>(e.from)]) {
                    inside = Inside(Middle(e), rings_[1 - r]);
                    known = true;
                }
                if (inside) kept_.push_back(e);
            }
        }
    }

    // the middle of an edge
    Place Middle(const Edge& e) const {
        const Place& p = nodes_[static_cast<std::size_t>(e.from)];
        const Place& q = nodes_[static_cast<std::size_t>(e.to)];
        return Place{(p.X + q.X) / 2.0, (p.Y + q.Y) / 2.0, 0.0, 0.0, 0.0};
    }

    // direction angle of an edge
    double Direction(const Edge& e) const {
        const Place& p = nodes_[static_cast<std::size_t>(e.from)];
        const Place& q = nodes_[static_cast<std::size_t>(e.to)];
        return std::atan2(q.Y - p.Y, q.X - p.X);
    }

    // the kept edges joined into rings; at a node with a choice the sharpest left turn is
    // taken, so pieces that touch at one point come out as separate rings
    std::vector<std::vector<Place>> Walk() {
        std::vector<std::vector<std::size_t>> outgoing(nodes_.size());
        for (std::size_t k = 0; k < kept_.size(); ++k) outgoing[static_cast<std::size_t>(kept_[k].from)].push_back(k);
        std::vector<bool> used(kept_.size(), false);
        std::vector<std::vector<Place>> result;
        for (std::size_t s = 0; s < kept_.size(); ++s) {
            if (used[s]) continue;
            std::vector<Place> ring;
            const int start = kept_[s].from;
            std::size_t current = s;
            bool closed = false;
            for (std::size_t step = 0; step < kept_.size(); ++step) {
                used[current] = true;
                ring.push_back(nodes_[static_cast<std::size_t>(kept_[current].from)]);
                const int at = kept_[current].to;
                if (at == start) {
                    closed = true;
                    break;
                }
                const double in = Direction(kept_[current]);
                double bestTurn = -10.0;
                std::size_t best = kept_.size();
                for (std::size_t k : outgoing[static_cast<std::size_t>(at)]) {
                    if (used[k]) continue;
                    double turn = Direction(kept_[k]) - in;
                    while (turn <= -std::numbers::pi) turn += 2.0 * std::numbers::pi;
                    while (turn > std::numbers::pi) turn -= 2.0 * std::numbers::pi;
                    if (turn > bestTurn) {
                        bestTurn = turn;
                        best = k;
                    }
                }
                if (best == kept_.size()) break;
                current = best;
            }
            if (closed && ring.size() >= 3 && TwiceSignedArea(ring) > 0.0) result.push_back(std::move(ring));
        }
        return result;
    }

    std::vector<Place> rings_[2];
    double tolerance_;
    double cellSize_;
    Origin origin_;
    std::unordered_map<long long, std::vector<int>> grid_;
    std::vector<Place> nodes_;
    std::vector<int> vertexNode_[2];
    std::vector<std::vector<Cut>> cuts_[2];
    std::vector<Edge> edges_[2];
    std::vector<Edge> kept_;
};

}  // namespace

// a tiny part of the rings' extent, and never below the rounding of their coordinates
double MeetingTolerance(const PointArray& A, const PointArray& B) {
    double extent = 0.0, magnitude = 0.0;
    for (const PointArray* ring : {&A, &B}) {
        if (ring->Empty()) continue;
        cPoint maxPt, minPt;
        BoundingBox(*ring, maxPt, minPt);
        extent = std::max({extent, maxPt.X - minPt.X, maxPt.Y - minPt.Y});
        magnitude =
            std::max({magnitude, std::fabs(maxPt.X), std::fabs(maxPt.Y), std::fabs(minPt.X), std::fabs(minPt.Y)});
    }
    return std::max(kMeetingTolerance * extent, kCoordinateRounding * magnitude);
}

// true when a vertex of either ring lies on the other ring's boundary (within tolerance)
bool RingsTouch(const PointArray& A, const PointArray& B, double tolerance) {
    const Origin origin = LocalOrigin(A, B);
    for (int r = 0; r < 2; ++r) {
        const PointArray& self = r == 0 ? A : B;
        const PointArray& other = r == 0 ? B : A;
        if (self.Empty() || other.Empty()) continue;
        // only vertices within the other ring's box can touch it
        cPoint maxOther, minOther;
        BoundingBox(other, maxOther, minOther);
        std::vector<const cPoint*> near;
        for (const auto& v : self) {
            if (v->X >= minOther.X - tolerance && v->X <= maxOther.X + tolerance && v->Y >= minOther.Y - tolerance &&
                v->Y <= maxOther.Y + tolerance)
                near.push_back(v.get());
        }
        if (near.empty()) continue;
        const long lo = other.LBound(), n = other.Count();
        for (long j = lo; j <= other.UBound(); ++j) {
            const cPoint& p = *other(j);
            const cPoint& q = *other(lo + ((j - lo + 1) % n));
            const double minX = std::min(p.X, q.X) - tolerance, maxX = std::max(p.X, q.X) + tolerance;
            const double minY = std::min(p.Y, q.Y) - tolerance, maxY = std::max(p.Y, q.Y) + tolerance;
            for (const cPoint* v : near) {
                if (v->X < minX || v->X > maxX || v->Y < minY || v->Y > maxY) continue;
                double t = 0.0;
                if (SegmentDistance(PlaceOf(*v, origin), PlaceOf(p, origin), PlaceOf(q, origin), t) <= tolerance)
                    return true;
            }
        }
    }
    return false;
}

// A ∩ B as pieces 1..count (new open rings running like A); pieces untouched when count is 0
long OverlayClip(PolygonArray& pieces, const PointArray& A, const PointArray& B) {
    const double tolerance = MeetingTolerance(A, B);
    const Origin origin = LocalOrigin(A, B);
    auto a = Places(A, tolerance, origin);
    auto b = Places(B, tolerance, origin);
    if (a.size() < 3 || b.size() < 3) return 0;
    const bool clockwise = TwiceSignedArea(a) < 0.0;
    if (clockwise) std::reverse(a.begin(), a.end());
    if (TwiceSignedArea(b) < 0.0) std::reverse(b.begin(), b.end());

    Overlay overlay(std::move(a), std::move(b), tolerance, origin);
    auto rings = overlay.Intersection();
    if (rings.empty()) return 0;
    pieces.ReDim(1, 0);
    for (auto& ring : rings) {
        if (clockwise) std::reverse(ring.begin(), ring.end());
        auto piece = std::make_shared<cPolygon>();
        for (const auto& p : ring) piece->Add(p.mapX, p.mapY, p.z);
        pieces.Append(piece);
    }
    return pieces.Count();
}

}  // namespace kelvarin
