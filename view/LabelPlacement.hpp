#pragma once
// Where the gauge labels of a picture go. Each label takes the first free place around its
// gauge's mark, in the classic order of point labels with the map window's own place (right
// of the mark, baseline at its height) first; where none is free, the nearest free place a
// short leader line can join to the mark; where that fails too, the preferred place, over
// whatever lies there, and it is counted.
//
// Everything is in device pixels, y down, with the text boxes the drawing surface measures,
// so every surface shows the same legible picture. The same field always gives the same
// places: the labels with the fewest places around their marks clear of other marks and the
// picture's edges go first (ties in their given order), and places are tried in a fixed order.
//
// A place is free when its text box, kept Gap away from everything else:
//   - lies inside the picture,
//   - meets no other placed label's box or leader line,
//   - covers no gauge mark but its own (a disc of MarkRadius) and no covered box;
// and, for a leader place, its line (from its mark's rim to the nearest point of the box)
// meets no other placed label's box or leader line and no mark but its own.

#include <cstddef>
#include <vector>

#include "model/Surface.hpp"

namespace kelvarin {

// An upright box in device pixels; Top < Bottom.
struct LabelBox {
    double Left = 0.0, Top = 0.0, Right = 0.0, Bottom = 0.0;
};

// The places a label may take, in the order they are tried (Over and Under: centred above and
// below the mark); Leader and Unplaced come last.
enum class LabelPlace { Right, UpperRight, UpperLeft, LowerRight, Left, LowerLeft, Over, Under, Leader, Unplaced };

// the eight places around a mark
inline constexpr std::size_t kPlacesAroundMark = 8;
// A leader place lies on one of kLeaderRings rings around the mark, each one text height
// further out than the last beyond the label's offset, in one of kLeaderDirections
// directions (right first, then alternately above and below, working round to the left).
// Four rings reach four lines of text from the mark: a leader stays short enough for the eye
// to follow, and on generated scenes of 60 to 200 gauges rings further out placed no more
// labels (their room is taken by then); 16 directions placed more than 8 or 12.
inline constexpr int kLeaderRings = 4;
inline constexpr int kLeaderDirections = 16;

struct MarkPoint {
    double X = 0.0, Y = 0.0;
};

// one gauge's label
struct LabelRequest {
    std::size_t Mark = 0;  // its gauge's mark in LabelField::Marks
    TextExtent Text;       // its text as the surface measures it
};

// everything the placement sees of a picture
struct LabelField {
    double Width = 0.0, Height = 0.0;  // the picture
    double MarkRadius = 0.0;           // how far a mark reaches from its centre
    double Offset = 0.0;               // from a mark's centre to its label's nearest edge
    double Gap = 0.0;                  // the room kept round every label
    std::vector<MarkPoint> Marks;      // every gauge mark shown
    std::vector<LabelBox> Covered;     // what no label may cover (the credit label's panel)
    std::vector<LabelRequest> Labels;
};

// a label at one place
struct LabelSpot {
    LabelPlace Place = LabelPlace::Unplaced;
    LabelBox Box;                    // the text's box
    double X = 0.0, Y = 0.0;         // where the text starts: the left end of its first baseline
    MarkPoint LeaderFrom, LeaderTo;  // the leader line, from the mark's rim to the box (Leader only)
};

struct LabelLayout {
    std::vector<LabelSpot> Spots;  // one per label, in the order of LabelField::Labels
    long Unplaced = 0;             // labels left at their preferred place over others
};

// The places one label may take, in the order they are tried: the eight around its mark,
// then the leader places ring by ring.
std::vector<LabelSpot> LabelCandidates(const LabelField& field, std::size_t label);

// Every label's place. After the first free place of each label, a label without one may
// take the place of a single label that blocks it when that label can move to another free
// place of its own; this repeats until no label left without a place has a free one.
LabelLayout PlaceLabels(const LabelField& field);

}  // namespace kelvarin
