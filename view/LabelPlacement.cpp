#include "view/LabelPlacement.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "view/LabelIndex.hpp"

namespace kelvarin {
namespace {

using labels::Distance2;
using labels::Grid;
using labels::MarkCover;
using labels::NearestInBox;

// A leader place hangs its box off the side of its point that the direction leans to by
// more than this share (cos 60 degrees); nearer the vertical or the horizontal the box is
// centred on the point.
constexpr double kSideShare = 0.5;
// The grid that finds what lies near a place has cells this many text heights wide: a
// label's box spans a few cells, a cell holds a few labels.
constexpr double kCellPerTextHeight = 2.0;

LabelBox Grown(const LabelBox& b, double by) { return {b.Left - by, b.Top - by, b.Right + by, b.Bottom + by}; }

// whether two boxes share inner points; touching edges do not count
bool Overlap(const LabelBox& a, const LabelBox& b) {
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

// squared distance from a point to the segment a-b
double SegmentDistance2(const MarkPoint& a, const MarkPoint& b, const MarkPoint& p) {
    const double dx = b.X - a.X, dy = b.Y - a.Y;
    const double length2 = dx * dx + dy * dy;
    const double t = length2 > 0.0 ? std::clamp(((p.X - a.X) * dx + (p.Y - a.Y) * dy) / length2, 0.0, 1.0) : 0.0;
    return Distance2(p, {a.X + t * dx, a.Y + t * dy});
}

// whether the segment a-b has a point inside the box (clipped against each side in turn)
bool SegmentMeetsBox(const MarkPoint& a, const MarkPoint& b, const LabelBox& box) {
    double t0 = 0.0, t1 = 1.0;
    const double dx = b.X - a.X, dy = b.Y - a.Y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.X - box.Left, box.Right - a.X, a.Y - box.Top, box.Bottom - a.Y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] <= 0.0) return false;  // parallel to this side and outside it (or on it)
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        if (t0 >= t1) return false;
    }
    return true;
}

// which side of the line a-b the point c lies on: 1 left, -1 right, 0 on it
int Side(const MarkPoint& a, const MarkPoint& b, const MarkPoint& c) {
    const double cross = (b.X - a.X) * (c.Y - a.Y) - (b.Y - a.Y) * (c.X - a.X);
    return cross > 0.0 ? 1 : (cross < 0.0 ? -1 : 0);
}

// whether c lies within the box of the segment a-b
bool WithinSpan(const MarkPoint& a, const MarkPoint& b, const MarkPoint& c) {
    return c.X >= std::min(a.X, b.X) && c.X <= std::max(a.X, b.X) && c.Y >= std::min(a.Y, b.Y) &&
           c.Y <= std::max(a.Y, b.Y);
}

// whether the segments a-b and c-d cross or touch
bool SegmentsMeet(const MarkPoint& a, const MarkPoint& b, const MarkPoint& c, const MarkPoint& d) {
    const int s1 = Side(a, b, c), s2 = Side(a, b, d), s3 = Side(c, d, a), s4 = Side(c, d, b);
    if (s1 * s2 < 0 && s3 * s4 < 0) return true;
    return (s1 == 0 && WithinSpan(a, b, c)) || (s2 == 0 && WithinSpan(a, b, d)) || (s3 == 0 && WithinSpan(c, d, a)) ||
           (s4 == 0 && WithinSpan(c, d, b));
}

// a spot whose text starts at (x, baseline)
LabelSpot AtBaseline(LabelPlace place, double x, double baseline, const TextExtent& text) {
    LabelSpot spot;
    spot.Place = place;
    spot.Box = {x, baseline - text.Baseline, x + text.Width, baseline - text.Baseline + text.Height};
    spot.X = x;
    spot.Y = baseline;
    return spot;
}

// a spot whose box has its top-left corner at (left, top)
LabelSpot AtCorner(LabelPlace place, double left, double top, const TextExtent& text) {
    LabelSpot spot;
    spot.Place = place;
    spot.Box = {left, top, left + text.Width, top + text.Height};
    spot.X = left;
    spot.Y = top + text.Baseline;
    return spot;
}

