#pragma once
// Whether the fonts the surfaces draw text with can show a piece of text: the family Pango
// picks for it, and the characters no available font has. Cairo and Pango types stay out of
// this header.

#include <string>
#include <string_view>

namespace kelvarin {

// What a lookup of the text font found for a piece of text.
struct FontCheck {
    std::string Family;      // the family Pango chose for the text's first non-Latin run (or first run)
    int UnknownGlyphs = 0;   // characters no available font can show (they would be drawn as boxes)
    bool CjkFamily = false;  // Family is one of the CJK families the surface asks for
    bool Ok() const { return UnknownGlyphs == 0 && CjkFamily; }
};

// Looks up the fonts the surface would use for text; used to refuse drawing boxes.
FontCheck CheckTextFont(std::string_view text);

}  // namespace kelvarin
