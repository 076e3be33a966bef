#include "view/LabelPlacement.hpp"

#include <algorithm>
#include <array>
#include <bit>
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

// A leader direction: a unit vector (y grows downwards), and where the text box hangs off its
// point, in widths leftwards and heights upwards (0, a half or 1): off the side of its point
// that the direction leans to by more than kSideShare, else centred on it.
struct LeaderDirection {
    double Ux = 0.0, Uy = 0.0, Across = 0.0, Down = 0.0;
};

// the leader directions: right first, then alternately above and below, working round to the left
std::array<LeaderDirection, kLeaderDirections> MakeLeaderDirections() {
    std::array<LeaderDirection, kLeaderDirections> directions;
    for (int j = 0; j < kLeaderDirections; ++j) {
        const int step = (j + 1) / 2 * (j % 2 == 1 ? 1 : -1);  // 0, 1, -1, 2, -2, ...
        const double angle = step * 2.0 * std::numbers::pi / kLeaderDirections;
        LeaderDirection& d = directions[static_cast<std::size_t>(j)];
        d.Ux = std::cos(angle);
        d.Uy = -std::sin(angle);
        d.Across = d.Ux > kSideShare ? 0.0 : (d.Ux < -kSideShare ? 1.0 : 0.5);
        d.Down = d.Uy < -kSideShare ? 1.0 : (d.Uy > kSideShare ? 0.0 : 0.5);
    }
    return directions;
}
const std::array<LeaderDirection, kLeaderDirections> kLeaderDirectionTable = MakeLeaderDirections();

// the text box of the leader place `index` (0 .. kLeaderRings * kLeaderDirections - 1),
// nearest ring first
inline LabelBox LeaderTextBox(const MarkPoint& m, double offset, const TextExtent& t, std::size_t index) {
    const LeaderDirection& u = kLeaderDirectionTable[index % kLeaderDirections];
    const std::size_t ring = index / kLeaderDirections + 1;
    const double d = offset + static_cast<double>(ring) * t.Height;
    const double left = m.X + d * u.Ux - u.Across * t.Width, top = m.Y + d * u.Uy - u.Down * t.Height;
    return {left, top, left + t.Width, top + t.Height};
}

// the leader place whose text box (as LeaderTextBox gives it) is `box`: the box and its line
// from the mark's rim to the box
LabelSpot LeaderSpot(const MarkPoint& m, double markRadius, const TextExtent& t, const LabelBox& box) {
    LabelSpot spot = AtCorner(LabelPlace::Leader, box.Left, box.Top, t);
    spot.LeaderTo = NearestInBox(spot.Box, m);
    const double length = std::sqrt(Distance2(m, spot.LeaderTo));
    const double rim = length > 0.0 ? std::min(markRadius / length, 1.0) : 0.0;
    spot.LeaderFrom = {m.X + (spot.LeaderTo.X - m.X) * rim, m.Y + (spot.LeaderTo.Y - m.Y) * rim};
    return spot;
}

// the leader place `index`
LabelSpot LeaderPlace(const MarkPoint& m, double offset, double markRadius, const TextExtent& t, std::size_t index) {
    return LeaderSpot(m, markRadius, t, LeaderTextBox(m, offset, t, index));
}

// the bounding box of a leader line
LabelBox LeaderBox(const LabelSpot& spot) {
    return {std::min(spot.LeaderFrom.X, spot.LeaderTo.X), std::min(spot.LeaderFrom.Y, spot.LeaderTo.Y),
            std::max(spot.LeaderFrom.X, spot.LeaderTo.X), std::max(spot.LeaderFrom.Y, spot.LeaderTo.Y)};
}

