#include "scene/SubbasinChecks.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "geometry/Predicates.hpp"
#include "geometry/SimpleRing.hpp"
#include "scene/CheckMessages.hpp"
#include "scene/SceneRules.hpp"
#include "scene/SubbasinGeometry.hpp"

namespace kelvarin {

namespace {

using namespace scene_rules;
using namespace check_messages;

// +1 strictly inside the ring, 0 on its boundary, -1 outside; decided exactly
int PointInRing(const cPoint& p, const std::vector<cPoint>& ring) {
    bool inside = false;
    const std::size_t n = ring.size();
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        const cPoint& a = ring[i];
        const cPoint& b = ring[j];
        const int side = Orient2D(a, b, p);
        if (side == 0 && std::min(a.X, b.X) <= p.X && p.X <= std::max(a.X, b.X) && std::min(a.Y, b.Y) <= p.Y &&
            p.Y <= std::max(a.Y, b.Y))
            return 0;
        if ((a.Y > p.Y) != (b.Y > p.Y) && (b.Y > a.Y ? side > 0 : side < 0)) inside = !inside;
    }
    return inside ? 1 : -1;
}

// A ring of a sub-basin as the messages name it: "part 2" or "hole 1 of part 2", with its
// vertex block and the line of its header.
struct RingRef {
    const SceneRing* Ring;
    std::size_t Part;  // 1-based
    std::size_t Hole;  // 1-based; 0 for the part's outer ring
    std::string Name() const {
        return (Hole ? "hole " + std::to_string(Hole) + " of part " : "part ") + std::to_string(Part) +
               " (vertex block \"[" + Ring->Block + "]\")";
    }
};

std::vector<RingRef> RingsOf(const SceneSubbasin& subbasin) {
    std::vector<RingRef> rings;
    for (std::size_t k = 0; k < subbasin.Parts.size(); ++k) {
        rings.push_back({&subbasin.Parts[k].Shell, k + 1, 0});
        for (std::size_t h = 0; h < subbasin.Parts[k].Holes.size(); ++h)
            rings.push_back({&subbasin.Parts[k].Holes[h], k + 1, h + 1});
    }
    return rings;
}

// the first vertex of a ring strictly inside a sub-basin (inside a part's outer ring, and
// neither inside nor on one of its holes)
std::optional<std::size_t> VertexInside(const std::vector<cPoint>& ring, const SceneSubbasin& region) {
    for (std::size_t v = 0; v < ring.size(); ++v) {
        for (const SceneSubbasinPart& part : region.Parts) {
            if (PointInRing(ring[v], part.Shell.Vertices) <= 0) continue;
            const bool inHole = std::any_of(part.Holes.begin(), part.Holes.end(), [&](const SceneRing& hole) {
                return PointInRing(ring[v], hole.Vertices) >= 0;
            });
            if (!inHole) return v;
        }
    }
    return std::nullopt;
}

// the first vertex of a ring strictly outside another ring
std::optional<std::size_t> VertexOutside(const std::vector<cPoint>& ring, const std::vector<cPoint>& other) {
    for (std::size_t v = 0; v < ring.size(); ++v)
        if (PointInRing(ring[v], other) < 0) return v;
    return std::nullopt;
}

// "vertex 5 (x, y) of its part 1 (vertex block "[B]")", or without `whose` "vertex 5 (x, y)"
std::string VertexText(const RingRef& ring, std::size_t v, const std::string& whose) {
    const std::string vertex = "vertex " + std::to_string(v + 1) + " " + PointText(ring.Ring->Vertices[v]);
    return whose.empty() ? vertex : vertex + " of " + whose + " " + ring.Name();
}

// a sub-basin with only one part and no hole: a ring's region for VertexInside
SceneSubbasin RegionOfRing(const SceneRing& ring) {
    SceneSubbasin region;
    region.Parts.push_back({ring, {}});
    return region;
}

class SubbasinChecker {
  public:
    explicit SubbasinChecker(const Scene& scene) : scene_(scene) {}

    std::vector<SceneProblem> Run() {
        const std::vector<SceneSubbasin>& subbasins = scene_.Subbasins;
        const std::vector<LocalSubbasin>& local = scene_.Local.Subbasins;
        std::vector<bool> usable(subbasins.size(), false);
        for (std::size_t s = 0; s < subbasins.size(); ++s) usable[s] = CheckRings(subbasins[s]);
        for (std::size_t s = 0; s < subbasins.size(); ++s) {
            prepared_.push_back(PrepareRegion(local[s].Parts));
            if (usable[s]) usable[s] = CheckParts(subbasins[s], prepared_[s]);
        }
        const PreparedRing outline = PrepareRing(scene_.Local.Basin);
        for (std::size_t s = 0; s < subbasins.size(); ++s) {
            if (!usable[s]) continue;
            CheckInsideOutline(subbasins[s], prepared_[s], outline);
            for (std::size_t t = s + 1; t < subbasins.size(); ++t)
                if (usable[t] && prepared_[s].Bounds.Meets(prepared_[t].Bounds)) CheckPair(s, t);
        }
        return std::move(problems_);
    }

