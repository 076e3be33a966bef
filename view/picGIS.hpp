#pragma once
// The map window: it shows one scene (the one scene state, read and placed on the map
// once; its layers, stations and centre points are built from it or read through it),
// places map coordinates on the surface with equal scales and north up, runs both method
// drivers and the endless demonstration cycle, and keeps the exit counter.
// It sees the outside world only through a Surface and a WindowSystem.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/BoundedArray.hpp"
#include "model/Color.hpp"
#include "model/Stations.hpp"
#include "model/Surface.hpp"
#include "model/cLayer.hpp"
#include "model/cPoint.hpp"
#include "scene/ProgramFolder.hpp"
#include "scene/Scene.hpp"
#include "view/LabelPlacement.hpp"
#include "view/WindowSystem.hpp"

namespace kelvarin {

struct Construction;
enum class Method;

// Layer numbers of lyrLayer.
namespace LayerIndex {
constexpr long Basin = 1;
constexpr long TriangleNetwork = 2;
constexpr long CenterPointNetwork = 3;
constexpr long PolygonNetwork = 4;
constexpr long Intersection = 5;
constexpr long Streams = 6;
constexpr long Other = 7;
constexpr long Count = 7;
}  // namespace LayerIndex

// The window's colours (0x00BBGGRR).
namespace MapColor {
constexpr ColorRef White = 0xFFFFFF;
constexpr ColorRef Green = 0x008000;
constexpr ColorRef Yellow = 0x00FFFF;
constexpr ColorRef BrightGreen = 0x00FF00;
constexpr ColorRef Blue = 0xFF0000;
constexpr ColorRef Magenta = 0xFF00FF;
constexpr ColorRef Red = 0x0000FF;
}  // namespace MapColor

// the sub-basins' outlines in layer 7: a quiet grey beside the white basin boundary
constexpr ColorRef kSubbasinColor = 0xA0A0A0;

// Captions of the two methods in the credit label.
inline constexpr const char* kThiessenCaption = "徐昇多邊形法 - Thiessen Polygon Method";
inline constexpr const char* kHeightBalanceCaption = "高度平衡多邊形法 - Height Balance Polygon Method";

// Added to the caption line when a scene's coordinates look like degrees.
inline constexpr const char* kDegreesCaption = "(coordinates in degrees? these polygons are not those on the ground)";

// Kelvarin's version, as the build gives it.
const char* KelvarinVersion();

// What one cycle of the demonstration shows, told to picGIS::OnCycleShown while its
// result is on the surface, right before the cycle holds it.
struct CycleReport {
    ShowSetting Method = ShowSetting::Thiessen;  // the method built: Thiessen or HeightBalance
    long Stations = 0;                           // gauges in the construction; 0 when none was selected
    long UnplacedLabels = 0;                     // gauge labels drawn over others (ShowStationWeights)
};

class picGIS final : public WindowEventSink {
  public:
    // window initialisation: the seven layers and their colours; registers itself as
    // the window system's event sink
    picGIS(Surface& surface, WindowSystem& windowSystem);
    ~picGIS() override;
    picGIS(const picGIS&) = delete;
    picGIS& operator=(const picGIS&) = delete;

    // ---- loading ----

    // window loading: GISFile = programFolder / "Kelvarin.ini", the scene, the credits.
    // A scene that cannot be used leaves the window empty with LoadError() set and shown.
    void Load(const std::filesystem::path& programFolder);
    // reads the scene file (its centre points when ShowMethod can show height-balance) and
    // shows it; throws SceneError (or std::runtime_error) when the scene cannot be used
    std::string OpenThiessenFile(const std::string& file);
    // shows a scene already read and placed on the map: layer 1, Stations, CenterPoints,
    // ReferancePoint and ShowMethod come from it, and the map is fitted to the window
    void OpenScene(std::shared_ptr<const Scene> scene);
    // leaves the window without a scene, showing why (a unit map, the text from the top left)
    void ShowLoadFailure(const std::string& text);
    // empty when the scene loaded; else the reason it could not be used
    const std::string& LoadError() const { return loadError_; }
    // empty unless a failure is shown on the window (a scene that could not be used, a failed cycle)
    const std::string& ShownFailure() const { return failure_; }
    // the scene shown: the file's own facts and its map-local geometry (empty before loading)
    const Scene& LoadedScene() const { return *scene_; }
    std::shared_ptr<const Scene> SharedScene() const { return scene_; }

    // ---- map window ----

    // fits the map window to the scene's map extent, clears the selection and draws the basin
    void SetWindowMargineMap();
    // shows the map rectangle (X1, Y1) top-left to (X2, Y2) bottom-right on the canvas;
    // with keepAspect both axes get the same scale and the rectangle stays centred
    static void SetMapWindow(Surface& canvas, double X1, double Y1, double X2, double Y2, bool keepAspect);
    // the window got a new size: refit the map, redraw, forget earlier input (not a decided end)
    void Resize();
    // clears the window and redraws every layer and every station
    void ReDrawBasin();
    // station marks inside MapExtent; by selection: red when selected, green when not
    void DrawStations(ColorRef color, bool bySelection);
    // moves the credit label to a random place with a random colour
    void PlaceCreditLabel();
    // the label's caption while a method's construction is shown: the method's name (and a
    // word on coordinates that look like degrees), then the credits
    std::string MethodCaption(ShowSetting method) const;
    // a circle around the point and a dot at its centre
    static void DrawStationMark(Surface& surface, const cPoint& point, double radius, ColorRef color);

