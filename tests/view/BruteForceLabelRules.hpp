#pragma once
// The rules of a free label place, checked the plain way: every pair of labels, every mark
// and every covered box in turn, with textbook geometry (a segment meets a box when an end
// lies inside it or it crosses one of its sides). The label placement is judged by it: each
// placed label must be free of all the others, and each label left without a place must have
// no free candidate against the finished layout.

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "view/LabelPlacement.hpp"

namespace kelvarin::testing {

// the box grown by `by` on every side shares inner points with the other
inline bool BoxesMeet(const LabelBox& a, const LabelBox& b, double by) {
    return a.Left - by < b.Right && b.Left < a.Right + by && a.Top - by < b.Bottom && b.Top < a.Bottom + by;
}

inline bool StrictlyInside(const LabelBox& b, const MarkPoint& p) {
    return p.X > b.Left && p.X < b.Right && p.Y > b.Top && p.Y < b.Bottom;
}

inline double Cross(const MarkPoint& o, const MarkPoint& a, const MarkPoint& b) {
    return (a.X - o.X) * (b.Y - o.Y) - (a.Y - o.Y) * (b.X - o.X);
}

// whether segments p-q and r-s have a point in common
inline bool SegmentsTouch(const MarkPoint& p, const MarkPoint& q, const MarkPoint& r, const MarkPoint& s) {
    const double d1 = Cross(r, s, p), d2 = Cross(r, s, q), d3 = Cross(p, q, r), d4 = Cross(p, q, s);
    if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0))) return true;
    const auto onSegment = [](const MarkPoint& a, const MarkPoint& b, const MarkPoint& c) {
        return c.X >= std::min(a.X, b.X) && c.X <= std::max(a.X, b.X) && c.Y >= std::min(a.Y, b.Y) &&
               c.Y <= std::max(a.Y, b.Y);
    };
    return (d1 == 0 && onSegment(r, s, p)) || (d2 == 0 && onSegment(r, s, q)) || (d3 == 0 && onSegment(p, q, r)) ||
           (d4 == 0 && onSegment(p, q, s));
}

// whether the segment p-q passes through the inside of the box (grown by `by`)
inline bool SegmentEntersBox(const MarkPoint& p, const MarkPoint& q, const LabelBox& box, double by) {
    const LabelBox b{box.Left - by, box.Top - by, box.Right + by, box.Bottom + by};
    if (StrictlyInside(b, p) || StrictlyInside(b, q)) return true;
    const MarkPoint corners[4] = {{b.Left, b.Top}, {b.Right, b.Top}, {b.Right, b.Bottom}, {b.Left, b.Bottom}};
    int crossed = 0;
    for (int i = 0; i < 4; ++i) {
        const MarkPoint& r = corners[i];
        const MarkPoint& s = corners[(i + 1) % 4];
        const double d1 = Cross(r, s, p), d2 = Cross(r, s, q), d3 = Cross(p, q, r), d4 = Cross(p, q, s);
        if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0))) ++crossed;
    }
    return crossed >= 2;  // in through one side, out through another
}

inline double PointDistance(const MarkPoint& a, const MarkPoint& b) { return std::hypot(a.X - b.X, a.Y - b.Y); }

inline double BoxDistance(const LabelBox& b, const MarkPoint& p) {
    const double dx = std::max({b.Left - p.X, 0.0, p.X - b.Right});
    const double dy = std::max({b.Top - p.Y, 0.0, p.Y - b.Bottom});
    return std::hypot(dx, dy);
}

inline double SegmentPointDistance(const MarkPoint& a, const MarkPoint& b, const MarkPoint& p) {
    const double dx = b.X - a.X, dy = b.Y - a.Y, length2 = dx * dx + dy * dy;
    if (length2 == 0.0) return PointDistance(a, p);
    const double t = std::clamp(((p.X - a.X) * dx + (p.Y - a.Y) * dy) / length2, 0.0, 1.0);
    return PointDistance(p, {a.X + t * dx, a.Y + t * dy});
}

