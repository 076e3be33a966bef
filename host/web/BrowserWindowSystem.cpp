#include "host/web/BrowserWindowSystem.hpp"

#include <emscripten.h>

#include <algorithm>
#include <string>

// The page's input queue (site/kelvarin.js): 1 leave the saver, 2 the window changed size;
// 0 when it is empty.
// clang-format off
EM_JS(int, kelvarin_next_event, (), { return Module.kelvarinHost.nextEvent(); });
EM_JS(double, kelvarin_seconds_since_midnight, (), {
    const now = new Date();
    return (now - new Date(now.getFullYear(), now.getMonth(), now.getDate())) / 1000;
});
EM_JS(void, kelvarin_message, (const char* text, int length), { Module.kelvarinHost.message(UTF8ToString(text, length)); });
// clang-format on

namespace kelvarin {
namespace {

constexpr int kLeave = 1;
constexpr int kResized = 2;
// The longest the page goes without giving the browser its turn, in milliseconds.
constexpr double kLongestBusy = 100.0;
// The longest single sleep of a wait: input ends a wait within this many milliseconds.
constexpr double kWaitSlice = 50.0;

}  // namespace

BrowserWindowSystem::BrowserWindowSystem(CanvasSurface& surface) : surface_(surface) {
    lastYield_ = emscripten_get_now();
}

void BrowserWindowSystem::DoEvents() {
    // a long stretch of drawing still lets the browser paint and take input
    if (emscripten_get_now() - lastYield_ > kLongestBusy) {
        emscripten_sleep(0);
        lastYield_ = emscripten_get_now();
    }
    for (int event = kelvarin_next_event(); event != 0; event = kelvarin_next_event()) {
        if (event == kLeave) Deliver(WindowEvent::CloseRequested);
        if (event == kResized) {
            surface_.TakeCanvasSize();
            Deliver(WindowEvent::Resized);
        }
    }
}

void BrowserWindowSystem::Wait(double seconds) {
    const double end = emscripten_get_now() + seconds * 1000.0;
    DoEvents();
    for (double now = emscripten_get_now(); now < end && !ExitRequested(); now = emscripten_get_now()) {
        emscripten_sleep(static_cast<unsigned>(std::clamp(end - now, 1.0, kWaitSlice)));
        lastYield_ = emscripten_get_now();
        DoEvents();
    }
}

double BrowserWindowSystem::Timer() { return kelvarin_seconds_since_midnight(); }

void BrowserWindowSystem::MessageBox(std::string_view text, std::string_view title, MessageIcon /*icon*/) {
    const std::string message = std::string(title) + ": " + std::string(text);
    kelvarin_message(message.data(), static_cast<int>(message.size()));
}

}  // namespace kelvarin
