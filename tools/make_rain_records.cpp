// Writes synthetic gauge records for `kelvarin-cli areal`.
//   make_rain_records <out.csv>
//       the README's example: one day of hourly records of the bundled scene (data/rain_example.csv)
//   make_rain_records <out.csv> <rows> <step hours> <missing share> [<gauges> <scene out.ini>]
//       larger files; with <gauges>, also a scene of that many gauges on the sample basin

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "tools/RainRecords.hpp"

namespace {

bool Write(const std::string& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << text;
    out.close();
    if (!out) std::cerr << file << ": cannot write\n";
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kelvarin::sample;
    if (argc == 2) return Write(argv[1], RainRecordsText(MakeSampleScene().Gauges, ExampleRainSettings())) ? 0 : 2;
    if (argc != 5 && argc != 7) {
        std::cerr
            << "usage: make_rain_records <out.csv> [<rows> <step hours> <missing share> [<gauges> <scene.ini>]]\n";
        return 2;
    }
    RainSettings settings;
    settings.Rows = std::atoi(argv[2]);
    settings.StepHours = std::atoi(argv[3]);
    settings.MissingShare = std::atof(argv[4]);
    SampleScene scene = MakeSampleScene();
    if (argc == 7) {
        scene = SceneWithGauges(std::atoi(argv[5]), 41);
        if (!Write(argv[6], SampleSceneText(scene))) return 2;
    }
    return Write(argv[1], RainRecordsText(scene.Gauges, settings)) ? 0 : 2;
}
