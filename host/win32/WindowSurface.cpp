#include "host/win32/WindowSurface.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <utility>
#include <vector>

namespace kelvarin::win32 {

namespace {

// one off-screen bitmap with its device context
struct Canvas {
    HDC Dc = nullptr;
    HBITMAP Bitmap = nullptr;
    HGDIOBJ Previous = nullptr;
    int Width = 0, Height = 0;
};

// a 32-bit top-down bitmap of the window's format with a device context of its own
Canvas MakeCanvas(HDC reference, int width, int height) {
    Canvas canvas;
    canvas.Width = width;
    canvas.Height = height;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    canvas.Dc = CreateCompatibleDC(reference);
    canvas.Bitmap = CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!canvas.Dc || !canvas.Bitmap) {
        if (canvas.Dc) DeleteDC(canvas.Dc);
        if (canvas.Bitmap) DeleteObject(canvas.Bitmap);
        throw std::runtime_error("cannot create an off-screen picture of " + std::to_string(width) + "x" +
                                 std::to_string(height) + " pixels");
    }
    canvas.Previous = SelectObject(canvas.Dc, canvas.Bitmap);
    return canvas;
}

void DropCanvas(Canvas& canvas) {
    if (canvas.Dc) {
        SelectObject(canvas.Dc, canvas.Previous);
        DeleteDC(canvas.Dc);
    }
    if (canvas.Bitmap) DeleteObject(canvas.Bitmap);
    canvas = Canvas{};
}

// the caption's "\r\n" line breaks as "\n"
std::wstring Lines(std::string_view utf8) {
    std::wstring text = Widen(utf8);
    text.erase(std::remove(text.begin(), text.end(), L'\r'), text.end());
    return text;
}

// relative perceived brightness of a colour, 0..1
double Luminance(ColorRef c) { return (0.299 * RedOf(c) + 0.587 * GreenOf(c) + 0.114 * BlueOf(c)) / 255.0; }

}  // namespace

