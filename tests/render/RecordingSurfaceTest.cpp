#include <gtest/gtest.h>

#include "render/RecordingSurface.hpp"

namespace kelvarin {
namespace {

TEST(RecordingSurface, RemembersStateAndPrimitivesInOrder) {
    RecordingSurface surface(640, 480);
    EXPECT_EQ(surface.Scale().Width(), 640.0);
    surface.SetAutoRedraw(true);
    surface.SetScale({0, 100, 200, 0});
    surface.Circle(1, 2, 3, 255);
    surface.SetLabel({"title", 5, 6, 0xFF, true});
    EXPECT_TRUE(surface.AutoRedraw());
    EXPECT_EQ(surface.Scale().Height(), -100.0);
    EXPECT_EQ(surface.Label().Caption, "title");
    ASSERT_EQ(surface.Primitives().size(), 4u);
    EXPECT_EQ(surface.Primitives()[2].x2, 3.0);
    EXPECT_EQ(surface.CountOf(RecordingSurface::Kind::Circle), 1);

    RecordingSurface quiet(10, 10, false);
    quiet.Line(0, 0, 1, 1, 1);
    EXPECT_TRUE(quiet.Primitives().empty());
}

}  // namespace
}  // namespace kelvarin
