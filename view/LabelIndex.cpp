#include "view/LabelIndex.hpp"

namespace kelvarin::labels {

MarkCover::MarkCover(const LabelField& field)
    : reach_(field.MarkRadius + field.Gap),
      cell_(std::max({reach_ / kCellsPerReach, field.Width / kMaxCellsPerSide, field.Height / kMaxCellsPerSide, 1e-6})),
      perCell_(1.0 / cell_),
      columns_(std::max(1, static_cast<int>(std::ceil(field.Width / cell_)))),
      rows_(std::max(1, static_cast<int>(std::ceil(field.Height / cell_)))),
      reaching_(Size(), 0),
      covering_(Size(), 0) {
    // each cell's counts at (c + 1, r + 1), then summed in place
    for (const MarkPoint& p : field.Marks) {
        firstNear_.push_back(near_.size());
        long whole = 0;
        EachCellNear(p, [&](int c, int r, bool covered) {
            ++reaching_[At(c + 1, r + 1, columns_ + 1)];
            if (covered) ++covering_[At(c + 1, r + 1, columns_ + 1)];
            whole += covered ? 1 : 0;
            near_.push_back({c, r, covered});
        });
        coveredBy_.push_back(whole);
    }
    firstNear_.push_back(near_.size());
    Sum(reaching_);
    Sum(covering_);
}

template <typename Near>
void MarkCover::EachCellNear(const MarkPoint& p, const Near& near) const {
    const double reach2 = reach_ * reach_;
    const int c0 = std::max(0, static_cast<int>(std::floor((p.X - reach_) / cell_)));
    const int c1 = std::min(columns_ - 1, static_cast<int>(std::floor((p.X + reach_) / cell_)));
    const int r0 = std::max(0, static_cast<int>(std::floor((p.Y - reach_) / cell_)));
    const int r1 = std::min(rows_ - 1, static_cast<int>(std::floor((p.Y + reach_) / cell_)));
    for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c) {
            const LabelBox square{c * cell_, r * cell_, (c + 1) * cell_, (r + 1) * cell_};
            if (Distance2(NearestInBox(square, p), p) >= reach2) continue;
            // the disc covers the square when it holds the square's farthest corner
            const double fx = std::max(p.X - square.Left, square.Right - p.X);
            const double fy = std::max(p.Y - square.Top, square.Bottom - p.Y);
            near(c, r, fx * fx + fy * fy < reach2);
        }
}

long MarkCover::MarkCells(std::size_t mark, int c0, int r0, int c1, int r1, bool whole) const {
    const std::size_t first = firstNear_[mark], last = firstNear_[mark + 1];
    // the mark's cells come row by row: none when its rows miss the rectangle's
    if (first == last || near_[first].Row > r1 || near_[last - 1].Row < r0) return 0;
    long cells = 0;
    for (std::size_t k = first; k < last; ++k) {
        const NearCell& n = near_[k];
        if ((n.Covered || !whole) && n.Column >= c0 && n.Column <= c1 && n.Row >= r0 && n.Row <= r1) ++cells;
    }
    return cells;
}

void MarkCover::Sum(std::vector<std::uint32_t>& sums) const {
    const int w = columns_ + 1;
    for (int r = 1; r <= rows_; ++r)
        for (int c = 1; c <= columns_; ++c)
            sums[At(c, r, w)] += sums[At(c - 1, r, w)] + sums[At(c, r - 1, w)] - sums[At(c - 1, r - 1, w)];
}

}  // namespace kelvarin::labels
