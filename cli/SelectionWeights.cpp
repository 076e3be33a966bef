#include "cli/SelectionWeights.hpp"

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

struct SelectionWeights::Engine {
    EngineScene Local;
};

SelectionWeights::SelectionWeights(const Scene& scene, ArealMethod method) : method_(method) {
    if (method == ArealMethod::Mean) return;
    engine_ = std::make_unique<Engine>();
    if (method == ArealMethod::HeightBalance && scene.CenterPoints.empty() && scene.Stations.size() >= 2) {
        // a scene that shows only Thiessen polygons is loaded without its centre points
        Scene withCenterPoints = scene;
        withCenterPoints.CenterPoints = ReadCenterPoints(scene.Path, static_cast<long>(scene.Stations.size()));
        engine_->Local = MakeEngineScene(withCenterPoints);
    } else {
        engine_->Local = MakeEngineScene(scene);
    }
}

SelectionWeights::~SelectionWeights() = default;

std::vector<double> SelectionWeights::operator()(const std::vector<long>& selection) {
    if (selection.empty()) throw std::invalid_argument("weights of an empty selection");
    if (method_ == ArealMethod::Mean) return std::vector<double>(selection.size(), 1.0 / selection.size());
    const Construction built = BuildConstruction(
        method_ == ArealMethod::Thiessen ? Method::Thiessen : Method::HeightBalance, engine_->Local, selection);
    if (built.Stations.size() != selection.size())
        throw std::runtime_error("the " + ArealMethodName(method_) + " construction did not weigh every gauge");
    std::vector<double> weights;
    weights.reserve(selection.size());
    for (const StationPart& part : built.Stations) weights.push_back(part.Weight);
    return weights;
}

}  // namespace kelvarin
