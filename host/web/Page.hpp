#pragma once
// The lesson behind the web page: one scene, the selection, the method (Thiessen,
// height-balance, or both side by side on two surfaces), the step shown, a dragged gauge,
// the weights as the command line writes them, and a storm's areal rainfall. Every answer
// for the page's script is JSON text (see JsonText.hpp); nothing here knows the browser.

#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/web/LessonView.hpp"
#include "model/Surface.hpp"
#include "scene/Scene.hpp"

namespace kelvarin {

class Page {
  public:
    static constexpr int kSlots = 2;  // the maps side by side

    // reads a scene; {"ok":true, "stations":[...], "heightbalance":bool, "show":...} or
    // {"ok":false, "problems":[{"line":..., "message":..., "text":...}]} as `check` lists them
    std::string Open(const std::filesystem::path& file);
    // the surface of a map (nullptr: none); the page draws on it from the next Draw
    void Attach(int slot, Surface* surface);
    // "thiessen", "heightbalance" or "both"; the state, or {"ok":false,"error":...}
    std::string SetMethod(const std::string& name);
    // "all", 1-based numbers with ranges, or "" for none
    std::string Select(const std::string& list);
    // adds the gauge to the selection or takes it out
    std::string Toggle(long station);
    // the construction up to this step (below 0: finished) on every map; the state
    std::string Draw(long step);
    // the surfaces changed their sizes: every map is fitted again and drawn
    std::string Resized();
    // the gauge under a device pixel of a map, 0 for none
    long GaugeAt(int slot, double x, double y) const;
    // a drag of a gauge begins where it stands now
    void DragStart(long station);
    // the dragged gauge moved by (dx, dy) device pixels of a map since the drag began: the
    // finished constructions follow it
    std::string Drag(int slot, double dx, double dy);
    // the weights of the method's construction, as `kelvarin-cli weights --format csv`
    std::string WeightsCsv(const std::string& method);
    // a storm's areal rainfall at every time step under each method and the plain mean:
    // {"ok":true,"rows":[{"time":...,"thiessen":...,"heightbalance":...,"mean":...,
    // "gauges":...,"selection":"1-3,5"}]} or {"ok":false,"error":...}
    std::string Storm(const std::filesystem::path& records);

    // the state the page shows: method, selection, step, each map's steps, every gauge's weights
    std::string State() const;
    bool Loaded() const { return shown_ != nullptr; }

  private:
    std::vector<Method> Methods() const;
    void MakeViews();
    void Rebuild();
    std::string Failed(const std::string& error) const;

    std::shared_ptr<const Scene> shown_;  // the scene with any dragged gauge where it was left
    std::shared_ptr<const Scene> dragBase_;
    long dragged_ = 0;
    bool heightBalance_ = false;  // the scene has the centre points height-balance needs
    std::string mode_ = "thiessen";
    std::vector<long> selection_;
    long step_ = -1;
    std::array<Surface*, kSlots> surfaces_{};
    std::array<std::unique_ptr<LessonView>, kSlots> views_;
    std::vector<std::string> failures_;
};

}  // namespace kelvarin
