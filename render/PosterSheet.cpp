#include "render/PosterSheet.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "render/CairoText.hpp"

namespace kelvarin {
namespace {

constexpr double kTitlePerTile = 1.0 / 16.0;  // title strip height per tile height
constexpr double kMinTitle = 14.0;            // pixels: still readable under a small tile
constexpr double kGapPerTile = 1.0 / 80.0;    // space between tiles per tile width
constexpr double kMaxTileWidth = 1280.0;      // pixels: larger frames are shrunk to this on the poster
constexpr double kShrinkStep = 0.95;          // tile scale steps when the poster is too large
constexpr ColorRef kTitleColor = RGB(235, 235, 235);
constexpr ColorRef kSheetColor = RGB(40, 44, 52);  // lighter than the frames, so tiles stand apart

// columns of the sheet: a single row up to four tiles, then a near-square grid
long ColumnsFor(long tiles) {
    if (tiles <= 4) return tiles;
    return static_cast<long>(std::ceil(std::sqrt(static_cast<double>(tiles))));
}

}  // namespace

struct PosterSheet::Impl {
    cairo_surface_t* sheet = nullptr;
    cairo_t* cr = nullptr;
    PangoFontDescription* font = nullptr;
    ~Impl() {
        if (font) pango_font_description_free(font);
        if (cr) cairo_destroy(cr);
        if (sheet) cairo_surface_destroy(sheet);
    }
};

PosterSheet::PosterSheet(int frameWidth, int frameHeight, long tiles)
    : tiles_(tiles), frameWidth_(frameWidth), frameHeight_(frameHeight), impl_(std::make_unique<Impl>()) {
    if (tiles < 1) throw std::invalid_argument("a poster needs at least one tile");
    if (frameWidth < 1 || frameHeight < 1) throw std::invalid_argument("a poster needs frames of at least 1x1");
    columns_ = ColumnsFor(tiles);
    rows_ = (tiles + columns_ - 1) / columns_;
    // the layout with tiles at most kMaxTileWidth wide, shrunk step by step until it fits the side limit
    for (scale_ = std::min(1.0, kMaxTileWidth / frameWidth);; scale_ *= kShrinkStep) {
        tileWidth_ = std::max(1, static_cast<int>(frameWidth * scale_));
        tileHeight_ = std::max(1, static_cast<int>(frameHeight * scale_));
        titleHeight_ = static_cast<int>(std::max(kMinTitle, tileHeight_ * kTitlePerTile) * 1.5);
        gap_ = std::max(2, static_cast<int>(tileWidth_ * kGapPerTile));
        width_ = static_cast<int>(columns_) * (tileWidth_ + gap_) + gap_;
        height_ = static_cast<int>(rows_) * (tileHeight_ + titleHeight_ + gap_) + gap_;
        if ((width_ <= kMaxSide && height_ <= kMaxSide) || (tileWidth_ == 1 && tileHeight_ == 1)) break;
    }
    if (width_ > kMaxSide || height_ > kMaxSide)
        throw std::invalid_argument("a poster of " + std::to_string(tiles) + " tiles does not fit on one picture");

    impl_->sheet = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width_, height_);
    if (cairo_surface_status(impl_->sheet) != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error("cannot make a poster of " + std::to_string(width_) + "x" + std::to_string(height_));
    impl_->cr = cairo_create(impl_->sheet);
    impl_->font = NewTextFont(titleHeight_ / 1.5);
    Fill(impl_->cr, kSheetColor);
}

PosterSheet::~PosterSheet() = default;

void PosterSheet::Add(const CairoSurface& frame, std::string_view title) {
    if (count_ >= tiles_)
        throw std::logic_error("the poster is full: it has room for " + std::to_string(tiles_) + " tiles");
    const int column = static_cast<int>(count_ % columns_), row = static_cast<int>(count_ / columns_);
    const double x = gap_ + column * (tileWidth_ + gap_);
    const double y = gap_ + row * (tileHeight_ + titleHeight_ + gap_);
    cairo_t* cr = impl_->cr;

    // the title, one line, cut at the tile's width
    PangoLayout* layout = NewTextLayout(cr, impl_->font);
    pango_layout_set_text(layout, title.data(), static_cast<int>(title.size()));
    pango_layout_set_width(layout, tileWidth_ * PANGO_SCALE);
    pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
    cairo_save(cr);
    cairo_move_to(cr, x, y + titleHeight_ / 6.0);
    SetColor(cr, kTitleColor);
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
    g_object_unref(layout);

    // the frame, scaled into its tile
    cairo_save(cr);
    cairo_rectangle(cr, x, y + titleHeight_, tileWidth_, tileHeight_);
    cairo_clip(cr);
    cairo_translate(cr, x, y + titleHeight_);
    cairo_scale(cr, static_cast<double>(tileWidth_) / frameWidth_, static_cast<double>(tileHeight_) / frameHeight_);
    cairo_set_source_surface(cr, frame.Image(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_restore(cr);
    ++count_;
}

void PosterSheet::WritePng(const std::filesystem::path& file) const {
    cairo_surface_flush(impl_->sheet);
    const cairo_status_t status = cairo_surface_write_to_png(impl_->sheet, file.string().c_str());
    if (status != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error("cannot write '" + file.string() + "': " + cairo_status_to_string(status));
}

}  // namespace kelvarin
