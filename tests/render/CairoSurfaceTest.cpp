#include <cairo.h>
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "model/cLayer.hpp"
#include "model/modGraphicBasic.hpp"
#include "render/CairoSurface.hpp"
#include "render/FontCheck.hpp"

namespace kelvarin {
namespace {

namespace fs = std::filesystem;

constexpr ColorRef kWhite = 0xFFFFFF;
constexpr ColorRef kMagenta = 0xFF00FF;
constexpr ColorRef kRed = 0x0000FF;
constexpr const char* kThiessenCaption = "徐昇多邊形法 - Thiessen Polygon Method";

// Antialiasing blends edges with the background, so colours are compared per channel
// within this many levels; a line sample is taken on the line's centre, where a pen of
// two pixels or more is fully covered.
constexpr int kChannelTolerance = 40;

bool Near(ColorRef a, ColorRef b) {
    return std::abs(int(RedOf(a)) - int(RedOf(b))) <= kChannelTolerance &&
           std::abs(int(GreenOf(a)) - int(GreenOf(b))) <= kChannelTolerance &&
           std::abs(int(BlueOf(a)) - int(BlueOf(b))) <= kChannelTolerance;
}

// whether a pixel next to the device point of map point (x, y) has the colour; a pen of
// two pixels (devices of 1080 pixels and up) always covers one of them fully
bool Shows(const CairoSurface& s, double x, double y, ColorRef color) {
    const int px = int(std::floor(s.DeviceX(x))), py = int(std::floor(s.DeviceY(y)));
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int qx = px + dx, qy = py + dy;
            if (qx >= 0 && qy >= 0 && qx < s.DeviceWidth() && qy < s.DeviceHeight() && Near(s.PixelAt(qx, qy), color))
                return true;
        }
    return false;
}

// a fresh folder for one test's files
fs::path TempDir(const std::string& name) {
    fs::path dir = fs::temp_directory_path() / ("kelvarin-render-" + name + "-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

// pixels that differ from the background in a rectangle of the presented frame
long InkIn(const CairoSurface& s, int x0, int y0, int x1, int y1) {
    long ink = 0;
    for (int y = std::max(0, y0); y < std::min(y1, int(s.DeviceHeight())); ++y)
        for (int x = std::max(0, x0); x < std::min(x1, int(s.DeviceWidth())); ++x)
            if (!Near(s.PixelAt(x, y), CairoSurface::kBackground)) ++ink;
    return ink;
}

// the bounding rows of ink in a frame: {first, last}, {-1, -1} when blank
std::pair<int, int> InkRows(const CairoSurface& s) {
    int first = -1, last = -1;
    for (int y = 0; y < int(s.DeviceHeight()); ++y)
        if (InkIn(s, 0, y, int(s.DeviceWidth()), y + 1) > 0) {
            if (first < 0) first = y;
            last = y;
        }
    return {first, last};
}

// a map of 1000 x 1000 units, north up, on a square device
void SquareMap(CairoSurface& s) { s.SetScale({0.0, 1000.0, 1000.0, 0.0}); }

cLayer BasinLayer() {
    cLayer basin;
    basin.Color = kWhite;
    auto& ring = *basin.Polygon().Add(cPolygon{});
    ring.Add(100, 100);
    ring.Add(900, 100);
    ring.Add(900, 900);
    ring.Add(100, 900);
    return basin;
}

TEST(CairoSurface, MapsNorthUpThroughTheScale) {
    CairoSurface s(400, 200);
    s.SetScale({1000.0, 600.0, 1400.0, 400.0});
    EXPECT_DOUBLE_EQ(s.DeviceX(1000.0), 0.0);
    EXPECT_DOUBLE_EQ(s.DeviceX(1400.0), 400.0);
    EXPECT_DOUBLE_EQ(s.DeviceY(600.0), 0.0);  // north edge at the top
    EXPECT_DOUBLE_EQ(s.DeviceY(400.0), 200.0);
    EXPECT_DOUBLE_EQ(s.DeviceY(500.0), 100.0);
    EXPECT_THROW(s.SetScale({0.0, 0.0, 0.0, 1.0}), std::invalid_argument);
    EXPECT_THROW(s.SetScale({0.0, 0.0, 1.0, std::nan("")}), std::invalid_argument);
}

TEST(CairoSurface, RefusesNonFiniteDrawingAndKeepsDrawingAfterwards) {
    CairoSurface s(1080, 1080);
    SquareMap(s);
    s.SetAutoRedraw(true);
    const double nan = std::nan("");
    EXPECT_THROW(s.Line(0, 0, nan, 10, kWhite), std::invalid_argument);
    EXPECT_THROW(s.Circle(5, 5, INFINITY, kWhite), std::invalid_argument);
    EXPECT_THROW(s.Dot(nan, 5, kWhite), std::invalid_argument);
    s.MoveTo(nan, 0);
    EXPECT_THROW(s.Print("x"), std::invalid_argument);
    s.Line(0, 500, 1000, 500, kWhite);
    s.Refresh();
    EXPECT_TRUE(Shows(s, 500, 500, kWhite));
}

TEST(CairoSurface, RejectsSizesAndPixelsOutside) {
    EXPECT_THROW(CairoSurface(0, 10), std::invalid_argument);
    EXPECT_THROW(CairoSurface(10, -1), std::invalid_argument);
    EXPECT_THROW(CairoSurface(20000, 10), std::invalid_argument);
    CairoSurface s(8, 6);
    EXPECT_THROW(s.PixelAt(8, 0), std::out_of_range);
    EXPECT_THROW(s.PixelAt(0, -1), std::out_of_range);
    EXPECT_EQ(s.PixelAt(7, 5), CairoSurface::kBackground);
}

TEST(CairoSurface, LayerColoursLieOnTheirGeometryAndBackgroundElsewhere) {
    CairoSurface s(1080, 1080);
    SquareMap(s);
    s.SetAutoRedraw(true);
    s.Clear();
    cLayer basin = BasinLayer();
    basin.ReDraw(s);
    cLayer pieces;
    pieces.Color = kMagenta;
    auto& piece = *pieces.Polygon().Add(cPolygon{});
    piece.Add(300, 300);
    piece.Add(700, 300);
    piece.Add(500, 700);
    pieces.ReDraw(s);
    s.Refresh();

    // along every basin edge, and along the piece's three edges
    for (double t = 150; t <= 850; t += 50) {
        EXPECT_TRUE(Shows(s, t, 100, kWhite)) << "south edge at x=" << t;
        EXPECT_TRUE(Shows(s, t, 900, kWhite)) << "north edge at x=" << t;
        EXPECT_TRUE(Shows(s, 100, t, kWhite)) << "west edge at y=" << t;
        EXPECT_TRUE(Shows(s, 900, t, kWhite)) << "east edge at y=" << t;
    }
    for (double f = 0.1; f < 0.95; f += 0.1) {
        EXPECT_TRUE(Shows(s, 300 + 400 * f, 300, kMagenta)) << f;
        EXPECT_TRUE(Shows(s, 700 - 200 * f, 300 + 400 * f, kMagenta)) << f;
        EXPECT_TRUE(Shows(s, 500 - 200 * f, 700 - 400 * f, kMagenta)) << f;
    }
    // inside the piece, between the outlines, and outside the basin: background
    for (auto [x, y] : {std::pair{500.0, 450.0}, {200.0, 200.0}, {500.0, 800.0}, {20.0, 20.0}, {980.0, 500.0}})
        EXPECT_EQ(s.PixelAt(int(s.DeviceX(x)), int(s.DeviceY(y))), CairoSurface::kBackground) << x << "," << y;
}

TEST(CairoSurface, UnkeptDrawingVanishesAtRepaintAndKeptDrawingStays) {
    CairoSurface s(1080, 1080);
    SquareMap(s);
    s.SetAutoRedraw(true);
    s.Line(0, 500, 1000, 500, kWhite);  // kept, east-west
    s.SetAutoRedraw(false);
    s.Line(500, 0, 500, 1000, kRed);  // shown only, north-south
    EXPECT_TRUE(Shows(s, 500, 200, kRed));
    EXPECT_TRUE(Shows(s, 200, 500, kWhite));
    s.Refresh();
    EXPECT_FALSE(Shows(s, 500, 200, kRed));
    EXPECT_TRUE(Shows(s, 200, 500, kWhite));

    // clearing with persistent drawing off wipes the shown frame, not the kept image
    s.Clear();
    EXPECT_FALSE(Shows(s, 200, 500, kWhite));
    s.Refresh();
    EXPECT_TRUE(Shows(s, 200, 500, kWhite));
    s.SetAutoRedraw(true);
    s.Clear();
    s.Refresh();
    EXPECT_FALSE(Shows(s, 200, 500, kWhite));
}

TEST(CairoSurface, CreditLabelLiesAboveThePersistentImageNotInIt) {
    CairoSurface s(320, 240);
    SquareMap(s);
    s.SetAutoRedraw(true);
    s.Clear();
    s.SetLabel({std::string(kThiessenCaption) + "\r\nline two", 100.0, 900.0, 0x00FFFF, true});
    s.Refresh();
    const long withLabel = InkIn(s, 0, 0, 320, 240);
    EXPECT_GT(withLabel, 200);
    // its top-left corner is where the label says: nothing above or left of it
    EXPECT_EQ(InkIn(s, 0, 0, 320, int(s.DeviceY(900.0))), 0);
    EXPECT_EQ(InkIn(s, 0, 0, int(s.DeviceX(100.0)), 240), 0);
    // two lines of label text are taller than one line
    const auto rows = InkRows(s);
    EXPECT_GT(rows.second - rows.first, 1.5 * s.LabelTextSize());

    CreditLabel hidden = s.Label();
    hidden.Visible = false;
    s.SetLabel(hidden);
    s.Refresh();
    EXPECT_EQ(InkIn(s, 0, 0, 320, 240), 0);
}

TEST(CairoSurface, BottomAlignedTextEndsAtThePositionAndTopAlignedStartsThere) {
    CairoSurface s(400, 200);
    s.SetScale({0.0, 200.0, 400.0, 0.0});
    s.SetAutoRedraw(true);
    DrawText(s, 20.0, 100.0, "雨量站 Gauge", TextAlign::Bottom);
    auto rows = InkRows(s);
    ASSERT_GE(rows.first, 0);
    EXPECT_LE(rows.second, 101);
    EXPECT_GT(rows.second, 100 - s.TextSize());

    s.Clear();
    DrawText(s, 20.0, 100.0, "雨量站 Gauge", TextAlign::Top);
    rows = InkRows(s);
    EXPECT_GE(rows.first, 99);
    EXPECT_LT(rows.first, 100 + s.TextSize());
}

TEST(CairoSurface, UpdatingAlignmentMovesThePositionAlongTheText) {
    CairoSurface s(600, 100);
    s.SetScale({0.0, 100.0, 600.0, 0.0});
    s.SetAutoRedraw(true);
    constexpr int kBottomUpdate = TextAlign::Bottom | TextAlign::UpdateCurrentPosition;
    DrawText(s, 10.0, 60.0, "石門", kBottomUpdate);
    const double afterFirst = s.CurrentX();
    EXPECT_GT(afterFirst, 10.0 + s.TextSize());  // two wide glyphs
    s.Print("水庫");
    EXPECT_GT(s.CurrentX(), afterFirst + s.TextSize());
    // the second text starts where the first ended, on the same line
    EXPECT_GT(InkIn(s, int(afterFirst) + 2, 0, 600, 100), 50);
    EXPECT_EQ(InkIn(s, int(s.CurrentX()) + 2, 0, 600, 100), 0);

    // without the flag the position stays; right alignment moves it left
    s.MoveTo(300.0, 60.0);
    s.SetTextAlign(TextAlign::Bottom);
    s.Print("X");
    EXPECT_EQ(s.CurrentX(), 300.0);
    s.SetTextAlign(TextAlign::Bottom | TextAlign::Right | TextAlign::UpdateCurrentPosition);
    s.Print("X");
    EXPECT_LT(s.CurrentX(), 300.0);
}

TEST(CairoSurface, ChineseTextFindsACjkFont) {
    const FontCheck caption = CheckTextFont(kThiessenCaption);
    EXPECT_TRUE(caption.Ok()) << "family '" << caption.Family << "', " << caption.UnknownGlyphs
                              << " unknown glyphs: install a CJK font (fonts-wqy-zenhei)";
    const FontCheck layers = CheckTextFont("流域邊界 三角網 高程中點三角網 交集區域 高度平衡多邊形網");
    EXPECT_TRUE(layers.Ok()) << layers.Family;
    // the check can fail: a character no font has is reported, not hidden
    EXPECT_GT(CheckTextFont("\xF4\x8F\xBF\xBD").UnknownGlyphs, 0);  // U+10FFFD, a private-use character

    // and the glyphs really are drawn: every character of a caption leaves ink
    CairoSurface s(640, 120);
    s.SetScale({0.0, 120.0, 640.0, 0.0});
    s.SetAutoRedraw(true);
    DrawText(s, 10.0, 60.0, "徐昇", TextAlign::Top | TextAlign::UpdateCurrentPosition);
    const int split = int(s.CurrentX());
    EXPECT_GT(InkIn(s, 0, 0, split, 120), 30);
}

TEST(CairoSurface, PenAndTextGrowWithTheDevice) {
    // a horizontal line's thickness, counted down one column
    const auto thickness = [](int w, int h) {
        CairoSurface s(w, h);
        s.SetScale({0.0, 1.0, 1.0, 0.0});
        s.SetAutoRedraw(true);
        s.Line(0.0, 0.5, 1.0, 0.5, kWhite);
        return InkIn(s, w / 2, 0, w / 2 + 1, h);
    };
    const long small = thickness(320, 240), large = thickness(3840, 2160);
    // antialiasing spreads a line over at most one more row than its pen is wide
    EXPECT_GE(small, 1);
    EXPECT_LE(small, CairoSurface(320, 240).PenWidth() + 1.0);
    EXPECT_GE(large, CairoSurface(3840, 2160).PenWidth());
    EXPECT_GT(large, small + 1);
    EXPECT_LT(CairoSurface(320, 240).TextSize(), CairoSurface(3840, 2160).TextSize());
    EXPECT_GE(CairoSurface(320, 240).LabelTextSize(), 9.0);
}

TEST(CairoSurface, EveryRefreshReachesTheHookAndTheTarget) {
    cairo_surface_t* window = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1080, 1080);
    {
        CairoSurface s(1080, 1080, window);
        SquareMap(s);
        std::vector<long> numbers;
        bool seen = false;
        s.SetPresentHook([&](const CairoSurface::Frame& f) {
            numbers.push_back(f.Number);
            seen = Shows(f.Owner, 500, 500, kWhite);
        });
        s.SetAutoRedraw(true);
        s.Line(0, 500, 1000, 500, kWhite);
        s.Refresh();
        s.Refresh();
        EXPECT_EQ(numbers, (std::vector<long>{1, 2}));
        EXPECT_TRUE(seen);
        EXPECT_EQ(s.FramesPresented(), 2);
    }
    // the window got the frame, and outlives the surface
    cairo_surface_flush(window);
    const unsigned char* px = cairo_image_surface_get_data(window);
    const int stride = cairo_image_surface_get_stride(window);
    int brightest = 0;  // blue channel of white, in the rows the line covers
    for (int y = 538; y <= 541; ++y) brightest = std::max<int>(brightest, px[y * stride + 540 * 4]);
    EXPECT_GT(brightest, 255 - kChannelTolerance);
    cairo_surface_destroy(window);
}

TEST(CairoSurface, ResizeKeepsTheTopLeftOfThePersistentImage) {
    CairoSurface s(1080, 1080);
    SquareMap(s);
    s.SetAutoRedraw(true);
    s.Line(0, 900, 1000, 900, kWhite);  // row 108
    s.Resize(2160, 540);
    EXPECT_EQ(s.DeviceWidth(), 2160.0);
    s.SetScale({0.0, 500.0, 2000.0, 0.0});  // same pixels per unit as before
    EXPECT_TRUE(Shows(s, 500, 400, kWhite));
    EXPECT_FALSE(Shows(s, 1500, 400, kWhite));
}

TEST(CairoSurface, WritesPngOfItsSize) {
    const fs::path dir = TempDir("png");
    CairoSurface s(320, 240);
    SquareMap(s);
    s.SetAutoRedraw(true);
    BasinLayer().ReDraw(s);
    s.Refresh();
    s.WritePicture(dir / "basin.png");
    cairo_surface_t* png = cairo_image_surface_create_from_png((dir / "basin.png").c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(png), 320);
    EXPECT_EQ(cairo_image_surface_get_height(png), 240);
    cairo_surface_destroy(png);
    EXPECT_THROW(s.WritePng(dir / "no-such-folder" / "x.png"), std::runtime_error);
    fs::remove_all(dir);
}

TEST(CairoSurface, WritesSvgThatParsesAndPdfThatReadersRead) {
    const fs::path dir = TempDir("vector");
    CairoSurface s(640, 480);
    s.SetKeepVector(true);
    SquareMap(s);
    s.SetAutoRedraw(true);
    s.Clear();  // the vector copy is complete from here
    BasinLayer().ReDraw(s);
    DrawText(s, 150.0, 850.0, "石門 0.25", TextAlign::Bottom | TextAlign::UpdateCurrentPosition);
    s.SetLabel({kThiessenCaption, 100.0, 990.0, 0x00FFFF, true});
    s.Refresh();
    s.WritePicture(dir / "basin.svg");
    s.WritePicture(dir / "basin.pdf");

    xmlDocPtr doc = xmlReadFile((dir / "basin.svg").c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_NOWARNING);
    ASSERT_NE(doc, nullptr) << "SVG is not well-formed XML";
    const xmlNode* root = xmlDocGetRootElement(doc);
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(reinterpret_cast<const char*>(root->name), "svg");
    xmlFreeDoc(doc);

    std::ifstream pdf(dir / "basin.pdf", std::ios::binary);
    std::string head(5, '\0');
    pdf.read(head.data(), 5);
    EXPECT_EQ(head, "%PDF-");
    if (fs::exists("/usr/bin/pdfinfo")) {
        const std::string cmd =
            "/usr/bin/pdfinfo '" + (dir / "basin.pdf").string() + "' > '" + (dir / "info.txt").string() + "' 2>&1";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
        std::ifstream info(dir / "info.txt");
        const std::string text((std::istreambuf_iterator<char>(info)), std::istreambuf_iterator<char>());
        EXPECT_NE(text.find("Pages:           1\n"), std::string::npos) << text;
        EXPECT_NE(text.find("640 x 480 pts"), std::string::npos) << text;
    }
    fs::remove_all(dir);
}

TEST(CairoSurface, VectorFilesNeedTheWholeDrawingKept) {
    const fs::path dir = TempDir("novector");
    CairoSurface s(100, 100);
    SquareMap(s);
    s.SetAutoRedraw(true);
    s.Line(0, 0, 1000, 1000, kWhite);
    EXPECT_THROW(s.WriteSvg(dir / "a.svg"), std::logic_error);
    s.SetKeepVector(true);  // too late for the line already drawn
    EXPECT_THROW(s.WritePdf(dir / "a.pdf"), std::logic_error);
    s.Clear();
    EXPECT_NO_THROW(s.WritePdf(dir / "a.pdf"));
    EXPECT_THROW(s.WritePicture(dir / "a.jpg"), std::invalid_argument);
    EXPECT_EQ(PictureFormatOf("X.SVG"), PictureFormat::Svg);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace kelvarin
