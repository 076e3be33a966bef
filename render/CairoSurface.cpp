#include "render/CairoSurface.hpp"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <stdexcept>

#include "render/CairoLabel.hpp"
#include "render/CairoText.hpp"
#include "render/CairoVector.hpp"

namespace kelvarin {
namespace {

// width of the dark outline under text, so it reads over lines, per pixel of text size
constexpr double kHaloPerText = 0.18;

// Room around a drawing call's geometry for antialiasing and rounded caps, in pixels.
constexpr double kDamageMargin = 2.0;

// limits a context's drawing to the damaged rectangle, on whole pixels
void ClipTo(cairo_t* cr, double left, double top, double right, double bottom) {
    const double x0 = std::floor(left), y0 = std::floor(top);
    cairo_rectangle(cr, x0, y0, std::ceil(right) - x0, std::ceil(bottom) - y0);
    cairo_clip(cr);
}

}  // namespace

PictureFormat PictureFormatOf(const std::filesystem::path& file) {
    std::string ext = file.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == ".png") return PictureFormat::Png;
    if (ext == ".svg") return PictureFormat::Svg;
    if (ext == ".pdf") return PictureFormat::Pdf;
    throw std::invalid_argument("picture file '" + file.string() + "' must end in .png, .svg or .pdf");
}

// Cairo and Pango state: the persistent image, the shown frame, the vector copy.
struct CairoSurface::Impl {
    cairo_surface_t* persistent = nullptr;
    cairo_t* persistentCr = nullptr;
    PangoLayout* persistentText = nullptr;
    cairo_surface_t* frame = nullptr;
    cairo_t* frameCr = nullptr;
    PangoLayout* frameText = nullptr;
    VectorCopy vector;  // the persistent drawing since the last Clear, when kept
    cairo_surface_t* target = nullptr;
    PangoFontDescription* textFont = nullptr;
    PangoFontDescription* labelFont = nullptr;

    // a layout bound to a context, with the text font
    PangoLayout* NewLayout(cairo_t* cr) const { return NewTextLayout(cr, textFont); }
    void DropImages() {
        if (persistentText) g_object_unref(persistentText);
        if (persistentCr) cairo_destroy(persistentCr);
        if (persistent) cairo_surface_destroy(persistent);
        if (frameText) g_object_unref(frameText);
        if (frameCr) cairo_destroy(frameCr);
        if (frame) cairo_surface_destroy(frame);
        persistentText = frameText = nullptr;
        persistentCr = frameCr = nullptr;
        persistent = frame = nullptr;
    }
    ~Impl() {
        DropImages();
        if (target) cairo_surface_destroy(target);
        if (textFont) pango_font_description_free(textFont);
        if (labelFont) pango_font_description_free(labelFont);
    }
};

CairoSurface::CairoSurface(int width, int height) : impl_(std::make_unique<Impl>()) { Build(width, height); }

CairoSurface::CairoSurface(int width, int height, cairo_surface_t* target) : CairoSurface(width, height) {
    SetTarget(target);
}

CairoSurface::~CairoSurface() = default;

// (re)creates the images for a device size, keeping the persistent image's top-left part
void CairoSurface::Build(int width, int height) {
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        throw std::invalid_argument("surface size " + std::to_string(width) + "x" + std::to_string(height) +
                                    " is outside 1x1 to " + std::to_string(kMaxSide) + "x" + std::to_string(kMaxSide));
    const bool first = impl_->persistent == nullptr;
    if (first) scale_ = {0.0, 0.0, static_cast<double>(width), static_cast<double>(height)};
    width_ = width;
    height_ = height;
    sizes_ = DrawingSizesFor(width, height);
    if (impl_->textFont) pango_font_description_free(impl_->textFont);
    if (impl_->labelFont) pango_font_description_free(impl_->labelFont);
    impl_->textFont = NewTextFont(sizes_.Text);
    impl_->labelFont = NewTextFont(sizes_.Label);

    cairo_surface_t* old = impl_->persistent ? cairo_surface_reference(impl_->persistent) : nullptr;
    impl_->DropImages();
    impl_->persistent = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    impl_->frame = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    CheckCairo(cairo_surface_status(impl_->persistent), "persistent image");
    CheckCairo(cairo_surface_status(impl_->frame), "frame image");
    impl_->persistentCr = NewDrawingContext(impl_->persistent, sizes_.Pen);
    impl_->frameCr = NewDrawingContext(impl_->frame, sizes_.Pen);
    impl_->persistentText = impl_->NewLayout(impl_->persistentCr);
    impl_->frameText = impl_->NewLayout(impl_->frameCr);
    Fill(impl_->persistentCr, kBackground);
    if (old) {
        cairo_set_source_surface(impl_->persistentCr, old, 0, 0);
        cairo_paint(impl_->persistentCr);
        cairo_surface_destroy(old);
    }
    // a vector copy cannot follow a resize: it restarts empty and incomplete
    impl_->vector.Clear(false);
    frameStale_ = true;
    DamageAll();
}

