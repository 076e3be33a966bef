// The whole weights computation on a scene decoded from the bytes (tests/fuzz/WeightsCase.hpp),
// both methods, a fuzzed selection. A scene the loader's rules refuse is skipped; for every
// other one each construction must pass its own check: an InternalInconsistency, or any
// other exception, is a finding.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "engine/Construction.hpp"
#include "scene/INIProFile.hpp"
#include "scene/Scene.hpp"
#include "scene/SceneChecks.hpp"
#include "tests/fuzz/WeightsCase.hpp"

namespace {

using namespace kelvarin;

[[noreturn]] void Finding(const Scene& scene, const std::vector<long>& selection, const std::string& what) {
    std::fprintf(stderr, "fuzz_weights: %s\nstations:", what.c_str());
    for (const SceneStation& s : scene.Stations) std::fprintf(stderr, " (%.17g, %.17g)", s.Point.X, s.Point.Y);
    std::fprintf(stderr, "\nselection:");
    for (long s : selection) std::fprintf(stderr, " %ld", s);
    std::fprintf(stderr, "\n");
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::WeightsCase decoded = fuzz::DecodeWeightsCase(data, size);
    const Scene& scene = decoded.scene;
    const std::vector<long>& selection = decoded.selection;
    if (!CheckSceneGeometry(ProfileFile{}, scene).empty()) return 0;  // refused, as the loader would
    for (const Method method : {Method::Thiessen, Method::HeightBalance}) {
        try {
            const Construction c = BuildConstruction(method, PlacedOnMap(scene).Local, selection);
            if (c.Stations.size() != selection.size()) Finding(scene, selection, "a station part is missing");
        } catch (const std::exception& e) {
            Finding(scene, selection,
                    std::string(method == Method::Thiessen ? "thiessen: " : "heightbalance: ") + e.what());
        }
    }
    return 0;
}
