// kelvarin-cli render and demo, run end to end as a user runs them; the pictures are
// read back and compared with the geometry the map window builds for the same scene.

#include <cairo.h>
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "render/RecordingSurface.hpp"
#include "tests/cli/CliRun.hpp"
#include "view/ScriptedWindowSystem.hpp"
#include "view/picGIS.hpp"

namespace kelvarin {
namespace {

namespace fs = std::filesystem;

const fs::path kBundled = fs::path(KELVARIN_BINARY_DIR) / "Kelvarin.ini";

constexpr ColorRef kBackground = RGB(14, 18, 28);  // the Cairo surface's background
// Antialiasing blends a line's edge with what lies under it; a pen of two pixels (the
// surface's pen at 1080 rows) fully covers a pixel within one of the line's centre.
constexpr int kChannelTolerance = 48;
constexpr double kClearance = 12.0;  // pixels: a background sample stays this far from any line or mark

using testing::CliRun;
using testing::ReadText;
using testing::RunCli;

// a fresh folder for one test
fs::path TempDir(const std::string& name) {
    const fs::path dir = fs::temp_directory_path() / ("kelvarin-image-" + name + "-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

// a PNG read back, with pixel access as 0x00BBGGRR
class Picture {
  public:
    explicit Picture(const fs::path& file) : image_(cairo_image_surface_create_from_png(file.c_str())) {}
    ~Picture() { cairo_surface_destroy(image_); }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    bool Ok() const { return cairo_surface_status(image_) == CAIRO_STATUS_SUCCESS; }
    int Width() const { return cairo_image_surface_get_width(image_); }
    int Height() const { return cairo_image_surface_get_height(image_); }
    ColorRef At(int x, int y) const {
        const unsigned char* p =
            cairo_image_surface_get_data(image_) + y * cairo_image_surface_get_stride(image_) + x * 4;
        return RGB(p[2], p[1], p[0]);  // cairo keeps B, G, R, A in memory on little-endian machines
    }
    // whether a pixel within one of (x, y) has the colour
    bool Shows(double x, double y, ColorRef color) const {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const int px = int(std::floor(x)) + dx, py = int(std::floor(y)) + dy;
                if (px < 0 || py < 0 || px >= Width() || py >= Height()) continue;
                const ColorRef c = At(px, py);
                if (std::abs(int(RedOf(c)) - int(RedOf(color))) <= kChannelTolerance &&
                    std::abs(int(GreenOf(c)) - int(GreenOf(color))) <= kChannelTolerance &&
                    std::abs(int(BlueOf(c)) - int(BlueOf(color))) <= kChannelTolerance)
                    return true;
            }
        return false;
    }

  private:
    cairo_surface_t* image_;
};

struct Segment {
    double x1, y1, x2, y2;
};

// distance of a point from a segment
double Distance(double px, double py, const Segment& s) {
    const double dx = s.x2 - s.x1, dy = s.y2 - s.y1;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0.0 ? ((px - s.x1) * dx + (py - s.y1) * dy) / length2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(px - (s.x1 + t * dx), py - (s.y1 + t * dy));
}

// The geometry the map window builds for the bundled scene on a 1920x1080 window, in
// pixels: every drawn segment, each clipped piece's edges, the basin's edges, the gauges.
struct Geometry {
    std::vector<Segment> drawn, pieces, basin;
    std::vector<std::pair<double, double>> gauges;

    static Geometry Thiessen(bool construct) {
        RecordingSurface surface(1920, 1080);
        ScriptedWindowSystem windowSystem;
        picGIS gis(surface, windowSystem);
        gis.OpenThiessenFile(kBundled.string());
        for (auto& entry : gis.Stations) entry->pSelect = true;
        if (construct) gis.AutoThiessen();
        const ScaleRect view = surface.Scale();
        const auto px = [&](double x) { return (x - view.Left) / view.Width() * 1920.0; };
        const auto py = [&](double y) { return (y - view.Top) / view.Height() * 1080.0; };
        Geometry g;
        for (const auto& p : surface.Primitives())
            if (p.kind == RecordingSurface::Kind::Line) g.drawn.push_back({px(p.x1), py(p.y1), px(p.x2), py(p.y2)});
        const auto edges = [&](const cPolygon& ring, std::vector<Segment>& into) {
            for (long i = 1; i <= ring.Count(); ++i) {
                const cPoint& a = *ring(i);
                const cPoint& b = *ring(i == ring.Count() ? 1 : i + 1);
                into.push_back({px(a.X), py(a.Y), px(b.X), py(b.Y)});
            }
        };
        edges(*gis.lyrLayer(LayerIndex::Basin)->Polygon().Item(1), g.basin);
        for (const auto& set : gis.lyrLayer(LayerIndex::Intersection)->MutiPolygon())
            for (const auto& ring : *set) edges(*ring, g.pieces);
        for (const auto& entry : gis.Stations)
            g.gauges.emplace_back(px(entry->GageStation->Point->X), py(entry->GageStation->Point->Y));
        return g;
    }

    // where text may lie: a gauge's name and weight to its right, and the caption in a corner
    bool NearText(double x, double y) const {
        for (const auto& [gx, gy] : gauges)
            if (x > gx - 30 && x < gx + 360 && y > gy - 45 && y < gy + 30) return true;
        const bool cornerX = x < 920 || x > 1920 - 920, cornerY = y < 130 || y > 1080 - 130;
        return cornerX && cornerY;
    }
    bool Clear(double x, double y) const {
        for (const Segment& s : drawn)
            if (Distance(x, y, s) < kClearance) return false;
        for (const auto& [gx, gy] : gauges)
            if (std::hypot(x - gx, y - gy) < 40.0) return false;
        return !NearText(x, y);
    }
};

// share of samples along the segments (a quarter, half and three quarters along) showing the colour
double ShareShowing(const Picture& picture, const Geometry& g, const std::vector<Segment>& segments, ColorRef color,
                    long* counted) {
    long shown = 0, total = 0;
    for (const Segment& s : segments)
        for (double t : {0.25, 0.5, 0.75}) {
            const double x = s.x1 + t * (s.x2 - s.x1), y = s.y1 + t * (s.y2 - s.y1);
            if (g.NearText(x, y)) continue;
            ++total;
            if (picture.Shows(x, y, color)) ++shown;
        }
    *counted = total;
    return total ? double(shown) / double(total) : 0.0;
}

TEST(RenderCommand, PiecesInMagentaWhereTheyLieAndBackgroundAwayFromAllLines) {
    const fs::path dir = TempDir("render");
    const CliRun run = RunCli("render --scene '" + kBundled.string() + "' --method thiessen --stations all --out '" +
                              (dir / "all.png").string() + "'");
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "");  // no warning: a CJK font draws the captions
    Picture picture(dir / "all.png");
    ASSERT_TRUE(picture.Ok());
    EXPECT_EQ(picture.Width(), 1920);  // the default size
    EXPECT_EQ(picture.Height(), 1080);

    const Geometry g = Geometry::Thiessen(true);
    ASSERT_GT(g.pieces.size(), 20u);
    long counted = 0;
    EXPECT_GE(ShareShowing(picture, g, g.pieces, MapColor::Magenta, &counted), 0.98);
    EXPECT_GT(counted, 50);

    long background = 0, samples = 0;
    for (double y = 20; y < 1080; y += 37)
        for (double x = 20; x < 1920; x += 41) {
            if (!g.Clear(x, y)) continue;
            ++samples;
            if (picture.At(int(x), int(y)) == kBackground) ++background;
        }
    EXPECT_GT(samples, 300);
    EXPECT_EQ(background, samples);
    fs::remove_all(dir);
}

TEST(RenderCommand, SizesTheFigureAndWritesSvgAndPdf) {
    const fs::path dir = TempDir("vector");
    ASSERT_EQ(
        RunCli("render --scene '" + kBundled.string() + "' --size 320x240 --out '" + (dir / "small.png").string() + "'")
            .Status,
        0);
    Picture small(dir / "small.png");
    ASSERT_TRUE(small.Ok());
    EXPECT_EQ(small.Width(), 320);
    EXPECT_EQ(small.Height(), 240);

    const CliRun svg =
        RunCli("render --scene '" + kBundled.string() + "' --method heightbalance --stations 1,5,9 --out '" +
               (dir / "figure.svg").string() + "'");
    ASSERT_EQ(svg.Status, 0) << svg.Err;
    xmlDocPtr doc = xmlReadFile((dir / "figure.svg").c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_NOWARNING);
    ASSERT_NE(doc, nullptr) << "the SVG is not well-formed XML";
    EXPECT_STREQ(reinterpret_cast<const char*>(xmlDocGetRootElement(doc)->name), "svg");
    xmlFreeDoc(doc);

    const CliRun pdf = RunCli("render --scene '" + kBundled.string() + "' --size 1280x720 --out '" +
                              (dir / "figure.pdf").string() + "'");
    ASSERT_EQ(pdf.Status, 0) << pdf.Err;
    EXPECT_EQ(ReadText(dir / "figure.pdf").substr(0, 5), "%PDF-");
    if (fs::exists("/usr/bin/pdfinfo")) {
        const std::string cmd =
            "/usr/bin/pdfinfo '" + (dir / "figure.pdf").string() + "' > '" + (dir / "info.txt").string() + "' 2>&1";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
        EXPECT_NE(ReadText(dir / "info.txt").find("1280 x 720 pts"), std::string::npos) << ReadText(dir / "info.txt");
    }
    fs::remove_all(dir);
}

// a scene of so many gauges over the sample basin, as tools/make_sample_scene writes it
fs::path GeneratedScene(const fs::path& dir, int gauges) {
    const fs::path scene = dir / ("gauges" + std::to_string(gauges) + ".ini");
    const CliRun made = testing::RunProgram(fs::path(KELVARIN_BINARY_DIR) / "make_sample_scene",
                                            "--gauges " + std::to_string(gauges) + " '" + scene.string() + "'");
    EXPECT_EQ(made.Status, 0) << made.Err;
    return scene;
}

// the count a line "kelvarin-cli: N of M gauge labels could not be placed ..." gives, or -1
long UnplacedCount(const std::string& err, long labels) {
    const std::string tail = " of " + std::to_string(labels) + " gauge labels could not be placed free of others";
    const auto at = err.find(tail);
    const std::string head = "kelvarin-cli: ";
    if (at == std::string::npos || err.rfind(head, 0) != 0) return -1;
    return std::stol(err.substr(head.size(), at - head.size()));
}

TEST(RenderCommand, NoGaugeLabelPrintsOverAnotherOnTheTestScenesOrOnGeneratedScenesOfUpTo100Gauges) {
    const fs::path dir = TempDir("labels");
    std::vector<fs::path> scenes = {kBundled};
    for (const char* name :
         {"areal_square.ini", "scene_big5.ini", "scene_minimal.ini", "scene_show_unknown.ini",
          "scene_thiessen_only.ini", "scene_two_polygons.ini", "scene_utf8_bom.ini", "weights_quoted_names.ini"})
        scenes.push_back(fs::path(KELVARIN_TEST_DATA) / name);
    for (int gauges : {20, 40, 60, 80, 100}) scenes.push_back(GeneratedScene(dir, gauges));
    for (const fs::path& scene : scenes) {
        const CliRun run = RunCli("render --scene '" + scene.string() + "' --method thiessen --out '" +
                                  (dir / "figure.png").string() + "'");
        EXPECT_EQ(run.Status, 0) << scene;
        EXPECT_EQ(run.Err, "") << scene;  // every label found a place free of the others
    }
    fs::remove_all(dir);
}

TEST(RenderCommand, LabelSizeSetsTheGaugeLabelsTextInPointsAndUnplacedLabelsAreCounted) {
    const fs::path dir = TempDir("label-size");
    const std::string bundled = "render --scene '" + kBundled.string() + "' --out '";
    ASSERT_EQ(RunCli(bundled + (dir / "default.png").string() + "'").Status, 0);
    // 1080 rows give labels of 21.6 pixels: 16.2 points of 4/3 pixel
    ASSERT_EQ(RunCli(bundled + (dir / "same.png").string() + "' --label-size 16.2").Status, 0);
    ASSERT_EQ(RunCli(bundled + (dir / "larger.png").string() + "' --label-size 20").Status, 0);
    EXPECT_EQ(ReadText(dir / "same.png"), ReadText(dir / "default.png"));
    EXPECT_NE(ReadText(dir / "larger.png"), ReadText(dir / "default.png"));

    // a dense scene with large labels: some find no free place, and one line says how many
    const fs::path dense = GeneratedScene(dir, 100);
    const CliRun crowded = RunCli("render --scene '" + dense.string() + "' --label-size 30 --out '" +
                                  (dir / "crowded.png").string() + "'");
    EXPECT_EQ(crowded.Status, 0);
    EXPECT_EQ(std::count(crowded.Err.begin(), crowded.Err.end(), '\n'), 1) << crowded.Err;
    const long unplaced = UnplacedCount(crowded.Err, 100);
    EXPECT_GT(unplaced, 0) << crowded.Err;
    EXPECT_LT(unplaced, 100) << crowded.Err;

    // and the demonstration counts them over its cycles
    const CliRun demo = RunCli("demo --scene '" + dense.string() + "' --cycles 2 --size 480x270 --every 1000 --out '" +
                               (dir / "demo").string() + "'");
    EXPECT_EQ(demo.Status, 0);
    EXPECT_NE(demo.Err.find(" gauge labels could not be placed free of others"), std::string::npos) << demo.Err;
    fs::remove_all(dir);
}

// the sorted names of the frames a demo left
std::vector<std::string> Frames(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(dir))
        if (item.path().filename().string().starts_with("frame-")) names.push_back(item.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(DemoCommand, FirstFrameShowsTheBasinInItsColourAndTheSelectionInRed) {
    const fs::path dir = TempDir("first");
    const CliRun run = RunCli("demo --scene '" + kBundled.string() +
                              "' --cycles 1 --seed 3 --size 1920x1080 --every 1000 --out '" + dir.string() + "'");
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(Frames(dir), std::vector<std::string>{"frame-000001.png"});
    Picture first(dir / "frame-000001.png");
    ASSERT_TRUE(first.Ok());
    const Geometry g = Geometry::Thiessen(false);
    long counted = 0;
    // the random credit label may cover a little of the boundary
    EXPECT_GE(ShareShowing(first, g, g.basin, MapColor::White, &counted), 0.85);
    EXPECT_GT(counted, 100);
    // every gauge's mark is red (selected) or green on its circle's rim (a triangle may cross one side)
    const double radius = std::min(1920.0, 1080.0) / 40.0 / 2.0;
    long red = 0;
    for (const auto& [x, y] : g.gauges) {
        bool isRed = false, isGreen = false;
        for (const auto& [dx, dy] : {std::pair{radius, 0.0}, {-radius, 0.0}, {0.0, radius}, {0.0, -radius}}) {
            isRed = isRed || first.Shows(x + dx, y + dy, MapColor::Red);
            isGreen = isGreen || first.Shows(x + dx, y + dy, MapColor::Green);
        }
        EXPECT_NE(isRed, isGreen) << "gauge at " << x << "," << y;
        red += isRed ? 1 : 0;
    }
    EXPECT_GT(red, 0);
    fs::remove_all(dir);
}

TEST(DemoCommand, TheSameSeedGivesTheSameFilesAndEveryThinsTheFrames) {
    const fs::path a = TempDir("seed-a"), b = TempDir("seed-b"), c = TempDir("seed-c"), thin = TempDir("thin");
    const std::string common = "demo --scene '" + kBundled.string() + "' --cycles 2 --size 320x240 ";
    const CliRun runA = RunCli(common + "--seed 7 --out '" + a.string() + "'");
    ASSERT_EQ(runA.Status, 0) << runA.Err;
    ASSERT_EQ(RunCli(common + "--seed 7 --out '" + b.string() + "'").Status, 0);
    ASSERT_EQ(RunCli(common + "--seed 8 --out '" + c.string() + "'").Status, 0);
    ASSERT_EQ(RunCli(common + "--seed 7 --every 4 --out '" + thin.string() + "'").Status, 0);

    const auto frames = Frames(a);
    ASSERT_GT(frames.size(), 8u);
    EXPECT_EQ(Frames(b), frames);
    EXPECT_EQ(ReadText(a / "weights.csv"), ReadText(b / "weights.csv"));
    EXPECT_EQ(ReadText(a / "poster.png"), ReadText(b / "poster.png"));
    EXPECT_EQ(ReadText(a / frames.back()), ReadText(b / frames.back()));
    EXPECT_NE(ReadText(a / "weights.csv"), ReadText(c / "weights.csv"));

    // every fourth frame: 1, 5, 9, ... of the same run
    const auto thinned = Frames(thin);
    EXPECT_EQ(thinned.size(), (frames.size() + 3) / 4);
    for (std::size_t i = 0; i < thinned.size(); ++i) {
        EXPECT_EQ(thinned[i], frames[4 * i]);
        EXPECT_EQ(ReadText(thin / thinned[i]), ReadText(a / frames[4 * i]));
    }

    // the table: a header, then per cycle its selected gauges with weights summing to 1
    std::ifstream csv(a / "weights.csv");
    std::string line;
    std::getline(csv, line);
    EXPECT_EQ(line, "cycle,method,number,name,area,weight");
    std::map<long, double> sums;
    std::set<std::string> methods;
    while (std::getline(csv, line)) {
        const auto comma = line.find(',');
        const long cycle = std::stol(line.substr(0, comma));
        const auto second = line.find(',', comma + 1);
        methods.insert(line.substr(comma + 1, second - comma - 1));
        sums[cycle] += std::stod(line.substr(line.rfind(',') + 1));
    }
    EXPECT_EQ(sums.size(), 2u);
    for (const auto& [cycle, sum] : sums) EXPECT_NEAR(sum, 1.0, 1e-5) << "cycle " << cycle;  // six decimals per weight
    for (const std::string& m : methods) EXPECT_TRUE(m == "thiessen" || m == "heightbalance") << m;

    Picture poster(a / "poster.png");
    ASSERT_TRUE(poster.Ok());
    EXPECT_GT(poster.Width(), 2 * 320);  // two cycles side by side
    for (const auto& dir : {a, b, c, thin}) fs::remove_all(dir);
}

TEST(DemoCommand, ShowsItsProgressOnATerminalAndNothingElsewhere) {
    const fs::path dir = TempDir("progress");
    const std::string demo =
        "demo --scene '" + kBundled.string() + "' --cycles 3 --size 160x120 --every 1000 --out '" + dir.string() + "'";
    const CliRun quiet = RunCli(demo);
    ASSERT_EQ(quiet.Status, 0) << quiet.Err;
    EXPECT_EQ(quiet.Err.find("cycle"), std::string::npos) << quiet.Err;

    // script gives the command a terminal; its standard output is sent away, so the
    // terminal shows standard error only
    const fs::path seen = dir / "terminal.txt";
    const std::string command = "script -qec \"'" + testing::kCli.string() + "' " + demo +
                                " >/dev/null\" /dev/null >'" + seen.string() + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << ReadText(seen);
    const std::string terminal = ReadText(seen);
    for (const char* step : {"cycle 1 of 3", "cycle 2 of 3", "cycle 3 of 3"})
        EXPECT_NE(terminal.find(step), std::string::npos) << terminal;
    fs::remove_all(dir);
}

TEST(ImageCommands, BadArgumentsExitTwoWithOneLine) {
    const fs::path dir = TempDir("bad");
    std::ofstream(dir / "file") << "x";
    const std::string scene = " --scene '" + kBundled.string() + "'";
    const std::string png = " --out '" + (dir / "x.png").string() + "'";
    const std::string out = " --out '" + (dir / "demo").string() + "'";
    for (const std::string& args : {
             "render" + scene,  // no --out
             "render" + scene + " --out '" + (dir / "x.jpg").string() + "'",
             "render" + scene + " --method voronoi" + png,
             "render" + scene + " --stations 1,NOPE" + png,
             "render" + scene + " --stations ," + png,
             "render" + scene + " --size 1920" + png,
             "render" + scene + " --size 10x10" + png,
             "render" + scene + " --size 99999x100" + png,
             "render" + scene + " --label-size 3" + png,
             "render" + scene + " --label-size 200" + png,
             "render" + scene + " --label-size big" + png,
             "render" + scene + " --label-size ''" + png,
             "render --scene '" + (dir / "missing.ini").string() + "'" + png,
             "demo" + scene,  // no --out
             "demo" + scene + " --cycles 0" + out,
             "demo" + scene + " --cycles 5000" + out,
             "demo" + scene + " --every 0" + out,
             "demo" + scene + " --size -3x100" + out,
             "demo" + scene + " --out '" + (dir / "file").string() + "'",
         }) {
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.Status, 2) << args;
        EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << args << "\n" << run.Err;
        EXPECT_EQ(run.Out, "") << args;
    }
    EXPECT_FALSE(fs::exists(dir / "x.png"));
    EXPECT_FALSE(fs::exists(dir / "demo"));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace kelvarin
