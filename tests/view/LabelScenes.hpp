#pragma once
// Generated pictures for the gauge labels' tests: gauges spread evenly over the picture or
// gathered in clusters (a few standing on the same spot), with long Latin or Chinese names,
// measured by whatever surface the test draws on; and the labels a map window actually
// drew, read back from the calls it made.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "model/DrawingSizes.hpp"
#include "model/ForwardingSurface.hpp"
#include "scene/MapLocal.hpp"
#include "scene/Scene.hpp"
#include "tests/view/BruteForceLabelRules.hpp"
#include "view/LabelPlacement.hpp"
#include "view/ScriptedWindowSystem.hpp"
#include "view/picGIS.hpp"

namespace kelvarin::testing {

enum class Spread { Even, Clustered };
enum class Names { Latin, Chinese, Mixed };

struct LabelCase {
    int Width = 1920, Height = 1080;
    int Gauges = 100;
    Spread Layout = Spread::Even;
    Names Naming = Names::Latin;
    bool Panel = false;  // a credit panel lies over the picture
    std::uint64_t Seed = 1;

    std::string Describe() const {
        char text[160];
        std::snprintf(text, sizeof text, "%d gauges %s, %s names, %dx%d%s, seed %llu", Gauges,
                      Layout == Spread::Even ? "spread" : "clustered",
                      Naming == Names::Latin ? "Latin" : (Naming == Names::Chinese ? "Chinese" : "mixed"), Width,
                      Height, Panel ? " under a panel" : "", static_cast<unsigned long long>(Seed));
        return text;
    }
};

// gauge i's name: long, and each a little different
inline std::string GaugeName(Names naming, int i) {
    static const char* const kLatin[] = {"RIO_GRANDE_NEAR_DEL_NORTE", "WHISKEY_CREEK_AT_NORTH_LAKE", "BEARTOWN",
                                         "ALAMOSA_BERG_UPPER", "BLANCA"};
    static const char* const kChinese[] = {"大甲溪上游第三雨量站", "雲棲山南坡", "楓林坑口", "石梯嶺觀測站", "白石潭"};
    const bool chinese = naming == Names::Chinese || (naming == Names::Mixed && i % 2 == 1);
    return std::string(chinese ? kChinese[i % 5] : kLatin[i % 5]) + "_" + std::to_string(i);
}

// a gauge's label as the map window writes it: its name and its weight
inline std::string GaugeLabelText(Names naming, int i) {
    return GaugeName(naming, i) + " " + std::to_string(i % 40) + ".5%";
}

// gauge positions in device pixels: even over the picture, or in a few tight clusters
inline std::vector<MarkPoint> GaugePoints(const LabelCase& c) {
    std::mt19937_64 random(c.Seed);
    std::uniform_real_distribution<double> x(0.0, c.Width), y(0.0, c.Height), unit(0.0, 1.0);
    std::vector<MarkPoint> points;
    if (c.Layout == Spread::Even) {
        for (int i = 0; i < c.Gauges; ++i) points.push_back({x(random), y(random)});
        return points;
    }
    std::vector<MarkPoint> centres;
    for (int k = 0; k < 1 + c.Gauges / 25; ++k) centres.push_back({x(random), y(random)});
    std::normal_distribution<double> spread(0.0, std::min(c.Width, c.Height) / 14.0);
    for (int i = 0; i < c.Gauges; ++i) {
        if (i > 0 && unit(random) < 0.03) {  // a second gauge on the spot of another
            points.push_back(points[static_cast<std::size_t>(random() % points.size())]);
            continue;
        }
        const MarkPoint& centre = centres[static_cast<std::size_t>(i) % centres.size()];
        points.push_back({std::clamp(centre.X + spread(random), 0.0, 1.0 * c.Width),
                          std::clamp(centre.Y + spread(random), 0.0, 1.0 * c.Height)});
    }
    return points;
}

// The field a map window of the case's size gives the placement (its marks a fortieth of the
// shorter side across), every gauge labelled, the text measured by the surface.
inline LabelField MakeLabelField(const Surface& surface, const LabelCase& c) {
    const DrawingSizes sizes = DrawingSizesFor(c.Width, c.Height);
    const double markSize = std::min(c.Width, c.Height) / 40.0;
    LabelField field;
    field.Width = c.Width;
    field.Height = c.Height;
    field.MarkRadius = std::max(markSize / 2.0 + sizes.Pen / 2.0, sizes.Dot);
    field.Offset = markSize * 0.75;
    field.Gap = sizes.Pen;
    field.Marks = GaugePoints(c);
    if (c.Panel) field.Covered.push_back({c.Width * 0.3, c.Height * 0.1, c.Width * 0.75, c.Height * 0.2});
    for (int i = 0; i < c.Gauges; ++i)
        field.Labels.push_back({static_cast<std::size_t>(i), surface.MeasureText(GaugeLabelText(c.Naming, i))});
    return field;
}

// Every case the property tests run: 10 to 300 gauges, spread and clustered, each naming,
// from a small preview to a large screen.
inline std::vector<LabelCase> PropertyCases() {
    std::vector<LabelCase> cases;
    std::uint64_t seed = 1;
    for (const auto& [w, h] : {std::pair{320, 240}, {1280, 720}, {1920, 1080}, {3840, 2160}})
        for (int gauges : {10, 30, 100, 300})
            for (Spread layout : {Spread::Even, Spread::Clustered})
                for (Names naming : {Names::Latin, Names::Chinese, Names::Mixed})
                    cases.push_back({w, h, gauges, layout, naming, seed % 3 == 0, seed++});
    return cases;
}

// A label a map window printed: where it starts (map units), its text, and the leader line
// drawn just before it, if any.
struct DrawnLabel {
    double X = 0.0, Y = 0.0;
    int Align = 0;
    std::string Text;
    bool Led = false;
    double LeaderX1 = 0.0, LeaderY1 = 0.0, LeaderX2 = 0.0, LeaderY2 = 0.0;
};

// passes every call on and keeps the text it prints and the lines drawn before each text
class LabelTrace : public ForwardingSurface {
  public:
    using ForwardingSurface::ForwardingSurface;
    void Line(double x1, double y1, double x2, double y2, ColorRef color) override {
        pending_ = {0.0, 0.0, 0, {}, true, x1, y1, x2, y2};
        ForwardingSurface::Line(x1, y1, x2, y2, color);
    }
    void MoveTo(double x, double y) override {
        x_ = x;
        y_ = y;
        ForwardingSurface::MoveTo(x, y);
    }
    void SetTextAlign(int flags) override {
        align_ = flags;
        ForwardingSurface::SetTextAlign(flags);
    }
    void Print(std::string_view text) override {
        DrawnLabel label = pending_;
        label.X = x_;
        label.Y = y_;
        label.Align = align_;
        label.Text = std::string(text);
        labels_.push_back(label);
        pending_ = {};
        ForwardingSurface::Print(text);
    }
    const std::vector<DrawnLabel>& Labels() const { return labels_; }
    void Forget() { labels_.clear(), pending_ = {}; }

