#include "render/CairoLabel.hpp"

#include <string>

#include "render/CairoText.hpp"

namespace kelvarin {
namespace {

// relative perceived brightness of a colour, 0..1
double Luminance(ColorRef c) { return (0.299 * RedOf(c) + 0.587 * GreenOf(c) + 0.114 * BlueOf(c)) / 255.0; }

// a layout of the caption in the font on the context, and its logical width and height; the
// caller frees it
PangoLayout* CaptionLayout(cairo_t* cr, const PangoFontDescription* font, std::string_view caption, double& width,
                           double& height) {
    PangoLayout* layout = NewTextLayout(cr, font);
    const std::string lines = PangoLines(caption);
    pango_layout_set_text(layout, lines.c_str(), static_cast<int>(lines.size()));
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    width = static_cast<double>(logical.width) / PANGO_SCALE;
    height = static_cast<double>(logical.height) / PANGO_SCALE;
    return layout;
}

}  // namespace

std::pair<double, double> LabelPanelSize(cairo_t* cr, const PangoFontDescription* font, std::string_view caption,
                                         double pad) {
    double w = 0.0, h = 0.0;
    g_object_unref(CaptionLayout(cr, font, caption, w, h));
    return {w + 2.0 * pad, h + 2.0 * pad};
}

void DrawLabelPanel(cairo_t* cr, const PangoFontDescription* font, const CreditLabel& label, double x, double y,
                    double pad) {
    double w = 0.0, h = 0.0;
    PangoLayout* layout = CaptionLayout(cr, font, label.Caption, w, h);
    cairo_save(cr);
    if (Luminance(label.ForeColor) < 0.45) {  // dark text: a light panel
        cairo_set_source_rgba(cr, 0.92, 0.92, 0.92, 0.80);
    } else {
        cairo_set_source_rgba(cr, 0.0, 0.0, 0.0, 0.55);
    }
    cairo_rectangle(cr, x, y, w + 2.0 * pad, h + 2.0 * pad);
    cairo_fill(cr);
    cairo_move_to(cr, x + pad, y + pad);
    SetColor(cr, label.ForeColor);
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
    g_object_unref(layout);
}

}  // namespace kelvarin