// What keeps label `label` at `spot` from being free, given the other labels' spots (only those
// marked placed count); empty when it is free.
inline std::string ConflictOf(const LabelField& f, std::size_t label, const LabelSpot& spot,
                              const std::vector<LabelSpot>& spots, const std::vector<bool>& placed) {
    const LabelBox& b = spot.Box;
    const bool lead = spot.Place == LabelPlace::Leader;
    if (b.Left < 0 || b.Top < 0 || b.Right > f.Width || b.Bottom > f.Height) return "outside the picture";
    for (const LabelBox& covered : f.Covered)
        if (BoxesMeet(b, covered, f.Gap)) return "over a covered box";
    for (std::size_t m = 0; m < f.Marks.size(); ++m) {
        if (m == f.Labels[label].Mark) continue;
        const double reach = f.MarkRadius + f.Gap;
        if (BoxDistance(b, f.Marks[m]) < reach) return "over mark " + std::to_string(m);
        if (lead && SegmentPointDistance(spot.LeaderFrom, spot.LeaderTo, f.Marks[m]) < reach)
            return "leader over mark " + std::to_string(m);
    }
    for (std::size_t j = 0; j < spots.size(); ++j) {
        if (j == label || !placed[j]) continue;
        const LabelSpot& o = spots[j];
        const bool otherLeads = o.Place == LabelPlace::Leader;
        const std::string who = " label " + std::to_string(j);
        if (BoxesMeet(b, o.Box, f.Gap)) return "over" + who;
        if (otherLeads && SegmentEntersBox(o.LeaderFrom, o.LeaderTo, b, f.Gap)) return "over the leader of" + who;
        if (lead && SegmentEntersBox(spot.LeaderFrom, spot.LeaderTo, o.Box, f.Gap)) return "leader over" + who;
        if (lead && otherLeads && SegmentsTouch(spot.LeaderFrom, spot.LeaderTo, o.LeaderFrom, o.LeaderTo))
            return "leader across the leader of" + who;
    }
    return {};
}

// How far a label may lie from its gauge: a label beside its mark keeps its nearest point at
// the offset; a leader reaches kLeaderRings text heights further and joins the mark's rim to
// the box. The message says what is wrong, empty when nothing is.
inline std::string DistanceProblem(const LabelField& f, std::size_t label, const LabelSpot& spot) {
    constexpr double kSlack = 1e-9;  // pixels: rounding in the places' arithmetic
    const MarkPoint& mark = f.Marks[f.Labels[label].Mark];
    const double distance = BoxDistance(spot.Box, mark);
    if (spot.Place != LabelPlace::Leader)
        return distance <= f.Offset + kSlack ? "" : "lies " + std::to_string(distance) + " px from its gauge";
    if (distance > f.Offset + kLeaderRings * f.Labels[label].Text.Height + kSlack)
        return "lies " + std::to_string(distance) + " px from its gauge at the end of its leader";
    if (BoxDistance(spot.Box, spot.LeaderTo) > kSlack) return "has a leader that stops short of it";
    if (std::abs(PointDistance(spot.LeaderFrom, mark) - f.MarkRadius) > 1e-6) return "has a leader from off the mark";
    return {};
}

inline bool SameBox(const LabelBox& a, const LabelBox& b) {
    return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
}

// Every rule of a layout, one message per broken rule (empty when it keeps them all): each
// placed label is at one of its candidates, free of every other label and near enough to its
// gauge; each unplaced label is at its preferred place and none of its candidates is free;
// the count of unplaced labels is right.
inline std::vector<std::string> BrokenLabelRules(const LabelField& f, const LabelLayout& layout) {
    std::vector<std::string> broken;
    if (layout.Spots.size() != f.Labels.size()) return {"a layout of the wrong size"};
    std::vector<bool> placed(f.Labels.size());
    long unplaced = 0;
    for (std::size_t i = 0; i < f.Labels.size(); ++i) {
        placed[i] = layout.Spots[i].Place != LabelPlace::Unplaced;
        unplaced += placed[i] ? 0 : 1;
    }
    if (unplaced != layout.Unplaced) broken.push_back("the unplaced count is wrong");
    for (std::size_t i = 0; i < f.Labels.size(); ++i) {
        const LabelSpot& spot = layout.Spots[i];
        const std::vector<LabelSpot> candidates = LabelCandidates(f, i);
        const std::string who = "label " + std::to_string(i) + ": ";
        if (const std::string far = DistanceProblem(f, i, spot); !far.empty()) broken.push_back(who + far);
        if (placed[i]) {
            const bool known = std::any_of(candidates.begin(), candidates.end(), [&](const LabelSpot& c) {
                return c.Place == spot.Place && SameBox(c.Box, spot.Box);
            });
            if (!known) broken.push_back(who + "placed at no candidate of its own");
            const std::string conflict = ConflictOf(f, i, spot, layout.Spots, placed);
            if (!conflict.empty()) broken.push_back(who + "placed " + conflict);
            continue;
        }
        if (!SameBox(spot.Box, candidates.front().Box))
            broken.push_back(who + "unplaced but not at its preferred place");
        for (std::size_t c = 0; c < candidates.size(); ++c)
            if (ConflictOf(f, i, candidates[c], layout.Spots, placed).empty())
                broken.push_back(who + "unplaced, yet its candidate " + std::to_string(c) + " is free");
    }
    return broken;
}

}  // namespace kelvarin::testing
