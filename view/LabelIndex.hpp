#pragma once
// Where the label placement finds what lies near a box: a grid of cells listing the things
// filed under them (the marks, the placed labels), and a raster of the cells the marks cover
// whole, which mostly tells at once that a mark blocks a box. Both in device pixels.

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

// how far from its centre a mark keeps labels away: its own radius and the gap
inline double MarkReach(const LabelField& field) { return field.MarkRadius + field.Gap; }

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
        : perCell_(1.0 / cell),
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
    // the cell of 0..count-1 a position falls in; beyond the grid (or no number), the nearest
    // (the same position always falls in the same cell, and a greater one never in an
    // earlier cell, which is all that filing and finding need)
    int Index(double position, int count) const {
        const double cells = position * perCell_;
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

    double perCell_;
    int columns_, rows_;
    std::vector<std::vector<std::uint32_t>> cells_;
};

// Which cells of a fine raster over the picture a mark covers whole (the disc it keeps clear
// holds every point of the cell), a bit a cell, row by row. A box that holds such a cell is
// blocked by that cell's mark, unless the mark is its own: a box its own mark's disc does not
// reach, holding a covered cell, is blocked at once, word by word, without a search.
class MarkCover {
  public:
    explicit MarkCover(const LabelField& field);
    // Whether the box (which lies inside the picture) is surely blocked by a mark other than
    // the one at `own`. False says nothing: the marks must then be looked at one by one.
    // A covered cell inside the box brings the disc that covers it deep into the box (a
    // cell's size, far beyond any rounding), so a box outside its own mark's disc that holds
    // one is blocked by another mark.
    bool Blocks(const LabelBox& box, const MarkPoint& own) const {
        return Distance2(NearestInBox(box, own), own) >= reach2_ && CoversCellIn(box);
    }

  private:
    // fine enough that a mark covers a few cells whole, and a box's interior holds one
    static constexpr double kCellsPerReach = 2.0;
    // a position in cells is a multiplication whose rounding may put it a hair either side of
    // a cell boundary: the cells inside a box are taken this much narrower
    static constexpr double kSlack = 1e-9;  // in cells: far above the rounding of 512 cells
    static constexpr unsigned kWordBits = 64;

    // whether a cell inside the box is covered whole
    bool CoversCellIn(const LabelBox& box) const;

    double reach2_, cell_, perCell_;
    unsigned columns_, rows_;
    std::size_t words_;                // a row
    std::vector<std::uint64_t> bits_;  // row by row, a bit a cell from the lowest bit up
};

inline bool MarkCover::CoversCellIn(const LabelBox& box) const {
    // The cells wholly inside the box, from the first whole one after the box's left edge to
    // the last before its right one. Every position is at least 0, so a cast rounds it down;
    // a box edge on a cell boundary leaves out a cell it could have used, which only sends
    // the box to the search.
    const auto c0 = static_cast<unsigned>(box.Left * perCell_ + kSlack) + 1;
    const auto c1 = std::min(columns_, static_cast<unsigned>(box.Right * perCell_ - kSlack));
    const auto r0 = static_cast<unsigned>(box.Top * perCell_ + kSlack) + 1;
    const auto r1 = std::min(rows_, static_cast<unsigned>(box.Bottom * perCell_ - kSlack));
    if (c0 >= c1) return false;
    // the columns c0..c1-1 as masks over the words w0..w1 of a row
    const unsigned w0 = c0 / kWordBits, w1 = (c1 - 1) / kWordBits;
    const std::uint64_t first = ~std::uint64_t{0} << (c0 % kWordBits);
    const std::uint64_t last = ~std::uint64_t{0} >> (kWordBits - 1 - (c1 - 1) % kWordBits);
    for (unsigned r = r0; r < r1; ++r) {
        const std::uint64_t* row = &bits_[words_ * r];
        if (w0 == w1) {
            if ((row[w0] & first & last) != 0) return true;
            continue;
        }
        if ((row[w0] & first) != 0 || (row[w1] & last) != 0) return true;
        for (unsigned w = w0 + 1; w < w1; ++w)
            if (row[w] != 0) return true;
    }
    return false;
}

}  // namespace kelvarin::labels
