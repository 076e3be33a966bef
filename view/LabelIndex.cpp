#include "view/LabelIndex.hpp"

namespace kelvarin::labels {

MarkCover::MarkCover(const LabelField& field)
    : reach2_(MarkReach(field) * MarkReach(field)),
      cell_(std::max(
          {MarkReach(field) / kCellsPerReach, field.Width / kMaxCellsPerSide, field.Height / kMaxCellsPerSide, 1e-6})),
      perCell_(1.0 / cell_),
      columns_(std::max(1U, static_cast<unsigned>(std::ceil(field.Width / cell_)))),
      rows_(std::max(1U, static_cast<unsigned>(std::ceil(field.Height / cell_)))),
      words_((columns_ + kWordBits - 1) / kWordBits),
      bits_(words_ * rows_, 0) {
    const double reach = MarkReach(field);
    for (const MarkPoint& p : field.Marks) {
        // the cells the disc reaches (a mark may lie off the picture, or be no number at all)
        const double left = std::max(0.0, std::floor((p.X - reach) * perCell_));
        const double top = std::max(0.0, std::floor((p.Y - reach) * perCell_));
        const double right = std::min(columns_ - 1.0, std::floor((p.X + reach) * perCell_));
        const double bottom = std::min(rows_ - 1.0, std::floor((p.Y + reach) * perCell_));
        if (!(left <= right && top <= bottom)) continue;
        for (auto r = static_cast<unsigned>(top); r <= static_cast<unsigned>(bottom); ++r)
            for (auto c = static_cast<unsigned>(left); c <= static_cast<unsigned>(right); ++c) {
                // the disc covers the cell when it holds the cell's farthest corner
                const double fx = std::max(p.X - c * cell_, (c + 1) * cell_ - p.X);
                const double fy = std::max(p.Y - r * cell_, (r + 1) * cell_ - p.Y);
                if (fx * fx + fy * fy < reach2_)
                    bits_[words_ * r + c / kWordBits] |= std::uint64_t{1} << (c % kWordBits);
            }
    }
}

}  // namespace kelvarin::labels
