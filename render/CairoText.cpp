#include "render/CairoText.hpp"

#include <string>

namespace kelvarin {
namespace {

constexpr const char* kFallbackFamily = "sans-serif";

// the comma-separated family list Pango resolves per character
std::string FamilyList() {
    std::string list;
    for (const char* f : kCjkFamilies) {
        list += f;
        list += ',';
    }
    return list + kFallbackFamily;
}

}  // namespace

std::string PangoLines(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += '\n';
        } else {
            out += text[i];
        }
    }
    return out;
}

PangoFontDescription* NewTextFont(double pixelSize) {
    PangoFontDescription* font = pango_font_description_from_string(FamilyList().c_str());
    pango_font_description_set_absolute_size(font, pixelSize * PANGO_SCALE);
    return font;
}

void SetUnhinted(PangoContext* context) {
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
}

PangoLayout* NewTextLayout(cairo_t* cr, const PangoFontDescription* font) {
    PangoLayout* layout = pango_cairo_create_layout(cr);
    SetUnhinted(pango_layout_get_context(layout));
    pango_layout_context_changed(layout);
    pango_layout_set_font_description(layout, font);
    return layout;
}

void SetColor(cairo_t* cr, ColorRef c) {
    cairo_set_source_rgb(cr, RedOf(c) / 255.0, GreenOf(c) / 255.0, BlueOf(c) / 255.0);
}

void Fill(cairo_t* cr, ColorRef c) {
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    SetColor(cr, c);
    cairo_paint(cr);
    cairo_restore(cr);
}

}  // namespace kelvarin

// Fontconfig and Pango keep their font caches for the life of the process and never
// free them; the leak checker of sanitized builds is told so, and only about them.
extern "C" const char* __lsan_default_suppressions() {  // NOLINT(bugprone-reserved-identifier): the hook's name
    return "leak:libfontconfig.so\n"
           "leak:libpango-1.0.so\n"
           "leak:libpangoft2-1.0.so\n"
           "leak:libpangocairo-1.0.so\n";
}

// and it keeps quiet about using those suppressions, so a program's stderr stays its own
extern "C" const char* __lsan_default_options() {  // NOLINT(bugprone-reserved-identifier): the hook's name
    return "print_suppressions=0";
}
