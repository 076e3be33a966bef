// kelvarin-cli demo: the demonstration cycle itself, run unpaced for a given number
// of cycles, leaving frames, a poster of the finished constructions and a weights table.

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iomanip>
#include <iostream>
#include <memory>
#include <sstream>

#include "cli/Commands.hpp"
#include "cli/ImageCommands.hpp"
#include "cli/SceneOptions.hpp"
#include "cli/TextColumns.hpp"
#include "render/CairoSurface.hpp"
#include "render/PosterSheet.hpp"
#include "scene/ProgramFolder.hpp"
#include "view/Figure.hpp"
#include "view/picGIS.hpp"

namespace kelvarin {
namespace {

constexpr long kMaxCycles = 1000;  // a poster of more tiles would be unreadable anyway

// one selected gauge's result in one cycle
struct WeightRow {
    long Cycle;
    std::string Method;  // "thiessen", "heightbalance" or "none"
    std::string Number, Name;
    double Area = 0.0, Weight = 0.0;
};

// a number with fixed decimals, the same on every machine
std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// whether a file name is one this command gives a frame: frame-NNNNNN.png
bool IsFrameName(const std::string& name) {
    if (name.size() != 16 || !name.starts_with("frame-") || !name.ends_with(".png")) return false;
    return std::all_of(name.begin() + 6, name.begin() + 12, [](unsigned char c) { return std::isdigit(c) != 0; });
}

// removes the frames an earlier run left in the folder, so the folder shows this run only
void RemoveOldFrames(const std::filesystem::path& dir) {
    for (const auto& item : std::filesystem::directory_iterator(dir))
        if (item.is_regular_file() && IsFrameName(item.path().filename().string()))
            std::filesystem::remove(item.path());
}

}  // namespace

namespace {

// the options a run cannot start with throw UsageError
ImageSize CheckDemoOptions(const DemoOptions& options) {
    if (options.Out.empty()) throw UsageError("--out DIR is required");
    if (options.Cycles < 1 || options.Cycles > kMaxCycles)
        throw UsageError("--cycles must be from 1 to " + std::to_string(kMaxCycles) + ", not " +
                         std::to_string(options.Cycles));
    if (options.Every < 1) throw UsageError("--every must be 1 or more, not " + std::to_string(options.Every));
    const ImageSize size = ParseImageSize(options.Size);
    if (std::filesystem::exists(options.Out) && !std::filesystem::is_directory(options.Out))
        throw UsageError("--out '" + options.Out.string() + "' is a file, not a folder");
    return size;
}

// one cycle's tile on the poster and its rows of the weights table
void RecordCycle(const FigureReport& report, long cycle, CairoSurface& surface, PosterSheet& poster,
                 std::vector<WeightRow>& rows) {
    std::string method = "none", title = "none selected";
    if (report.Built) {
        const bool hb = *report.Built == Method::HeightBalance;
        method = hb ? "heightbalance" : "thiessen";
        title = std::string(hb ? kHeightBalanceCaption : kThiessenCaption) + " · " +
                std::to_string(report.Gauges.size()) + " / " + std::to_string(report.SceneGauges);
    }
    poster.Add(surface, std::to_string(cycle) + "  " + title);
    if (!report.Built) rows.push_back({cycle, method, "", "", 0.0, 0.0});
    for (const GaugeResult& g : report.Gauges) rows.push_back({cycle, method, g.Number, g.Name, g.Area, g.Weight});
}

void WriteWeightsCsv(const std::vector<WeightRow>& rows, const std::filesystem::path& file) {
    std::ofstream csv(file, std::ios::binary);
    csv << "cycle,method,number,name,area,weight\n";
    for (const WeightRow& r : rows) {
        csv << r.Cycle << ',' << r.Method << ',' << CsvField(r.Number) << ',' << CsvField(r.Name) << ',';
        if (r.Method != "none")
            csv << Fixed(r.Area, 3) << ',' << Fixed(r.Weight, 6);
        else
            csv << ',';
        csv << '\n';
    }
    csv.close();
    if (!csv) throw std::runtime_error("cannot write '" + file.string() + "'");
}

// the first cycle that constructed something, as a table
void LogFirstConstruction(const std::vector<WeightRow>& rows, std::ostream& log) {
    for (const WeightRow& first : rows) {
        if (first.Method == "none") continue;
        log << "\ncycle " << first.Cycle << ", "
            << (first.Method == "thiessen" ? kThiessenCaption : kHeightBalanceCaption) << ":\n";
        log << "  " << std::left << std::setw(10) << "number" << std::setw(16) << "name" << std::right << std::setw(16)
            << "area" << std::setw(10) << "weight"
            << "\n";
        double sum = 0.0;
        for (const WeightRow& r : rows) {
            if (r.Cycle != first.Cycle) continue;
            log << "  " << PadRight(r.Number, 10) << PadRight(r.Name, 16) << std::right << std::setw(16)
                << Fixed(r.Area, 1) << std::setw(10) << Fixed(r.Weight, 4) << "\n";
            sum += r.Weight;
        }
        log << "  " << std::left << std::setw(42) << "sum of weights" << std::right << std::setw(10) << Fixed(sum, 4)
            << "\n";
        return;
    }
}

}  // namespace

DemoResult RunDemo(const DemoOptions& options, std::ostream& log) {
    const ImageSize size = CheckDemoOptions(options);
    WarnWithoutCjkFont(std::cerr);

    auto scene = std::make_shared<const Scene>(LoadSceneShowing(options.Scene, std::nullopt));
    CairoSurface surface(size.Width, size.Height);
    surface.SetAutoRedraw(true);  // the window keeps what is drawn on it
    Demonstration demonstration(surface, scene, options.Seed);

    std::filesystem::create_directories(options.Out);
    RemoveOldFrames(options.Out);

    // frames are numbered from the first one the cycle presents
    DemoResult result;
    const long loadingFrames = surface.FramesPresented();
    surface.SetPresentHook([&](const CairoSurface::Frame& frame) {
        const long number = frame.Number - loadingFrames;
        if ((number - 1) % options.Every != 0) return;
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06ld.png", number);
        frame.Owner.WritePng(options.Out / name);
        ++result.FramesWritten;
    });

    PosterSheet poster(size.Width, size.Height, options.Cycles);
    std::vector<WeightRow> rows;
    long labels = 0;
    result.Cycles = demonstration.Run(options.Cycles, [&](long cycle, const FigureReport& report) {
        if (options.Progress) *options.Progress << "\rdemo: cycle " << cycle << " of " << options.Cycles << std::flush;
        RecordCycle(report, cycle, surface, poster, rows);
        labels += static_cast<long>(report.Gauges.size());
        result.UnplacedLabels += report.UnplacedLabels;
    });
    surface.SetPresentHook(nullptr);
    if (options.Progress) *options.Progress << "\n";

    result.FramesPresented = surface.FramesPresented() - loadingFrames;
    result.Poster = options.Out / "poster.png";
    result.Weights = options.Out / "weights.csv";
    poster.WritePng(result.Poster);
    WriteWeightsCsv(rows, result.Weights);

    log << "demo: " << result.Cycles << " cycles, " << result.FramesPresented << " frames presented, "
        << result.FramesWritten << " written (every " << options.Every << ") to " << options.Out.string() << "\n"
        << "poster:  " << result.Poster.string() << "\n"
        << "weights: " << result.Weights.string() << "\n";
    LogFirstConstruction(rows, log);
    ReportUnplacedLabels(result.UnplacedLabels, labels, std::cerr);
    return result;
}

// adds `demo [--scene FILE] [--cycles N] [--seed S] [--size WxH] [--every K] --out DIR`
void AddDemoCommand(CLI::App& app) {
    auto options = std::make_shared<DemoOptions>();
    auto scene = std::make_shared<std::string>();
    auto out = std::make_shared<std::string>();
    CLI::App* demo = app.add_subcommand(
        "demo", "Run the demonstration cycle unpaced: numbered frames, poster.png and weights.csv in a folder");
    demo->add_option("--scene", *scene, "Scene file (default: Kelvarin.ini beside kelvarin-cli)");
    demo->add_option("--cycles", options->Cycles, "number of cycles")->capture_default_str();
    demo->add_option("--seed", options->Seed, "random seed; the same seed gives the same files")->capture_default_str();
    demo->add_option("--size", options->Size, "frame size WxH in pixels")->capture_default_str();
    demo->add_option("--every", options->Every, "write every K-th presented frame")->capture_default_str();
    demo->add_option("--out", *out, "folder for the frames, poster.png and weights.csv (created when missing)");
    demo->callback([options, scene, out] {
        options->Scene = scene->empty() ? DefaultScenePath() : std::filesystem::path(*scene);
        options->Out = *out;
        // a long run shows how far it is, where someone watches the terminal
        if (::isatty(STDERR_FILENO) != 0) options->Progress = &std::cerr;
        RunDemo(*options, std::cout);
    });
}

}  // namespace kelvarin
