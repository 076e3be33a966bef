#pragma once
// The weights of many selections of gauges, each a part of one base selection, from one
// whole construction of the base. A gauge that stops reporting hands its Thiessen cell to
// the gauges next to it, and no other cell moves: a selection costs the cells around the
// gauges it lacks, not a construction of every gauge.
//
// Why the frame does not matter: a Thiessen cell is the set of points nearer to its gauge
// than to every other selected gauge, closed along a frame that covers the basin whatever
// the selection. Its pieces inside the basin are that set cut by the basin, so they are the
// same for any frame that covers the basin, and so are the weights. The region a missing
// gauge's cell held inside the basin (its cut pieces, known from the base) is shared out
// among the selected gauges next to the missing ones: each takes the part of it nearer to
// it than to the others, cut by exact nearer-than decisions.
//
// Height-balance polygons are built through the frame (their outer boundary lines are
// closed along it and repaired where they meet), so every height-balance selection takes
// the whole construction.

#include <cstddef>
#include <vector>

#include "engine/Construction.hpp"
#include "model/cPoint.hpp"
#include "scene/MapLocal.hpp"

namespace kelvarin {

// how one selection's weights were found
struct IncrementalResult {
    // [region][k]: the weight of the selection's k-th station in that region (region 0 is
    // the basin ring): its part of the region's area
    std::vector<std::vector<double>> Weights;
    bool Whole = false;  // by a whole construction of the selection
    long Missing = 0;    // sites of the base that the selection lacks
};

class IncrementalConstruction {
  public:
    // Builds the whole construction of base (1-based, ascending, no repeats) once. The scene
    // is kept, not copied: it must outlive this. Throws as BuildConstruction does.
    IncrementalConstruction(Method method, const EngineScene& scene, std::vector<long> base);

    const std::vector<long>& Base() const { return base_; }

    // Adds a region inside the basin the cells are also cut by (a part of the basin with a
    // weight table of its own) and returns its index; the basin ring itself is region 0 (with
    // sub-basins, whose union is the whole basin, their rings are regions of their own). The
    // boundary is a ring in the scene's map coordinates.
    std::size_t AddRegion(const std::vector<cPoint>& boundary);
    std::size_t RegionCount() const { return regions_.size(); }
    double RegionArea(std::size_t region) const { return regions_.at(region).Area; }

    // The weights of a selection of the base's stations (ascending, no repeats, at least
    // one), equal to a whole construction's within rounding. Safe to call from several
    // threads at once. Throws std::invalid_argument for a station outside the base, and
    // as BuildConstruction does where the whole construction is taken.
    IncrementalResult Weigh(const std::vector<long>& selection) const;

    // the most cells around missing gauges one selection may rebuild, relative to the number
    // of selected sites, before the whole construction is the cheaper road
    static constexpr double kMostWorkPerSite = 24.0;

  private:
    struct Piece {
        std::vector<cPoint> Ring;
        double MinX, MinY, MaxX, MaxY;
    };
    struct Region {
        std::vector<cPoint> Boundary;
        double Area = 0.0;
        std::vector<std::vector<Piece>> PiecesOfSite;  // each site's base cell cut by the region
        std::vector<double> AreaOfSite;                // their areas, as the whole construction adds them
    };
    struct Gains;

    IncrementalResult WholeConstruction(const std::vector<long>& selection) const;
    long SiteOfStation(long station) const;
    double MissingGroups(const std::vector<long>& count, std::vector<std::vector<long>>& components,
                         std::vector<std::vector<long>>& takers) const;
    void ShareOut(const std::vector<long>& component, const std::vector<long>& takers, Gains& gains) const;

    Method method_;
    const EngineScene& scene_;
    std::vector<long> base_;
    std::vector<long> baseIndex_;              // per scene station: its index in base_, or -1
    std::vector<long> siteOf_;                 // per base index: its site
    std::vector<cPoint> sites_;                // the base's distinct sites
    std::vector<std::size_t> firstNeighbour_;  // the sites next to site s: neighbours_[first[s], first[s + 1])
    std::vector<long> neighbours_;
    std::vector<cPolygon> rings_;  // per site: its base cell in the frame
    std::vector<Region> regions_;
    bool incremental_ = false;  // Thiessen with a triangle network of the base's sites
};

}  // namespace kelvarin
