#pragma once
// Cairo and Pango helpers shared by the render library's pictures (not a public
// interface: it includes the graphics headers).

#include <cairo.h>
#include <pango/pangocairo.h>

#include <array>
#include <string>
#include <string_view>

#include "model/Color.hpp"

namespace kelvarin {

// The families asked for, CJK first: the captions and gauge names are Chinese.
inline constexpr std::array<const char*, 6> kCjkFamilies = {"WenQuanYi Zen Hei",  "Noto Sans CJK TC",
                                                            "Noto Sans CJK SC",   "Noto Sans CJK JP",
                                                            "Source Han Sans TC", "AR PL UMing TW"};

// text with its "\r\n" line breaks as Pango paragraphs
std::string PangoLines(std::string_view text);

// a font of the CJK families at a size in pixels; the caller frees it
PangoFontDescription* NewTextFont(double pixelSize);

// layouts that measure the same on raster and vector surfaces: no hinting
void SetUnhinted(PangoContext* context);

// a layout on the context with the font, ready for text
PangoLayout* NewTextLayout(cairo_t* cr, const PangoFontDescription* font);

void SetColor(cairo_t* cr, ColorRef c);

// paints the whole surface in a colour
void Fill(cairo_t* cr, ColorRef c);

}  // namespace kelvarin
