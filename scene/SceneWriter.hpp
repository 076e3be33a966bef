#pragma once
// The scene file as Kelvarin writes it (the GIS import, the sample scenes, the tests'
// fixtures): comment lines, the polygon sections with their vertex blocks (the last one is
// the basin, and carries Show and CRS), the sub-basin sections with the vertex blocks of their
// rings, the station table and the centre points. The
// loader reads back every number as written.

#include <string>
#include <vector>

#include "model/cPoint.hpp"

namespace kelvarin {

// decimals of each kind of number; kShortest writes the shortest fixed-point text that
// reads back as the same double
struct SceneFileNumbers {
    static constexpr int kShortest = -1;
    int Vertices = kShortest;      // basin and polygon vertices
    int StationXY = kShortest;     // station coordinates
    int Heights = kShortest;       // station heights
    int CentrePoints = kShortest;  // centre points, all three values
};

struct SceneFilePolygon {
    std::string Name;  // the vertex block's name
    std::vector<cPoint> Vertices;
};

// one part of a sub-basin: its outer ring and its holes
struct SceneFilePart {
    std::vector<cPoint> Shell;
    std::vector<std::vector<cPoint>> Holes;
};

// A sub-basin: [SubbasinI] with Name, PartK and PartKHoles; its rings' vertex blocks are named
// SubbasinI_PartK and SubbasinI_PartK_HoleH.
struct SceneFileSubbasin {
    std::string Name;  // one line of text
    std::vector<SceneFilePart> Parts;
};

struct SceneFileStation {
    std::string Name;    // without blanks: blanks separate the fields of a station line
    std::string Number;  // likewise
    cPoint Point;        // z: the height
};

struct SceneFile {
    std::vector<std::string> Comments;       // lines at the top, each written after "; "
    std::vector<SceneFilePolygon> Polygons;  // [Polygon1], [Polygon2], ...; the last is the basin
    std::string Show;                        // the basin section's Show; empty: none written
    std::string CRS;                         // the basin section's CRS; empty: none written
    std::vector<SceneFileSubbasin> Subbasins;
    std::vector<SceneFileStation> Stations;
    std::vector<cPoint> CentrePoints;  // pair order (1,2), (1,3), ..., (n-1,n); empty: no section
    SceneFileNumbers Numbers;
};

// the scene file's text: UTF-8, "\n" line ends
std::string SceneFileText(const SceneFile& scene);

}  // namespace kelvarin