void CairoSurface::Resize(int width, int height) { Build(width, height); }

void CairoSurface::SetTarget(cairo_surface_t* target) {
    if (impl_->target) cairo_surface_destroy(impl_->target);
    impl_->target = target ? cairo_surface_reference(target) : nullptr;
    presentDamage_.All = true;  // a new target has seen nothing
}

void CairoSurface::Damage::Add(double left, double top, double right, double bottom) {
    if (All) return;
    if (Empty()) {
        *this = Damage{left, top, right, bottom, false};
        return;
    }
    Left = std::min(Left, left);
    Top = std::min(Top, top);
    Right = std::max(Right, right);
    Bottom = std::max(Bottom, bottom);
}

// the rectangle must be composed again and presented, both
void CairoSurface::Damaged(double left, double top, double right, double bottom) {
    left = std::max(left - kDamageMargin, 0.0);
    top = std::max(top - kDamageMargin, 0.0);
    right = std::min(right + kDamageMargin, static_cast<double>(width_));
    bottom = std::min(bottom + kDamageMargin, static_cast<double>(height_));
    if (right <= left || bottom <= top) return;
    composeDamage_.Add(left, top, right, bottom);
    presentDamage_.Add(left, top, right, bottom);
}

void CairoSurface::DamageAll() {
    composeDamage_.All = true;
    presentDamage_.All = true;
}

// the pixels the credit label covers now
void CairoSurface::DamageLabel() {
    if (!label_.Visible || label_.Caption.empty()) return;
    const auto [w, h] = LabelExtent();
    const double x = DeviceX(label_.Left), y = DeviceY(label_.Top);
    if (!std::isfinite(x) || !std::isfinite(y)) {
        DamageAll();
        return;
    }
    Damaged(x, y, x + w, y + h);
}

void CairoSurface::SetLabel(const CreditLabel& label) {
    DamageLabel();  // where it was
    label_ = label;
    DamageLabel();  // where it is now
    frameStale_ = true;
}

void CairoSurface::SetKeepVector(bool on) {
    if (on && !keepVector_) impl_->vector.MarkIncomplete();  // what was drawn before is not in it
    if (!on) impl_->vector.Release();
    keepVector_ = on;
}

void CairoSurface::SetScale(const ScaleRect& scale) {
    if (!std::isfinite(scale.Left) || !std::isfinite(scale.Top) || !std::isfinite(scale.Right) ||
        !std::isfinite(scale.Bottom) || scale.Width() == 0.0 || scale.Height() == 0.0)
        throw std::invalid_argument("surface scale needs a finite rectangle of non-zero width and height");
    // the label is placed in map units: a new scale moves it
    if (scale.Left != scale_.Left || scale.Top != scale_.Top || scale.Right != scale_.Right ||
        scale.Bottom != scale_.Bottom) {
        DamageAll();
        frameStale_ = true;
    }
    scale_ = scale;
}

double CairoSurface::DeviceX(double x) const { return (x - scale_.Left) / scale_.Width() * width_; }
double CairoSurface::DeviceY(double y) const { return (y - scale_.Top) / scale_.Height() * height_; }

// draws one call where the persistent-drawing setting sends it
void CairoSurface::Draw(const CairoDrawOp& op) {
    // cairo would silently stop drawing after a non-finite coordinate; say where it came from
    if (!std::isfinite(op.x1) || !std::isfinite(op.y1) || !std::isfinite(op.x2) || !std::isfinite(op.y2)) {
        static constexpr const char* kNames[] = {"line", "circle", "dot", "text"};
        throw std::invalid_argument(std::string("cannot draw a ") + kNames[static_cast<int>(op.kind)] +
                                    " at a non-finite position or size (" + std::to_string(op.x1) + ", " +
                                    std::to_string(op.y1) + ", " + std::to_string(op.x2) + ", " +
                                    std::to_string(op.y2) + " in pixels)");
    }
    const double halo = sizes_.Text * kHaloPerText;
    // the pixels the call may touch
    double left = 0.0, top = 0.0, right = 0.0, bottom = 0.0;
    switch (op.kind) {
        case CairoDrawOp::Kind::Line:
            left = std::min(op.x1, op.x2) - sizes_.Pen;
            top = std::min(op.y1, op.y2) - sizes_.Pen;
            right = std::max(op.x1, op.x2) + sizes_.Pen;
            bottom = std::max(op.y1, op.y2) + sizes_.Pen;
            break;
        case CairoDrawOp::Kind::Circle:
        case CairoDrawOp::Kind::Dot:
            left = op.x1 - op.x2 - sizes_.Pen;
            top = op.y1 - op.x2 - sizes_.Pen;
            right = op.x1 + op.x2 + sizes_.Pen;
            bottom = op.y1 + op.x2 + sizes_.Pen;
            break;
        case CairoDrawOp::Kind::Text: {
            // glyphs may reach beyond their logical box (accents, overhangs): half a line more
            const double room = halo + sizes_.Text / 2.0;
            left = op.x1 - room;
            top = op.y1 - room;
            right = op.x1 + op.x2 + room;
            bottom = op.y1 + op.y2 + room;
            break;
        }
    }
    if (autoRedraw_) {
        DrawOp(impl_->persistentCr, impl_->persistentText, op, halo);
        if (keepVector_) impl_->vector.Add(op);
        frameStale_ = true;
    } else {
        ComposeIfStale();
        DrawOp(impl_->frameCr, impl_->frameText, op, halo);
    }
    // after the drawing: unkept drawing on the frame must be composed away at the next repaint
    Damaged(left, top, right, bottom);
}

