// Selections' weights from one construction of the base: the cells of the gauges a
// selection lacks are shared out among the selected gauges next to them.

#include "engine/IncrementalConstruction.hpp"

#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>

#include "geometry/Predicates.hpp"
#include "geometry/modGISTools.hpp"
#include "network/TriangleNetwork.hpp"

namespace kelvarin {
namespace {

double SquaredDistance(const cPoint& a, const cPoint& b) {
    const double dx = a.X - b.X, dy = a.Y - b.Y;
    return dx * dx + dy * dy;
}

// where the edge p->q crosses the perpendicular bisector of a and b (p nearer to a, q to b)
cPoint BisectorCrossing(const cPoint& p, const cPoint& q, const cPoint& a, const cPoint& b) {
    const double dx = a.X - b.X, dy = a.Y - b.Y;
    const double mx = (a.X + b.X) / 2, my = (a.Y + b.Y) / 2;
    const double fp = (p.X - mx) * dx + (p.Y - my) * dy;
    const double fq = (q.X - mx) * dx + (q.Y - my) * dy;
    double t = fp - fq != 0.0 ? fp / (fp - fq) : 0.5;
    t = std::clamp(t, 0.0, 1.0);
    return cPoint{p.X + t * (q.X - p.X), p.Y + t * (q.Y - p.Y), 0.0};
}

// CloserTo(p, a, b), decided in doubles where the rounding cannot change the sign (the
// distances' squares differ by more than a bound on their rounding) and exactly elsewhere
int Nearer(const cPoint& p, const cPoint& a, const cPoint& b) {
    const double ax = a.X - p.X, ay = a.Y - p.Y, bx = b.X - p.X, by = b.Y - p.Y;
    const double da = ax * ax + ay * ay, db = bx * bx + by * by;
    const double difference = db - da, bound = 1e-14 * (da + db);
    if (bound > 1e-280 && bound < 1e280) {
        if (difference > bound) return 1;
        if (difference < -bound) return -1;
    }
    return CloserTo(p, a, b);
}

// Cuts the ring down to the points at least as near to a as to b (each vertex's side decided
// exactly) and returns whether anything was cut away. A ring that is not convex may come out
// with edges run forth and back along the bisector: they enclose nothing, so its area is the
// area of the part kept.
bool KeepNearerTo(std::vector<cPoint>& ring, const cPoint& a, const cPoint& b, std::vector<cPoint>& scratch,
                  std::vector<int>& side) {
    const std::size_t n = ring.size();
    side.resize(n);
    bool cut = false;
    for (std::size_t i = 0; i < n; ++i) {
        side[i] = Nearer(ring[i], a, b);
        cut = cut || side[i] < 0;
    }
    if (!cut) return false;
    scratch.clear();
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t next = i + 1 == n ? 0 : i + 1;
        if (side[i] >= 0) scratch.push_back(ring[i]);
        if (side[i] * side[next] < 0)
            scratch.push_back(side[i] > 0 ? BisectorCrossing(ring[i], ring[next], a, b)
                                          : BisectorCrossing(ring[next], ring[i], a, b));
    }
    ring.swap(scratch);
    if (ring.size() < 3) ring.clear();
    return true;
}

// the box of the points, as min X, min Y, max X, max Y
std::array<double, 4> BoxOf(const std::vector<cPoint>& ring) {
    std::array<double, 4> box{HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (const cPoint& p : ring) {
        box[0] = std::min(box[0], p.X), box[1] = std::min(box[1], p.Y);
        box[2] = std::max(box[2], p.X), box[3] = std::max(box[3], p.Y);
    }
    return box;
}

std::vector<cPoint> Vertices(const cPolygon& ring) {
    std::vector<cPoint> points;
    points.reserve(static_cast<std::size_t>(ring.Count()));
    for (const auto& p : ring) points.push_back(*p);
    return points;
}

// a ring of points as a polygon
cPolygon RingOf(const std::vector<cPoint>& points) {
    cPolygon ring;
    for (const cPoint& p : points) ring.Add(p.X, p.Y, p.z);
    return ring;
}

// the pieces of a ring cut by a boundary, as the whole construction cuts a ring by the basin
std::vector<cPolygon> CutRing(const cPolygon& ring, const std::vector<cPoint>& boundary) {
    std::vector<cPolygon> cut;
    if (ring.Count() < 3) return cut;
    PolygonArray pieces;
    const long m = ClipPolygons(pieces, RingToArray(ring), RingToArray(RingOf(boundary)));
    for (long k = 1; k <= m; ++k) cut.push_back(pieces(k) ? *pieces(k) : cPolygon{});
    return cut;
}

}  // namespace

// what the sites next to missing gauges take, per region and site
struct IncrementalConstruction::Gains {
    std::vector<std::vector<double>> Area;
    std::vector<cPoint> ring, scratch;
    std::vector<int> side;
    std::vector<std::pair<double, long>> others;
};

IncrementalConstruction::IncrementalConstruction(Method method, const EngineScene& scene, std::vector<long> base)
    : method_(method), scene_(scene), base_(std::move(base)) {
    const Construction built = BuildConstruction(method, scene, base_);
    baseIndex_.assign(scene.Stations.size(), -1);
    const std::vector<cPoint> coordinates = SiteCoordinates(scene);
    std::map<std::pair<double, double>, long> siteAt;
    for (std::size_t k = 0; k < base_.size(); ++k) {
        baseIndex_[static_cast<std::size_t>(base_[k] - 1)] = static_cast<long>(k);
        const cPoint& p = coordinates[static_cast<std::size_t>(base_[k] - 1)];
        const auto [at, fresh] = siteAt.emplace(std::make_pair(p.X, p.Y), static_cast<long>(sites_.size()));
        if (fresh) {
            sites_.push_back(p);
            rings_.push_back(built.Stations[k].Ring);
        }
        siteOf_.push_back(at->second);
    }
    // the basin: the base's own pieces, added up as the whole construction adds them
    Region basin;
    basin.Boundary = scene.Basin;
    // (with sub-basins the scene's basin area is their union's, not the ring's)
    basin.Area = scene.Subbasins.empty() ? scene.BasinArea : PolygonArea(RingOf(scene.Basin));
    basin.PiecesOfSite.resize(sites_.size());
    basin.AreaOfSite.assign(sites_.size(), 0.0);
    std::vector<bool> done(sites_.size(), false);
    for (std::size_t k = 0; k < base_.size(); ++k) {
        const auto s = static_cast<std::size_t>(siteOf_[k]);
        if (done[s]) continue;
        done[s] = true;
        double area = 0.0;
        for (const cPolygon& piece : built.Stations[k].Pieces) {
            area += PolygonArea(piece);
            const std::vector<cPoint> ring = Vertices(piece);
            const auto box = BoxOf(ring);
            basin.PiecesOfSite[s].push_back(Piece{ring, box[0], box[1], box[2], box[3]});
        }
        basin.AreaOfSite[s] = area;
    }
    regions_.push_back(std::move(basin));

    // the sites next to each other: the base's triangle network, every triangle kept
    if (method != Method::Thiessen || sites_.size() < 3) return;
    PointArray points(1, static_cast<long>(sites_.size()));
    for (long k = 1; k <= points.UBound(); ++k) {
        const cPoint& p = sites_[static_cast<std::size_t>(k - 1)];
        points(k) = NewPoint(p.X, p.Y, p.z);
    }
    Array2<PointRef> triangles;
    const long T = BuildTriangleNetwork(points, triangles);
    std::vector<std::vector<long>> next(sites_.size());
    for (long t = 1; t <= T; ++t) {
        long corner[3];
        for (long r = 1; r <= 3; ++r) corner[r - 1] = siteAt.at({triangles(r, t)->X, triangles(r, t)->Y});
        for (int a = 0; a < 3; ++a)
            for (int b = 0; b < 3; ++b)
                if (a != b) next[static_cast<std::size_t>(corner[a])].push_back(corner[b]);
    }
    firstNeighbour_.push_back(0);
    incremental_ = T > 0;
    for (auto& list : next) {
        std::sort(list.begin(), list.end());
        list.erase(std::unique(list.begin(), list.end()), list.end());
        // a site in no triangle would leave its cell to nobody
        incremental_ = incremental_ && !list.empty();
        neighbours_.insert(neighbours_.end(), list.begin(), list.end());
        firstNeighbour_.push_back(neighbours_.size());
    }
}

std::size_t IncrementalConstruction::AddRegion(const std::vector<cPoint>& boundary) {
    Region region;
    region.Boundary = boundary;
    region.Area = PolygonArea(RingOf(boundary));
    if (!(region.Area > 0)) throw std::invalid_argument("a region without area");
    region.PiecesOfSite.resize(sites_.size());
    region.AreaOfSite.assign(sites_.size(), 0.0);
    for (std::size_t s = 0; s < sites_.size(); ++s) {
        for (const cPolygon& piece : CutRing(rings_[s], boundary)) {
            region.AreaOfSite[s] += PolygonArea(piece);
            const std::vector<cPoint> points = Vertices(piece);
            const auto box = BoxOf(points);
            region.PiecesOfSite[s].push_back(Piece{points, box[0], box[1], box[2], box[3]});
        }
    }
    regions_.push_back(std::move(region));
    return regions_.size() - 1;
}

IncrementalResult IncrementalConstruction::WholeConstruction(const std::vector<long>& selection) const {
    const Construction built = BuildConstruction(method_, scene_, selection);
    IncrementalResult result;
    result.Whole = true;
    result.Weights.assign(regions_.size(), std::vector<double>(selection.size(), 0.0));
    std::map<long, long> atSite;
    for (long s : selection) ++atSite[SiteOfStation(s)];
    for (std::size_t k = 0; k < selection.size(); ++k) {
        const StationPart& part = built.Stations[k];
        const long sharing = atSite[SiteOfStation(selection[k])];
        if (scene_.Subbasins.empty()) {
            result.Weights[0][k] = part.Weight;
        } else {
            double area = 0.0;
            for (const cPolygon& piece : part.Pieces) area += PolygonArea(piece);
            result.Weights[0][k] = area / static_cast<double>(sharing) / regions_[0].Area;
        }
        for (std::size_t r = 1; r < regions_.size(); ++r) {
            double area = 0.0;
            for (const cPolygon& piece : CutRing(part.Ring, regions_[r].Boundary)) area += PolygonArea(piece);
            result.Weights[r][k] = area / static_cast<double>(sharing) / regions_[r].Area;
        }
    }
    return result;
}

// Shares out the cells of a group of missing sites next to one another among the selected
// sites next to the group (the takers): a point of the group's cells is nearest to one of
// them, since the segment from the nearest selected site to the point crosses no other
// selected site's cell. Each taker's part is cut from the group's pieces by the bisectors
// with the other takers.
void IncrementalConstruction::ShareOut(const std::vector<long>& component, const std::vector<long>& takers,
                                       Gains& gains) const {
    std::vector<std::pair<double, long>>& others = gains.others;
    for (long j : takers) {
        const cPoint& J = sites_[static_cast<std::size_t>(j)];
        others.clear();
        for (long k : takers)
            if (k != j) others.emplace_back(SquaredDistance(J, sites_[static_cast<std::size_t>(k)]), k);
        std::sort(others.begin(), others.end());
        for (std::size_t r = 0; r < regions_.size(); ++r) {
            double& gained = gains.Area[r][static_cast<std::size_t>(j)];
            for (long g : component) {
                for (const Piece& piece : regions_[r].PiecesOfSite[static_cast<std::size_t>(g)]) {
                    gains.ring = piece.Ring;
                    // bisector by bisector from the nearest taker out; a taker more than twice as
                    // far as the part's farthest point cuts nothing, nor does any farther one
                    for (const auto& [distance, k] : others) {
                        double reach = 0.0;
                        for (const cPoint& p : gains.ring) reach = std::max(reach, SquaredDistance(J, p));
                        if (distance > 4.0 * reach * (1.0 + 1e-9)) break;
                        KeepNearerTo(gains.ring, J, sites_[static_cast<std::size_t>(k)], gains.scratch, gains.side);
                        if (gains.ring.empty()) break;
                    }
                    gained += std::fabs(TwiceSignedArea(gains.ring)) / 2.0;
                }
            }
        }
    }
}

// The missing sites in groups next to one another, each with the selected sites next to it;
// returns the work of sharing them out (takers times takers and group sites, added up).
double IncrementalConstruction::MissingGroups(const std::vector<long>& count,
                                              std::vector<std::vector<long>>& components,
                                              std::vector<std::vector<long>>& takers) const {
    std::vector<bool> seen(sites_.size(), false);
    double work = 0.0;
    for (std::size_t s = 0; s < sites_.size(); ++s) {
        if (count[s] > 0 || seen[s]) continue;
        std::vector<long> component{static_cast<long>(s)}, around;
        seen[s] = true;
        for (std::size_t q = 0; q < component.size(); ++q) {
            const auto g = static_cast<std::size_t>(component[q]);
            for (std::size_t e = firstNeighbour_[g]; e < firstNeighbour_[g + 1]; ++e) {
                const long n = neighbours_[e];
                if (count[static_cast<std::size_t>(n)] > 0) {
                    around.push_back(n);
                } else if (!seen[static_cast<std::size_t>(n)]) {
                    seen[static_cast<std::size_t>(n)] = true;
                    component.push_back(n);
                }
            }
        }
        std::sort(around.begin(), around.end());
        around.erase(std::unique(around.begin(), around.end()), around.end());
        const auto t = static_cast<double>(around.size());
        work += t * (t + static_cast<double>(component.size()));
        components.push_back(std::move(component));
        takers.push_back(std::move(around));
    }
    return work;
}

long IncrementalConstruction::SiteOfStation(long station) const {
    return siteOf_[static_cast<std::size_t>(baseIndex_[static_cast<std::size_t>(station - 1)])];
}

IncrementalResult IncrementalConstruction::Weigh(const std::vector<long>& selection) const {
    if (selection.empty()) throw std::invalid_argument("weights of an empty selection");
    std::vector<long> count(sites_.size(), 0);
    long previous = 0;
    for (long s : selection) {
        if (s <= previous || s > static_cast<long>(baseIndex_.size()) ||
            baseIndex_[static_cast<std::size_t>(s - 1)] < 0)
            throw std::invalid_argument("station " + std::to_string(s) +
                                        " is not one of the base selection's, or the selection is not ascending");
        previous = s;
        ++count[static_cast<std::size_t>(SiteOfStation(s))];
    }
    const auto selectedSites =
        static_cast<long>(std::count_if(count.begin(), count.end(), [](long c) { return c > 0; }));
    const long missing = static_cast<long>(sites_.size()) - selectedSites;
    std::vector<std::vector<long>> components, takers;
    // the whole construction where the base has no network to share cells along, or where
    // sharing out would cost more than building the selection's cells afresh
    if (missing > 0 && (!incremental_ || MissingGroups(count, components, takers) >
                                             kMostWorkPerSite * static_cast<double>(selectedSites))) {
        IncrementalResult whole = WholeConstruction(selection);
        whole.Missing = missing;
        return whole;
    }
    Gains gains;
    gains.Area.assign(regions_.size(), std::vector<double>(sites_.size(), 0.0));
    for (std::size_t c = 0; c < components.size(); ++c) ShareOut(components[c], takers[c], gains);

    IncrementalResult result;
    result.Missing = missing;
    result.Weights.assign(regions_.size(), std::vector<double>(selection.size(), 0.0));
    for (std::size_t k = 0; k < selection.size(); ++k) {
        const auto s = static_cast<std::size_t>(SiteOfStation(selection[k]));
        for (std::size_t r = 0; r < regions_.size(); ++r) {
            const double area = (regions_[r].AreaOfSite[s] + gains.Area[r][s]) / static_cast<double>(count[s]);
            result.Weights[r][k] = area / regions_[r].Area;
        }
    }
    return result;
}

}  // namespace kelvarin
