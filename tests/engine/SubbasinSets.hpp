#pragma once
// Generated sets of sub-basins at map coordinates: a star-shaped basin cut along wavy divides
// that run from a centre to the rim into sectors, each sector cut across into bands; one
// sub-basin holds an enclave (a hole filled by a sub-basin of its own), one holds a lake that
// belongs to no sub-basin, and on an island in the lake lies a second part of the first
// sub-basin. Neighbours share their divides vertex for vertex, as a GIS tracing does, and the
// outline (the scene's basin ring) is the rim itself.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "model/cPoint.hpp"
#include "scene/Scene.hpp"
#include "scene/SceneWriter.hpp"

namespace kelvarin::testing {

struct SubbasinSetOptions {
    double CentreX = 480000, CentreY = 4420000;  // UTM-sized map coordinates
    double Radius = 18000;
    int RimVertices = 480;  // vertices of the outline
    int Sectors = 4;        // divides from the centre to the rim (2 or more)
    int MaxBands = 2;       // each sector is cut into 1..MaxBands bands
    bool AllBands = false;  // every sector cut into MaxBands bands
    int DivideVertices = 24;
    bool Enclave = true, Lake = true;
    std::uint64_t Seed = 1;
};

struct SubbasinSet {
    std::vector<cPoint> Outline;  // counter-clockwise
    std::vector<SceneFileSubbasin> Subbasins;
    std::vector<cPoint> Lake;    // the lake's ring (empty without one): drains elsewhere
    std::vector<cPoint> Island;  // the island in it, a part of another sub-basin
};

class SubbasinSetMaker {
  public:
    explicit SubbasinSetMaker(const SubbasinSetOptions& options) : o_(options), state_(options.Seed) {}

    SubbasinSet Make() {
        const int M = o_.RimVertices, J = o_.DivideVertices, S = o_.Sectors;
        for (int k = 0; k < M; ++k) set_.Outline.push_back(At(2 * std::numbers::pi * k / M, 1.0));
        // the divides end on rim vertices, spread with some jitter
        for (int i = 0; i < S; ++i) rimIndex_.push_back((M * i) / S + static_cast<int>(Next() * 0.4 * M / S));
        for (int i = 0; i < S; ++i) {
            const double gap = 2 * std::numbers::pi * std::min(Span(i), Span((i + S - 1) % S)) / M;
            amplitude_.push_back((Next() - 0.5) * 0.2 * gap);
            phase_.push_back(Next() * 2 * std::numbers::pi);
            const int bands = 1 + static_cast<int>(Next() * o_.MaxBands) % o_.MaxBands;
            bands_.push_back(o_.AllBands ? o_.MaxBands : bands);
        }
        for (int i = 0; i < S; ++i) {
            for (int b = 0; b < bands_[i]; ++b) {
                SceneFileSubbasin& subbasin = set_.Subbasins.emplace_back();
                subbasin.Name = NameOf(set_.Subbasins.size() - 1);
                subbasin.Parts.push_back({Band(i, b, J), {}});
                bandOf_.push_back({i, b});
            }
        }
        if (o_.Enclave) AddEnclave(J);
        if (o_.Lake) AddLake(J);
        return set_;
    }

  private:
    // deterministic numbers in [0, 1) (splitmix64)
    double Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return static_cast<double>((z ^ (z >> 31)) >> 11) * 0x1.0p-53;
    }

    static std::string NameOf(std::size_t k) {
        static const char* const kNames[] = {"Cedar Run",    "Hollow Fork", "Mill Brook",  "Grey Wash",
                                             "Lark Creek",   "Stony Draw",  "Pine Gulch",  "Otter Run",
                                             "Fern Brook",   "Birch Fork",  "Willow Wash", "Aspen Creek",
                                             "Heron Slough", "Quarry Run",  "Elk Draw",    "Sumac Fork"};
        const std::size_t n = sizeof kNames / sizeof kNames[0];
        return k < n ? kNames[k] : "W" + std::to_string(100 + k);
    }

