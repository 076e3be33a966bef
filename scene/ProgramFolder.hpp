#pragma once
// Where the running program lies: the saver and the command-line tool find their scene,
// Kelvarin.ini, in their own folder.

#include <filesystem>

namespace kelvarin {

// Name of the scene file in the program's folder.
inline constexpr const char* kSceneFileName = "Kelvarin.ini";

// the folder of the running executable; empty when the system cannot tell
std::filesystem::path ProgramFolder();

// the scene file beside the running executable ("Kelvarin.ini" in ProgramFolder()); throws
// std::runtime_error when the program's folder cannot be found
std::filesystem::path DefaultScenePath();

}  // namespace kelvarin
