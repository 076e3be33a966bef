#include "cli/SelectionWeights.hpp"

#include <stdexcept>
#include <string>

#include "render/RecordingSurface.hpp"
#include "view/ScriptedWindowSystem.hpp"
#include "view/picGIS.hpp"

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

// the map window's drivers on a surface that draws nothing
struct SelectionWeights::Engine {
    RecordingSurface Surface{1920.0, 1080.0, false};
    ScriptedWindowSystem WindowSystem;
    picGIS Window{Surface, WindowSystem};
};

SelectionWeights::SelectionWeights(const Scene& scene, ArealMethod method) : method_(method) {
    if (method == ArealMethod::Mean) return;
    engine_ = std::make_unique<Engine>();
    picGIS& window = engine_->Window;
    window.OpenThiessenFile(scene.Path.string());
    if (method == ArealMethod::HeightBalance && window.CenterPoints.Empty() && window.Stations.Count() >= 2)
        window.ReadCenterPoint();
}

SelectionWeights::~SelectionWeights() = default;

std::vector<double> SelectionWeights::operator()(const std::vector<long>& selection) {
    if (selection.empty()) throw std::invalid_argument("weights of an empty selection");
    if (method_ == ArealMethod::Mean) return std::vector<double>(selection.size(), 1.0 / selection.size());
    picGIS& window = engine_->Window;
    window.DisableStationSelect();
    for (long i : selection) window.Stations(i)->pSelect = true;
    const auto built = method_ == ArealMethod::Thiessen ? window.AutoThiessen() : window.AutoHeightBalance();
    if (!built || *built != static_cast<long>(selection.size()))
        throw std::runtime_error("the " + ArealMethodName(method_) + " construction did not finish");
    std::vector<double> weights;
    weights.reserve(selection.size());
    for (long i : selection) {
        const auto& weight = window.Stations(i)->GageStation->Weight;
        if (!weight) throw std::runtime_error("the construction gave station " + std::to_string(i) + " no weight");
        weights.push_back(*weight);
    }
    window.UndoThiessen();
    return weights;
}

}  // namespace kelvarin