    // ---- demonstration ----

    // the endless cycle; returns when the run must end
    void RunAnalysisAll();
    // told once per cycle when its finished construction (or its empty selection) is shown
    std::function<void(const CycleReport&)> OnCycleShown;
    // the cycle as a saver runs it: a failure inside it is shown on the window, which
    // then stays until the exit rules end the run
    void RunUntilExit();
    // shows a failure on the window in place of the scene
    void ShowFailure(const std::string& text);
    // wipes the construction layers and the selection, redraws the basin
    void UndoThiessen();
    void DisableStationSelect();
    // one animated analysis of the selected stations: the number of selected stations,
    // 0 when none is selected, empty when an exit request interrupted it
    std::optional<long> AutoThiessen();
    std::optional<long> AutoHeightBalance();
    // shows a finished construction of the selected stations as the drivers do: the
    // networks, the rings, then each station's pieces, storing its area and weight once
    // they are shown; the number of stations, empty when an exit request interrupted it
    std::optional<long> ShowConstruction(const Construction& construction);
    // builds and shows one method's construction of the selected stations; a construction
    // that fails its check is not shown: its message stays on the window for the cycle's
    // hold time instead, and the demonstration carries on (0 is returned)
    std::optional<long> BuildAndShow(Method method);
    // the selected stations' numbers in station order
    std::vector<long> SelectedStations() const;
    // prints every selected station's name and weight (percent) beside its mark, each where
    // it covers no other label and no other mark when it can (LabelPlacement); returns how
    // many labels had no such place and were drawn at the preferred one over others
    long ShowStationWeights();
    // What the gauge labels' placement sees of the window as it stands: every gauge's mark,
    // the credit label's panel, and the label of each selected gauge with a weight (its
    // station number in `labelled`, its text in `texts`), measured by the surface.
    LabelField GaugeLabelField(std::vector<long>& labelled, std::vector<std::string>& texts);
    // the labels ShowStationWeights drew over others since the window was made
    long UnplacedLabels() const { return unplacedLabels_; }

    // ---- exit rules ----

    // lets window messages through, then tells whether the run must end
    bool IsExitAll();
    // one key press or mouse movement
    void CountUserInput();
    void OnWindowEvent(WindowEvent event) override;
    bool ExitRequested() const override { return ExitCount >= 2; }
    // how often IsExitAll has been asked
    long ExitChecks() const { return exitChecks_; }

    // ---- state ----

    std::int64_t HasParent = 0;       // preview parent window, 0 in a full-screen run
    Array1<LayerRef> lyrLayer;        // 1..7
    Array1<StationRef> Stations;      // 1..n in file order, map-local
    ArrayView1<cPoint> CenterPoints;  // 1..n(n-1)/2, map-local: the scene's own list, read in place
    PointRef ReferancePoint;          // subtracted from every scene coordinate
    // 0 top-left (min X, max Y), 1 bottom-right (max X, min Y); a unit square until a scene is placed
    std::array<cPoint, 2> MapExtent{cPoint{0.0, 1.0, 0.0}, cPoint{1.0, 0.0, 0.0}};
    double StationMarkSize = 0.0;  // mark diameter in map units
    int ExitCount = 0;
    std::string GISFile;
    std::string CreditText;
    ShowSetting ShowMethod = ShowSetting::Thiessen;
    CreditLabel labMarkTarvo;
    ColorRef StationSelectedColor = MapColor::Red;
    ColorRef StationColor = MapColor::Green;
    ColorRef IntersectColor = MapColor::Magenta;

    Surface& surface() { return surface_; }
    WindowSystem& windowSystem() { return windowSystem_; }

  private:
    void ClearScene();
    // every sub-basin's rings, parts and holes, into layer 7 (nothing for a scene without them)
    void AddSubbasinOutlines(const EngineScene& local);
    // the steps of one cycle: a random selection (true when any station is selected), the
    // method of this cycle, its caption and its driver
    bool SelectRandomStations();
    ShowSetting ChooseMethod();
    std::optional<long> RunMethod(ShowSetting method);
    void DrawFailureText();
    // draws a ring, repaints and asks IsExitAll; true when the run must end
    bool Show(const cPolygon& ring, ColorRef color);
    // the steps of showing a construction, each ring shown as it is added; true when the run must end
    bool ShowTriangles(const Construction& construction);       // layer 2
    bool ShowCenterNetwork(const Construction& construction);   // layer 3
    bool ShowStationSegment(const Construction& construction);  // layer 2, two stations
    bool ShowPolygonNetwork(const Construction& construction);  // layer 4
    // draws every station's pieces and stores its Area and Weight; false when an exit
    // request interrupted it
    bool ShowPiecesAndWeights(const Construction& construction);

    Surface& surface_;
    WindowSystem& windowSystem_;
    std::shared_ptr<const Scene> scene_;
    std::string loadError_;
    std::string failure_;
    long exitChecks_ = 0;
    long unplacedLabels_ = 0;
};

// The three credit lines: Kelvarin and its version, what the screen shows, where to read more.
std::string MakeCreditText();

}  // namespace kelvarin