// The eight places around a mark. The diagonal ones keep their nearest corner as far from
// the mark's centre as the side ones keep their nearest edge.
void AddPlacesAround(const MarkPoint& m, double offset, const TextExtent& t, std::vector<LabelSpot>& out) {
    const double o = offset, k = offset / std::numbers::sqrt2, w = t.Width, h = t.Height;
    out.push_back(AtBaseline(LabelPlace::Right, m.X + o, m.Y, t));
    out.push_back(AtCorner(LabelPlace::UpperRight, m.X + k, m.Y - k - h, t));
    out.push_back(AtCorner(LabelPlace::UpperLeft, m.X - k - w, m.Y - k - h, t));
    out.push_back(AtCorner(LabelPlace::LowerRight, m.X + k, m.Y + k, t));
    out.push_back(AtBaseline(LabelPlace::Left, m.X - o - w, m.Y, t));
    out.push_back(AtCorner(LabelPlace::LowerLeft, m.X - k - w, m.Y + k, t));
    out.push_back(AtCorner(LabelPlace::Over, m.X - w / 2.0, m.Y - o - h, t));
    out.push_back(AtCorner(LabelPlace::Under, m.X - w / 2.0, m.Y + o, t));
}

// The leader directions as unit vectors (y grows downwards): right first, then alternately
// above and below, working round to the left.
struct LeaderDirections {
    std::array<MarkPoint, kLeaderDirections> Unit;
    LeaderDirections() {
        for (int j = 0; j < kLeaderDirections; ++j) {
            const int step = (j + 1) / 2 * (j % 2 == 1 ? 1 : -1);  // 0, 1, -1, 2, -2, ...
            const double angle = step * 2.0 * std::numbers::pi / kLeaderDirections;
            Unit[static_cast<std::size_t>(j)] = {std::cos(angle), -std::sin(angle)};
        }
    }
};

// the text box of the leader place `index` (0 .. kLeaderRings * kLeaderDirections - 1),
// nearest ring first
LabelBox LeaderTextBox(const MarkPoint& m, double offset, const TextExtent& t, std::size_t index) {
    static const LeaderDirections directions;
    const std::size_t directionCount = directions.Unit.size(), ring = index / directionCount + 1;
    const auto& [ux, uy] = directions.Unit[index % directionCount];
    const double d = offset + static_cast<double>(ring) * t.Height;
    const double px = m.X + d * ux, py = m.Y + d * uy;
    const double left = ux > kSideShare ? px : (ux < -kSideShare ? px - t.Width : px - t.Width / 2.0);
    const double top = uy < -kSideShare ? py - t.Height : (uy > kSideShare ? py : py - t.Height / 2.0);
    return {left, top, left + t.Width, top + t.Height};
}

// the leader place `index`: its box and its line from the mark's rim to the box
LabelSpot LeaderPlace(const MarkPoint& m, double offset, double markRadius, const TextExtent& t, std::size_t index) {
    const LabelBox box = LeaderTextBox(m, offset, t, index);
    LabelSpot spot = AtCorner(LabelPlace::Leader, box.Left, box.Top, t);
    spot.LeaderTo = NearestInBox(spot.Box, m);
    const double length = std::sqrt(Distance2(m, spot.LeaderTo));
    const double rim = length > 0.0 ? std::min(markRadius / length, 1.0) : 0.0;
    spot.LeaderFrom = {m.X + (spot.LeaderTo.X - m.X) * rim, m.Y + (spot.LeaderTo.Y - m.Y) * rim};
    return spot;
}

// the bounding box of a leader line
LabelBox LeaderBox(const LabelSpot& spot) {
    return {std::min(spot.LeaderFrom.X, spot.LeaderTo.X), std::min(spot.LeaderFrom.Y, spot.LeaderTo.Y),
            std::max(spot.LeaderFrom.X, spot.LeaderTo.X), std::max(spot.LeaderFrom.Y, spot.LeaderTo.Y)};
}

