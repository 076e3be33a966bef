// The profile reader and the scene loader on arbitrary bytes: every input either loads
// into a scene that meets the scene rules or is refused with SceneError; nothing else
// may escape, crash or trip a sanitizer.

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "geometry/modStrTools.hpp"
#include "scene/INIProFile.hpp"
#include "scene/Scene.hpp"
#include "scene/SceneRules.hpp"
#include "scene/TextDecoding.hpp"

namespace {

using namespace kelvarin;

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz_scene: %s\n", what.c_str());
    std::abort();
}

const std::filesystem::path& ScratchFile() {
    static const std::filesystem::path path = [] {
        const std::filesystem::path folder =
            std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
        return folder / ("kelvarin-fuzz-scene-" + std::to_string(::getpid()) + ".ini");
    }();
    return path;
}

// the profile reader alone, over text held in memory
void ReadProfile(std::string_view bytes) {
    std::string text;
    try {
        text = DecodeToUtf8(bytes, "fuzz.ini");
    } catch (const TextDecodeError&) {
        return;
    }
    const ProfileFile profile = ProfileFile::FromText(text, "fuzz.ini");
    for (const char* section : {"Polygon1", "rainstation", "CenterPoint"}) {
        const Array1<std::string> lines = ReadProfileSectionLines(section, profile, 3);
        for (const std::string& line : lines) {
            const std::string inner = TextBetween(line, "(", ")");
            for (long n = 1; n <= 3; ++n) (void)LeadingNumber(GetToken(inner, ",", n, true).Text());
            (void)GetToken(line, " ", 2, true);
        }
        (void)ReadProfileString(section, "Name", "", profile);
        (void)ReadProfileInt(section, "Number", 0, profile);
    }
}

bool Finite(const cPoint& p) { return std::isfinite(p.X) && std::isfinite(p.Y) && std::isfinite(p.z); }

// what a loaded scene must hold
void CheckLoaded(const Scene& scene) {
    if (scene.Basin.size() < 3) Fail("a basin of fewer than 3 vertices loaded");
    if (scene.Stations.empty()) Fail("a scene without stations loaded");
    if (static_cast<long>(scene.Stations.size()) > scene_rules::kMaxStations) Fail("too many stations loaded");
    for (const cPoint& p : scene.Basin)
        if (!Finite(p) || std::abs(p.X) > scene_rules::kMaxCoordinate) Fail("a basin vertex out of range loaded");
    for (const SceneStation& s : scene.Stations)
        if (!Finite(s.Point) || std::abs(s.Point.X) > scene_rules::kMaxCoordinate)
            Fail("a station out of range loaded");
    const std::size_t n = scene.Stations.size();
    if (scene.ShowMethod != ShowSetting::Thiessen && scene.Local.CenterPoints.size() != n * (n - 1) / 2)
        Fail("centre points miscounted");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ReadProfile(bytes);
    {
        std::ofstream out(ScratchFile(), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    try {
        CheckLoaded(LoadScene(ScratchFile()));
    } catch (const SceneError& e) {
        if (e.Problems().empty()) Fail("a SceneError without problems");
    }
    return 0;
}
