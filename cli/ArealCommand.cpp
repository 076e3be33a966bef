// kelvarin-cli areal: the basin's areal rainfall per time step from a file of gauge
// records, re-weighted over the gauges that reported at each step.

#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "cli/ArealRainfall.hpp"
#include "cli/Commands.hpp"
#include "cli/ProgressBar.hpp"
#include "cli/SceneOptions.hpp"
#include "cli/SelectionWeights.hpp"
#include "cli/UsageError.hpp"
#include "scene/AtomicFile.hpp"
#include "scene/ProgramFolder.hpp"

namespace kelvarin {
namespace {

// files shorter than this finish too soon for a progress bar to help
constexpr std::uintmax_t kProgressFromBytes = 1U << 20U;

struct ArealOptions {
    std::filesystem::path Scene;
    std::string Method;  // thiessen, heightbalance, mean, or empty: the scene's own
    std::filesystem::path Rain;
    std::vector<std::string> Missing;
    long MinGauges = 1;
    std::filesystem::path Out;         // empty: standard output
    std::filesystem::path WeightsOut;  // empty: none
    bool Stats = false;
};

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

// the method of --method ("thiessen", "heightbalance", "mean"), none for the scene's own
std::optional<ArealMethod> ArealMethodOption(const std::string& name) {
    if (name.empty()) return std::nullopt;
    if (name == "thiessen") return ArealMethod::Thiessen;
    if (name == "heightbalance") return ArealMethod::HeightBalance;
    if (name == "mean") return ArealMethod::Mean;
    throw UsageError("--method: \"" + name + "\" is none of thiessen, heightbalance, mean");
}

// the scene, with its centre points when the weights are height-balance ones
Scene LoadSceneForAreal(const std::filesystem::path& file, std::optional<ArealMethod> method) {
    if (!method) return LoadSceneShowing(file, std::nullopt);
    return LoadSceneShowing(file,
                            *method == ArealMethod::HeightBalance ? ShowSetting::HeightBalance : ShowSetting::Thiessen);
}

void RunAreal(const ArealOptions& options) {
    const std::optional<ArealMethod> asked = ArealMethodOption(options.Method);
    if (options.MinGauges < 1) throw UsageError("--min-gauges: must be 1 or more");
    for (const auto& output : {options.Out, options.WeightsOut})
        if (!output.empty() && SameFile(output, options.Rain))
            throw UsageError(output.string() + ": is the rain file itself; choose another output");
    if (!options.Out.empty() && !options.WeightsOut.empty() &&
        std::filesystem::absolute(options.Out) == std::filesystem::absolute(options.WeightsOut))
        throw UsageError("--out and --weights-out name the same file");

    const Scene scene = LoadSceneForAreal(options.Scene, asked);
    const ArealMethod method = asked.value_or(
        scene.ShowMethod == ShowSetting::HeightBalance ? ArealMethod::HeightBalance : ArealMethod::Thiessen);

    if (std::filesystem::is_directory(options.Rain))
        throw RainFileError(options.Rain.string() + ": is a folder, not a rain file");
    std::ifstream rainStream(options.Rain, std::ios::binary);
    if (!rainStream) throw RainFileError(options.Rain.string() + ": cannot open the rain file");
    RainCsvReader reader(rainStream, options.Rain.string());

    SelectionWeights selectionWeights(scene, method);
    long builds = 0;
    const WeightsOfSelection weights = [&](const std::vector<long>& selection) {
        ++builds;
        return selectionWeights(selection);
    };

    std::unique_ptr<AtomicFile> out, weightsOut;
    if (!options.Out.empty()) out = std::make_unique<AtomicFile>(options.Out);
    if (!options.WeightsOut.empty()) weightsOut = std::make_unique<AtomicFile>(options.WeightsOut);

    std::error_code sizeError;
    const std::uintmax_t size = std::filesystem::file_size(options.Rain, sizeError);
    ProgressBar bar(std::cerr, !sizeError && size >= kProgressFromBytes && StandardErrorIsTerminal(),
                    sizeError ? 0 : size, "areal");
    const ArealCounts counts =
        WriteArealRainfall(reader, scene.Stations, ArealSettings{options.Missing, options.MinGauges}, weights,
                           out ? out->Stream() : std::cout, weightsOut ? &weightsOut->Stream() : nullptr,
                           [&bar](std::uintmax_t bytesRead, long rows) { bar.Update(bytesRead, rows); });
    bar.Finish();

    if (out) out->Commit();
    if (weightsOut) weightsOut->Commit();
    std::cout.flush();
    if (!std::cout) throw std::runtime_error("writing to standard output failed");
    if (options.Stats)
        std::cerr << "areal: " << counts.Rows << " rows, " << counts.Selections
                  << " distinct selections, weights built " << builds << " times, method " << ArealMethodName(method)
                  << "\n";
}

}  // namespace

// adds `areal [--scene FILE] [--method M] --rain FILE [--missing V]... [--min-gauges N] [--out FILE]
// [--weights-out FILE] [--stats]`
void AddArealCommand(CLI::App& app) {
    auto options = std::make_shared<ArealOptions>();
    CLI::App* areal = app.add_subcommand(
        "areal", "Areal rainfall per time step from gauge records, weighted over the gauges that reported");
    areal->add_option("--scene", options->Scene, "Scene file (default: Kelvarin.ini beside kelvarin-cli)");
    areal->add_option("--method", options->Method,
                      "thiessen, heightbalance or mean (default: the scene's own; thiessen when it shows both)");
    areal
        ->add_option("--rain", options->Rain,
                     "CSV of gauge records: time, then one column per gauge named by its number or name")
        ->required();
    areal
        ->add_option("--missing", options->Missing,
                     "a value that means no record, besides empty cells, NA and NaN (may be repeated)")
        ->allow_extra_args(false);
    areal->add_option("--min-gauges", options->MinGauges,
                      "rows with fewer gauges reporting get an empty value (default: 1)");
    areal->add_option("--out", options->Out, "output CSV (default: standard output)");
    areal->add_option("--weights-out", options->WeightsOut, "CSV of every distinct selection with its weights");
    areal->add_flag("--stats", options->Stats, "print the number of rows, selections and weight builds on stderr");
    areal->callback([options] {
        ArealOptions run = *options;
        if (run.Scene.empty()) run.Scene = DefaultScenePath();
        RunAreal(run);
    });
}

}  // namespace kelvarin
