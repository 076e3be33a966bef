#include "render/CairoVector.hpp"

#include <cairo-pdf.h>
#include <cairo-svg.h>

#include <numbers>
#include <stdexcept>

#include "render/CairoSurface.hpp"
#include "render/CairoText.hpp"

namespace kelvarin {

// a fresh drawing context with the surface's line style
cairo_t* NewDrawingContext(cairo_surface_t* s, double pen) {
    cairo_t* cr = cairo_create(s);
    cairo_set_line_width(cr, pen);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_GRAY);
    return cr;
}

// throws with what went wrong when cairo reports a failure
void CheckCairo(cairo_status_t status, const std::string& what) {
    if (status != CAIRO_STATUS_SUCCESS) throw std::runtime_error(what + ": " + cairo_status_to_string(status));
}

// draws one call on a context; text uses the layout, which belongs to that context
void DrawOp(cairo_t* cr, PangoLayout* layout, const CairoDrawOp& op, double haloWidth) {
    switch (op.kind) {
        case CairoDrawOp::Kind::Line:
            SetColor(cr, op.color);
            cairo_move_to(cr, op.x1, op.y1);
            cairo_line_to(cr, op.x2, op.y2);
            cairo_stroke(cr);
            break;
        case CairoDrawOp::Kind::Circle:
        case CairoDrawOp::Kind::Dot:
            SetColor(cr, op.color);
            cairo_new_sub_path(cr);
            cairo_arc(cr, op.x1, op.y1, op.x2, 0.0, 2.0 * std::numbers::pi);
            if (op.kind == CairoDrawOp::Kind::Dot) {
                cairo_fill(cr);
            } else {
                cairo_stroke(cr);
            }
            break;
        case CairoDrawOp::Kind::Text:
            pango_layout_set_text(layout, op.text.c_str(), static_cast<int>(op.text.size()));
            cairo_save(cr);
            // a dark outline under the glyphs keeps text readable where it crosses lines
            cairo_move_to(cr, op.x1, op.y1);
            pango_cairo_layout_path(cr, layout);
            SetColor(cr, CairoSurface::kBackground);
            cairo_set_line_width(cr, haloWidth);
            cairo_stroke(cr);
            cairo_move_to(cr, op.x1, op.y1);
            SetColor(cr, op.color);
            pango_cairo_show_layout(cr, layout);
            cairo_restore(cr);
            break;
    }
}

// writes the calls and what is drawn over them as an SVG or PDF file
void VectorCopy::Write(const std::filesystem::path& file, bool pdf, int width, int height, const VectorStyle& style,
                       const std::function<void(cairo_t*)>& over) const {
    cairo_surface_t* out = pdf ? cairo_pdf_surface_create(file.string().c_str(), width, height)
                               : cairo_svg_surface_create(file.string().c_str(), width, height);
    const cairo_status_t created = cairo_surface_status(out);
    if (created != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(out);
        CheckCairo(created, "cannot write '" + file.string() + "'");
    }
    if (pdf) cairo_pdf_surface_set_metadata(out, CAIRO_PDF_METADATA_TITLE, "Kelvarin");
    cairo_t* cr = NewDrawingContext(out, style.Pen);
    PangoLayout* layout = NewTextLayout(cr, style.TextFont);
    Fill(cr, CairoSurface::kBackground);
    for (const CairoDrawOp& op : ops_) DrawOp(cr, layout, op, style.Halo);
    over(cr);
    g_object_unref(layout);
    cairo_destroy(cr);
    cairo_surface_finish(out);
    const cairo_status_t status = cairo_surface_status(out);
    cairo_surface_destroy(out);
    CheckCairo(status, "cannot write '" + file.string() + "'");
}

}  // namespace kelvarin
