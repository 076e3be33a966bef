// kelvarin-cli areal: the basin's areal rainfall per time step from a file of gauge
// records, re-weighted over the gauges that reported at each step.

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
// windows.h first
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

#include "cli/ArealRainfall.hpp"
#include "cli/Commands.hpp"
#include "cli/ProgressBar.hpp"
#include "cli/RainCsv.hpp"
#include "cli/SceneOptions.hpp"
#include "cli/SelectionWeights.hpp"
#include "cli/UsageError.hpp"
#include "scene/AtomicFile.hpp"
#include "scene/ProgramFolder.hpp"
#ifdef KELVARIN_WITH_NETCDF
#include "netcdf/StationSeries.hpp"
#endif

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
    int Jobs = 0;           // 0: every core
    long From = 1, To = 0;  // data rows, 1-based, inclusive; To 0: to the end
    std::size_t Cache = 0;  // 0: as many selections as fit kCacheBytes
};

// a file the NetCDF library reads or writes, by its name
bool IsNetcdf(const std::filesystem::path& file) {
    std::string extension = file.extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".nc";
}

// the most memory the process has held, in bytes (0 where the system does not say)
std::uintmax_t PeakMemory() {
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters{};
    if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return counters.PeakWorkingSetSize;
    return 0;
#else
    struct rusage usage {};
    if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
    return static_cast<std::uintmax_t>(usage.ru_maxrss) * 1024U;
#endif
}

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

// refuses options that cannot go together, before anything is read
void CheckArealOptions(const ArealOptions& options) {
    if (options.MinGauges < 1) throw UsageError("--min-gauges: must be 1 or more");
    if (options.Jobs < 0) throw UsageError("--jobs: must be 1 or more");
    if (options.From < 1) throw UsageError("--from: must be 1 or more (1 is the first row after the header)");
    if (options.To != 0 && options.To < options.From) throw UsageError("--to: must not come before --from");
    for (const auto& output : {options.Out, options.WeightsOut})
        if (!output.empty() && SameFile(output, options.Rain))
            throw UsageError(output.string() + ": is the rain file itself; choose another output");
    if (!options.Out.empty() && !options.WeightsOut.empty() &&
        std::filesystem::absolute(options.Out) == std::filesystem::absolute(options.WeightsOut))
        throw UsageError("--out and --weights-out name the same file");
    if (std::filesystem::is_directory(options.Rain))
        throw RainFileError(options.Rain.string() + ": is a folder, not a rain file");
#ifndef KELVARIN_WITH_NETCDF
    for (const auto& file : {options.Rain, options.Out})
        if (IsNetcdf(file))
            throw UsageError(file.string() + ": this kelvarin-cli is built without NetCDF; use a CSV file");
#endif
    if (IsNetcdf(options.WeightsOut)) throw UsageError("--weights-out: the weights table is CSV only");
}

// the records of the rain file: CSV, or a NetCDF station time series
struct OpenedRain {
    std::ifstream Stream;
    std::unique_ptr<RainCsvReader> Reader;
    std::unique_ptr<RainSource> Source;
};

void OpenRain(const ArealOptions& options, OpenedRain& rain) {
#ifdef KELVARIN_WITH_NETCDF
    if (IsNetcdf(options.Rain)) {
        rain.Source = OpenStationSeries(options.Rain, options.Missing);
        return;
    }
#endif
    rain.Stream.open(options.Rain, std::ios::binary);
    if (!rain.Stream) throw RainFileError(options.Rain.string() + ": cannot open the rain file");
    rain.Reader = std::make_unique<RainCsvReader>(rain.Stream, options.Rain.string());
    std::error_code sizeError;
    const std::uintmax_t size = std::filesystem::file_size(options.Rain, sizeError);
    rain.Source = std::make_unique<CsvRainSource>(*rain.Reader, options.Missing, sizeError ? 0 : size);
}

void PrintStats(const ArealCounts& counts, const SelectionWeights& weights, ArealMethod method, int jobs) {
    std::cerr << "areal: " << counts.Rows << " rows, " << counts.Selections << " distinct selections, weights built "
              << counts.Built << " times (" << weights.Incremental() << " from the base, " << weights.Whole()
              << " whole), cache hits " << counts.Hits << ", misses " << counts.Built << ", at most " << counts.CacheCap
              << " selections cached, peak memory " << (PeakMemory() + (1U << 19U)) / (1U << 20U) << " MB, jobs "
              << jobs << ", method " << ArealMethodName(method) << "\n";
}

