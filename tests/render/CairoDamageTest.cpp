// A repaint composes and presents only the pixels that changed. Judged against the
// whole picture composed anew: after any sequence of drawing, clearing, label moves and
// repaints, the target a window would show, and a copy kept up to date from the changed
// rectangles the presented frames name, equal the full composition, pixel for pixel.

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "render/CairoSurface.hpp"

namespace kelvarin {
namespace {

// the pixels of an image surface, row by row
std::vector<std::uint32_t> Pixels(cairo_surface_t* image) {
    cairo_surface_flush(image);
    const int width = cairo_image_surface_get_width(image), height = cairo_image_surface_get_height(image);
    const int stride = cairo_image_surface_get_stride(image);
    const unsigned char* data = cairo_image_surface_get_data(image);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        std::memcpy(&pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width)],
                    data + static_cast<std::ptrdiff_t>(y) * stride, static_cast<std::size_t>(width) * 4);
    for (auto& p : pixels) p &= 0xFFFFFFu;
    return pixels;
}

TEST(CairoDamage, PresentedTargetEqualsTheWholeFrameComposedAnew) {
    constexpr int kWidth = 320, kHeight = 200;
    for (unsigned seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        auto uniform = [&](double low, double high) {
            return std::uniform_real_distribution<double>(low, high)(random);
        };
        cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
        CairoSurface surface(kWidth, kHeight, target);
        // a window that copies only what each presented frame says has changed
        cairo_surface_t* mirror = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
        surface.SetPresentHook([&](const CairoSurface::Frame& frame) {
            cairo_t* cr = cairo_create(mirror);
            cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
            cairo_set_source_surface(cr, frame.Owner.Image(), 0, 0);
            cairo_rectangle(cr, frame.ChangedLeft, frame.ChangedTop, frame.ChangedWidth, frame.ChangedHeight);
            cairo_fill(cr);
            cairo_destroy(cr);
        });
        // map units: 0..1000 east, 0..600 north, so lines also leave the picture
        surface.SetScale(ScaleRect{0.0, 600.0, 1000.0, 0.0});
        CreditLabel label;
        label.Caption = "Thiessen 徐昇\r\nline two";
        for (int step = 0; step < 150; ++step) {
            const int what = static_cast<int>(uniform(0.0, 100.0));
            const ColorRef color = static_cast<ColorRef>(uniform(0.0, 16777215.0));
            if (what < 30) {
                surface.Line(uniform(-200, 1200), uniform(-200, 800), uniform(-200, 1200), uniform(-200, 800), color);
            } else if (what < 45) {
                surface.Circle(uniform(0, 1000), uniform(0, 600), uniform(1, 80), color);
            } else if (what < 55) {
                surface.Dot(uniform(0, 1000), uniform(0, 600), color);
            } else if (what < 63) {
                surface.MoveTo(uniform(0, 1000), uniform(0, 600));
                surface.SetTextAlign(static_cast<int>(uniform(0, 16)));
                surface.Print("雲棲 12.5%");
            } else if (what < 70) {
                label.Left = uniform(-100, 1000);
                label.Top = uniform(0, 700);
                label.ForeColor = color;
                label.Visible = uniform(0, 1) < 0.8;
                surface.SetLabel(label);
            } else if (what < 74) {
                surface.SetAutoRedraw(!surface.AutoRedraw());  // off: drawing that the next repaint drops
            } else if (what < 76) {
                surface.Clear();
            } else {
                surface.Refresh();
                // what the window shows must be the frame, and the frame what a full composition gives
                const std::vector<std::uint32_t> shown = Pixels(target);
                ASSERT_EQ(shown, Pixels(surface.Image())) << "step " << step;
                ASSERT_EQ(shown, Pixels(mirror)) << "step " << step;
                surface.Resize(kWidth, kHeight);  // the same size: everything is composed again
                ASSERT_EQ(shown, Pixels(surface.Image())) << "step " << step;
            }
        }
        cairo_surface_destroy(mirror);
        cairo_surface_destroy(target);
    }
}

}  // namespace
}  // namespace kelvarin