  private:
    double x_ = 0.0, y_ = 0.0;
    int align_ = 0;
    DrawnLabel pending_;
    std::vector<DrawnLabel> labels_;
};

// a scene of a case's gauges (y turned north) over a basin the size of the picture
inline std::shared_ptr<const Scene> LabelScene(const LabelCase& c) {
    Scene scene;
    scene.BasinName = "Basin";
    const double w = c.Width, h = c.Height;
    scene.Basin = {{0.0, 0.0, 0.0}, {w, 0.0, 0.0}, {w, h, 0.0}, {0.0, h, 0.0}};
    const std::vector<MarkPoint> points = GaugePoints(c);
    for (int i = 0; i < c.Gauges; ++i) {
        const MarkPoint& p = points[static_cast<std::size_t>(i)];
        scene.Stations.push_back({GaugeName(c.Naming, i), std::to_string(1001 + i), cPoint{p.X, h - p.Y, 0.0}});
    }
    return std::make_shared<const Scene>(PlacedOnMap(std::move(scene)));
}

// The map window showing a case's scene on a surface with every gauge selected and weighed
// and the credit label at a random place, after ShowStationWeights: what it drew is in Trace.
struct LabelledWindow {
    ScriptedWindowSystem WindowSystem;
    LabelTrace Trace;
    picGIS Map;
    long Unplaced = 0;