std::wstring Widen(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

std::string Narrow(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(std::max(length, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length, nullptr, nullptr);
    return utf8;
}

WindowSurface::WindowSurface(HWND window, std::unique_ptr<Painter> painter)
    : window_(window), painter_(std::move(painter)) {
    RECT client{};
    GetClientRect(window_, &client);
    Build(std::max(1L, client.right - client.left), std::max(1L, client.bottom - client.top));
    scale_ = {0.0, 0.0, static_cast<double>(width_), static_cast<double>(height_)};
}

WindowSurface::~WindowSurface() = default;

// (re)creates both pictures, keeping the kept picture's top-left part
void WindowSurface::Build(int width, int height) {
    painter_->Build(width, height, kBackground);
    width_ = width;
    height_ = height;
    sizes_ = DrawingSizesFor(width, height);
    frameStale_ = true;
}

void WindowSurface::Resize(int width, int height) { Build(std::max(1, width), std::max(1, height)); }

Picture WindowSurface::Target() {
    if (autoRedraw_) {
        frameStale_ = true;
        return Picture::Kept;
    }
    ComposeIfStale();
    return Picture::Frame;
}

void WindowSurface::SetScale(const ScaleRect& scale) {
    if (!std::isfinite(scale.Left) || !std::isfinite(scale.Top) || !std::isfinite(scale.Right) ||
        !std::isfinite(scale.Bottom) || scale.Width() == 0.0 || scale.Height() == 0.0)
        throw std::invalid_argument("surface scale needs a finite rectangle of non-zero width and height");
    scale_ = scale;
}

void WindowSurface::Line(double x1, double y1, double x2, double y2, ColorRef color) {
    painter_->Line(Target(), DeviceX(x1), DeviceY(y1), DeviceX(x2), DeviceY(y2), color, sizes_.Pen);
}

void WindowSurface::Circle(double x, double y, double radius, ColorRef color) {
    const double r = std::abs(radius / scale_.Width() * width_);
    painter_->Ellipse(Target(), DeviceX(x), DeviceY(y), r, color, sizes_.Pen, false);
}

void WindowSurface::Dot(double x, double y, ColorRef color) {
    painter_->Ellipse(Target(), DeviceX(x), DeviceY(y), sizes_.Dot, color, sizes_.Pen, true);
}

void WindowSurface::MoveTo(double x, double y) {
    currentX_ = x;
    currentY_ = y;
}

void WindowSurface::Print(std::string_view text) {
    const std::wstring lines = Lines(text);
    const Painter::Extent extent = painter_->Measure(lines, sizes_.Text);
    const double x0 = DeviceX(currentX_), y0 = DeviceY(currentY_);
    double x = x0, y = y0;
    switch (textAlign_ & TextAlign::Center) {
        case TextAlign::Right:
            x = x0 - extent.Width;
            break;
        case TextAlign::Center:
            x = x0 - extent.Width / 2.0;
            break;
        default:
            break;
    }
    if ((textAlign_ & TextAlign::Baseline) == TextAlign::Baseline) {
        y = y0 - extent.Baseline;
    } else if (textAlign_ & TextAlign::Bottom) {
        y = y0 - extent.Height;
    }
    painter_->Text(Target(), x, y, lines, kDefaultForeColor, sizes_.Text);
    // with the update flag the position moves on along the text, as a device context does
    if (textAlign_ & TextAlign::UpdateCurrentPosition) {
        const int horizontal = textAlign_ & TextAlign::Center;
        double after = x0;
        if (horizontal == TextAlign::Left) after = x0 + extent.Width;
        if (horizontal == TextAlign::Right) after = x0 - extent.Width;
        currentX_ = scale_.Left + after / width_ * scale_.Width();
    }
}

void WindowSurface::Clear() {
    painter_->Fill(Target(), kBackground);
    currentX_ = 0.0;
    currentY_ = 0.0;
}

std::pair<double, double> WindowSurface::LabelExtent() const {
    if (label_.Caption.empty()) return {0.0, 0.0};
    const Painter::Extent extent = painter_->Measure(Lines(label_.Caption), labelSize_);
    const double pad = labelSize_ * kLabelPadPerText;
    return {extent.Width + 2.0 * pad, extent.Height + 2.0 * pad};
}

// the frame from the kept picture and the label, when drawing has changed them
void WindowSurface::ComposeIfStale() {
    if (!frameStale_) return;
    frameStale_ = false;
    painter_->CopyKeptToFrame();
    if (!label_.Visible || label_.Caption.empty()) return;
    const std::wstring lines = Lines(label_.Caption);
    const Painter::Extent extent = painter_->Measure(lines, sizes_.Label);
    const double x = DeviceX(label_.Left), y = DeviceY(label_.Top);
    const double pad = sizes_.LabelPad;
    // a backing panel of the opposite brightness keeps any label colour readable
    const bool darkText = Luminance(label_.ForeColor) < 0.45;
    painter_->Panel(Picture::Frame, x, y, extent.Width + 2.0 * pad, extent.Height + 2.0 * pad,
                    darkText ? RGB(235, 235, 235) : RGB(0, 0, 0), darkText ? 0.8 : 0.55);
    painter_->Text(Picture::Frame, x + pad, y + pad, lines, label_.ForeColor, sizes_.Label);
}

void WindowSurface::Refresh() {
    frameStale_ = true;  // a repaint shows the kept picture: drawing outside it is gone
    ComposeIfStale();
    HDC dc = GetDC(window_);
    painter_->Present(dc);
    ReleaseDC(window_, dc);
}

void WindowSurface::Paint(HDC dc) {
    ComposeIfStale();
    painter_->Present(dc);
}

// ---- GDI ----

namespace {

class GdiPainter final : public Painter {
  public:
    ~GdiPainter() override {
        DropCanvas(kept_);
        DropCanvas(frame_);
        for (auto& [size, font] : fonts_) DeleteObject(font);
    }
    const char* Name() const override { return "GDI"; }

    void Build(int width, int height, ColorRef background) override {
        HDC screen = GetDC(nullptr);
        Canvas kept = MakeCanvas(screen, width, height);
        Canvas frame = MakeCanvas(screen, width, height);
        ReleaseDC(nullptr, screen);
        FillCanvas(kept, background);
        if (kept_.Dc)
            BitBlt(kept.Dc, 0, 0, std::min(width, kept_.Width), std::min(height, kept_.Height), kept_.Dc, 0, 0,
                   SRCCOPY);
        DropCanvas(kept_);
        DropCanvas(frame_);
        kept_ = kept;
        frame_ = frame;
    }

    void Fill(Picture picture, ColorRef color) override { FillCanvas(Of(picture), color); }

    void Line(Picture picture, double x1, double y1, double x2, double y2, ColorRef color, double pen) override {
        HDC dc = Of(picture).Dc;
        HPEN gdiPen = CreatePen(PS_SOLID, static_cast<int>(std::lround(pen)), color);
        HGDIOBJ old = SelectObject(dc, gdiPen);
        MoveToEx(dc, Round(x1), Round(y1), nullptr);
        LineTo(dc, Round(x2), Round(y2));
        SetPixel(dc, Round(x2), Round(y2), color);  // LineTo leaves out the last pixel
        SelectObject(dc, old);
        DeleteObject(gdiPen);
    }

    void Ellipse(Picture picture, double x, double y, double radius, ColorRef color, double pen, bool filled) override {
        HDC dc = Of(picture).Dc;
        HPEN gdiPen = CreatePen(PS_SOLID, static_cast<int>(std::lround(pen)), color);
        HBRUSH brush = filled ? CreateSolidBrush(color) : nullptr;
        HGDIOBJ oldPen = SelectObject(dc, gdiPen);
        HGDIOBJ oldBrush = SelectObject(dc, filled ? static_cast<HGDIOBJ>(brush) : GetStockObject(NULL_BRUSH));
        ::Ellipse(dc, Round(x - radius), Round(y - radius), Round(x + radius) + 1, Round(y + radius) + 1);
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
        DeleteObject(gdiPen);
        if (brush) DeleteObject(brush);
    }

    void Panel(Picture picture, double left, double top, double width, double height, ColorRef color,
               double alpha) override {
        // a one-pixel picture of the colour, stretched and blended over the rectangle
        Canvas dot = MakeCanvas(Of(picture).Dc, 1, 1);
        FillCanvas(dot, color);
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(std::clamp(alpha, 0.0, 1.0) * 255.0), 0};
        GdiAlphaBlend(Of(picture).Dc, Round(left), Round(top), Round(width), Round(height), dot.Dc, 0, 0, 1, 1, blend);
        DropCanvas(dot);
    }

    void Text(Picture picture, double x, double y, std::wstring_view text, ColorRef color, double size) override {
        HDC dc = Of(picture).Dc;
        HGDIOBJ old = SelectObject(dc, Font(size));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, color);
        RECT box{Round(x), Round(y), Round(x) + 100000, Round(y) + 100000};
        ::DrawTextW(dc, text.data(), static_cast<int>(text.size()), &box, DT_LEFT | DT_TOP | DT_NOPREFIX);
        SelectObject(dc, old);
    }

    Extent Measure(std::wstring_view text, double size) override {
        HDC dc = kept_.Dc;
        HGDIOBJ old = SelectObject(dc, Font(size));
        RECT box{0, 0, 0, 0};
        ::DrawTextW(dc, text.data(), static_cast<int>(text.size()), &box, DT_LEFT | DT_TOP | DT_NOPREFIX | DT_CALCRECT);
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        SelectObject(dc, old);
        return Extent{static_cast<double>(box.right), static_cast<double>(box.bottom),
                      static_cast<double>(metrics.tmAscent)};
    }

    void CopyKeptToFrame() override { BitBlt(frame_.Dc, 0, 0, frame_.Width, frame_.Height, kept_.Dc, 0, 0, SRCCOPY); }

    void Present(HDC dc) override { BitBlt(dc, 0, 0, frame_.Width, frame_.Height, frame_.Dc, 0, 0, SRCCOPY); }

  private:
    static int Round(double v) { return static_cast<int>(std::lround(std::clamp(v, -1.0e6, 1.0e6))); }

    Canvas& Of(Picture picture) { return picture == Picture::Kept ? kept_ : frame_; }

    static void FillCanvas(Canvas& canvas, ColorRef color) {
        HBRUSH brush = CreateSolidBrush(color);
        const RECT all{0, 0, canvas.Width, canvas.Height};
        FillRect(canvas.Dc, &all, brush);
        DeleteObject(brush);
    }

    // a font of the size in pixels; the system's font linking finds Chinese glyphs
    HFONT Font(double size) {
        const int pixels = std::max(1, Round(size));
        for (auto& [fontSize, font] : fonts_) {
            if (fontSize == pixels) return font;
        }
        HFONT font =
            CreateFontW(-pixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Microsoft JhengHei");
        fonts_.emplace_back(pixels, font);
        return font;
    }

    Canvas kept_, frame_;
    std::vector<std::pair<int, HFONT>> fonts_;
};

}  // namespace

std::unique_ptr<Painter> MakeGdiPainter() { return std::make_unique<GdiPainter>(); }

}  // namespace kelvarin::win32
