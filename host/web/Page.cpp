#include "host/web/Page.hpp"

#include <algorithm>
#include <exception>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "cli/ArealRainfall.hpp"
#include "cli/RainCsv.hpp"
#include "cli/SelectionWeights.hpp"
#include "cli/WeightsTable.hpp"
#include "engine/StationList.hpp"
#include "host/web/GaugeMove.hpp"
#include "host/web/JsonText.hpp"

namespace kelvarin {
namespace {

const char* MethodText(Method method) { return method == Method::HeightBalance ? "heightbalance" : "thiessen"; }

const char* ShowText(ShowSetting show) {
    switch (show) {
        case ShowSetting::HeightBalance:
            return "heightbalance";
        case ShowSetting::Both:
            return "both";
        case ShowSetting::Thiessen:
            break;
    }
    return "thiessen";
}

const char* StepKindText(StepKind kind) {
    switch (kind) {
        case StepKind::Triangle:
            return "triangle";
        case StepKind::CenterTriangle:
            return "centretriangle";
        case StepKind::Segment:
            return "segment";
        case StepKind::Ring:
            return "ring";
        case StepKind::Piece:
            return "piece";
    }
    return "triangle";
}

// every problem of a scene that cannot be used, one object each
std::string ProblemsJson(const std::vector<SceneProblem>& problems) {
    std::string json = "{\"ok\":false,\"problems\":[";
    for (std::size_t i = 0; i < problems.size(); ++i) {
        const SceneProblem& p = problems[i];
        json += (i ? "," : "") + std::string("{\"line\":") + std::to_string(p.Line) +
                ",\"message\":" + JsonString(p.Message) + ",\"text\":" + JsonString(p.ToString()) + "}";
    }
    return json + "]}";
}

std::string StationsJson(const Scene& scene) {
    std::string json = "[";
    for (std::size_t i = 0; i < scene.Stations.size(); ++i) {
        const SceneStation& s = scene.Stations[i];
        json += (i ? "," : "") + std::string("{\"index\":") + std::to_string(i + 1) +
                ",\"name\":" + JsonString(s.Name) + ",\"number\":" + JsonString(s.Number) + "}";
    }
    return json + "]";
}

}  // namespace

std::string Page::Open(const std::filesystem::path& file) {
    std::shared_ptr<Scene> scene;
    ShowSetting own = ShowSetting::Thiessen;
    try {
        scene = std::make_shared<Scene>(LoadScene(file));
        own = scene->ShowMethod;
    } catch (const SceneError& e) {
        return ProblemsJson(e.Problems());
    } catch (const std::exception& e) {
        return ProblemsJson({SceneProblem{file, 0, e.what()}});
    }
    // both methods when the file has every centre point, else Thiessen alone
    heightBalance_ = own != ShowSetting::Thiessen;
    if (!heightBalance_) {
        try {
            scene = std::make_shared<Scene>(LoadScene(file, ShowSetting::Both));
            heightBalance_ = true;
        } catch (const std::exception&) {
        }
    }
    shown_ = scene;
    dragBase_.reset();
    dragged_ = 0;
    mode_ = own == ShowSetting::HeightBalance ? "heightbalance" : "thiessen";
    selection_ = ParseStationList("all", static_cast<long>(shown_->Stations.size()));
    step_ = -1;
    MakeViews();
    return "{\"ok\":true,\"stations\":" + StationsJson(*shown_) +
           ",\"heightbalance\":" + (heightBalance_ ? "true" : "false") + ",\"show\":\"" + ShowText(own) + "\"}";
}

std::vector<Method> Page::Methods() const {
    if (mode_ == "both") return {Method::Thiessen, Method::HeightBalance};
    return {mode_ == "heightbalance" ? Method::HeightBalance : Method::Thiessen};
}

void Page::Attach(int slot, Surface* surface) {
    if (slot < 0 || slot >= kSlots) throw std::out_of_range("there is no map " + std::to_string(slot));
    surfaces_[static_cast<std::size_t>(slot)] = surface;
    MakeViews();
}

// one view per method shown, on the surfaces in order, each with the scene and the selection built
void Page::MakeViews() {
    for (auto& view : views_) view.reset();
    if (!shown_) return;
    const std::vector<Method> methods = Methods();
    for (std::size_t i = 0; i < methods.size(); ++i) {
        if (surfaces_[i] == nullptr) continue;
        views_[i] = std::make_unique<LessonView>(*surfaces_[i], methods[i]);
        views_[i]->Open(shown_);
    }
    Rebuild();
}

void Page::Rebuild() {
    failures_.clear();
    for (auto& view : views_) {
        if (!view) continue;
        if (auto failure = view->Build(selection_)) failures_.push_back(*failure);
    }
}

std::string Page::Failed(const std::string& error) const {
    return "{\"ok\":false,\"error\":" + JsonString(error) + "}";
}

std::string Page::SetMethod(const std::string& name) {
    if (name != "thiessen" && name != "heightbalance" && name != "both")
        return Failed("method \"" + name + "\" is none of thiessen, heightbalance, both");
    if (name != "thiessen" && !heightBalance_)
        return Failed("this scene has no centre point for every pair of gauges: only the Thiessen method can be built");
    mode_ = name;
    MakeViews();
    return Draw(step_);
}

std::string Page::Select(const std::string& list) {
    if (!shown_) return Failed("no scene is open");
    try {
        // an empty list is no gauge at all: a storm's step where none reported, or the last one taken out
        selection_ =
            list.empty() ? std::vector<long>{} : ParseStationList(list, static_cast<long>(shown_->Stations.size()));
    } catch (const std::invalid_argument& e) {
        return Failed(std::string("stations: ") + e.what());
    }
    Rebuild();
    return Draw(step_);
}

std::string Page::Toggle(long station) {
    if (!shown_ || station < 1 || station > static_cast<long>(shown_->Stations.size()))
        return Failed("there is no gauge " + std::to_string(station));
    const auto at = std::lower_bound(selection_.begin(), selection_.end(), station);
    if (at != selection_.end() && *at == station) {
        selection_.erase(at);
    } else {
        selection_.insert(at, station);
    }
    Rebuild();
    return Draw(step_);
}

std::string Page::Draw(long step) {
    step_ = step < 0 ? -1 : step;
    const long steps = step_ < 0 ? LessonView::kAllSteps : step_;
    for (auto& view : views_)
        if (view) view->Draw(steps);
    return State();
}

std::string Page::Resized() {
    for (auto& view : views_)
        if (view) view->Refit();
    return Draw(step_);
}

long Page::GaugeAt(int slot, double x, double y) const {
    if (slot < 0 || slot >= kSlots || !views_[static_cast<std::size_t>(slot)]) return 0;
    return views_[static_cast<std::size_t>(slot)]->GaugeAt(x, y);
}

void Page::DragStart(long station) {
    dragBase_ = shown_;
    dragged_ = station;
}

std::string Page::Drag(int slot, double dx, double dy) {
    if (!dragBase_ || slot < 0 || slot >= kSlots || !views_[static_cast<std::size_t>(slot)])
        return Failed("no gauge is being dragged");
    const LessonView& view = *views_[static_cast<std::size_t>(slot)];
    const EngineScene& local = dragBase_->Local;
    const cPoint& from = local.Stations.at(static_cast<std::size_t>(dragged_ - 1));
    // the gauge stays on the map, so that it can be seen and picked again
    const double x = std::clamp(from.X + dx * view.UnitsPerPixelX(), local.MapExtent[0].X, local.MapExtent[1].X);
    const double y = std::clamp(from.Y + dy * view.UnitsPerPixelY(), local.MapExtent[1].Y, local.MapExtent[0].Y);
    shown_ = MovedGauge(dragBase_, dragged_, x, y);
    for (auto& v : views_)
        if (v) v->Open(shown_);
    Rebuild();
    return Draw(-1);
}

std::string Page::State() const {
    if (!shown_) return Failed("no scene is open");
    std::string json = "{\"ok\":true,\"method\":\"" + mode_ +
                       "\",\"selection\":" + JsonString(StationListText(selection_)) +
                       ",\"step\":" + std::to_string(step_) + ",\"views\":[";
    // each gauge's results per method shown so far: "thiessen":{...} members of its row
    std::vector<std::string> results(shown_->Stations.size());
    bool first = true;
    for (const auto& view : views_) {
        if (!view) continue;
        const long shown = step_ < 0 ? view->StepCount() : std::min(step_, view->StepCount());
        json += (first ? "" : ",") + std::string("{\"method\":\"") + MethodText(view->Used()) +
                "\",\"steps\":" + std::to_string(view->StepCount()) + ",\"current\":";
        first = false;
        if (shown > 0) {
            const LessonStep& s = view->Steps()[static_cast<std::size_t>(shown - 1)];
            json += std::string("{\"kind\":\"") + StepKindText(s.Kind) + "\",\"station\":" + std::to_string(s.Station) +
                    "}";
        } else {
            json += "null";
        }
        json += "}";
        for (const LessonWeight& w : view->WeightsAfter(shown))
            results[static_cast<std::size_t>(w.Station - 1)] += std::string(",\"") + MethodText(view->Used()) +
                                                                "\":{\"area\":" + JsonNumber(w.Area) +
                                                                ",\"weight\":" + JsonNumber(w.Weight) + "}";
    }
    json += "],\"failures\":[";
    for (std::size_t i = 0; i < failures_.size(); ++i) json += (i ? "," : "") + JsonString(failures_[i]);
    json += "],\"rows\":[";
    for (std::size_t i = 0; i < shown_->Stations.size(); ++i) {
        const long station = static_cast<long>(i + 1);
        const bool selected = std::binary_search(selection_.begin(), selection_.end(), station);
        json += (i ? "," : "") + std::string("{\"index\":") + std::to_string(station) +
                ",\"selected\":" + (selected ? "true" : "false") + results[i];
        // where the gauge stands on the first map, in its device pixels
        if (views_[0]) {
            const auto [x, y] = views_[0]->GaugePixel(station);
            json += ",\"x\":" + JsonNumber(x) + ",\"y\":" + JsonNumber(y);
        }
        json += "}";
    }
    return json + "]}";
}

std::string Page::WeightsCsv(const std::string& method) {
    if (!shown_) return {};
    const Method used = method == "heightbalance" ? Method::HeightBalance : Method::Thiessen;
    std::ostringstream out;
    WriteWeightsCsv(WeightsRows(*shown_, BuildConstruction(used, shown_->Local, selection_)), out);
    return out.str();
}

namespace {

// one column of the areal rainfall of every time step under one weighting
std::vector<std::vector<std::string>> ArealColumn(const std::filesystem::path& records, const Scene& scene,
                                                  ArealMethod method) {
    std::ifstream in(records, std::ios::binary);
    if (!in) throw RainFileError(records.filename().string() + ": cannot be read");
    RainCsvReader reader(in, records.filename().string());
    SelectionWeights weights(scene, method);
    std::ostringstream out;
    WriteArealRainfall(reader, scene.Stations, ArealSettings{}, std::ref(weights), out, nullptr);
    // read back with the same CSV reader: time, areal rainfall, gauges, selection
    std::istringstream written(out.str());
    RainCsvReader table(written, "areal rainfall");
    std::vector<std::vector<std::string>> rows;
    for (std::vector<std::string> fields; table.Next(fields);) rows.push_back(fields);
    return rows;
}

}  // namespace

std::string Page::Storm(const std::filesystem::path& records) {
    if (!shown_) return Failed("no scene is open");
    try {
        const auto thiessen = ArealColumn(records, *shown_, ArealMethod::Thiessen);
        const auto mean = ArealColumn(records, *shown_, ArealMethod::Mean);
        std::vector<std::vector<std::string>> balance;
        if (heightBalance_) balance = ArealColumn(records, *shown_, ArealMethod::HeightBalance);
        auto value = [](const std::string& cell) { return cell.empty() ? std::string("null") : cell; };
        std::string json = "{\"ok\":true,\"rows\":[";
        for (std::size_t i = 0; i < thiessen.size(); ++i) {
            const auto& row = thiessen[i];
            json += (i ? "," : "") + std::string("{\"time\":") + JsonString(row[0]) + ",\"thiessen\":" + value(row[1]) +
                    ",\"heightbalance\":" + (balance.empty() ? "null" : value(balance[i][1])) +
                    ",\"mean\":" + value(mean[i][1]) + ",\"gauges\":" + value(row[2]) +
                    ",\"selection\":" + JsonString(row[3]) + "}";
        }
        return json + "]}";
    } catch (const std::exception& e) {
        return Failed(e.what());
    }
}

}  // namespace kelvarin