  private:
    void Add(long line, std::string message) {
        problems_.push_back(SceneProblem{{}, static_cast<int>(line), std::move(message)});
    }

    static std::string Of(const SceneSubbasin& subbasin) { return "sub-basin " + Quoted(subbasin.Name); }

    // range, area and simplicity of every ring, and rings crossing one another; false when any fails
    bool CheckRings(const SceneSubbasin& subbasin) {
        const std::size_t before = problems_.size();
        const std::vector<RingRef> rings = RingsOf(subbasin);
        for (const RingRef& ring : rings) CheckRing(subbasin, ring);
        if (problems_.size() > before) return false;
        for (std::size_t i = 0; i < rings.size(); ++i) {
            for (std::size_t j = i + 1; j < rings.size(); ++j) {
                const std::optional<RingCrossing> c =
                    FindRingsCrossing(rings[i].Ring->Vertices, rings[j].Ring->Vertices);
                if (!c) continue;
                Add(rings[j].Ring->Line, Of(subbasin) + ": its " + rings[i].Name() + " and its " + rings[j].Name() +
                                             " cross: edge " + std::to_string(c->First) + "-" +
                                             std::to_string(c->FirstEnd) + " of the one meets edge " +
                                             std::to_string(c->Second) + "-" + std::to_string(c->SecondEnd) +
                                             " of the other (edges named by their vertices, 1 = first)");
            }
        }
        return problems_.size() == before;
    }

    void CheckRing(const SceneSubbasin& subbasin, const RingRef& ring) {
        const std::vector<cPoint>& v = ring.Ring->Vertices;
        const std::string name = Of(subbasin) + ": its " + ring.Name();
        for (std::size_t i = 0; i < v.size(); ++i) {
            if (!(std::abs(v[i].X) <= kMaxCoordinate && std::abs(v[i].Y) <= kMaxCoordinate)) {
                Add(ring.Ring->Line, name + ": vertex " + std::to_string(i + 1) + " " + PointText(v[i]) +
                                         " lies beyond " + Num(kMaxCoordinate) +
                                         ", the largest coordinate a scene may hold");
                return;
            }
        }
        if (v.size() < 3 || TwiceSignedArea(v) == 0.0) {
            Add(ring.Ring->Line, name + " encloses no area (" + std::to_string(v.size()) + " vertices)");
            return;
        }
        if (const std::optional<RingCrossing> c = FindRingCrossing(v)) {
            Add(ring.Ring->Line, name + " crosses itself: its edge " + std::to_string(c->First) + "-" +
                                     std::to_string(c->FirstEnd) + " meets its edge " + std::to_string(c->Second) +
                                     "-" + std::to_string(c->SecondEnd) +
                                     " (edges named by their vertices, 1 = first)");
        }
    }

    // holes inside their part's outer ring, and holes and parts not overlapping; false when any fails
    bool CheckParts(const SceneSubbasin& subbasin, const PreparedRegion& region) {
        const std::size_t before = problems_.size();
        for (std::size_t k = 0; k < region.Parts.size(); ++k) {
            const PreparedPart& part = region.Parts[k];
            const SceneSubbasinPart& file = subbasin.Parts[k];
            for (std::size_t h = 0; h < part.Holes.size(); ++h) {
                const double outside = part.Holes[h].Area - CommonArea(part.Holes[h], part.Shell);
                if (outside > kSubbasinOverlapShare * part.Holes[h].Area) HoleOutside(subbasin, k, h, outside);
                for (std::size_t g = 0; g < h; ++g) {
                    const double common = CommonArea(part.Holes[g], part.Holes[h]);
                    if (common > kSubbasinOverlapShare * std::min(part.Holes[g].Area, part.Holes[h].Area))
                        Overlap(subbasin, {&file.Holes[g], k + 1, g + 1}, {&file.Holes[h], k + 1, h + 1}, common);
                }
            }
        }
        if (problems_.size() > before) return false;
        for (std::size_t k = 0; k < region.Parts.size(); ++k) {
            for (std::size_t j = 0; j < k; ++j) {
                const PreparedRegion a{{region.Parts[j]}, region.Parts[j].Shell.Bounds, PartArea(region.Parts[j])};
                const PreparedRegion b{{region.Parts[k]}, region.Parts[k].Shell.Bounds, PartArea(region.Parts[k])};
                const double common = CommonArea(a, b);
                if (common > kSubbasinOverlapShare * std::min(a.Area, b.Area))
                    Overlap(subbasin, {&subbasin.Parts[j].Shell, j + 1, 0}, {&subbasin.Parts[k].Shell, k + 1, 0},
                            common);
            }
        }
        return problems_.size() == before;
    }

