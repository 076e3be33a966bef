#include "view/PieceLabels.hpp"

#include <cmath>
#include <cstdio>
#include <string>

#include "geometry/modGISTools.hpp"
#include "model/modGraphicBasic.hpp"

namespace kelvarin {

namespace {

// the point a label of the piece stands at: its centroid when that lies inside it, else a
// point inside it
cPoint LabelPoint(const cPolygon& piece) {
    double twice = 0.0, cx = 0.0, cy = 0.0;
    const long n = piece.Count();
    const cPoint& o = *piece(1);
    for (long i = 1; i <= n; ++i) {
        const cPoint& a = *piece(i);
        const cPoint& b = *piece(RingSuccessor(i, 1, n));
        const double ax = a.X - o.X, ay = a.Y - o.Y, bx = b.X - o.X, by = b.Y - o.Y;
        const double cross = ax * by - bx * ay;
        twice += cross;
        cx += (ax + bx) * cross;
        cy += (ay + by) * cross;
    }
    cPoint point;
    if (twice != 0.0) {
        point = cPoint{o.X + cx / (3.0 * twice), o.Y + cy / (3.0 * twice), 0.0};
        if (std::abs(WindingAngle(point, RingToArray(piece))) > PI) return point;
    }
    InteriorPoint(piece, point);
    return point;
}

std::string Percent(double weight) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", weight * 100.0);
    return text;
}

// labels every piece large enough with the weight
void LabelPieces(Surface& surface, const std::vector<cPolygon>& pieces, double weight, double smallest) {
    for (const cPolygon& piece : pieces) {
        if (piece.Count() < 3 || PolygonArea(piece) < smallest) continue;
        const cPoint at = LabelPoint(piece);
        DrawText(surface, at.X, at.Y, Percent(weight), TextAlign::Center | TextAlign::Baseline);
    }
}

}  // namespace

void DrawPieceLabels(Surface& surface, const Construction& construction, const EngineScene& scene) {
    const ScaleRect view = surface.Scale();
    const double smallest = kLabelledPieceShare * std::abs(view.Width() * view.Height());
    for (const StationPart& part : construction.Stations) {
        if (scene.Subbasins.empty()) {
            LabelPieces(surface, part.Pieces, part.Weight, smallest);
            continue;
        }
        for (const SubbasinShare& share : part.Subbasins) LabelPieces(surface, share.Pieces, share.Weight, smallest);
    }
}

}  // namespace kelvarin
