// Drawing with Direct2D (antialiased lines and circles) and DirectWrite (text, with
// the system's font fallback for Chinese). Both pictures are Direct2D bitmaps drawn
// by render targets of their own; drawing is batched between BeginDraw and EndDraw,
// and a device-context render target copies the frame onto the window.

// first: it brings in <windows.h> the way the host needs it
#include "host/win32/WindowSurface.hpp"
// then the drawing interfaces, which include <windows.h> themselves
#include <d2d1.h>
#include <dwrite.h>

#include <stdexcept>
#include <string>
#include <utility>

namespace kelvarin::win32 {

namespace {

// a COM interface pointer that releases what it holds
template <typename T>
class ComPtr {
  public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T* operator->() const { return ptr_; }
    T* Get() const { return ptr_; }
    T** Put() {
        Reset();
        return &ptr_;
    }
    void Reset() {
        if (ptr_) ptr_->Release();
        ptr_ = nullptr;
    }
    void Swap(ComPtr& other) { std::swap(ptr_, other.ptr_); }
    explicit operator bool() const { return ptr_ != nullptr; }

  private:
    T* ptr_ = nullptr;
};

D2D1_COLOR_F ColorOf(ColorRef c, float alpha = 1.0F) {
    return D2D1::ColorF(static_cast<float>(RedOf(c)) / 255.0F, static_cast<float>(GreenOf(c)) / 255.0F,
                        static_cast<float>(BlueOf(c)) / 255.0F, alpha);
}

D2D1_POINT_2F PointOf(double x, double y) { return D2D1::Point2F(static_cast<float>(x), static_cast<float>(y)); }

// The families tried in turn, Traditional Chinese first; DirectWrite's font fallback
// finds the glyphs a family lacks.
constexpr const wchar_t* kFontFamilies[] = {L"Microsoft JhengHei", L"Microsoft YaHei", L"Segoe UI",
                                            L"WenQuanYi Zen Hei",  L"Tahoma",          L"DejaVu Sans"};
constexpr const wchar_t* kLocale = L"zh-tw";

class Direct2DPainter final : public Painter {
  public:
    // false when Direct2D or DirectWrite cannot be used here, or draws wrongly
    bool Start() {
        if (FAILED(D2D1CreateFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED, __uuidof(ID2D1Factory), nullptr,
                                     reinterpret_cast<void**>(factory_.Put()))))
            return false;
        if (FAILED(DWriteCreateFactory(DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory),
                                       reinterpret_cast<IUnknown**>(writeFactory_.Put()))))
            return false;
        // 96 dots per inch: one device-independent unit is one pixel on every monitor
        const D2D1_RENDER_TARGET_PROPERTIES properties = D2D1::RenderTargetProperties(
            D2D1_RENDER_TARGET_TYPE_DEFAULT, D2D1::PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_IGNORE),
            96.0F, 96.0F);
        if (FAILED(factory_->CreateDCRenderTarget(&properties, screen_.Put()))) return false;
        return PickFontFamily() && SelfTest();
    }

    ~Direct2DPainter() override { EndAll(); }
    const char* Name() const override { return "Direct2D"; }

    void Build(int width, int height, ColorRef background) override {
        EndAll();
        ComPtr<ID2D1BitmapRenderTarget> kept, frame;
        if (!MakePicture(width, height, kept) || !MakePicture(width, height, frame)) {
            throw std::runtime_error("Direct2D cannot make pictures of " + std::to_string(width) + "x" +
                                     std::to_string(height) + " pixels");
        }
        kept->BeginDraw();
        kept->Clear(ColorOf(background));
        if (kept_) {
            ComPtr<ID2D1Bitmap> old;
            kept_->GetBitmap(old.Put());
            const D2D1_SIZE_F size = old->GetSize();
            kept->DrawBitmap(old.Get(), D2D1::RectF(0.0F, 0.0F, size.width, size.height), 1.0F,
                             D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR);
        }
        kept->EndDraw();
        kept_.Swap(kept);
        frame_.Swap(frame);
        width_ = width;
        height_ = height;
    }

    void Fill(Picture picture, ColorRef color) override {
        if (ID2D1RenderTarget* target = Begin(picture)) target->Clear(ColorOf(color));
    }

    void Line(Picture picture, double x1, double y1, double x2, double y2, ColorRef color, double pen) override {
        if (ID2D1RenderTarget* target = Begin(picture)) {
            target->DrawLine(PointOf(x1, y1), PointOf(x2, y2), Brush(target, color), static_cast<float>(pen),
                             RoundCaps());
        }
    }

    void Ellipse(Picture picture, double x, double y, double radius, ColorRef color, double pen, bool filled) override {
        ID2D1RenderTarget* target = Begin(picture);
        if (!target) return;
        const D2D1_ELLIPSE ellipse =
            D2D1::Ellipse(PointOf(x, y), static_cast<float>(radius), static_cast<float>(radius));
        if (filled) {
            target->FillEllipse(ellipse, Brush(target, color));
        } else {
            target->DrawEllipse(ellipse, Brush(target, color), static_cast<float>(pen));
        }
    }

    void Panel(Picture picture, double left, double top, double width, double height, ColorRef color,
               double alpha) override {
        if (ID2D1RenderTarget* target = Begin(picture)) {
            target->FillRectangle(D2D1::RectF(static_cast<float>(left), static_cast<float>(top),
                                              static_cast<float>(left + width), static_cast<float>(top + height)),
                                  Brush(target, color, static_cast<float>(alpha)));
        }
    }

    void Text(Picture picture, double x, double y, std::wstring_view text, ColorRef color, double size) override {
        ComPtr<IDWriteTextLayout> layout;
        if (!Layout(text, size, layout)) return;
        if (ID2D1RenderTarget* target = Begin(picture)) {
            target->DrawTextLayout(PointOf(x, y), layout.Get(), Brush(target, color));
        }
    }

    Extent Measure(std::wstring_view text, double size) override {
        ComPtr<IDWriteTextLayout> layout;
        if (!Layout(text, size, layout)) return {};
        DWRITE_TEXT_METRICS metrics{};
        layout->GetMetrics(&metrics);
        DWRITE_LINE_METRICS line{};
        UINT32 lines = 0;
        layout->GetLineMetrics(&line, 1, &lines);
        return Extent{metrics.widthIncludingTrailingWhitespace, metrics.height, line.baseline};
    }

    void CopyKeptToFrame() override {
        ComPtr<ID2D1Bitmap> kept;
        End(Picture::Kept);
        kept_->GetBitmap(kept.Put());
        if (ID2D1RenderTarget* target = Begin(Picture::Frame)) {
            target->DrawBitmap(kept.Get(), nullptr, 1.0F, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR);
        }
    }

    void Present(HDC dc) override {
        EndAll();
        ComPtr<ID2D1Bitmap> frame;
        frame_->GetBitmap(frame.Put());
        const RECT area{0, 0, width_, height_};
        if (FAILED(screen_->BindDC(dc, &area))) return;
        screen_->BeginDraw();
        screen_->DrawBitmap(frame.Get(), nullptr, 1.0F, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR);
        screen_->EndDraw();
    }

  private:
    bool MakePicture(int width, int height, ComPtr<ID2D1BitmapRenderTarget>& picture) {
        const D2D1_SIZE_U pixels = D2D1::SizeU(static_cast<UINT32>(width), static_cast<UINT32>(height));
        const D2D1_SIZE_F size = D2D1::SizeF(static_cast<float>(width), static_cast<float>(height));
        return SUCCEEDED(screen_->CreateCompatibleRenderTarget(
            &size, &pixels, nullptr, D2D1_COMPATIBLE_RENDER_TARGET_OPTIONS_NONE, picture.Put()));
    }

    // the picture's render target, drawing begun; nullptr when it cannot draw
    ID2D1RenderTarget* Begin(Picture picture) {
        ID2D1BitmapRenderTarget* target = picture == Picture::Kept ? kept_.Get() : frame_.Get();
        if (!target) return nullptr;
        if (drawing_ != target) {
            EndAll();
            target->BeginDraw();
            drawing_ = target;
        }
        return target;
    }

    void End(Picture picture) {
        if (drawing_ == (picture == Picture::Kept ? kept_.Get() : frame_.Get())) EndAll();
    }

    void EndAll() {
        if (drawing_) drawing_->EndDraw();
        drawing_ = nullptr;
    }

    // a solid brush of the colour for the render target (brushes belong to one target)
    ID2D1Brush* Brush(ID2D1RenderTarget* target, ColorRef color, float alpha = 1.0F) {
        ComPtr<ID2D1SolidColorBrush>& brush = target == kept_.Get() ? keptBrush_ : frameBrush_;
        if (!brush || brushOwner_[target == kept_.Get() ? 0 : 1] != target) {
            target->CreateSolidColorBrush(ColorOf(color, alpha), brush.Put());
            brushOwner_[target == kept_.Get() ? 0 : 1] = target;
        }
        brush->SetColor(ColorOf(color, alpha));
        return brush.Get();
    }

    ID2D1StrokeStyle* RoundCaps() {
        if (!roundCaps_) {
            const D2D1_STROKE_STYLE_PROPERTIES style = D2D1::StrokeStyleProperties(
                D2D1_CAP_STYLE_ROUND, D2D1_CAP_STYLE_ROUND, D2D1_CAP_STYLE_ROUND, D2D1_LINE_JOIN_ROUND);
            factory_->CreateStrokeStyle(&style, nullptr, 0, roundCaps_.Put());
        }
        return roundCaps_.Get();
    }

    bool Layout(std::wstring_view text, double size, ComPtr<IDWriteTextLayout>& layout) {
        const auto pixels = static_cast<float>(size);
        if (!format_ || formatSize_ != pixels) {
            if (FAILED(writeFactory_->CreateTextFormat(family_.c_str(), nullptr, DWRITE_FONT_WEIGHT_NORMAL,
                                                       DWRITE_FONT_STYLE_NORMAL, DWRITE_FONT_STRETCH_NORMAL, pixels,
                                                       kLocale, format_.Put())))
                return false;
            format_->SetWordWrapping(DWRITE_WORD_WRAPPING_NO_WRAP);
            formatSize_ = pixels;
        }
        return SUCCEEDED(writeFactory_->CreateTextLayout(text.data(), static_cast<UINT32>(text.size()), format_.Get(),
                                                         100000.0F, 100000.0F, layout.Put()));
    }

    // the first wanted family the system has, else its first one; false when it has none
    // (a system without fonts for DirectWrite draws with GDI, so that text still shows)
    bool PickFontFamily() {
        ComPtr<IDWriteFontCollection> fonts;
        if (FAILED(writeFactory_->GetSystemFontCollection(fonts.Put(), FALSE)) || fonts->GetFontFamilyCount() == 0)
            return false;
        for (const wchar_t* family : kFontFamilies) {
            UINT32 index = 0;
            BOOL exists = FALSE;
            if (SUCCEEDED(fonts->FindFamilyName(family, &index, &exists)) && exists) {
                family_ = family;
                return true;
            }
        }
        ComPtr<IDWriteFontFamily> first;
        ComPtr<IDWriteLocalizedStrings> names;
        UINT32 length = 0;
        if (FAILED(fonts->GetFontFamily(0, first.Put())) || FAILED(first->GetFamilyNames(names.Put())) ||
            FAILED(names->GetStringLength(0, &length)))
            return false;
        family_.assign(length + 1, L'\0');
        if (FAILED(names->GetString(0, family_.data(), length + 1))) return false;
        family_.resize(length);
        return true;
    }

    // Draws a line in two batches and presents it on a scratch bitmap: a system whose
    // Direct2D starts but does not keep or show what it drew gets GDI instead.
    bool SelfTest() {
        constexpr int kSide = 16;
        Build(kSide, kSide, RGB(0, 0, 0));
        Line(Picture::Kept, 2.0, 4.0, 14.0, 4.0, RGB(255, 255, 255), 2.0);
        CopyKeptToFrame();  // ends the first batch
        Line(Picture::Kept, 2.0, 11.0, 14.0, 11.0, RGB(255, 255, 255), 2.0);
        CopyKeptToFrame();
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, kSide, kSide);
        ReleaseDC(nullptr, screen);
        HGDIOBJ old = SelectObject(dc, bitmap);
        Present(dc);
        const bool shown = GetGValue(GetPixel(dc, 8, 4)) > 128 && GetGValue(GetPixel(dc, 8, 11)) > 128 &&
                           GetGValue(GetPixel(dc, 8, 8)) < 64;
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        return shown;
    }

    ComPtr<ID2D1Factory> factory_;
    ComPtr<IDWriteFactory> writeFactory_;
    ComPtr<ID2D1DCRenderTarget> screen_;
    ComPtr<ID2D1BitmapRenderTarget> kept_, frame_;
    ComPtr<ID2D1SolidColorBrush> keptBrush_, frameBrush_;
    ID2D1RenderTarget* brushOwner_[2] = {nullptr, nullptr};
    ComPtr<ID2D1StrokeStyle> roundCaps_;
    ComPtr<IDWriteTextFormat> format_;
    float formatSize_ = 0.0F;
    std::wstring family_;
    ID2D1BitmapRenderTarget* drawing_ = nullptr;
    int width_ = 0, height_ = 0;
};

}  // namespace

std::unique_ptr<Painter> MakeDirect2DPainter() {
    auto painter = std::make_unique<Direct2DPainter>();
    if (!painter->Start()) return nullptr;
    return painter;
}

}  // namespace kelvarin::win32
