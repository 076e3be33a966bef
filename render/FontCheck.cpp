#include "render/FontCheck.hpp"

#include <algorithm>

#include "render/CairoText.hpp"

namespace kelvarin {

FontCheck CheckTextFont(std::string_view text) {
    PangoFontMap* map = pango_cairo_font_map_get_default();
    PangoContext* context = pango_font_map_create_context(map);
    PangoLayout* layout = pango_layout_new(context);
    PangoFontDescription* font = NewTextFont(16.0);
    pango_layout_set_font_description(layout, font);
    const std::string lines = PangoLines(text);
    pango_layout_set_text(layout, lines.c_str(), static_cast<int>(lines.size()));

    FontCheck result;
    result.UnknownGlyphs = pango_layout_get_unknown_glyphs_count(layout);
    PangoLayoutIter* iter = pango_layout_get_iter(layout);
    std::string first;
    do {
        PangoLayoutRun* run = pango_layout_iter_get_run_readonly(iter);
        if (!run || !run->item->analysis.font) continue;
        PangoFontDescription* used = pango_font_describe(run->item->analysis.font);
        const char* family = pango_font_description_get_family(used);
        const std::string name = family ? family : "";
        pango_font_description_free(used);
        if (first.empty()) first = name;
        const std::string_view piece(lines.data() + run->item->offset, static_cast<std::size_t>(run->item->length));
        const bool wide = std::any_of(piece.begin(), piece.end(), [](char c) { return (c & 0x80) != 0; });
        if (wide) {
            result.Family = name;
            break;
        }
    } while (pango_layout_iter_next_run(iter));
    pango_layout_iter_free(iter);
    if (result.Family.empty()) result.Family = first;
    result.CjkFamily =
        std::any_of(kCjkFamilies.begin(), kCjkFamilies.end(), [&](const char* f) { return result.Family == f; });

    pango_font_description_free(font);
    g_object_unref(layout);
    g_object_unref(context);
    return result;
}

}  // namespace kelvarin
