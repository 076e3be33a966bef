#include <gtest/gtest.h>

#include <stdexcept>

#include "model/cLayer.hpp"
#include "model/modGraphicBasic.hpp"
#include "render/RecordingSurface.hpp"

namespace kelvarin {
namespace {

using Kind = RecordingSurface::Kind;

cPolygon Square(double x0, double y0, double size) {
    cPolygon ring;
    ring.Add(x0, y0);
    ring.Add(x0 + size, y0);
    ring.Add(x0 + size, y0 + size);
    ring.Add(x0, y0 + size);
    return ring;
}

TEST(cLayer, RingsAreClosedLinesAreOpen) {
    cLayer layer;
    layer.Color = 0x123456;
    layer.Polygon().Add(Square(0, 0, 1));
    layer.Polyline().Add(&*layer.Polygon().Item(1));
    RecordingSurface surface;
    layer.ReDraw(surface);
    ASSERT_EQ(surface.CountOf(Kind::Line), 4 + 3);
    const auto& closing = surface.Primitives()[3];
    EXPECT_EQ(closing.x1, 0.0);
    EXPECT_EQ(closing.y1, 1.0);
    EXPECT_EQ(closing.x2, 0.0);
    EXPECT_EQ(closing.y2, 0.0);
}

TEST(cLayer, InvisibleLayerDrawsNothing) {
    cLayer layer;
    layer.Polygon().Add(Square(0, 0, 1));
    layer.MutiPolygon().Add(&layer.Polygon());
    layer.Visible = false;
    RecordingSurface surface;
    layer.ReDraw(surface);
    EXPECT_TRUE(surface.Primitives().empty());
}

TEST(cLayer, DrawingOrderIsRingsThenMultiPartRingsThenLines) {
    cLayer layer;
    layer.Color = 7;
    layer.Polyline().Color = 3;
    layer.Polyline().Add(nullptr)->Add(0, 0);
    layer.Polyline().Item(1)->Add(1, 0);
    Polygon parts;
    parts.Add(Square(5, 5, 1));
    layer.MutiPolygon().Color = 2;
    layer.MutiPolygon().Add(&parts);
    layer.Polygon().Color = 1;
    layer.Polygon().Add(Square(0, 0, 1));
    RecordingSurface surface;
    layer.ReDraw(surface);
    std::vector<ColorRef> colors;
    for (const auto& p : surface.Primitives()) colors.push_back(p.color);
    EXPECT_EQ(colors, (std::vector<ColorRef>{1, 1, 1, 1, 2, 2, 2, 2, 3}));
}

TEST(cLayer, CollectionColourZeroFallsBackToTheLayerColour) {
    cLayer layer;
    layer.Color = 0xABCDEF;
    layer.Polygon().Add(Square(0, 0, 1));
    RecordingSurface surface;
    layer.ReDraw(surface);
    EXPECT_EQ(surface.Primitives().front().color, 0xABCDEFu);

    layer.Polygon().Color = 255;
    surface.Forget();
    layer.ReDraw(surface);
    EXPECT_EQ(surface.Primitives().front().color, 255u);

    surface.Forget();
    layer.DrawLayerPolygon(1, surface);
    EXPECT_EQ(surface.Primitives().front().color, 0xABCDEFu);
    surface.Forget();
    layer.DrawLayerPolygon(1, surface, 0x10);
    EXPECT_EQ(surface.Primitives().front().color, 0x10u);
    EXPECT_THROW(layer.DrawLayerPolygon(2, surface), std::out_of_range);
    EXPECT_THROW(layer.DrawLayerPolyline(1, surface), std::out_of_range);
}

TEST(cLayer, ReSetDropsEverythingAndReadingCreatesEmptyCollections) {
    cLayer layer;
    layer.Polygon().Add(Square(0, 0, 1));
    layer.Point().Add(1, 1);
    layer.ReSet();
    EXPECT_EQ(layer.Polygon().Count(), 0);
    EXPECT_EQ(layer.Point().Count(), 0);
    RecordingSurface surface;
    layer.ReDraw(surface);
    EXPECT_TRUE(surface.Primitives().empty());
}

TEST(cLayer, LabelsAreBottomAlignedAtTheSecondVertexOfARing) {
    cLayer layer;
    layer.ShowLabel = true;
    auto ring = layer.Polygon().Add(Square(0, 0, 2));
    ring->Name = "A";
    RecordingSurface surface;
    layer.ReDraw(surface);
    const auto& p = surface.Primitives();
    ASSERT_EQ(p.size(), 4u + 3u);
    EXPECT_EQ(p[4].kind, Kind::MoveTo);
    EXPECT_EQ(p[4].x1, 2.0);
    EXPECT_EQ(p[4].y1, 0.0);
    EXPECT_EQ(p[5].flags, TextAlign::Bottom | TextAlign::UpdateCurrentPosition);
    EXPECT_EQ(p[6].text, "A");

    layer.Polygon().Add(nullptr)->Add(1, 1);  // one vertex: there is no vertex 2 to label
    EXPECT_THROW(layer.ReDraw(surface), std::out_of_range);
}

TEST(cLayer, OneVertexRingIsAZeroLengthSegmentEmptyRingNothing) {
    cLayer layer;
    layer.Polygon().Add(nullptr)->Add(3, 4);
    layer.Polygon().Add(nullptr);
    RecordingSurface surface;
    layer.ReDraw(surface);
    ASSERT_EQ(surface.CountOf(Kind::Line), 1);
    EXPECT_EQ(surface.Primitives()[0].x1, surface.Primitives()[0].x2);
}

TEST(cLayer, PolygonMapSpaceToReferanceMovesTheChosenRings) {
    cLayer layer;
    auto origin = layer.ReferancePoint();
    origin->X = 10.0;
    origin->Y = 20.0;
    for (int k = 0; k < 3; ++k) layer.Polygon().Add(Square(100, 100, 1));
    layer.PolygonMapSpaceToReferance(layer.Polygon(), 2, 0);
    EXPECT_EQ((*layer.Polygon().Item(1))(1)->X, 100.0);
    EXPECT_EQ((*layer.Polygon().Item(2))(1)->X, 90.0);
    EXPECT_EQ((*layer.Polygon().Item(2))(1)->Y, 80.0);
    EXPECT_EQ((*layer.Polygon().Item(3))(1)->X, 100.0);
    layer.PolygonMapSpaceToReferance(layer.Polygon(), 0, 0);
    EXPECT_EQ((*layer.Polygon().Item(1))(1)->X, 90.0);
    EXPECT_EQ((*layer.Polygon().Item(2))(1)->X, 80.0);
    EXPECT_EQ((*layer.Polygon().Item(3))(3)->Y, 81.0);
}

TEST(modGraphicBasic, DrawTextMovesAlignsAndPrints) {
    RecordingSurface surface;
    DrawText(surface, 1.5, 2.5, "雨量站", TextAlign::Bottom);
    const auto& p = surface.Primitives();
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0].kind, Kind::MoveTo);
    EXPECT_EQ(p[1].flags, TextAlign::Bottom);
    EXPECT_EQ(p[2].text, "雨量站");
}

}  // namespace
}  // namespace kelvarin