// every label's candidates: the eight places around its mark and the leader places
constexpr std::size_t kLeaders = static_cast<std::size_t>(kLeaderRings) * static_cast<std::size_t>(kLeaderDirections);
constexpr std::size_t kCandidates = kPlacesAroundMark + kLeaders;

// the size of the grid's cells for a field: kCellPerTextHeight mean text heights, and no more
// than kMaxCellsPerSide cells a side
double CellSize(const LabelField& field) {
    double heights = 0.0;
    for (const LabelRequest& label : field.Labels) heights += label.Text.Height;
    const double meanHeight = field.Labels.empty() ? 1.0 : heights / static_cast<double>(field.Labels.size());
    return std::max({meanHeight * kCellPerTextHeight, field.Width / labels::kMaxCellsPerSide,
                     field.Height / labels::kMaxCellsPerSide, 1.0});
}

// The placement's state: every label's candidates and the one it holds, the marks and the
// placed labels filed in grids.
class Placement {
  public:
    explicit Placement(const LabelField& field);
    LabelLayout Run();

  private:
    static constexpr std::size_t kNone = kCandidates;  // a label without a place

    // a label's candidate; a leader place is worked out each time it is asked for, as most
    // are looked at once and found blocked
    LabelSpot Spot(std::size_t label, std::size_t candidate) const;
    const LabelSpot& Held(std::size_t label) const { return heldSpot_[label]; }
    // a candidate's text box, without working out a leader place's line
    LabelBox Box(std::size_t label, std::size_t candidate) const;
    bool ClearOfFixed(std::size_t label, std::size_t candidate) const;
    // ClearOfFixed of a candidate, worked out once: the fixed things never move
    bool Clear(std::size_t label, std::size_t candidate);
    bool Meets(const LabelSpot& spot, std::size_t other) const;
    std::size_t Blockers(std::size_t label, const LabelSpot& spot, std::size_t limit);
    bool Free(std::size_t label, std::size_t candidate) {
        return Clear(label, candidate) && Blockers(label, Spot(label, candidate), 1) == 0;
    }
    // the region a placed spot is filed under: its box grown by the gap, and its leader
    LabelBox Region(const LabelSpot& spot) const;
    void Put(std::size_t label, std::size_t candidate);
    void Lift(std::size_t label);
    bool PlaceFirstFree(std::size_t label, std::size_t from, std::size_t to);
    bool Swap(std::size_t label, std::size_t from, std::size_t to);
    bool SettleOnce();

    const LabelField& field_;
    std::vector<LabelSpot> around_;    // kPlacesAroundMark per label
    std::vector<std::uint8_t> clear_;  // per candidate: 0 not known yet, 1 clear, 2 not
    std::vector<std::size_t> held_;    // per label: its candidate, or kNone
    std::vector<LabelSpot> heldSpot_;  // per label: the spot of its candidate
    Grid marks_, labels_;
    MarkCover cover_;
    std::vector<std::uint32_t> seen_;  // per label: the query that last looked at it
    std::uint32_t query_ = 0;
    std::vector<std::size_t> blockers_;
};

Placement::Placement(const LabelField& field)
    : field_(field),
      clear_(field.Labels.size() * kCandidates, 0),
      held_(field.Labels.size(), kNone),
      heldSpot_(field.Labels.size()),
      marks_(field.Width, field.Height, CellSize(field)),
      labels_(field.Width, field.Height, CellSize(field)),
      cover_(field),
      seen_(field.Labels.size(), 0) {
    around_.reserve(field.Labels.size() * kPlacesAroundMark);
    for (const LabelRequest& label : field.Labels)
        AddPlacesAround(field.Marks.at(label.Mark), field.Offset, label.Text, around_);
    const double reach = field.MarkRadius + field.Gap;
    for (std::size_t m = 0; m < field.Marks.size(); ++m) {
        const MarkPoint& p = field.Marks[m];
        marks_.File({p.X - reach, p.Y - reach, p.X + reach, p.Y + reach}, static_cast<std::uint32_t>(m));
    }
}

