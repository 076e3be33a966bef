#pragma once
// What a scene may hold: the limits the loader enforces before any work that grows
// with them, and the rules under which double arithmetic keeps every weight within
// one part in 10^9 of the truth. A scene outside them is refused with one line per
// problem; none is ever computed into numbers that cannot be trusted.

#include <cstdint>

namespace kelvarin::scene_rules {

// A scene file is text of a few hundred kilobytes to some megabytes: the largest station
// table is about 1 MB, and 1,000 gauges with every pair's centre point take 15 MB.
constexpr std::uintmax_t kMaxFileBytes = std::uintmax_t{64} << 20;

// Stations in the table: a national network. The loader's time and memory grow in step
// with the table; a height-balance scene of this size would need 200 million centre-point
// lines, far beyond the file-size limit (about 2,000 gauges with every centre point fit).
constexpr long kMaxStations = 20000;

// Vertices of the basin boundary (a basin traced from a 10 m elevation model of a
// large catchment has tens of thousands).
constexpr long kMaxBasinVertices = 200000;

// Sub-basins of one scene: a basin model of a few hundred sub-basins, with room to spare.
// Every construction cuts each cell by every sub-basin it meets, and the checks weigh each
// pair of sub-basins whose boxes meet.
constexpr long kMaxSubbasins = 10000;

// Sub-basins may overlap one another, and reach outside the basin outline, by at most this
// share of their area: outlines traced by GIS software round their shared divides, and an
// overlap this small changes no weight by more than its share.
constexpr double kSubbasinOverlapShare = 1e-9;

// Every coordinate, height and centre-point value must be finite and at most this in
// magnitude: map coordinates in metres, or even millimetres, stay far below it, and
// squares and products of differences then stay far inside the range of doubles.
constexpr double kMaxCoordinate = 1e12;

// The basin's mean width (its area over its extent, the larger side of its bounding box)
// must be at least this share of its largest coordinate magnitude (and of one map unit):
// coordinates carry rounding of about 1e-16 of their magnitude, which then stays below
// 1e-11 of the basin's width. At map coordinates of millions of metres a basin must be
// some tens of metres wide.
constexpr double kMinBasinWidthShare = 1e-5;

// A gauge must lie within this many basin extents of the basin's bounding box. The frame
// every ring is built in spans all gauges, and the cells' corners out there carry rounding
// of their own magnitude: measured on the bundled scene with one gauge added in 16
// directions, the cut cells cover the basin to 6e-11 at 100 extents, 6e-9 at 1,000 and
// 8e-7 at 10,000. A gauge farther out is almost always a typing error (and a real one that
// far has no part in the basin's weights).
constexpr double kMaxGaugeDistance = 100.0;

// Gauges closer together than this share of the basin's extent are one site that
// they share, as coincident gauges do: at a few millimetres for a basin of kilometres,
// they are the same gauge listed twice, and the line between their cells could not be
// placed to one part in 10^9 of the basin from so short a base.
constexpr double kSameSiteShare = 1e-6;

// A centre point must lie strictly inside its pair's segment: its position along the
// segment at least this share of the pair's distance from either station...
constexpr double kCentreFromStation = 1e-6;
// ...and at most this share of the pair's distance off the line joining them (files give
// centre points rounded to centimetres, a few parts in 10^6 of a pair's distance).
constexpr double kCentreOffLine = 1e-3;

}  // namespace kelvarin::scene_rules