    LabelledWindow(Surface& surface, const LabelCase& c)
        : WindowSystem(c.Seed), Trace(surface), Map(Trace, WindowSystem) {
        Map.OpenScene(LabelScene(c));
        Map.PlaceCreditLabel();
        for (auto& entry : Map.Stations) {
            entry->pSelect = true;
            entry->GageStation->Weight = 1.0 / c.Gauges;
        }
        Trace.Forget();
        Unplaced = Map.ShowStationWeights();
    }
};

// What is wrong with the labels the window drew, read back from its calls and measured by
// the surface: each must be printed from the left end of its baseline, near its gauge or
// joined to it by a leader; and where the window says every label found a free place, no
// two may overlap, none may cover another gauge's mark or leave the picture, and no leader
// may cross a label or a mark. Where it says some did not, each conflict must involve a
// label at its preferred place.
inline std::vector<std::string> DrawnLabelProblems(LabelledWindow& w) {
    Surface& surface = w.Trace;
    const ScaleRect view = surface.Scale();
    const double width = surface.DeviceWidth(), height = surface.DeviceHeight();
    const auto px = [&](double x) { return (x - view.Left) / view.Width() * width; };
    const auto py = [&](double y) { return (y - view.Top) / view.Height() * height; };
    const DrawingSizes sizes = DrawingSizesFor(static_cast<int>(width), static_cast<int>(height));
    const double markSize = w.Map.StationMarkSize * width / view.Width();
    const double radius = std::max(markSize / 2.0 + sizes.Pen / 2.0, sizes.Dot), offset = markSize * 0.75;

    std::vector<MarkPoint> marks;
    for (const auto& entry : w.Map.Stations)
        marks.push_back({px(entry->GageStation->Point->X), py(entry->GageStation->Point->Y)});
    const std::vector<DrawnLabel>& drawn = w.Trace.Labels();
    std::vector<std::string> problems;
    if (drawn.size() != marks.size())
        return {"drew " + std::to_string(drawn.size()) + " labels for " + std::to_string(marks.size()) + " gauges"};
    std::vector<LabelBox> boxes;
    std::vector<bool> preferred;
    for (std::size_t k = 0; k < drawn.size(); ++k) {
        const DrawnLabel& d = drawn[k];
        const TextExtent text = surface.MeasureText(d.Text);
        const double x = px(d.X), y = py(d.Y);
        boxes.push_back({x, y - text.Baseline, x + text.Width, y - text.Baseline + text.Height});
        preferred.push_back(std::abs(x - (marks[k].X + offset)) < 1e-6 && std::abs(y - marks[k].Y) < 1e-6);
        const std::string who = "label '" + d.Text + "' ";
        if (d.Align != (TextAlign::Left | TextAlign::Baseline))
            problems.push_back(who + "is not printed from its baseline's left end");
        const double distance = BoxDistance(boxes[k], marks[k]);
        if (!d.Led && distance > offset + 1e-6) problems.push_back(who + "lies far from its gauge without a leader");
        if (d.Led) {
            const MarkPoint from{px(d.LeaderX1), py(d.LeaderY1)}, to{px(d.LeaderX2), py(d.LeaderY2)};
            if (std::abs(PointDistance(from, marks[k]) - radius) > 1e-6 || BoxDistance(boxes[k], to) > 1e-6)
                problems.push_back(who + "has a leader that does not join its mark to it");
            if (distance > offset + kLeaderRings * text.Height + 1e-6) problems.push_back(who + "is led too far");
        }
    }
    const auto [panelWidth, panelHeight] = surface.LabelExtent();
    const LabelBox panel{px(w.Map.labMarkTarvo.Left), py(w.Map.labMarkTarvo.Top),
                         px(w.Map.labMarkTarvo.Left) + panelWidth, py(w.Map.labMarkTarvo.Top) + panelHeight};
    const auto conflict = [&](const std::string& what, bool allowed) {
        if (w.Unplaced == 0 || !allowed) problems.push_back(what);
    };
    for (std::size_t k = 0; k < drawn.size(); ++k) {
        const LabelBox& b = boxes[k];
        const std::string who = "label '" + drawn[k].Text + "' ";
        if (b.Left < 0 || b.Top < 0 || b.Right > width || b.Bottom > height)
            conflict(who + "leaves the picture", preferred[k]);
        if (BoxesMeet(b, panel, 0.0)) conflict(who + "lies under the credit label", preferred[k]);
        for (std::size_t m = 0; m < marks.size(); ++m)
            if (m != k && BoxDistance(b, marks[m]) < radius)
                conflict(who + "covers another gauge's mark", preferred[k]);
        for (std::size_t l = k + 1; l < drawn.size(); ++l)
            if (BoxesMeet(b, boxes[l], 0.0))
                conflict(who + "overlaps '" + drawn[l].Text + "'", preferred[k] || preferred[l]);
        if (!drawn[k].Led || w.Unplaced > 0) continue;
        const MarkPoint from{px(drawn[k].LeaderX1), py(drawn[k].LeaderY1)},
            to{px(drawn[k].LeaderX2), py(drawn[k].LeaderY2)};
        for (std::size_t l = 0; l < drawn.size(); ++l)
            if (l != k && SegmentEntersBox(from, to, boxes[l], 0.0))
                problems.push_back(who + "has a leader across another label");
        for (std::size_t m = 0; m < marks.size(); ++m)
            if (m != k && SegmentPointDistance(from, to, marks[m]) < radius)
                problems.push_back(who + "has a leader across a mark");
    }
    return problems;
}

}  // namespace kelvarin::testing