    double RimRadius(double theta) const {
        return o_.Radius * (1 + 0.22 * std::cos(2 * theta - 0.5) + 0.12 * std::sin(3 * theta + 1.0) +
                            0.05 * std::cos(7 * theta + 0.3) + 0.02 * std::sin(23 * theta));
    }
    // the point at angle theta, at share f of the way from the centre to the rim
    cPoint At(double theta, double f) const {
        const double r = f * RimRadius(theta);
        return cPoint{o_.CentreX + 1.25 * r * std::cos(theta), o_.CentreY + r * std::sin(theta), 0.0};
    }
    int Span(int i) const {  // rim vertices from divide i to divide i + 1
        const int S = o_.Sectors, M = o_.RimVertices;
        return i + 1 < S ? rimIndex_[i + 1] - rimIndex_[i] : rimIndex_[0] + M - rimIndex_[i];
    }
    double DivideAngle(int i, double f) const {
        const double base = 2 * std::numbers::pi * rimIndex_[i % o_.Sectors] / o_.RimVertices +
                            (i >= o_.Sectors ? 2 * std::numbers::pi : 0);
        return base + amplitude_[i % o_.Sectors] * std::sin(std::numbers::pi * f) *
                          std::sin(3 * std::numbers::pi * f + phase_[i % o_.Sectors]);
    }
    // the band boundaries of sector i as divide rows: 0, ..., J
    int Row(int i, int b) const { return b * o_.DivideVertices / bands_[i]; }

    // the cut across sector i at divide row j, from divide i to divide i + 1, ends included
    std::vector<cPoint> Across(int i, int j) const {
        const double f = static_cast<double>(j) / o_.DivideVertices;
        const double a = DivideAngle(i, f), b = DivideAngle(i + 1, f);
        const int n = std::max(3, Span(i) / 3);
        std::vector<cPoint> cut;
        cut.push_back(DividePoint(i, j));
        for (int k = 1; k < n; ++k) {
            const double t = static_cast<double>(k) / n;
            const double wobble = 0.3 / o_.DivideVertices * std::sin(std::numbers::pi * t) *
                                  std::sin(5 * std::numbers::pi * t + phase_[i]);
            cut.push_back(At(a + t * (b - a), f + wobble));
        }
        cut.push_back(DividePoint(i + 1, j));
        return cut;
    }

    // band b of sector i: out along divide i, across (or along the rim), back along divide i + 1, across
    std::vector<cPoint> Band(int i, int b, int J) const {
        const int lo = Row(i, b), hi = Row(i, b + 1);
        std::vector<cPoint> ring;
        for (int j = std::max(lo, 1); j < hi; ++j) ring.push_back(DividePoint(i, j));
        if (hi == J) {
            for (int k = 0; k <= Span(i); ++k) ring.push_back(set_.Outline[(rimIndex_[i] + k) % o_.RimVertices]);
        } else {
            const std::vector<cPoint> cut = Across(i, hi);
            ring.insert(ring.end(), cut.begin(), cut.end());
        }
        for (int j = hi - 1; j > lo; --j) ring.push_back(DividePoint(i + 1, j));
        if (lo > 0) {
            const std::vector<cPoint> cut = Across(i, lo);
            for (std::size_t k = cut.size() - 1; k > 0; --k) ring.push_back(cut[k]);
        } else {
            ring.push_back(At(0, 0));  // the centre, where every first band meets
        }
        return ring;
    }
    // vertex j of divide i (divide Sectors is divide 0): the very same doubles for both sectors beside it
    cPoint DividePoint(int i, int j) const {
        const double f = static_cast<double>(j) / o_.DivideVertices;
        return j == 0 ? At(0, 0) : At(DivideAngle(i % o_.Sectors, f), f);
    }

    // an ellipse inside band b of sector i, around a share of the band's middle
    std::vector<cPoint> Ellipse(int i, int b, double size, double turn) const {
        const double f0 = static_cast<double>(Row(i, b)) / o_.DivideVertices;
        const double f1 = static_cast<double>(Row(i, b + 1)) / o_.DivideVertices;
        const double fc = (f0 + f1) / 2, half = (f1 - f0) / 2;
        const double a = DivideAngle(i, fc), c = DivideAngle(i + 1, fc);
        std::vector<cPoint> ring;
        for (int k = 0; k < 24; ++k) {
            const double t = 2 * std::numbers::pi * k / 24 + turn;
            ring.push_back(At((a + c) / 2 + size * 0.5 * (c - a) * std::cos(t), fc + size * half * std::sin(t)));
        }
        return ring;
    }

