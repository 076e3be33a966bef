// kelvarin-cli weights: every station's area and weight for a chosen selection of
// gauges, computed by the construction engine the saver draws from, printed as an
// aligned table, CSV or JSON.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/Commands.hpp"
#include "cli/SceneOptions.hpp"
#include "cli/TextColumns.hpp"
#include "cli/UsageError.hpp"
#include "cli/WeightsTable.hpp"
#include "engine/Construction.hpp"
#include "scene/ProgramFolder.hpp"
#include "scene/Scene.hpp"

namespace kelvarin {
namespace {

struct WeightsOptions {
    std::filesystem::path Scene;
    std::string Method;            // "thiessen", "heightbalance", or empty: the scene's own
    std::string Stations = "all";  // "all" or 1-based numbers in file order with ranges: 1,3,5-8
    std::string Format = "table";  // table, csv or json
};

void WriteJson(const std::vector<WeightsRow>& rows, const WeightsOptions& options, const std::string& method,
               double basinArea, double weightSum, std::ostream& out) {
    nlohmann::ordered_json doc;
    doc["scene"] = options.Scene.string();
    doc["method"] = method;
    doc["basin_area"] = basinArea;
    doc["weight_sum"] = weightSum;
    doc["stations"] = nlohmann::ordered_json::array();
    for (const WeightsRow& r : rows) {
        nlohmann::ordered_json s;
        s["index"] = r.Index;
        s["name"] = r.Name;
        s["number"] = r.Number;
        s["x"] = r.X;
        s["y"] = r.Y;
        s["z"] = r.z;
        s["selected"] = r.Selected;
        s["area"] = r.Area ? nlohmann::ordered_json(*r.Area) : nlohmann::ordered_json(nullptr);
        s["weight"] = r.Weight ? nlohmann::ordered_json(*r.Weight) : nlohmann::ordered_json(nullptr);
        doc["stations"].push_back(std::move(s));
    }
    out << doc.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
}

void WriteTable(const std::vector<WeightsRow>& rows, const std::string& method, double basinArea, double weightSum,
                std::ostream& out) {
    auto fixed = [](double v, int decimals) {
        char text[64];
        std::snprintf(text, sizeof text, "%.*f", decimals, v);
        return std::string(text);
    };
    const std::vector<std::string> heads = {"#", "name", "number", "x", "y", "z", "selected", "area", "weight"};
    std::vector<std::vector<std::string>> cells;
    cells.reserve(rows.size());
    for (const WeightsRow& r : rows)
        cells.push_back({std::to_string(r.Index), r.Name, r.Number, fixed(r.X, 2), fixed(r.Y, 2), fixed(r.z, 2),
                         r.Selected ? "yes" : "no", r.Area ? fixed(*r.Area, 2) : "",
                         r.Weight ? fixed(*r.Weight, 6) : ""});
    std::vector<std::size_t> widths;
    widths.reserve(heads.size());
    for (const auto& h : heads) widths.push_back(DisplayWidth(h));
    for (const auto& line : cells)
        for (std::size_t c = 0; c < line.size(); ++c) widths[c] = std::max(widths[c], DisplayWidth(line[c]));
    // text columns align left, numbers right
    auto put = [&](const std::vector<std::string>& line) {
        std::string text;
        for (std::size_t c = 0; c < line.size(); ++c) {
            const std::string pad(widths[c] - DisplayWidth(line[c]), ' ');
            const bool left = c == 1 || c == 2 || c == 6;
            text += (c ? "  " : "") + (left ? line[c] + pad : pad + line[c]);
        }
        text.erase(text.find_last_not_of(' ') + 1);
        out << text << '\n';
    };
    out << "method: " << method << '\n';
    put(heads);
    for (const auto& line : cells) put(line);
    out << "basin area: " << fixed(basinArea, 2) << " square map units\n";
    out << "sum of weights: " << fixed(weightSum, 12) << '\n';
}

// loads the scene as the saver does, builds the chosen method's construction of the selection and prints every station
void RunWeights(const WeightsOptions& options, std::ostream& out) {
    const std::optional<Method> asked = MethodOption(options.Method);
    if (options.Format != "table" && options.Format != "csv" && options.Format != "json")
        throw UsageError("--format: \"" + options.Format + "\" is none of table, csv, json");

    const Scene scene = LoadSceneFor(options.Scene, asked);
    const std::vector<long> selection = StationsOption(options.Stations, static_cast<long>(scene.Stations.size()));
    const std::string method = MethodName(MethodFor(asked, scene));
    const Construction construction = BuildConstruction(MethodFor(asked, scene), scene.Local, selection);

    const std::vector<WeightsRow> rows = WeightsRows(scene, construction);
    const double basinArea = scene.Local.BasinArea;
    double weightSum = 0.0;
    for (const WeightsRow& r : rows)
        if (r.Weight) weightSum += *r.Weight;

    if (options.Format == "csv") {
        WriteWeightsCsv(rows, out);
    } else if (options.Format == "json") {
        WriteJson(rows, options, method, basinArea, weightSum, out);
    } else {
        WriteTable(rows, method, basinArea, weightSum, out);
    }
}

}  // namespace

// adds `weights [--scene FILE] [--method M] [--stations LIST] [--format F]`
void AddWeightsCommand(CLI::App& app) {
    auto options = std::make_shared<WeightsOptions>();
    CLI::App* weights =
        app.add_subcommand("weights", "Print every station's area and weight for a selection of gauges");
    weights->add_option("--scene", options->Scene, "Scene file (default: Kelvarin.ini beside kelvarin-cli)");
    weights->add_option("--method", options->Method,
                        "thiessen or heightbalance (default: the scene's own; thiessen when it shows both)");
    weights->add_option("--stations", options->Stations,
                        "all, or station numbers in file order from 1 with ranges, such as 1,3,5-8 (default: all)");
    weights->add_option("--format", options->Format, "table, csv or json (default: table)");
    weights->callback([options] {
        WeightsOptions run = *options;
        if (run.Scene.empty()) run.Scene = DefaultScenePath();
        RunWeights(run, std::cout);
    });
}

}  // namespace kelvarin
