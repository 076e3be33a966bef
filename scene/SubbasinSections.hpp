#pragma once
// The sub-basin sections of a scene file, as written by hand or by `import`:
//
//   [Subbasin1]
//   Name=Upper Creek
//   Part1=UpperCreek
//   Part1Holes=UpperCreek_lake, UpperCreek_quarry
//   Part2=UpperCreek_island
//
// [Subbasin1], [Subbasin2], ... run until the first without a Name (one that names parts
// without a Name is refused). PartN names the vertex
// block of part N's outer ring, PartNHoles the blocks of its holes (separated by commas);
// parts run until the first PartN missing. A vertex block holds X, Y pairs up to the next
// line that starts with "[", so no count is kept beside it; a last vertex repeating the first
// is left out.

#include <vector>

#include "scene/INIProFile.hpp"
#include "scene/Scene.hpp"
#include "scene/SceneReading.hpp"

namespace kelvarin {

// reads every sub-basin section; what cannot be read is added to `problems`
void ReadSubbasins(const ProfileFile& profile, std::vector<SceneSubbasin>& subbasins,
                   scene_reading::ProblemList& problems);

// the section name of sub-basin i (1-based) and the keys of its part k
std::string SubbasinSection(long i);
std::string PartKey(long k);
std::string HolesKey(long k);

}  // namespace kelvarin
