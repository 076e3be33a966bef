#pragma once
// Drawing calls in device pixels: the surface draws each on its raster images and keeps
// the persistent ones, which SVG and PDF files replay (not a public interface: it includes
// the graphics headers).

#include <cairo.h>
#include <pango/pangocairo.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "model/Color.hpp"

namespace kelvarin {

// One drawing call in device pixels.
struct CairoDrawOp {
    enum class Kind { Line, Circle, Dot, Text } kind;
    double x1 = 0.0, y1 = 0.0, x2 = 0.0, y2 = 0.0;  // Circle, Dot: x1, y1 centre and x2 radius; Text: left, top
    ColorRef color = 0;
    std::string text;
};

// a fresh drawing context with the surface's line style
cairo_t* NewDrawingContext(cairo_surface_t* s, double pen);

// throws with what went wrong when cairo reports a failure
void CheckCairo(cairo_status_t status, const std::string& what);

// draws one call on a context; text uses the layout, which belongs to that context, and gets
// a dark outline haloWidth wide
void DrawOp(cairo_t* cr, PangoLayout* layout, const CairoDrawOp& op, double haloWidth);

// How the kept calls are drawn: the surface's pen, halo and text font.
struct VectorStyle {
    double Pen = 1.0;
    double Halo = 0.0;
    const PangoFontDescription* TextFont = nullptr;
};

// The persistent drawing as calls since the last Clear, for SVG and PDF files. It is complete
// when it holds every call since that Clear.
class VectorCopy {
  public:
    void Add(const CairoDrawOp& op) { ops_.push_back(op); }
    // forgets the calls; complete: every call from here on is kept
    void Clear(bool complete) {
        ops_.clear();
        complete_ = complete;
    }
    // forgets the calls and gives their memory back
    void Release() {
        ops_.clear();
        ops_.shrink_to_fit();
        complete_ = false;
    }
    // calls were drawn that the copy does not hold
    void MarkIncomplete() { complete_ = false; }
    bool Complete() const { return complete_; }

    // writes an SVG or PDF file of width x height pixels: the background, the calls, then what
    // `over` draws on top
    void Write(const std::filesystem::path& file, bool pdf, int width, int height, const VectorStyle& style,
               const std::function<void(cairo_t*)>& over) const;

  private:
    std::vector<CairoDrawOp> ops_;
    bool complete_ = false;
};

}  // namespace kelvarin
