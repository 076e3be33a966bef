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

SelectionWeights::SelectionWeights(const Scene& scene, ArealMethod method) : scene_(scene), method_(method) {}

void SelectionWeights::SetBase(const std::vector<long>& base) {
    base_.reset();
    if (method_ == ArealMethod::Mean || base.empty()) return;
    try {
        base_ = std::make_unique<IncrementalConstruction>(
            method_ == ArealMethod::Thiessen ? Method::Thiessen : Method::HeightBalance, scene_.Local, base);
    } catch (const InternalInconsistency&) {
        // met again, with the same message, if a row has every gauge of the base
    }
}

std::vector<double> SelectionWeights::operator()(const std::vector<long>& selection) const {
    if (selection.empty()) throw std::invalid_argument("weights of an empty selection");
    if (method_ == ArealMethod::Mean) return std::vector<double>(selection.size(), 1.0 / selection.size());
    const bool inBase =
        base_ && std::includes(base_->Base().begin(), base_->Base().end(), selection.begin(), selection.end());
    if (inBase) {
        IncrementalResult result = base_->Weigh(selection);
        ++(result.Whole ? whole_ : incremental_);
        return std::move(result.Weights[0]);
    }
    ++whole_;
    const Construction built = BuildConstruction(
        method_ == ArealMethod::Thiessen ? Method::Thiessen : Method::HeightBalance, scene_.Local, selection);
    if (built.Stations.size() != selection.size())
        throw std::runtime_error("the " + ArealMethodName(method_) + " construction did not weigh every gauge");
    std::vector<double> weights;
    weights.reserve(selection.size());
    for (const StationPart& part : built.Stations) weights.push_back(part.Weight);
    return weights;
}

}  // namespace kelvarin
