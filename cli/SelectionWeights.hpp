#pragma once
// The weights of one selection of gauges, as the `weights` command computes them:
// each selected gauge's share of the basin area under the chosen method, or, for
// comparison, the plain arithmetic mean (every selected gauge weighs the same). With a
// base set (every gauge a rain file has), selections of it are weighed from one
// construction of the base, rebuilding only the cells around the gauges they lack. In a
// scene with sub-basins, the whole basin is their union and every sub-basin has weights
// of its own.

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "engine/IncrementalConstruction.hpp"
#include "scene/Scene.hpp"

namespace kelvarin {

enum class ArealMethod { Thiessen, HeightBalance, Mean };

// "thiessen", "heightbalance" or "mean"
std::string ArealMethodName(ArealMethod method);

class SelectionWeights {
  public:
    // the weights of every selection to come, on a scene read with the centre points the
    // method needs (it is kept, not copied: it must outlive this)
    SelectionWeights(const Scene& scene, ArealMethod method);
    SelectionWeights(const SelectionWeights&) = delete;
    SelectionWeights& operator=(const SelectionWeights&) = delete;

    // builds the whole construction of the base (1-based stations, ascending) that the
    // selections to come are parts of. A base whose construction fails leaves every
    // selection to a whole construction of its own, which fails the same way if it is met.
    void SetBase(const std::vector<long>& base);

    // the weights of the selected stations (1-based indices in file order, ascending,
    // no repeats, at least one), in selection order: in the whole basin, then in each
    // sub-basin in the scene's order (a selection's worth each); safe on several threads
    std::vector<double> operator()(const std::vector<long>& selection) const;

    // the names of the scene's sub-basins, in its order
    const std::vector<std::string>& SubbasinNames() const { return subbasinNames_; }

    // selections weighed from the base, and by whole constructions of their own
    long Incremental() const { return incremental_; }
    long Whole() const { return whole_; }

  private:
    // a ring of a sub-basin as a region of the base: its index, and whether it is a hole
    struct SubbasinRing {
        std::size_t Subbasin, Region;
        bool Hole;
    };
    std::vector<double> FromRegions(const IncrementalResult& result, std::size_t n) const;

    const Scene& scene_;
    ArealMethod method_;
    std::vector<std::string> subbasinNames_;
    std::unique_ptr<IncrementalConstruction> base_;
    std::vector<SubbasinRing> subbasinRings_;
    mutable std::atomic<long> incremental_{0}, whole_{0};
};

}  // namespace kelvarin
