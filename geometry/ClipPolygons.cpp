// The intersection of two rings: ClipPolygons cuts both boundaries at every point where they
// meet and keeps the stretches by where they lie (OverlayClip), every decision exact.

#include <cmath>
#include <stdexcept>
#include <string>

#include "geometry/RingOverlay.hpp"
#include "geometry/modGISTools.hpp"

namespace kelvarin {
namespace {

// throws unless every vertex of both rings has finite coordinates
void CheckFinite(const PointArray& A, const PointArray& B) {
    for (const PointArray* ring : {&A, &B}) {
        for (long i = ring->LBound(); i <= ring->UBound(); ++i) {
            const cPoint& p = *(*ring)(i);
            if (!std::isfinite(p.X) || !std::isfinite(p.Y))
                throw std::invalid_argument("ClipPolygons: vertex " + std::to_string(i) + " of ring " +
                                            (ring == &A ? "A" : "B") + " has no finite coordinates");
        }
    }
}

}  // namespace

long ClipPolygons(PolygonArray& pieces, const PointArray& A, const PointArray& B) {
    if (A.Empty() || B.Empty()) return 0;
    CheckFinite(A, B);
    return OverlayClip(pieces, A, B);
}

}  // namespace kelvarin