void CairoSurface::Line(double x1, double y1, double x2, double y2, ColorRef color) {
    const CairoDrawOp op{CairoDrawOp::Kind::Line, DeviceX(x1), DeviceY(y1), DeviceX(x2), DeviceY(y2), color, {}};
    Draw(op);
}

void CairoSurface::Circle(double x, double y, double radius, ColorRef color) {
    const double r = std::abs(radius / scale_.Width() * width_);
    const CairoDrawOp op{CairoDrawOp::Kind::Circle, DeviceX(x), DeviceY(y), r, 0.0, color, {}};
    Draw(op);
}

void CairoSurface::Dot(double x, double y, ColorRef color) {
    const CairoDrawOp op{CairoDrawOp::Kind::Dot, DeviceX(x), DeviceY(y), sizes_.Dot, 0.0, color, {}};
    Draw(op);
}

void CairoSurface::MoveTo(double x, double y) {
    currentX_ = x;
    currentY_ = y;
}

void CairoSurface::SetTextAlign(int flags) { textAlign_ = flags; }

void CairoSurface::Print(std::string_view text) {
    // a text call keeps its logical width and height in x2, y2
    CairoDrawOp op{CairoDrawOp::Kind::Text, 0.0, 0.0, 0.0, 0.0, foreColor_, PangoLines(text)};
    // measure on the persistent image's layout; every layout has the same font and options
    PangoLayout* measure = impl_->persistentText;
    pango_layout_set_text(measure, op.text.c_str(), static_cast<int>(op.text.size()));
    PangoRectangle logical;
    pango_layout_get_extents(measure, nullptr, &logical);
    const double w = static_cast<double>(logical.width) / PANGO_SCALE;
    const double h = static_cast<double>(logical.height) / PANGO_SCALE;
    const double baseline = static_cast<double>(pango_layout_get_baseline(measure)) / PANGO_SCALE;
    op.x2 = w;
    op.y2 = h;

    const double x0 = DeviceX(currentX_), y0 = DeviceY(currentY_);
    op.x1 = x0;
    switch (textAlign_ & TextAlign::Center) {
        case TextAlign::Right:
            op.x1 = x0 - w;
            break;
        case TextAlign::Center:
            op.x1 = x0 - w / 2.0;
            break;
        default:
            break;
    }
    op.y1 = y0;
    if ((textAlign_ & TextAlign::Baseline) == TextAlign::Baseline) {
        op.y1 = y0 - baseline;
    } else if (textAlign_ & TextAlign::Bottom) {
        op.y1 = y0 - h;
    }
    Draw(op);

    // with the update flag the position moves on along the text, as a device context does
    if (textAlign_ & TextAlign::UpdateCurrentPosition) {
        double x = x0;
        switch (textAlign_ & TextAlign::Center) {
            case TextAlign::Left:
                x = x0 + w;
                break;
            case TextAlign::Right:
                x = x0 - w;
                break;
            default:
                break;  // centred text leaves the position where it is
        }
        currentX_ = scale_.Left + x / width_ * scale_.Width();
    }
}

void CairoSurface::Clear() {
    if (autoRedraw_) {
        Fill(impl_->persistentCr, kBackground);
        impl_->vector.Clear(keepVector_);
    } else {
        ComposeIfStale();
        Fill(impl_->frameCr, kBackground);
    }
    currentX_ = 0.0;
    currentY_ = 0.0;
    frameStale_ = autoRedraw_;
    DamageAll();
}

// draws the credit label on a context, over whatever is there
void CairoSurface::DrawLabel(void* context) const {
    if (!label_.Visible || label_.Caption.empty()) return;
    DrawLabelPanel(static_cast<cairo_t*>(context), impl_->labelFont, label_, DeviceX(label_.Left), DeviceY(label_.Top),
                   sizes_.LabelPad);
}

