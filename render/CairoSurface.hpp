#pragma once
// The map window's drawing surface as a real picture: Cairo for lines, circles and
// dots, Pango (with a CJK font) for text. Drawing in map coordinates goes through the
// scale the map window sets, either into the kept persistent image (AutoRedraw on) or
// straight onto the shown frame (AutoRedraw off, gone at the next repaint). Refresh
// presents: the frame becomes the persistent image with the credit label above it,
// and the presentation hook is called, where a window host copies the frame to its
// window and paces the animation, and where files of the frames are written.
//
// Cairo and Pango types stay out of this header; a host that holds a cairo surface
// passes it as the opaque pointer it is.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>
#include <utility>

#include "model/DrawingSizes.hpp"
#include "model/Surface.hpp"
// the fonts of the text the surface draws are checked with CheckTextFont

// same declaration as <cairo.h>, so this header does not pull cairo in
typedef struct _cairo_surface cairo_surface_t;  // NOLINT(bugprone-reserved-identifier)

namespace kelvarin {

struct CairoDrawOp;  // one drawing call in device pixels, kept for vector files

// Which file a picture is written as, chosen from the file name's extension.
enum class PictureFormat { Png, Svg, Pdf };

// Png, Svg or Pdf for ".png", ".svg", ".pdf" (any case); throws std::invalid_argument otherwise
PictureFormat PictureFormatOf(const std::filesystem::path& file);

class CairoSurface : public Surface {
  public:
    // colours of the picture that the map window does not set
    static constexpr ColorRef kBackground = RGB(14, 18, 28);  // dark blue-grey
    static constexpr ColorRef kDefaultForeColor = RGB(235, 235, 235);
    // the largest side of an image, cairo's own limit
    static constexpr int kMaxSide = 16384;

    // one presented frame, handed to the presentation hook
    struct Frame {
        long Number;                // 1 for the first Refresh
        const CairoSurface& Owner;  // Image(), WritePicture() and friends give this frame
        // the pixels that changed since the previous Refresh (all of them after a clear or
        // a resize): a window needs only these copied
        int ChangedLeft = 0, ChangedTop = 0, ChangedWidth = 0, ChangedHeight = 0;
    };
    using PresentHook = std::function<void(const Frame&)>;

    // a surface of its own, width x height pixels (each 1..kMaxSide)
    CairoSurface(int width, int height);
    // as above, and every presented frame is also painted onto target (a window's cairo
    // surface, say); the target must outlive this surface or be replaced with SetTarget
    CairoSurface(int width, int height, cairo_surface_t* target);
    ~CairoSurface() override;
    CairoSurface(const CairoSurface&) = delete;
    CairoSurface& operator=(const CairoSurface&) = delete;

    void Line(double x1, double y1, double x2, double y2, ColorRef color) override;
    void Circle(double x, double y, double radius, ColorRef color) override;
    void Dot(double x, double y, ColorRef color) override;
    void MoveTo(double x, double y) override;
    void SetTextAlign(int flags) override;
    void Print(std::string_view text) override;
    void Clear() override;
    void Refresh() override;
    bool AutoRedraw() const override { return autoRedraw_; }
    void SetAutoRedraw(bool on) override { autoRedraw_ = on; }
    void SetScale(const ScaleRect& scale) override;
    ScaleRect Scale() const override { return scale_; }
    double DeviceWidth() const override { return width_; }
    double DeviceHeight() const override { return height_; }
    void SetLabel(const CreditLabel& label) override;
    std::pair<double, double> LabelExtent() const override;

    // the colour Print uses
    void SetForeColor(ColorRef color) { foreColor_ = color; }
    ColorRef ForeColor() const { return foreColor_; }
    // the current drawing position in map units
    double CurrentX() const { return currentX_; }
    double CurrentY() const { return currentY_; }
    const CreditLabel& Label() const { return label_; }

    // called after every Refresh with the frame just presented
    void SetPresentHook(PresentHook hook) { hook_ = std::move(hook); }
    long FramesPresented() const { return frames_; }
    // the window surface presented frames are painted on (nullptr: none)
    void SetTarget(cairo_surface_t* target);
    // new device size, as a window resize: the persistent image keeps its top-left part
    void Resize(int width, int height);

    // keeps a vector copy of the persistent drawing (since the last Clear) for SVG and
    // PDF files; off by default, it costs memory in an endless animation
    void SetKeepVector(bool on);
    bool KeepVector() const { return keepVector_; }

    // the presented frame (persistent image, then the label) as a cairo image surface,
    // owned by this surface; valid until the next drawing call
    cairo_surface_t* Image() const;
    // 0x00BBGGRR of one pixel of the presented frame; throws std::out_of_range outside it
    ColorRef PixelAt(int x, int y) const;
    // writes the presented frame; SVG and PDF need KeepVector on since the last Clear
    void WritePicture(const std::filesystem::path& file) const;
    void WritePng(const std::filesystem::path& file) const;
    void WriteSvg(const std::filesystem::path& file) const;
    void WritePdf(const std::filesystem::path& file) const;

    // pen width in pixels and text sizes in pixels for this device size
    double PenWidth() const { return sizes_.Pen; }
    double TextSize() const { return sizes_.Text; }
    double LabelTextSize() const { return sizes_.Label; }

    // map units to device pixels
    double DeviceX(double x) const;
    double DeviceY(double y) const;

  private:
    struct Impl;

    // The device pixels that changed since they were last composed or presented, as one
    // rectangle: a repaint composes and presents only that part, not the whole picture.
    struct Damage {
        double Left = 0.0, Top = 0.0, Right = 0.0, Bottom = 0.0;
        bool All = false;
        bool Empty() const { return !All && (Right <= Left || Bottom <= Top); }
        void Add(double left, double top, double right, double bottom);
        void Reset() { *this = Damage{}; }
    };
    void Damaged(double left, double top, double right, double bottom);
    void DamageAll();
    void DamageLabel();

    void Build(int width, int height);
    void Draw(const CairoDrawOp& op);
    void WriteVector(const std::filesystem::path& file, bool pdf) const;
    void ComposeIfStale() const;
    void DrawLabel(void* cr) const;

    int width_ = 0, height_ = 0;
    ScaleRect scale_;
    bool autoRedraw_ = false;
    bool keepVector_ = false;
    ColorRef foreColor_ = kDefaultForeColor;
    int textAlign_ = 0;
    double currentX_ = 0.0, currentY_ = 0.0;
    CreditLabel label_;
    PresentHook hook_;
    long frames_ = 0;
    DrawingSizes sizes_ = DrawingSizesFor(1, 1);
    mutable bool frameStale_ = true;  // the frame must be composed again before it is read
    mutable Damage composeDamage_;    // where the frame must be composed again
    Damage presentDamage_;            // where the target has not seen the frame yet
    std::unique_ptr<Impl> impl_;
};

}  // namespace kelvarin
