// Weights of scenes real data produces and naive arithmetic gets wrong, run end to end
// through kelvarin-cli and judged by an independent oracle: each Thiessen weight against
// the area of the basin cut by every bisector half-plane of the gauge, over GEOS's area
// of the basin, within 1e-9; height-balance weights in [0, 1] summing to 1 within 1e-9.
// Families: grids with 0, 1e-9 and 1e-7 m of noise, circles of 4 to 16 gauges exact and
// perturbed, near-collinear triples 1e-3 .. 1e-10 m off their line (alone, and on the hull
// of a larger network), near-duplicate pairs, and a gauge at the far edge of the accepted
// range; each at map coordinates and around the origin. The guard (exit 3) must never fire.

#include <geos_c.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "scene/SceneRules.hpp"
#include "scene/SceneWriter.hpp"
#include "tests/cli/CliRun.hpp"

namespace kelvarin {
namespace {

using testing::RunCli;

struct Gauge {
    double x, y, z;
};

struct Case {
    std::string what;
    std::vector<Gauge> gauges;  // relative to the place
};

struct Place {
    const char* name;
    double x, y;
};
constexpr Place kPlaces[] = {{"map", 255000.0, 2655000.0}, {"origin", 0.0, 0.0}};

// the basin, relative to the place: an irregular convex-and-concave 12 km outline
const std::vector<std::pair<double, double>> kBasin = {{-6000, -5000}, {1000, -5600}, {6000, -4000}, {5500, 1000},
                                                       {6000, 5000},   {0, 5800},     {-2000, 2000}, {-6000, 4500}};

double BasinExtent() { return 12000.0; }

// a scene file; centre points at the middle of each pair
std::string SceneText(const Place& place, const std::vector<Gauge>& gauges) {
    SceneFile file;
    file.Polygons = {{"Basin", {}}};
    for (const auto& [x, y] : kBasin) file.Polygons[0].Vertices.push_back(cPoint{place.x + x, place.y + y, 0.0});
    file.Show = "all";
    for (std::size_t i = 0; i < gauges.size(); ++i)
        file.Stations.push_back({"G" + std::to_string(i + 1), "N" + std::to_string(i + 1),
                                 cPoint{place.x + gauges[i].x, place.y + gauges[i].y, gauges[i].z}});
    for (std::size_t a = 0; a < gauges.size(); ++a)
        for (std::size_t b = a + 1; b < gauges.size(); ++b)
            file.CentrePoints.push_back(cPoint{place.x + (gauges[a].x + gauges[b].x) / 2,
                                               place.y + (gauges[a].y + gauges[b].y) / 2,
                                               (gauges[a].z + gauges[b].z) / 2});
    return SceneFileText(file);
}

// ---- the oracle ----

class Geos {
  public:
    Geos() : ctx_(GEOS_init_r()) {}
    ~Geos() { GEOS_finish_r(ctx_); }
    Geos(const Geos&) = delete;
    Geos& operator=(const Geos&) = delete;

    double Area(const std::vector<std::pair<double, double>>& a) const {
        GEOSGeometry* g = Polygon(a);
        double area = -1.0;
        GEOSArea_r(ctx_, g, &area);
        GEOSGeom_destroy_r(ctx_, g);
        return area;
    }