// every label's candidates: the eight places around its mark and the leader places
constexpr std::size_t kLeaders = static_cast<std::size_t>(kLeaderRings) * static_cast<std::size_t>(kLeaderDirections);
constexpr std::size_t kCandidates = kPlacesAroundMark + kLeaders;
static_assert(kLeaders <= 64 && kPlacesAroundMark <= 64, "a label's clear candidates of a kind are bits of one word");

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
    // the two kinds of candidate: the places around the mark, and the leader places after them
    enum class Kind { Around, Leader };
    static constexpr std::size_t First(Kind kind) { return kind == Kind::Around ? 0 : kPlacesAroundMark; }
    // a label's candidates clear of the fixed things, by kind, once judged
    struct Clearance {
        std::array<std::uint64_t, 2> Clear{};
        std::array<bool, 2> Judged{};
    };

    // a label's candidate; a leader place is worked out each time it is asked for, as most
    // are looked at once and found blocked
    LabelSpot Spot(std::size_t label, std::size_t candidate) const;
    const LabelSpot& Held(std::size_t label) const { return heldSpot_[label]; }
    // whether a box lies inside the picture, clear of the covered boxes and of every mark
    // but `own`
    bool BoxClearOfFixed(const LabelBox& b, std::size_t own) const;
    // The candidates of a label clear of the fixed things, of one kind (the places around
    // the mark, or the leader places) as a set of bits, bit k for the kind's k-th candidate.
    // Judged when first asked for: the fixed things never move.
    std::uint64_t ClearSet(std::size_t label, Kind kind);
    std::uint64_t JudgeFixed(std::size_t label, Kind kind) const;
    // calls attempt(candidate) for the label's candidates of the kind clear of the fixed
    // things, in order, until it returns true; true when it did
    template <typename Attempt>
    bool EachClear(std::size_t label, Kind kind, const Attempt& attempt);
    bool Meets(const LabelSpot& spot, std::size_t other) const;
    std::size_t Blockers(std::size_t label, const LabelSpot& spot, std::size_t limit);
    // the region a placed spot is filed under: its box grown by the gap, and its leader
    LabelBox Region(const LabelSpot& spot) const;
    void Put(std::size_t label, std::size_t candidate);
    void Lift(std::size_t label);
    bool PlaceFirstFree(std::size_t label, Kind kind);
    bool PlaceFirstFree(std::size_t label) {
        return PlaceFirstFree(label, Kind::Around) || PlaceFirstFree(label, Kind::Leader);
    }
    bool Swap(std::size_t label, Kind kind);
    bool SettleOnce();

    const LabelField& field_;
    std::vector<LabelSpot> around_;     // kPlacesAroundMark per label
    double reach2_;                     // the squared distance a mark keeps clear round it
    std::vector<Clearance> clearance_;  // per label
    std::vector<std::size_t> held_;     // per label: its candidate, or kNone
    std::vector<LabelSpot> heldSpot_;   // per label: the spot of its candidate
    Grid marks_, labels_;
    MarkCover cover_;
    std::vector<std::uint32_t> seen_;  // per label: the query that last looked at it
    std::uint32_t query_ = 0;
    std::vector<std::size_t> blockers_;
};

