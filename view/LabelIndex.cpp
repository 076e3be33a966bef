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

MarkCover::Verdict MarkCover::Judge(const LabelBox& box, std::size_t own) const {
    // the cells wholly inside the box, then the cells it touches
    const int i0 = BoundaryFrom(InCells(box.Left, columns_) + kSlack);
    const int i1 = BoundaryUpTo(InCells(box.Right, columns_) - kSlack) - 1;
    const int j0 = BoundaryFrom(InCells(box.Top, rows_) + kSlack);
    const int j1 = BoundaryUpTo(InCells(box.Bottom, rows_) - kSlack) - 1;
    if (i0 <= i1 && j0 <= j1) {
        const long covering = Total(covering_, i0, j0, i1, j1);
        // more covered cells than its own mark covers anywhere: another mark's, without counting
        if (covering > coveredBy_[own] || (covering > 0 && covering > MarkCells(own, i0, j0, i1, j1, true)))
            return Verdict::Blocked;
    }
    const int c0 = Touched(std::max(InCells(box.Left, columns_) - kSlack, 0.0), columns_);
    const int c1 = Touched(InCells(box.Right, columns_) + kSlack, columns_);
    const int r0 = Touched(std::max(InCells(box.Top, rows_) - kSlack, 0.0), rows_);
    const int r1 = Touched(InCells(box.Bottom, rows_) + kSlack, rows_);
    const long reaching = Total(reaching_, c0, r0, c1, r1);
    const long ownCells = static_cast<long>(firstNear_[own + 1] - firstNear_[own]);
    if (reaching == 0) return Verdict::Clear;
    if (reaching > ownCells) return Verdict::Unsure;
    return reaching == MarkCells(own, c0, r0, c1, r1, false) ? Verdict::Clear : Verdict::Unsure;
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

long MarkCover::Total(const std::vector<std::uint32_t>& sums, int c0, int r0, int c1, int r1) const {
    const int w = columns_ + 1;
    return static_cast<long>(sums[At(c1 + 1, r1 + 1, w)]) - static_cast<long>(sums[At(c0, r1 + 1, w)]) -
           static_cast<long>(sums[At(c1 + 1, r0, w)]) + static_cast<long>(sums[At(c0, r0, w)]);
}

}  // namespace kelvarin::labels