  private:
    GEOSGeometry* Polygon(const std::vector<std::pair<double, double>>& ring) const {
        const auto n = static_cast<unsigned>(ring.size());
        GEOSCoordSequence* seq = GEOSCoordSeq_create_r(ctx_, n + 1, 2);
        for (unsigned i = 0; i <= n; ++i) GEOSCoordSeq_setXY_r(ctx_, seq, i, ring[i % n].first, ring[i % n].second);
        return GEOSGeom_createPolygon_r(ctx_, GEOSGeom_createLinearRing_r(ctx_, seq), nullptr, 0);
    }
    GEOSContextHandle_t ctx_;
};

// the part of the basin nearer to site i than to each other site: the basin cut by every
// bisector half-plane in turn. Cutting any polygon by a half-plane this way may leave
// edges running back over themselves, but its shoelace area is exactly the area of the
// part kept, so no validity is needed. Coordinates are relative to the basin's place,
// where they are exact, and each cut is measured from site i.
double CellArea(const std::vector<Gauge>& sites, std::size_t i) {
    const double sx = sites[i].x, sy = sites[i].y;
    std::vector<std::pair<double, double>> cell;
    for (const auto& [x, y] : kBasin) cell.push_back({x - sx, y - sy});
    for (std::size_t j = 0; j < sites.size() && !cell.empty(); ++j) {
        if (j == i) continue;
        const double tx = sites[j].x - sx, ty = sites[j].y - sy;
        const double c = (tx * tx + ty * ty) / 2;  // keep points with t.p <= c
        std::vector<std::pair<double, double>> out;
        for (std::size_t k = 0; k < cell.size(); ++k) {
            const auto p = cell[k], q = cell[(k + 1) % cell.size()];
            const double fp = tx * p.first + ty * p.second - c, fq = tx * q.first + ty * q.second - c;
            if (fp <= 0) out.push_back(p);
            if ((fp < 0 && fq > 0) || (fp > 0 && fq < 0)) {
                const double t = fp / (fp - fq);
                out.push_back({p.first + t * (q.first - p.first), p.second + t * (q.second - p.second)});
            }
        }
        cell = std::move(out);
    }
    double twice = 0.0;
    for (std::size_t k = 0; k < cell.size(); ++k) {
        const auto p = cell[k], q = cell[(k + 1) % cell.size()];
        twice += p.first * q.second - q.first * p.second;
    }
    return std::abs(twice) / 2;
}

// the site each gauge belongs to: the first earlier gauge closer than the same-site rule
std::vector<std::size_t> Sites(const std::vector<Gauge>& gauges) {
    const double tolerance = scene_rules::kSameSiteShare * BasinExtent();
    std::vector<std::size_t> site(gauges.size());
    for (std::size_t i = 0; i < gauges.size(); ++i) {
        site[i] = i;
        for (std::size_t s = 0; s < i; ++s) {
            if (site[s] == s && std::hypot(gauges[i].x - gauges[s].x, gauges[i].y - gauges[s].y) < tolerance) {
                site[i] = s;
                break;
            }
        }
    }
    return site;
}

// expected Thiessen weight of every gauge (sites shared equally)
std::vector<double> OracleWeights(const Geos& geos, const std::vector<Gauge>& gauges) {
    const std::vector<std::size_t> site = Sites(gauges);
    std::vector<Gauge> sites;
    std::vector<std::size_t> siteIndex(gauges.size());
    std::vector<int> members;
    for (std::size_t i = 0; i < gauges.size(); ++i) {
        if (site[i] == i) {
            sites.push_back(gauges[i]);
            members.push_back(0);
        }
        siteIndex[i] = 0;
    }
    for (std::size_t i = 0, k = 0; i < gauges.size(); ++i) {
        if (site[i] == i) siteIndex[i] = k++;
    }
    for (std::size_t i = 0; i < gauges.size(); ++i) {
        siteIndex[i] = siteIndex[site[i]];
        ++members[siteIndex[i]];
    }
    const double basinArea = geos.Area(kBasin);  // GEOS's area of the basin
    std::vector<double> weights;
    for (std::size_t i = 0; i < gauges.size(); ++i)
        weights.push_back(CellArea(sites, siteIndex[i]) / basinArea / members[siteIndex[i]]);
    return weights;
}

// ---- running the CLI ----

struct Result {
    int status = -1;
    std::string err;
    std::vector<double> weights;
};

Result Weights(const std::filesystem::path& scene, const char* method) {
    const testing::CliRun run =
        RunCli("weights --scene '" + scene.string() + "' --method " + method + " --format csv --stations all");
    Result result{run.Status, run.Err, {}};
    std::istringstream lines(run.Out);
    std::string line;
    std::getline(lines, line);  // header
    while (std::getline(lines, line)) {
        const std::size_t comma = line.rfind(',');
        result.weights.push_back(comma == std::string::npos ? NAN : std::strtod(line.c_str() + comma + 1, nullptr));
    }
    return result;
}

// ---- the families ----

// a length for a label: 1e-09, 0.05
std::string Metres(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g m", v);
    return text;
}

std::vector<Case> Families() {
    std::vector<Case> cases;
    std::mt19937_64 random(2024);
    // grids of 6 x 5 gauges 2 km apart, with noise of up to 0, 1e-9 and 1e-7 m
    for (const double noise : {0.0, 1e-9, 1e-7}) {
        for (int seed = 0; seed < 3; ++seed) {
            std::uniform_real_distribution<double> jitter(-noise, noise);
            Case c{"grid, noise " + Metres(noise), {}};
            for (int i = 0; i < 6; ++i)
                for (int j = 0; j < 5; ++j)
                    c.gauges.push_back({-5000.0 + 2000 * i + jitter(random), -4000.0 + 2000 * j + jitter(random),
                                        100.0 + 10 * (i + j)});
            cases.push_back(std::move(c));
            if (noise == 0.0) break;
        }
    }
    // circles of 4 to 16 gauges of radius 3 km, exact (as exact as the cosine) and moved by up to 1e-7 m
    for (int n = 4; n <= 16; ++n) {
        for (const double noise : {0.0, 1e-7}) {
            std::uniform_real_distribution<double> jitter(-noise, noise);
            Case c{"circle of " + std::to_string(n) + ", noise " + Metres(noise), {}};
            for (int k = 0; k < n; ++k) {
                const double angle = 6.283185307179586 * k / n + 0.1;
                c.gauges.push_back({300 + 3000 * std::cos(angle) + jitter(random),
                                    -200 + 3000 * std::sin(angle) + jitter(random), 200.0 + 50 * k});
            }
            cases.push_back(std::move(c));
        }
    }
    // three gauges, the third 1e-3 .. 1e-10 m off the line through the first two
    for (int e = 3; e <= 10; ++e) {
        const double off = std::pow(10.0, -e);
        const double ax = -3000, ay = -1000, bx = 3500, by = 2000;
        const double t = 0.37, len = std::hypot(bx - ax, by - ay);
        cases.push_back(
            {"collinear triple, " + Metres(off) + " off",
             {{ax, ay, 100},
              {bx, by, 900},
              {ax + t * (bx - ax) - off * (by - ay) / len, ay + t * (by - ay) + off * (bx - ax) / len, 500}}});
    }
    // the same on the hull of a larger network, 1e-3 .. 1e-12 m inside: the sliver is a hull
    // triangle, on an upright edge and a slanting one
    for (int e = 3; e <= 12; e += 3) {
        const double off = std::pow(10.0, -e);
        for (const double lean : {0.0, 700.0}) {
            const double ax = 4000, ay = -3000, bx = 4000 + lean, by = 3000;
            const double t = 0.57, len = std::hypot(bx - ax, by - ay);
            cases.push_back(
                {"collinear triple on the hull, " + Metres(off) + " inside" + (lean > 0 ? ", slanting" : ""),
                 {{ax, ay, 100},
                  {ax + t * (bx - ax) - off * (by - ay) / len, ay + t * (by - ay) + off * (bx - ax) / len, 500},
                  {bx, by, 900},
                  {-3000, -2000, 300},
                  {-1000, 2500, 700},
                  {500, -500, 200},
                  {1500, 3500, 800},
                  {2000, -3800, 400}}});
        }
    }
    // near-duplicate pairs among a few gauges: 3e-9 .. 1e-9 m apart (one site), and 0.05 m
    for (const double gap : {3e-9, 1e-9, 1e-6, 0.05}) {
        Case c{"near-duplicate pair " + Metres(gap) + " apart",
               {{-3000, -2000, 100}, {2500, -1500, 400}, {500, 3000, 800}, {-4000, 2500, 300}, {4200, 3300, 650}}};
        c.gauges.push_back({2500 + gap * 0.6, -1500 + gap * 0.8, 420});
        cases.push_back(std::move(c));
    }
    // a gauge at the far edge of the accepted range (a typing error that is still allowed)
    const double far = 0.99 * scene_rules::kMaxGaugeDistance * BasinExtent();
    cases.push_back({"gauge far away", {{-3000, -2000, 100}, {2500, -1500, 400}, {500, 3000, 800}, {far, 2000, 300}}});
    return cases;
}

TEST(HostileScenes, WeightsMatchTheOracleOrTheSceneIsRefused) {
    const Geos geos;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kelvarin-hostile-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    int judged = 0;
    for (const Place& place : kPlaces) {
        for (const Case& c : Families()) {
            const std::string label = std::string(place.name) + ": " + c.what;
            const std::filesystem::path scene = folder / "scene.ini";
            std::ofstream(scene) << SceneText(place, c.gauges);
            const std::vector<double> expected = OracleWeights(geos, c.gauges);
            for (const char* method : {"thiessen", "heightbalance"}) {
                const Result r = Weights(scene, method);
                ASSERT_EQ(r.status, 0) << label << " (" << method << "): " << r.err;
                ASSERT_EQ(r.weights.size(), c.gauges.size()) << label;
                double sum = 0.0;
                for (std::size_t i = 0; i < r.weights.size(); ++i) {
                    EXPECT_TRUE(r.weights[i] >= 0.0 && r.weights[i] <= 1.0)
                        << label << " (" << method << "): gauge " << i + 1 << " weight " << r.weights[i];
                    sum += r.weights[i];
                    if (std::string(method) == "thiessen") {
                        EXPECT_NEAR(r.weights[i], expected[i], 1e-9) << label << " (thiessen): gauge " << i + 1;
                    }
                }
                EXPECT_NEAR(sum, 1.0, 1e-9) << label << " (" << method << ")";
                ++judged;
            }
        }
    }
    std::filesystem::remove_all(folder);
    EXPECT_GT(judged, 150);
}

}  // namespace
}  // namespace kelvarin
