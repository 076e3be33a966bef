#include <gtest/gtest.h>

#include <stdexcept>

#include "model/Shapes.hpp"
#include "model/Stations.hpp"
#include "model/cPolygon.hpp"

namespace kelvarin {
namespace {

TEST(cPolygon, AddHandlePointSharesTheObjectAddPointCopiesIt) {
    auto shared = NewPoint(1.0, 2.0, 3.0);
    cPolygon a, b, c;
    a.AddHandlePoint(shared);
    b.AddHandlePoint(shared);
    c.AddPoint(*shared);
    shared->X = 99.0;
    EXPECT_EQ(a(1)->X, 99.0);
    EXPECT_EQ(b(1)->X, 99.0);
    EXPECT_EQ(a(1), b(1));
    EXPECT_EQ(c(1)->X, 1.0);
    EXPECT_NE(c(1), shared);
}

TEST(cPolygon, AddTakesNumbersAndNumericText) {
    cPolygon ring;
    auto p = ring.Add(1, 2, 3);
    EXPECT_EQ(p->X, 1.0);
    EXPECT_EQ(p->Y, 2.0);
    EXPECT_EQ(p->z, 3.0);
    auto q = ring.Add("1.5", " -2 ", "0");
    EXPECT_EQ(q->X, 1.5);
    EXPECT_EQ(q->Y, -2.0);
    EXPECT_THROW(ring.Add("x", "1", "1"), std::invalid_argument);
    EXPECT_EQ(ring.Count(), 2);
}

TEST(cPolygon, PositionsAreOneBasedAndRemoveMovesLaterVerticesUp) {
    cPolygon ring;
    ring.Add(1, 0);
    auto second = ring.Add(2, 0);
    auto third = ring.Add(3, 0);
    ring.Remove(1);
    ASSERT_EQ(ring.Count(), 2);
    EXPECT_EQ(ring(1), second);
    EXPECT_EQ(ring(2), third);
    EXPECT_THROW(ring.Item(0), std::out_of_range);
    EXPECT_THROW(ring.Item(3), std::out_of_range);
    EXPECT_THROW(ring.Remove(3), std::out_of_range);
    EXPECT_EQ(ring.Count(), 2);
}

TEST(cPolygon, KeysAreUniqueAndEmptyKeysAreNoKeys) {
    cPolygon ring;
    auto a = ring.Add(1, 1, 0, "a");
    ring.Add(2, 2, 0, "");
    ring.Add(3, 3, 0, "");
    EXPECT_THROW(ring.Add(4, 4, 0, "a"), std::invalid_argument);
    EXPECT_EQ(ring.Count(), 3);
    EXPECT_EQ(ring.Item("a"), a);
    EXPECT_THROW(ring.Item("b"), std::invalid_argument);
    ring.Remove("a");
    EXPECT_EQ(ring.Count(), 2);
    EXPECT_EQ(ring(1)->X, 2.0);
    EXPECT_THROW(ring.Remove("a"), std::invalid_argument);
}

TEST(Shapes, PolygonAddStoresACopyWithTheName) {
    cPolygon source;
    source.Name = "cell";
    auto moved = source.Add(0, 0);
    source.Add(1, 0);
    source.Add(1, 1);
    Polygon set;
    auto stored = set.Add(source);
    moved->X = 50.0;
    EXPECT_EQ(stored->Name, "cell");
    ASSERT_EQ(stored->Count(), 3);
    EXPECT_EQ((*stored)(1)->X, 0.0);
    EXPECT_NE((*stored)(1), moved);

    auto empty = set.Add(nullptr);
    EXPECT_EQ(set.Count(), 2);
    EXPECT_EQ(empty->Count(), 0);
    set.ReSet();
    EXPECT_EQ(set.Count(), 0);
}

TEST(Shapes, MutiPolygonAddCopiesEveryRingOfTheSet) {
    Polygon parts;
    for (int k = 0; k < 3; ++k) {
        cPolygon ring;
        ring.Add(k, 0);
        ring.Add(k + 1, 0);
        ring.Add(k, 1);
        parts.Add(ring);
    }
    MutiPolygon areas;
    auto copy = areas.Add(&parts);
    ASSERT_EQ(copy->Count(), 3);
    EXPECT_NE(copy->Item(2), parts.Item(2));
    EXPECT_NE((*copy->Item(2))(1), (*parts.Item(2))(1));
    EXPECT_EQ((*copy->Item(3))(1)->X, 2.0);
    EXPECT_EQ(areas.Add(nullptr)->Count(), 0);
    EXPECT_EQ(areas.Count(), 2);
}

TEST(Shapes, PolylineHandleKeepsTheObjectPointAddCreatesPoints) {
    Polyline lines;
    auto chain = std::make_shared<cPolygon>();
    lines.AddHandlePolyline(chain, "river");
    EXPECT_EQ(lines.Item("river"), chain);
    EXPECT_EQ(lines.hCollection().Count(), 1);
    EXPECT_NE(lines.Add(chain.get()), chain);

    Point points;
    auto p = points.Add(4, 5, 6, "p");
    EXPECT_EQ(points.Item("p"), p);
    EXPECT_EQ(p->z, 6.0);
}

TEST(Stations, EntriesShareTheStationButNotTheSelection) {
    auto station = std::make_shared<cGagingStation>();
    EXPECT_FALSE(station->Area.has_value());
    EXPECT_FALSE(station->Weight.has_value());
    cTypeGagingStation first{station, true};
    cTypeGagingStation second{station, true};
    first.pSelect = false;
    EXPECT_TRUE(second.pSelect);
    first.GageStation->Weight = 0.25;
    EXPECT_EQ(second.GageStation->Weight, 0.25);
}

}  // namespace
}  // namespace kelvarin