std::pair<double, double> CairoSurface::LabelExtent() const {
    if (label_.Caption.empty()) return {0.0, 0.0};
    return LabelPanelSize(impl_->frameCr, impl_->labelFont, label_.Caption, sizes_.LabelPad);
}

// the shown frame, from the persistent image and the label, when drawing has changed them
void CairoSurface::ComposeIfStale() const {
    if (!frameStale_) return;
    frameStale_ = false;
    if (composeDamage_.Empty()) return;  // nothing changed since the last composition
    cairo_t* cr = impl_->frameCr;
    cairo_save(cr);
    if (!composeDamage_.All)
        ClipTo(cr, composeDamage_.Left, composeDamage_.Top, composeDamage_.Right, composeDamage_.Bottom);
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, impl_->persistent, 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
    DrawLabel(cr);
    cairo_restore(cr);
    cairo_surface_flush(impl_->frame);
    composeDamage_.Reset();
}

void CairoSurface::Refresh() {
    // a context in an error state draws nothing more: say so rather than show a stale picture
    CheckCairo(cairo_status(impl_->persistentCr), "the persistent image stopped drawing");
    CheckCairo(cairo_status(impl_->frameCr), "the frame stopped drawing");
    frameStale_ = true;  // a repaint shows the persistent image: unkept drawing is gone
    ++frames_;
    Frame frame{frames_, *this};
    if (!presentDamage_.Empty()) {
        ComposeIfStale();
        // the changed pixels on whole pixels, inside the picture
        int x0 = 0, y0 = 0, x1 = width_, y1 = height_;
        if (!presentDamage_.All) {
            x0 = std::clamp(static_cast<int>(std::floor(presentDamage_.Left)), 0, width_);
            y0 = std::clamp(static_cast<int>(std::floor(presentDamage_.Top)), 0, height_);
            x1 = std::clamp(static_cast<int>(std::ceil(presentDamage_.Right)), x0, width_);
            y1 = std::clamp(static_cast<int>(std::ceil(presentDamage_.Bottom)), y0, height_);
        }
        frame.ChangedLeft = x0;
        frame.ChangedTop = y0;
        frame.ChangedWidth = x1 - x0;
        frame.ChangedHeight = y1 - y0;
        if (impl_->target) {
            cairo_t* cr = cairo_create(impl_->target);
            cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
            cairo_set_source_surface(cr, impl_->frame, 0, 0);
            cairo_rectangle(cr, x0, y0, x1 - x0, y1 - y0);
            cairo_fill(cr);
            cairo_destroy(cr);
            cairo_surface_flush(impl_->target);
        }
    }
    presentDamage_.Reset();
    if (hook_) hook_(frame);
}

cairo_surface_t* CairoSurface::Image() const {
    ComposeIfStale();
    return impl_->frame;
}

ColorRef CairoSurface::PixelAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        throw std::out_of_range("pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") is outside the " +
                                std::to_string(width_) + "x" + std::to_string(height_) + " surface");
    cairo_surface_t* image = Image();
    const unsigned char* data = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    std::uint32_t argb = 0;
    std::copy_n(data + static_cast<std::ptrdiff_t>(y) * stride + static_cast<std::ptrdiff_t>(x) * 4, 4,
                reinterpret_cast<unsigned char*>(&argb));
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

void CairoSurface::WritePicture(const std::filesystem::path& file) const {
    switch (PictureFormatOf(file)) {
        case PictureFormat::Png:
            WritePng(file);
            break;
        case PictureFormat::Svg:
            WriteSvg(file);
            break;
        case PictureFormat::Pdf:
            WritePdf(file);
            break;
    }
}

void CairoSurface::WritePng(const std::filesystem::path& file) const {
    CheckCairo(cairo_surface_write_to_png(Image(), file.string().c_str()), "cannot write '" + file.string() + "'");
}

// writes the vector copy and the label as an SVG or PDF file
void CairoSurface::WriteVector(const std::filesystem::path& file, bool pdf) const {
    if (!keepVector_ || !impl_->vector.Complete())
        throw std::logic_error("cannot write '" + file.string() +
                               "': the surface kept no complete vector copy (switch KeepVector on before drawing)");
    const VectorStyle style{sizes_.Pen, sizes_.Text * kHaloPerText, impl_->textFont};
    impl_->vector.Write(file, pdf, width_, height_, style, [this](cairo_t* cr) { DrawLabel(cr); });
}

void CairoSurface::WriteSvg(const std::filesystem::path& file) const { WriteVector(file, false); }

void CairoSurface::WritePdf(const std::filesystem::path& file) const { WriteVector(file, true); }

}  // namespace kelvarin