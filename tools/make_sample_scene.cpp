// Writes the bundled sample scene, or a large scene for benchmarks.
// Usage: make_sample_scene [--gauges N [--center-points] [--sections K]] <output file>
// Without options it writes the bundled scene (the committed file is data/Kelvarin.ini;
// "cmake --build <dir> --target sample-scene" remakes it). With --gauges it writes N gauges
// over the sample basin, every pair's centre point with --center-points, and K polygon
// sections (K - 1 small blocks before the basin's own) with --sections.

#include <charconv>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

#include "tools/SampleScene.hpp"

namespace {

int Usage() {
    std::cerr << "usage: make_sample_scene [--gauges N [--center-points] [--sections K]] <output file>\n";
    return 2;
}

// a whole positive count, or 0
long Count(std::string_view text) {
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value > 0 ? value : 0;
}

}  // namespace

int main(int argc, char** argv) {
    kelvarin::sample::LargeSceneOptions large;
    bool isLarge = false, centrePoints = false, sections = false;
    std::string out;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if ((arg == "--gauges" || arg == "--sections") && i + 1 < argc) {
            const long value = Count(argv[++i]);
            if (value == 0) return Usage();
            (arg == "--gauges" ? large.Gauges : large.Sections) = value;
            (arg == "--gauges" ? isLarge : sections) = true;
        } else if (arg == "--center-points") {
            centrePoints = true;
        } else if (out.empty() && !arg.empty() && arg.front() != '-') {
            out = arg;
        } else {
            return Usage();
        }
    }
    if (out.empty() || ((centrePoints || sections) && !isLarge)) return Usage();
    large.CenterPoints = centrePoints;
    const std::string text = isLarge ? kelvarin::sample::LargeSceneText(large)
                                     : kelvarin::sample::SampleSceneText(kelvarin::sample::MakeSampleScene());
    std::ofstream stream(out, std::ios::binary);
    stream << text;
    stream.close();
    if (!stream) {
        std::cerr << out << ": cannot write the scene\n";
        return 2;
    }
    return 0;
}