    void AddEnclave(int J) {
        (void)J;
        const std::size_t host = set_.Subbasins.size() - 1;  // the last sector's outer band
        const std::vector<cPoint> ring = Ellipse(bandOf_[host].first, bandOf_[host].second, 0.35, 0.1);
        set_.Subbasins[host].Parts[0].Holes.push_back(ring);
        SceneFileSubbasin& enclave = set_.Subbasins.emplace_back();
        enclave.Name = NameOf(set_.Subbasins.size() - 1);
        enclave.Parts.push_back({ring, {}});
    }

    void AddLake(int J) {
        (void)J;
        const std::size_t host = o_.Sectors > 2 ? bandOf_.size() / 2 : 0;
        set_.Lake = Ellipse(bandOf_[host].first, bandOf_[host].second, 0.45, 0.3);
        set_.Subbasins[host].Parts[0].Holes.push_back(set_.Lake);
        // the island in the lake belongs to the sub-basin that holds the lake's neighbour
        const std::size_t owner = host == 0 ? 1 : 0;
        set_.Island = Ellipse(bandOf_[host].first, bandOf_[host].second, 0.18, 0.0);
        set_.Subbasins[owner].Parts.push_back({set_.Island, {}});
    }

    SubbasinSetOptions o_;
    std::uint64_t state_;
    SubbasinSet set_;
    std::vector<int> rimIndex_, bands_;
    std::vector<double> amplitude_, phase_;
    std::vector<std::pair<int, int>> bandOf_;  // sector and band of each generated sub-basin
};

inline SubbasinSet MakeSubbasinSet(const SubbasinSetOptions& options) { return SubbasinSetMaker(options).Make(); }

// gauges drawn at random over a box around a set's centre, for its scene file
struct GaugeSpread {
    int Count = 0;
    std::uint64_t Seed = 1;
    double HalfWidth = 30000, HalfHeight = 24000;  // the box, about the set's centre
    std::string NamePrefix = "G", NumberPrefix;    // gauge k is NamePrefix + k, NumberPrefix + k
    bool CentrePoints = true;                      // every pair's midpoint as its centre point
    std::string Show = "all";
};

// the scene file of a set (its outline the basin) with gauges spread over and around it
inline SceneFile SubbasinSceneFile(const SubbasinSet& set, const SubbasinSetOptions& options,
                                   const GaugeSpread& gauges) {
    SceneFile file;
    file.Polygons = {{"Outline", set.Outline}};
    file.Show = gauges.Show;
    file.Subbasins = set.Subbasins;
    std::mt19937_64 random(gauges.Seed);
    std::uniform_real_distribution<double> x(options.CentreX - gauges.HalfWidth, options.CentreX + gauges.HalfWidth);
    std::uniform_real_distribution<double> y(options.CentreY - gauges.HalfHeight, options.CentreY + gauges.HalfHeight);
    for (int k = 1; k <= gauges.Count; ++k)
        file.Stations.push_back({gauges.NamePrefix + std::to_string(k), gauges.NumberPrefix + std::to_string(k),
                                 cPoint{x(random), y(random), 0}});
    if (!gauges.CentrePoints) return file;
    for (std::size_t a = 0; a < file.Stations.size(); ++a)
        for (std::size_t b = a + 1; b < file.Stations.size(); ++b) {
            const cPoint& p = file.Stations[a].Point;
            const cPoint& q = file.Stations[b].Point;
            file.CentrePoints.push_back(cPoint{(p.X + q.X) / 2, (p.Y + q.Y) / 2, 0});
        }
    return file;
}

// a generated set with gauges over and around it, read through the scene file
inline Scene GeneratedSubbasinScene(std::uint64_t seed, int gauges) {
    SubbasinSetOptions options;
    options.Seed = seed;
    options.Sectors = 2 + static_cast<int>(seed % 5);
    options.MaxBands = 1 + static_cast<int>(seed % 2);
    GaugeSpread spread;
    spread.Count = gauges;
    spread.Seed = seed;
    const SceneFile file = SubbasinSceneFile(MakeSubbasinSet(options), options, spread);
    return LoadSceneText(SceneFileText(file), "generated-" + std::to_string(seed) + ".ini");
}

}  // namespace kelvarin::testing