Placement::Placement(const LabelField& field)
    : field_(field),
      reach2_(labels::MarkReach(field) * labels::MarkReach(field)),
      clearance_(field.Labels.size()),
      held_(field.Labels.size(), kNone),
      heldSpot_(field.Labels.size()),
      marks_(field.Width, field.Height, CellSize(field)),
      labels_(field.Width, field.Height, CellSize(field)),
      cover_(field),
      seen_(field.Labels.size(), 0) {
    around_.reserve(field.Labels.size() * kPlacesAroundMark);
    for (const LabelRequest& label : field.Labels)
        AddPlacesAround(field.Marks.at(label.Mark), field.Offset, label.Text, around_);
    const double reach = labels::MarkReach(field);
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

inline bool Placement::BoxClearOfFixed(const LabelBox& b, std::size_t own) const {
    if (!(b.Left >= 0.0 && b.Top >= 0.0 && b.Right <= field_.Width && b.Bottom <= field_.Height)) return false;
    // the marks first, as they block most boxes, and the raster mostly knows at once
    if (cover_.Blocks(b, field_.Marks[own])) return false;
    const bool clearOfMarks = marks_.Each(b, [&](std::uint32_t m) {
        const MarkPoint& p = field_.Marks[m];
        return m == own || Distance2(NearestInBox(b, p), p) >= reach2_;
    });
    if (!clearOfMarks) return false;
    const LabelBox grown = Grown(b, field_.Gap);
    return std::none_of(field_.Covered.begin(), field_.Covered.end(),
                        [&](const LabelBox& covered) { return Overlap(grown, covered); });
}

std::uint64_t Placement::JudgeFixed(std::size_t label, Kind kind) const {
    const LabelRequest& request = field_.Labels[label];
    std::uint64_t clear = 0;
    if (kind == Kind::Around) {
        const LabelSpot* const around = &around_[label * kPlacesAroundMark];
        for (std::size_t c = 0; c < kPlacesAroundMark; ++c)
            if (BoxClearOfFixed(around[c].Box, request.Mark)) clear |= std::uint64_t{1} << c;
        return clear;
    }
    const MarkPoint& mark = field_.Marks[request.Mark];
    for (std::size_t k = 0; k < kLeaders; ++k) {
        // a leader place's line is worked out only for a clear box: most are blocked
        const LabelBox box = LeaderTextBox(mark, field_.Offset, request.Text, k);
        if (!BoxClearOfFixed(box, request.Mark)) continue;
        const LabelSpot spot = LeaderSpot(mark, field_.MarkRadius, request.Text, box);
        const bool lineClear = marks_.Each(LeaderBox(spot), [&](std::uint32_t m) {
            return m == request.Mark || SegmentDistance2(spot.LeaderFrom, spot.LeaderTo, field_.Marks[m]) >= reach2_;
        });
        if (lineClear) clear |= std::uint64_t{1} << k;
    }
    return clear;
}

std::uint64_t Placement::ClearSet(std::size_t label, Kind kind) {
    Clearance& known = clearance_[label];
    const auto k = static_cast<std::size_t>(kind);
    if (!known.Judged[k]) {
        known.Clear[k] = JudgeFixed(label, kind);
        known.Judged[k] = true;
    }
    return known.Clear[k];
}

template <typename Attempt>
bool Placement::EachClear(std::size_t label, Kind kind, const Attempt& attempt) {
    for (std::uint64_t clear = ClearSet(label, kind); clear != 0; clear &= clear - 1)
        if (attempt(First(kind) + static_cast<std::size_t>(std::countr_zero(clear)))) return true;
    return false;
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

// puts the label at the first free one of its candidates of the kind
bool Placement::PlaceFirstFree(std::size_t label, Kind kind) {
    return EachClear(label, kind, [&](std::size_t c) {
        if (Blockers(label, Spot(label, c), 1) != 0) return false;
        Put(label, c);
        return true;
    });
}

// puts the label at one of its candidates of the kind that a single placed label blocks, when
// that label has another free place to go to
bool Placement::Swap(std::size_t label, Kind kind) {
    return EachClear(label, kind, [&](std::size_t c) {
        if (Blockers(label, Spot(label, c), 2) != 1) return false;
        const std::size_t other = blockers_.front();
        const std::size_t was = held_[other];
        Lift(other);
        Put(label, c);
        if (PlaceFirstFree(other)) return true;
        Lift(label);
        Put(other, was);
        return false;
    });
}

// One round over the labels without a place: a free place around the mark or a swap for
// each; when none found one, a leader place or a swap for one for each. True when any label
// found a place.
bool Placement::SettleOnce() {
    bool changed = false;
    for (std::size_t i = 0; i < held_.size(); ++i)
        if (held_[i] == kNone && (PlaceFirstFree(i, Kind::Around) || Swap(i, Kind::Around))) changed = true;
    if (changed) return true;
    for (std::size_t i = 0; i < held_.size(); ++i)
        if (held_[i] == kNone && (PlaceFirstFree(i, Kind::Leader) || Swap(i, Kind::Leader))) changed = true;
    return changed;
}

LabelLayout Placement::Run() {
    // the labels with the fewest places around their marks clear of marks and edges go first
    std::vector<std::pair<long, std::size_t>> order;
    for (std::size_t i = 0; i < held_.size(); ++i) {
        order.emplace_back(std::popcount(ClearSet(i, Kind::Around)), i);
    }
    std::sort(order.begin(), order.end());
    for (const auto& [open, i] : order) PlaceFirstFree(i, Kind::Around);
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
