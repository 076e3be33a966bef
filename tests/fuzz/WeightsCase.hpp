#pragma once
// The weights fuzzer's case: a scene decoded from the bytes (3 to 40 gauges on a small
// integer grid plus optional tiny offsets, so ties, near-ties, collinear and coincident
// gauges are frequent; at the origin or at map coordinates), or, for a first byte from 0xF0
// on, a surveyed network of one of the generated families (a ring, a rotated grid, clusters,
// a road, a tiny plot, UTM coordinates) drawn from the bytes; and a selection. Shared by the
// fuzz target and the test that replays its seeds.

#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "scene/Scene.hpp"
#include "tests/engine/SurveyFamilies.hpp"
#include "tests/fuzz/FuzzBytes.hpp"

namespace kelvarin::fuzz {

// basins on the same grid: a square, an L, and a notched outline
inline const std::vector<std::vector<std::pair<int, int>>> kBasins = {
    {{-10, -10}, {10, -10}, {10, 10}, {-10, 10}},
    {{-10, -10}, {10, -10}, {10, 0}, {0, 0}, {0, 10}, {-10, 10}},
    {{-10, -8}, {-2, -10}, {9, -9}, {10, 4}, {3, 1}, {6, 10}, {-7, 9}},
};

struct WeightsCase {
    Scene scene;
    std::vector<long> selection;
};

// a surveyed network of the family the first byte names, its parameters from the bytes
inline WeightsCase DecodeSurveyCase(std::uint8_t mode, Bytes& bytes) {
    const testing::Uniform u = [&bytes] {
        const unsigned high = bytes.Next(), low = bytes.Next();
        return static_cast<double>(high << 8U | low) / 65536.0;
    };
    const auto family = static_cast<testing::SurveyFamily>((mode & 0x0F) % testing::kSurveyFamilies);
    WeightsCase c;
    c.scene = testing::MakeSurveyScene(family, u).Data;
    const long n = static_cast<long>(c.scene.Stations.size());
    for (long i = 0; i < n; ++i)
        if (bytes.Next() & 1) c.selection.push_back(i + 1);
    if (c.selection.empty()) c.selection.push_back(1 + bytes.Next() % n);
    return c;
}

inline WeightsCase DecodeWeightsCase(const std::uint8_t* data, std::size_t size) {
    Bytes bytes(data, size);
    const std::uint8_t mode = bytes.Next();
    if (mode >= 0xF0) return DecodeSurveyCase(mode, bytes);
    WeightsCase c;
    Scene& scene = c.scene;
    const double units[] = {1.0, 1000.0, 0.001, 37.5};
    const double unit = units[(mode >> 1) & 3];
    const bool tiny = mode & 8;
    const double ox = mode & 1 ? 255000.0 : 0.0, oy = mode & 1 ? 2655000.0 : 0.0;
    scene.BasinName = "Basin";
    scene.ShowMethod = ShowSetting::Both;
    for (const auto& [x, y] : kBasins[static_cast<std::size_t>((mode >> 4) % kBasins.size())])
        scene.Basin.push_back(cPoint{ox + x * unit, oy + y * unit, 0.0});
    const int n = 3 + bytes.Next() % 38;
    for (int i = 0; i < n; ++i) {
        double x = bytes.Signed() % 13, y = bytes.Signed() % 13;
        if (tiny) {
            const std::uint8_t scale = bytes.Next();
            x += bytes.Signed() * std::ldexp(1.0, -(10 + (scale & 31)));
            y += bytes.Signed() * std::ldexp(1.0, -(10 + (scale >> 3)));
        }
        SceneStation station;
        station.Name = "G" + std::to_string(i + 1);
        station.Point = cPoint{ox + x * unit, oy + y * unit, static_cast<double>(bytes.Next()) * 10.0};
        scene.Stations.push_back(station);
    }
    for (std::size_t a = 0; a < scene.Stations.size(); ++a) {
        for (std::size_t b = a + 1; b < scene.Stations.size(); ++b) {
            const cPoint& A = scene.Stations[a].Point;
            const cPoint& B = scene.Stations[b].Point;
            scene.CenterPoints.push_back(cPoint{A.X + (B.X - A.X) / 2, A.Y + (B.Y - A.Y) / 2, (A.z + B.z) / 2});
        }
    }
    for (int i = 0; i < n; ++i)
        if (bytes.Next() & 1) c.selection.push_back(i + 1);
    if (c.selection.empty()) c.selection.push_back(1 + bytes.Next() % n);
    return c;
}

}  // namespace kelvarin::fuzz
