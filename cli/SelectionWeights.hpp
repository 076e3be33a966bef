#pragma once
// The weights of one selection of gauges, as the `weights` command computes them:
// each selected gauge's share of the basin area under the chosen method, or, for
// comparison, the plain arithmetic mean (every selected gauge weighs the same).

#include <string>
#include <vector>

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

    // the weights of the selected stations (1-based indices in file order, ascending,
    // no repeats, at least one), in selection order
    std::vector<double> operator()(const std::vector<long>& selection);

  private:
    const Scene& scene_;
    ArealMethod method_;
};

}  // namespace kelvarin
