#include "cli/SelectionWeights.hpp"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "engine/Construction.hpp"

namespace kelvarin {

std::string ArealMethodName(ArealMethod method) {
    switch (method) {
        case ArealMethod::Thiessen:
            return "thiessen";
        case ArealMethod::HeightBalance:
            return "heightbalance";
        case ArealMethod::Mean:
            return "mean";
    }
    return "thiessen";
}

SelectionWeights::SelectionWeights(const Scene& scene, ArealMethod method) : scene_(scene), method_(method) {
    for (const SceneSubbasin& subbasin : scene.Subbasins) subbasinNames_.push_back(subbasin.Name);
}

void SelectionWeights::SetBase(const std::vector<long>& base) {
    base_.reset();
    subbasinRings_.clear();
    if (method_ == ArealMethod::Mean || base.empty()) return;
    try {
        base_ = std::make_unique<IncrementalConstruction>(
            method_ == ArealMethod::Thiessen ? Method::Thiessen : Method::HeightBalance, scene_.Local, base);
    } catch (const InternalInconsistency&) {
        // met again, with the same message, if a row has every gauge of the base
        return;
    }
    // every ring of every sub-basin becomes a region the base's cells are cut by
    const std::vector<LocalSubbasin>& subbasins = scene_.Local.Subbasins;
    for (std::size_t s = 0; s < subbasins.size(); ++s) {
        for (const LocalPart& part : subbasins[s].Parts) {
            subbasinRings_.push_back({s, base_->AddRegion(part.Shell), false});
            for (const std::vector<cPoint>& hole : part.Holes)
                subbasinRings_.push_back({s, base_->AddRegion(hole), true});
        }
    }
}

// A selection's weights in every sub-basin from its weights in their rings: a gauge's area in
// a sub-basin is its area in the parts' outer rings less that in their holes, and its area in
// the whole basin the sum over the sub-basins.
std::vector<double> SelectionWeights::FromRegions(const IncrementalResult& result, std::size_t n) const {
    const std::vector<LocalSubbasin>& subbasins = scene_.Local.Subbasins;
    std::vector<double> weights((1 + subbasins.size()) * n, 0.0);
    std::vector<double> area(subbasins.size() * n, 0.0);
    for (const SubbasinRing& ring : subbasinRings_) {
        const double regionArea = base_->RegionArea(ring.Region);
        for (std::size_t k = 0; k < n; ++k) {
            const double part = result.Weights[ring.Region][k] * regionArea;
            area[ring.Subbasin * n + k] += ring.Hole ? -part : part;
        }
    }
    for (std::size_t s = 0; s < subbasins.size(); ++s) {
        for (std::size_t k = 0; k < n; ++k) {
            weights[(s + 1) * n + k] = area[s * n + k] / subbasins[s].Area;
            weights[k] += area[s * n + k];
        }
    }
    for (std::size_t k = 0; k < n; ++k) weights[k] /= scene_.Local.BasinArea;
    return weights;
}

std::vector<double> SelectionWeights::operator()(const std::vector<long>& selection) const {
    if (selection.empty()) throw std::invalid_argument("weights of an empty selection");
    const std::size_t n = selection.size(), areas = 1 + subbasinNames_.size();
    if (method_ == ArealMethod::Mean) return std::vector<double>(areas * n, 1.0 / static_cast<double>(n));
    const bool inBase =
        base_ && std::includes(base_->Base().begin(), base_->Base().end(), selection.begin(), selection.end());
    if (inBase) {
        IncrementalResult result = base_->Weigh(selection);
        ++(result.Whole ? whole_ : incremental_);
        if (areas > 1) return FromRegions(result, n);
        return std::move(result.Weights[0]);
    }
    ++whole_;
    const Construction built = BuildConstruction(
        method_ == ArealMethod::Thiessen ? Method::Thiessen : Method::HeightBalance, scene_.Local, selection);
    if (built.Stations.size() != selection.size())
        throw std::runtime_error("the " + ArealMethodName(method_) + " construction did not weigh every gauge");
    std::vector<double> weights(areas * n);
    for (std::size_t k = 0; k < n; ++k) {
        weights[k] = built.Stations[k].Weight;
        for (std::size_t s = 1; s < areas; ++s) weights[s * n + k] = built.Stations[k].Subbasins[s - 1].Weight;
    }
    return weights;
}

}  // namespace kelvarin
