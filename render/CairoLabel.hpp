#pragma once
// The credit label as the pictures show it: its caption on a panel of the opposite
// brightness, which keeps any label colour readable over the map (not a public interface:
// it includes the graphics headers).

#include <cairo.h>
#include <pango/pangocairo.h>

#include <string_view>
#include <utility>

#include "model/Surface.hpp"

namespace kelvarin {

// the panel's width and height in pixels: the caption in the font, pad pixels round it
std::pair<double, double> LabelPanelSize(cairo_t* cr, const PangoFontDescription* font, std::string_view caption,
                                         double pad);

// draws the panel with its top-left corner at (x, y) and the label's caption on it
void DrawLabelPanel(cairo_t* cr, const PangoFontDescription* font, const CreditLabel& label, double x, double y,
                    double pad);

}  // namespace kelvarin