    static double PartArea(const PreparedPart& part) {
        double area = part.Shell.Area;
        for (const PreparedRing& hole : part.Holes) area -= hole.Area;
        return area;
    }

    void HoleOutside(const SceneSubbasin& subbasin, std::size_t k, std::size_t h, double outside) {
        const RingRef hole{&subbasin.Parts[k].Holes[h], k + 1, h + 1};
        const RingRef shell{&subbasin.Parts[k].Shell, k + 1, 0};
        std::string where;
        if (const auto v = VertexOutside(hole.Ring->Vertices, shell.Ring->Vertices)) {
            where = ": its " + VertexText(hole, *v, "") + " lies outside that ring";
        } else if (const auto w = VertexInside(shell.Ring->Vertices, RegionOfRing(*hole.Ring))) {
            where = ": " + VertexText(shell, *w, "") + " of that ring lies inside the hole";
        }
        Add(hole.Ring->Line, Of(subbasin) + ": its " + hole.Name() + " reaches outside the outer ring of part " +
                                 std::to_string(k + 1) + " by " + Num(outside) + " square map units" + where);
    }

    // two rings of one sub-basin overlap
    void Overlap(const SceneSubbasin& subbasin, const RingRef& a, const RingRef& b, double common) {
        std::string where;
        if (const auto v = VertexInside(b.Ring->Vertices, RegionOfRing(*a.Ring))) {
            where = ": " + VertexText(b, *v, "its") + " lies inside the other";
        } else if (const auto w = VertexInside(a.Ring->Vertices, RegionOfRing(*b.Ring))) {
            where = ": " + VertexText(a, *w, "its") + " lies inside the other";
        }
        Add(b.Ring->Line, Of(subbasin) + ": its " + a.Name() + " and its " + b.Name() + " overlap by " + Num(common) +
                              " square map units" + where);
    }

    void CheckInsideOutline(const SceneSubbasin& subbasin, const PreparedRegion& region, const PreparedRing& outline) {
        const double outside = region.Area - CommonArea(region, outline);
        if (outside <= kSubbasinOverlapShare * region.Area) return;
        std::string where;
        for (const RingRef& ring : RingsOf(subbasin)) {
            if (const auto v = VertexOutside(ring.Ring->Vertices, scene_.Basin)) {
                where = ": " + VertexText(ring, *v, "its") + " lies outside";
                break;
            }
        }
        Add(subbasin.Line, Of(subbasin) + " reaches outside the basin outline " + Quoted(scene_.BasinName) + " by " +
                               Num(outside) + " square map units (" + Num(outside / region.Area) + " of its area)" +
                               where);
    }

    void CheckPair(std::size_t s, std::size_t t) {
        const double common = CommonArea(prepared_[s], prepared_[t]);
        const double smaller = std::min(prepared_[s].Area, prepared_[t].Area);
        if (common <= kSubbasinOverlapShare * smaller) return;
        const SceneSubbasin& a = scene_.Subbasins[s];
        const SceneSubbasin& b = scene_.Subbasins[t];
        std::string where;
        for (const auto& [inner, outer] : {std::pair{&b, &a}, std::pair{&a, &b}}) {
            for (const RingRef& ring : RingsOf(*inner)) {
                if (ring.Hole) continue;
                if (const auto v = VertexInside(ring.Ring->Vertices, *outer)) {
                    where =
                        ": " + VertexText(ring, *v, Quoted(inner->Name) + "'s") + " lies inside " + Quoted(outer->Name);
                    break;
                }
            }
            if (!where.empty()) break;
        }
        Add(b.Line, "sub-basins " + Quoted(a.Name) + " and " + Quoted(b.Name) + " overlap by " + Num(common) +
                        " square map units (" + Num(common / smaller) + " of the smaller)" + where);
    }

    const Scene& scene_;
    std::vector<PreparedRegion> prepared_;
    std::vector<SceneProblem> problems_;
};

}  // namespace

std::vector<SceneProblem> CheckSubbasins(const Scene& scene) {
    if (scene.Subbasins.empty()) return {};
    return SubbasinChecker(scene).Run();
}

}  // namespace kelvarin
