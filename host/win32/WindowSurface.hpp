#pragma once
// The map window's drawing surface on a Win32 window. Drawing goes into one of two
// off-screen bitmaps: the kept (persistent) image when persistent drawing is on, else
// the shown frame, where it lasts until the next repaint. Refresh composes the frame
// (the kept image, then the credit label) and copies it to the window once, so the
// screen never shows a half-drawn picture; WM_PAINT copies the same frame again.
//
// The pictures belong to a Painter: Direct2D with DirectWrite text (antialiased,
// system font fallback for Chinese names), or plain GDI where Direct2D cannot start.

#include <memory>
#include <string>
#include <string_view>

#include "host/win32/Win32.hpp"
#include "model/DrawingSizes.hpp"
#include "model/Surface.hpp"

namespace kelvarin::win32 {

// The two pictures of a surface.
enum class Picture {
    Kept,   // the persistent drawing
    Frame,  // what the window shows: the kept picture, the label, and unkept drawing
};

// Owns the two pictures and draws pixels on them; coordinates are device pixels.
class Painter {
  public:
    virtual ~Painter() = default;
    virtual const char* Name() const = 0;
    // (re)creates both pictures at a new size; the kept picture keeps its top-left part
    // and is the background colour elsewhere
    virtual void Build(int width, int height, ColorRef background) = 0;
    virtual void Fill(Picture picture, ColorRef color) = 0;
    virtual void Line(Picture picture, double x1, double y1, double x2, double y2, ColorRef color, double pen) = 0;
    virtual void Ellipse(Picture picture, double x, double y, double radius, ColorRef color, double pen,
                         bool filled) = 0;
    // a translucent rectangle (alpha 0..1)
    virtual void Panel(Picture picture, double left, double top, double width, double height, ColorRef color,
                       double alpha) = 0;
    // text with its top-left corner at (x, y); lines separated by "\n"
    virtual void Text(Picture picture, double x, double y, std::wstring_view text, ColorRef color, double size) = 0;
    // width, height and baseline (from the top) of text in pixels
    struct Extent {
        double Width = 0.0, Height = 0.0, Baseline = 0.0;
    };
    virtual Extent Measure(std::wstring_view text, double size) = 0;
    // the frame becomes a copy of the kept picture
    virtual void CopyKeptToFrame() = 0;
    // copies the frame onto a device context of the window
    virtual void Present(HDC dc) = 0;
};

// Direct2D and DirectWrite; nullptr when they cannot be created
std::unique_ptr<Painter> MakeDirect2DPainter();
// GDI, always available
std::unique_ptr<Painter> MakeGdiPainter();

class WindowSurface final : public Surface {
  public:
    static constexpr ColorRef kBackground = RGB(14, 18, 28);  // dark blue-grey
    static constexpr ColorRef kDefaultForeColor = RGB(235, 235, 235);

    // a surface of the window's client size, drawn by the painter
    WindowSurface(HWND window, std::unique_ptr<Painter> painter);
    ~WindowSurface() override;
    WindowSurface(const WindowSurface&) = delete;
    WindowSurface& operator=(const WindowSurface&) = delete;

    void Line(double x1, double y1, double x2, double y2, ColorRef color) override;
    void Circle(double x, double y, double radius, ColorRef color) override;
    void Dot(double x, double y, ColorRef color) override;
    void MoveTo(double x, double y) override;
    void SetTextAlign(int flags) override { textAlign_ = flags; }
    void Print(std::string_view text) override;
    void Clear() override;
    void Refresh() override;
    bool AutoRedraw() const override { return autoRedraw_; }
    void SetAutoRedraw(bool on) override { autoRedraw_ = on; }
    void SetScale(const ScaleRect& scale) override;
    ScaleRect Scale() const override { return scale_; }
    double DeviceWidth() const override { return width_; }
    double DeviceHeight() const override { return height_; }
    void SetLabel(const CreditLabel& label) override {
        label_ = label;
        frameStale_ = true;
    }
    std::pair<double, double> LabelExtent() const override;

    // the window's client area changed size: the kept image keeps its top-left part
    void Resize(int width, int height);
    // copies the frame into a paint request's device context
    void Paint(HDC dc);
    const char* PainterName() const { return painter_->Name(); }

  private:
    void Build(int width, int height);
    Picture Target();  // where drawing goes now
    void ComposeIfStale();
    double DeviceX(double x) const { return (x - scale_.Left) / scale_.Width() * width_; }
    double DeviceY(double y) const { return (y - scale_.Top) / scale_.Height() * height_; }

    HWND window_;
    std::unique_ptr<Painter> painter_;
    int width_ = 0, height_ = 0;
    ScaleRect scale_;
    bool autoRedraw_ = false;
    bool frameStale_ = true;
    int textAlign_ = 0;
    double currentX_ = 0.0, currentY_ = 0.0;
    CreditLabel label_;
    DrawingSizes sizes_ = DrawingSizesFor(1, 1);
};

}  // namespace kelvarin::win32
