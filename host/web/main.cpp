// The web page's entry points: the page's script (site/kelvarin.js) calls these through
// the module. The screen saver runs the one run path of every host on a canvas, paced by
// sleeps that give the browser its turn; the lesson answers each call at once.

#include <emscripten.h>

#include <array>
#include <exception>
#include <memory>
#include <string>

#include "host/web/BrowserWindowSystem.hpp"
#include "host/web/CanvasSurface.hpp"
#include "host/web/JsonText.hpp"
#include "host/web/Page.hpp"
#include "view/SaverRun.hpp"

namespace {

kelvarin::Page page;
std::array<std::unique_ptr<kelvarin::CanvasSurface>, kelvarin::Page::kSlots> surfaces;
std::string answer;  // the last text handed to the script, which copies it at once

// keeps a text for the script; a failure becomes {"ok":false,"error":...}
template <typename Work>
const char* Answer(Work work) {
    try {
        answer = work();
    } catch (const std::exception& e) {
        answer = "{\"ok\":false,\"error\":" + kelvarin::JsonString(e.what()) + "}";
    }
    return answer.c_str();
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE const char* kelvarin_open(const char* file) {
    return Answer([&] { return page.Open(file); });
}

// the map of a slot draws on the painter's canvas; a negative painter takes the map away
EMSCRIPTEN_KEEPALIVE void kelvarin_attach(int slot, int painter) {
    if (slot < 0 || slot >= kelvarin::Page::kSlots) return;
    auto& surface = surfaces[static_cast<std::size_t>(slot)];
    surface = painter < 0 ? nullptr : std::make_unique<kelvarin::CanvasSurface>(painter);
    page.Attach(slot, surface.get());
}

EMSCRIPTEN_KEEPALIVE const char* kelvarin_method(const char* name) {
    return Answer([&] { return page.SetMethod(name); });
}

EMSCRIPTEN_KEEPALIVE const char* kelvarin_select(const char* list) {
    return Answer([&] { return page.Select(list); });
}

EMSCRIPTEN_KEEPALIVE const char* kelvarin_toggle(int station) {
    return Answer([&] { return page.Toggle(station); });
}

EMSCRIPTEN_KEEPALIVE const char* kelvarin_draw(int step) {
    return Answer([&] { return page.Draw(step); });
}

EMSCRIPTEN_KEEPALIVE const char* kelvarin_resized() {
    return Answer([&] {
        for (auto& surface : surfaces)
            if (surface) surface->TakeCanvasSize();
        return page.Resized();
    });
}

EMSCRIPTEN_KEEPALIVE int kelvarin_gauge_at(int slot, double x, double y) {
    return static_cast<int>(page.GaugeAt(slot, x, y));
}

EMSCRIPTEN_KEEPALIVE void kelvarin_drag_start(int station) { page.DragStart(station); }

EMSCRIPTEN_KEEPALIVE const char* kelvarin_drag(int slot, double dx, double dy) {
    return Answer([&] { return page.Drag(slot, dx, dy); });
}

EMSCRIPTEN_KEEPALIVE const char* kelvarin_weights_csv(const char* method) {
    return Answer([&] { return page.WeightsCsv(method); });
}

EMSCRIPTEN_KEEPALIVE const char* kelvarin_storm(const char* file) {
    return Answer([&] { return page.Storm(file); });
}

// The screen saver on a canvas until a key or a click leaves it (the run path of every
// host); show: 0 Thiessen, 1 height-balance, -1 both, anything else the scene's own.
EMSCRIPTEN_KEEPALIVE int kelvarin_saver(int painter, const char* file, int show) {
    try {
        kelvarin::CanvasSurface surface(painter);
        kelvarin::BrowserWindowSystem windowSystem(surface);
        kelvarin::SaverSettings settings;
        settings.Scenes = {file};
        if (show == 0 || show == 1 || show == -1) settings.Method = static_cast<kelvarin::ShowSetting>(show);
        kelvarin::SaverRun run(surface, windowSystem, settings);
        run.Run();
        return 0;
    } catch (const std::exception& e) {
        emscripten_log(EM_LOG_ERROR, "kelvarin: the saver stopped: %s", e.what());
        return 1;
    }
}

}  // extern "C"
