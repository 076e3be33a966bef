#include <cairo.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "render/PosterSheet.hpp"

namespace kelvarin {
namespace {

namespace fs = std::filesystem;

// a frame whose every row is covered by a white line along the row's centre
void PaintWhite(CairoSurface& s) {
    s.SetScale({0.0, s.DeviceHeight(), s.DeviceWidth(), 0.0});
    s.SetAutoRedraw(true);
    for (double y = 0.5; y < s.DeviceHeight(); y += 1.0) s.Line(0.0, y, s.DeviceWidth(), y, 0xFFFFFF);
    s.Refresh();
}

TEST(PosterSheet, LaysOutUpToFourTilesInOneRowThenAGrid) {
    PosterSheet three(320, 240, 3);
    EXPECT_EQ(three.Columns(), 3);
    EXPECT_GT(three.Width(), 3 * 320);
    EXPECT_LT(three.Height(), 2 * 240);
    EXPECT_EQ(three.TileScale(), 1.0);
    PosterSheet nine(320, 240, 9);
    EXPECT_EQ(nine.Columns(), 3);
    EXPECT_GT(nine.Height(), 3 * 240);
    // wide frames are shrunk on the poster, and a large poster shrinks its tiles to stay within the side limit
    EXPECT_DOUBLE_EQ(PosterSheet(2560, 1440, 1).TileScale(), 0.5);
    PosterSheet big(3840, 2160, 100);
    EXPECT_LT(big.TileScale(), 1.0);
    EXPECT_LE(big.Width(), PosterSheet::kMaxSide);
    EXPECT_LE(big.Height(), PosterSheet::kMaxSide);
    EXPECT_THROW(PosterSheet(320, 240, 0), std::invalid_argument);
}

TEST(PosterSheet, CopiesEachFrameIntoItsTileAndRefusesMore) {
    CairoSurface white(160, 120), blank(160, 120);
    PaintWhite(white);
    PosterSheet poster(160, 120, 2);
    poster.Add(white, "1 徐昇多邊形法");
    poster.Add(blank, "2 高度平衡多邊形法");
    EXPECT_THROW(poster.Add(white, "3"), std::logic_error);

    const fs::path file = fs::temp_directory_path() / ("kelvarin-poster-" + std::to_string(::getpid()) + ".png");
    poster.WritePng(file);
    cairo_surface_t* png = cairo_image_surface_create_from_png(file.c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    ASSERT_EQ(cairo_image_surface_get_width(png), poster.Width());
    const unsigned char* data = cairo_image_surface_get_data(png);
    const int stride = cairo_image_surface_get_stride(png);
    // green channel in the bottom row of tiles, a quarter and three quarters across
    const int y = poster.Height() - 30;
    const auto green = [&](int x) { return data[y * stride + x * 4 + 1]; };
    EXPECT_GT(green(poster.Width() / 4), 200);                                     // the white frame
    EXPECT_EQ(green(3 * poster.Width() / 4), GreenOf(CairoSurface::kBackground));  // the blank one
    cairo_surface_destroy(png);
    fs::remove(file);
}

}  // namespace
}  // namespace kelvarin