LabelSpot Placement::Spot(std::size_t label, std::size_t candidate) const {
    if (candidate < kPlacesAroundMark) return around_[label * kPlacesAroundMark + candidate];
    const LabelRequest& request = field_.Labels[label];
    return LeaderPlace(field_.Marks[request.Mark], field_.Offset, field_.MarkRadius, request.Text,
                       candidate - kPlacesAroundMark);
}

LabelBox Placement::Region(const LabelSpot& spot) const {
    LabelBox region = Grown(spot.Box, field_.Gap);
    if (spot.Place == LabelPlace::Leader) {
        const LabelBox line = LeaderBox(spot);
        region = {std::min(region.Left, line.Left), std::min(region.Top, line.Top), std::max(region.Right, line.Right),
                  std::max(region.Bottom, line.Bottom)};
    }
    return region;
}

// inside the picture, clear of the covered boxes and of every mark but its own, and its leader
// clear of every mark but its own
LabelBox Placement::Box(std::size_t label, std::size_t candidate) const {
    if (candidate < kPlacesAroundMark) return around_[label * kPlacesAroundMark + candidate].Box;
    const LabelRequest& request = field_.Labels[label];
    return LeaderTextBox(field_.Marks[request.Mark], field_.Offset, request.Text, candidate - kPlacesAroundMark);
}

bool Placement::ClearOfFixed(std::size_t label, std::size_t candidate) const {
    const LabelBox b = Box(label, candidate);
    if (!(b.Left >= 0.0 && b.Top >= 0.0 && b.Right <= field_.Width && b.Bottom <= field_.Height)) return false;
    const LabelBox grown = Grown(b, field_.Gap);
    for (const LabelBox& covered : field_.Covered)
        if (Overlap(grown, covered)) return false;
    const std::size_t own = field_.Labels[label].Mark;
    const double reach = field_.MarkRadius + field_.Gap, reach2 = reach * reach;
    // the box first: it is what a mark most often blocks, and the raster mostly knows at once
    const MarkCover::Verdict verdict = cover_.Judge(b, own);
    if (verdict == MarkCover::Verdict::Blocked) return false;
    const bool boxClear = verdict == MarkCover::Verdict::Clear || marks_.Each(b, [&](std::uint32_t m) {
        const MarkPoint& p = field_.Marks[m];
        return m == own || Distance2(NearestInBox(b, p), p) >= reach2;
    });
    if (!boxClear || candidate < kPlacesAroundMark) return boxClear;
    const LabelSpot spot = Spot(label, candidate);
    return marks_.Each(LeaderBox(spot), [&](std::uint32_t m) {
        return m == own || SegmentDistance2(spot.LeaderFrom, spot.LeaderTo, field_.Marks[m]) >= reach2;
    });
}

bool Placement::Clear(std::size_t label, std::size_t candidate) {
    std::uint8_t& known = clear_[label * kCandidates + candidate];
    if (known == 0) known = ClearOfFixed(label, candidate) ? 1 : 2;
    return known == 1;
}

// whether a spot meets the placed label `other`: its box or its leader line
bool Placement::Meets(const LabelSpot& spot, std::size_t other) const {
    const LabelSpot& placed = Held(other);
    const LabelBox grown = Grown(spot.Box, field_.Gap);
    if (Overlap(grown, placed.Box)) return true;
    const bool lead = spot.Place == LabelPlace::Leader, otherLeads = placed.Place == LabelPlace::Leader;
    if (otherLeads && SegmentMeetsBox(placed.LeaderFrom, placed.LeaderTo, grown)) return true;
    if (lead && SegmentMeetsBox(spot.LeaderFrom, spot.LeaderTo, Grown(placed.Box, field_.Gap))) return true;
    return lead && otherLeads && SegmentsMeet(spot.LeaderFrom, spot.LeaderTo, placed.LeaderFrom, placed.LeaderTo);
}

// the placed labels the spot meets, at most `limit` of them, into blockers_
std::size_t Placement::Blockers(std::size_t label, const LabelSpot& spot, std::size_t limit) {
    blockers_.clear();
    ++query_;
    labels_.Each(Region(spot), [&](std::uint32_t other) {
        if (other == label || seen_[other] == query_) return true;
        seen_[other] = query_;
        if (Meets(spot, other)) blockers_.push_back(other);
        return blockers_.size() < limit;
    });
    return blockers_.size();
}

