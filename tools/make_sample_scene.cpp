// Writes the bundled sample scene. Usage: make_sample_scene <output file>
// (the committed file is data/Kelvarin.ini; "cmake --build <dir> --target sample-scene" remakes it).

#include <fstream>
#include <iostream>

#include "tools/SampleScene.hpp"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_sample_scene <output file>\n";
        return 2;
    }
    const std::string text = kelvarin::sample::SampleSceneText(kelvarin::sample::MakeSampleScene());
    std::ofstream out(argv[1], std::ios::binary);
    out << text;
    out.close();
    if (!out) {
        std::cerr << argv[1] << ": cannot write the sample scene\n";
        return 2;
    }
    return 0;
}
