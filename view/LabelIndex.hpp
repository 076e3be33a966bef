#pragma once
// Where the label placement finds what lies near a box: a grid of cells listing the things
// filed under them (the marks, the placed labels), and a raster of mark counts summed over
// rectangles, which tells at once whether marks block a box. Both in device pixels.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "view/LabelPlacement.hpp"

namespace kelvarin::labels {

// at most this many cells a side, so that a huge picture with tiny marks or text stays small
inline constexpr int kMaxCellsPerSide = 512;

// the point of a box nearest to a point
inline MarkPoint NearestInBox(const LabelBox& b, const MarkPoint& p) {
    return {std::clamp(p.X, b.Left, b.Right), std::clamp(p.Y, b.Top, b.Bottom)};
}

// squared distances: cheaper to compare than distances, and exact where they are
inline double Distance2(const MarkPoint& a, const MarkPoint& b) {
    const double dx = a.X - b.X, dy = a.Y - b.Y;
    return dx * dx + dy * dy;
}

// The cells of a grid over the picture, each listing the things filed under it: a thing is
// filed under every cell its region reaches, and a query looks in every cell its own region
// reaches, so two things whose regions meet always share a cell.
class Grid {
  public:
    Grid(double width, double height, double cell)
        : cell_(cell),
          columns_(std::max(1, static_cast<int>(std::ceil(width / cell)))),
          rows_(std::max(1, static_cast<int>(std::ceil(height / cell)))),
          cells_(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_)) {}

    void File(const LabelBox& region, std::uint32_t thing) {
        ForCells(region, [&](std::vector<std::uint32_t>& cell) { cell.push_back(thing); });
    }
    void Unfile(const LabelBox& region, std::uint32_t thing) {
        ForCells(region,
                 [&](std::vector<std::uint32_t>& cell) { cell.erase(std::find(cell.begin(), cell.end(), thing)); });
    }
    // calls visit(thing) for the things filed under the region's cells (a thing once per cell)
    // until it returns false; false when it did
    template <typename Visit>
    bool Each(const LabelBox& region, const Visit& visit) const {
        const int c0 = Index(region.Left, columns_), c1 = Index(region.Right, columns_);
        const int r0 = Index(region.Top, rows_), r1 = Index(region.Bottom, rows_);
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c)
                for (std::uint32_t thing : cells_[At(c, r)])
                    if (!visit(thing)) return false;
        return true;
    }

  private:
    // the cell of 0..count-1 a position falls in; beyond the grid, the nearest
    int Index(double position, int count) const {
        const double cells = position / cell_;
        if (!(cells > 0.0)) return 0;  // NaN too
        if (cells >= count - 1) return count - 1;
        return static_cast<int>(cells);
    }
    std::size_t At(int c, int r) const {
        return static_cast<std::size_t>(r) * static_cast<std::size_t>(columns_) + static_cast<std::size_t>(c);
    }
    template <typename Change>
    void ForCells(const LabelBox& region, const Change& change) {
        const int c0 = Index(region.Left, columns_), c1 = Index(region.Right, columns_);
        const int r0 = Index(region.Top, rows_), r1 = Index(region.Bottom, rows_);
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c) change(cells_[At(c, r)]);
    }

    double cell_;
    int columns_, rows_;
    std::vector<std::vector<std::uint32_t>> cells_;
};

// Counts of the marks near each cell of a fine raster over the picture, summed over any
// rectangle of cells at once: how many marks reach into each cell, and how many cover a cell
// whole. A box that no mark but its own reaches through the cells it touches is clear of
// marks; a box with a cell inside it that another mark covers whole is not; only the rest
// need the marks looked at one by one.
class MarkCover {
  public:
    enum class Verdict { Clear, Blocked, Unsure };

    explicit MarkCover(const LabelField& field);
    // what the marks other than `own` do to a box inside the picture
    Verdict Judge(const LabelBox& box, std::size_t own) const;

  private:
    static constexpr double kCellsPerReach = 2.0;  // fine enough that a mark covers a few cells whole

    std::size_t Size() const { return static_cast<std::size_t>(columns_ + 1) * static_cast<std::size_t>(rows_ + 1); }
    static std::size_t At(int c, int r, int columns) {
        return static_cast<std::size_t>(r) * static_cast<std::size_t>(columns) + static_cast<std::size_t>(c);
    }
    // A finite position in cells, by a multiplication whose rounding may put it a hair either
    // side of a cell boundary. So the cells wholly inside a box are taken kSlack narrower and
    // the cells it touches kSlack wider: a verdict can only err towards Unsure.
    static constexpr double kSlack = 1e-9;  // in cells: far above the rounding of 512 cells
    double InCells(double x, int count) const { return std::clamp(x * perCell_, 0.0, static_cast<double>(count)); }
    // the last cell boundary (0..count) at or before a position in cells, and the first at or after it
    static int BoundaryUpTo(double cells) { return static_cast<int>(cells); }
    static int BoundaryFrom(double cells) {
        const int down = static_cast<int>(cells);
        return down < cells ? down + 1 : down;
    }
    // the cell of 0..count-1 a position in cells lies in
    static int Touched(double cells, int count) { return std::min(static_cast<int>(cells), count - 1); }
    // calls near(c, r, covered) for every cell the mark reaches into, telling whether it covers it whole
    template <typename Near>
    void EachCellNear(const MarkPoint& p, const Near& near) const;
    // the cells of c0..c1 by r0..r1 that a mark reaches into (or covers whole)
    long MarkCells(std::size_t mark, int c0, int r0, int c1, int r1, bool whole) const;
    // per-cell counts into their summed-area table: entry (c, r) counts the cells above and left of it
    void Sum(std::vector<std::uint32_t>& sums) const;
    // the counts of cells c0..c1 by r0..r1
    long Total(const std::vector<std::uint32_t>& sums, int c0, int r0, int c1, int r1) const;

    double reach_, cell_, perCell_;
    int columns_, rows_;
    std::vector<std::uint32_t> reaching_, covering_;  // summed-area tables
    struct NearCell {
        int Column, Row;
        bool Covered;
    };
    std::vector<NearCell> near_;          // every mark's cells, mark by mark
    std::vector<std::size_t> firstNear_;  // where each mark's cells start in near_
    std::vector<long> coveredBy_;         // how many cells each mark covers whole
};

}  // namespace kelvarin::labels
