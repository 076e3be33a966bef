#pragma once
// Where the running program lies: the saver and the command-line tool find the
// bundled scene in their own folder.

#include <filesystem>

namespace kelvarin {

// the folder of the running executable; throws std::runtime_error when the system cannot tell
std::filesystem::path ProgramFolder();

// the scene file beside the running executable ("Kelvarin.ini" in ProgramFolder())
std::filesystem::path DefaultScenePath();

}  // namespace kelvarin
