#include "model/modGraphicBasic.hpp"

namespace kelvarin {

void DrawText(Surface& surface, double x, double y, std::string_view text, int alignment) {
    surface.MoveTo(x, y);
    surface.SetTextAlign(alignment);
    surface.Print(text);
}

void DrawRing(Surface& surface, const cPolygon& ring, ColorRef color) {
    const long n = ring.Count();
    for (long i = 1; i <= n; ++i) {
        const cPoint& a = *ring(i);
        const cPoint& b = *ring(i == n ? 1 : i + 1);
        surface.Line(a.X, a.Y, b.X, b.Y, color);
    }
}

}  // namespace kelvarin