void RunAreal(const ArealOptions& options) {
    const std::optional<ArealMethod> asked = ArealMethodOption(options.Method);
    CheckArealOptions(options);
    const Scene scene = LoadSceneForAreal(options.Scene, asked);
    const ArealMethod method = asked.value_or(
        scene.ShowMethod == ShowSetting::HeightBalance ? ArealMethod::HeightBalance : ArealMethod::Thiessen);

    OpenedRain rain;
    OpenRain(options, rain);
    RainSource& source = *rain.Source;
    const std::vector<long> stationOfColumn = source.MatchStations(scene.Stations);
    SelectionWeights selectionWeights(scene, method);
    std::vector<long> base = stationOfColumn;
    std::sort(base.begin(), base.end());
    selectionWeights.SetBase(base);

    std::unique_ptr<AtomicFile> out, weightsOut;
    if (!options.Out.empty()) out = std::make_unique<AtomicFile>(options.Out);
    if (!options.WeightsOut.empty()) weightsOut = std::make_unique<AtomicFile>(options.WeightsOut);
    std::unique_ptr<ArealSink> sink;
#ifdef KELVARIN_WITH_NETCDF
    if (IsNetcdf(options.Out))
        sink = CreateArealSeries(out->TemporaryPath(), options.Out.string(), source, scene.BasinName,
                                 selectionWeights.SubbasinNames());
#endif
    if (!sink)
        sink = std::make_unique<CsvArealSink>(out ? out->Stream() : std::cout, source.TimeName(),
                                              selectionWeights.SubbasinNames());

    ArealSettings settings;
    settings.MinGauges = options.MinGauges;
    settings.From = options.From;
    settings.To = options.To;
    settings.Jobs =
        options.Jobs > 0 ? options.Jobs : static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
    settings.CachedSelections = options.Cache;
    settings.Subbasins = scene.Subbasins.size();
    ProgressBar bar(std::cerr, source.Size() >= kProgressFromBytes && StandardErrorIsTerminal(), source.Size(),
                    "areal");
    const ArealCounts counts = WriteArealRainfall(source, stationOfColumn, settings, std::cref(selectionWeights), *sink,
                                                  weightsOut ? &weightsOut->Stream() : nullptr,
                                                  [&bar](std::uintmax_t done, long rows) { bar.Update(done, rows); });
    bar.Finish();

    if (out) out->Commit();
    if (weightsOut) weightsOut->Commit();
    std::cout.flush();
    if (!std::cout) throw std::runtime_error("writing to standard output failed");
    if (options.Stats) PrintStats(counts, selectionWeights, method, settings.Jobs);
}

}  // namespace

// adds `areal [--scene FILE] [--method M] --rain FILE [--missing V]... [--min-gauges N] [--out FILE]
// [--weights-out FILE] [--jobs N] [--from N] [--to M] [--cache N] [--stats]`
void AddArealCommand(CLI::App& app) {
    auto options = std::make_shared<ArealOptions>();
    CLI::App* areal = app.add_subcommand(
        "areal", "Areal rainfall per time step from gauge records, weighted over the gauges that reported");
    areal->add_option("--scene", options->Scene, "Scene file (default: Kelvarin.ini beside kelvarin-cli)");
    areal->add_option("--method", options->Method,
                      "thiessen, heightbalance or mean (default: the scene's own; thiessen when it shows both)");
    areal
        ->add_option("--rain", options->Rain,
                     "gauge records: a CSV file (time, then one column per gauge named by its number or name) or "
                     "a NetCDF station time series (FILE.nc)")
        ->required();
    areal
        ->add_option("--missing", options->Missing,
                     "a value that means no record, besides empty cells, NA and NaN (may be repeated)")
        ->allow_extra_args(false);
    areal->add_option("--min-gauges", options->MinGauges,
                      "rows with fewer gauges reporting get an empty value (default: 1)");
    areal->add_option("--out", options->Out, "output CSV, or NetCDF for FILE.nc (default: CSV on standard output)");
    areal->add_option("--weights-out", options->WeightsOut, "CSV of every distinct selection with its weights");
    areal->add_option("--jobs", options->Jobs, "threads that weigh selections (default: every core)");
    areal->add_option("--from", options->From, "the first data row to write, 1 being the row after the header");
    areal->add_option("--to", options->To, "the last data row to write (default: the last of the file)");
    areal->add_option("--cache", options->Cache,
                      "the most selections whose weights stay cached (default: as many as fit 32 MB)");
    areal->add_flag("--stats", options->Stats,
                    "print rows, selections, weight builds, cache hits and misses and peak memory on stderr");
    areal->callback([options] {
        ArealOptions run = *options;
        if (run.Scene.empty()) run.Scene = DefaultScenePath();
        RunAreal(run);
    });
}

}  // namespace kelvarin