void Placement::Put(std::size_t label, std::size_t candidate) {
    held_[label] = candidate;
    heldSpot_[label] = Spot(label, candidate);
    labels_.File(Region(Held(label)), static_cast<std::uint32_t>(label));
}

void Placement::Lift(std::size_t label) {
    labels_.Unfile(Region(Held(label)), static_cast<std::uint32_t>(label));
    held_[label] = kNone;
}

// puts the label at the first free one of its candidates from..to-1
bool Placement::PlaceFirstFree(std::size_t label, std::size_t from, std::size_t to) {
    for (std::size_t c = from; c < to; ++c) {
        if (!Free(label, c)) continue;
        Put(label, c);
        return true;
    }
    return false;
}

// puts the label at one of its candidates from..to-1 that a single placed label blocks, when
// that label has another free place to go to
bool Placement::Swap(std::size_t label, std::size_t from, std::size_t to) {
    for (std::size_t c = from; c < to; ++c) {
        if (!Clear(label, c) || Blockers(label, Spot(label, c), 2) != 1) continue;
        const std::size_t other = blockers_.front();
        const std::size_t was = held_[other];
        Lift(other);
        Put(label, c);
        if (PlaceFirstFree(other, 0, kCandidates)) return true;
        Lift(label);
        Put(other, was);
    }
    return false;
}

// One round over the labels without a place: a free place around the mark or a swap for
// each; when none found one, a leader place or a swap for one for each. True when any label
// found a place.
bool Placement::SettleOnce() {
    bool changed = false;
    for (std::size_t i = 0; i < held_.size(); ++i)
        if (held_[i] == kNone && (PlaceFirstFree(i, 0, kPlacesAroundMark) || Swap(i, 0, kPlacesAroundMark)))
            changed = true;
    if (changed) return true;
    for (std::size_t i = 0; i < held_.size(); ++i)
        if (held_[i] == kNone &&
            (PlaceFirstFree(i, kPlacesAroundMark, kCandidates) || Swap(i, kPlacesAroundMark, kCandidates)))
            changed = true;
    return changed;
}

LabelLayout Placement::Run() {
    // the labels with the fewest places around their marks clear of marks and edges go first
    std::vector<std::pair<long, std::size_t>> order;
    for (std::size_t i = 0; i < held_.size(); ++i) {
        long open = 0;
        for (std::size_t c = 0; c < kPlacesAroundMark; ++c) open += Clear(i, c) ? 1 : 0;
        order.emplace_back(open, i);
    }
    std::sort(order.begin(), order.end());
    for (const auto& [open, i] : order) PlaceFirstFree(i, 0, kPlacesAroundMark);
    // every round places at least one more label, so this ends
    while (SettleOnce()) {
    }
    LabelLayout layout;
    for (std::size_t i = 0; i < held_.size(); ++i) {
        if (held_[i] != kNone) {
            layout.Spots.push_back(Held(i));
            continue;
        }
        LabelSpot preferred = Spot(i, 0);
        preferred.Place = LabelPlace::Unplaced;
        layout.Spots.push_back(preferred);
        ++layout.Unplaced;
    }
    return layout;
}

}  // namespace

std::vector<LabelSpot> LabelCandidates(const LabelField& field, std::size_t label) {
    const LabelRequest& request = field.Labels.at(label);
    const MarkPoint& mark = field.Marks.at(request.Mark);
    std::vector<LabelSpot> spots;
    spots.reserve(kCandidates);
    AddPlacesAround(mark, field.Offset, request.Text, spots);
    for (std::size_t i = 0; i < kLeaders; ++i)
        spots.push_back(LeaderPlace(mark, field.Offset, field.MarkRadius, request.Text, i));
    return spots;
}

LabelLayout PlaceLabels(const LabelField& field) { return Placement(field).Run(); }

}  // namespace kelvarin
