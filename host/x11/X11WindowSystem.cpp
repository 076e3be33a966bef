#include "host/x11/X11WindowSystem.hpp"

#include <X11/Xatom.h>
#include <X11/Xproto.h>
#include <X11/Xutil.h>
#include <cairo-xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <ctime>

namespace kelvarin {
namespace {

// The stop signals reach the event loop through these; a signal handler may only
// touch a flag and write to a pipe.
volatile std::sig_atomic_t gStopSignalled = 0;
int gStopPipe[2] = {-1, -1};

// The one window system whose X errors are being watched (X error handlers are process-wide).
X11WindowSystem* gWatched = nullptr;

extern "C" void OnStopSignal(int /*signal*/) {
    gStopSignalled = 1;
    const int saved = errno;
    const char byte = 1;
    // a full pipe already wakes the loop; nothing is lost when this write fails
    [[maybe_unused]] const ssize_t written = ::write(gStopPipe[1], &byte, 1);
    errno = saved;
}

// empties the self-pipe after a wake-up
void DrainStopPipe() {
    char buffer[64];
    while (gStopPipe[0] >= 0 && ::read(gStopPipe[0], buffer, sizeof buffer) > 0) {
    }
}

// seconds on a clock that never jumps
double Monotonic() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

void X11WindowSystem::InstallStopSignals() {
    if (gStopPipe[0] < 0) {
        if (::pipe2(gStopPipe, O_NONBLOCK | O_CLOEXEC) != 0) gStopPipe[0] = gStopPipe[1] = -1;
    }
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

bool X11WindowSystem::StopSignalled() { return gStopSignalled != 0; }

void X11WindowSystem::InstallErrorHandler() { XSetErrorHandler(OnXError); }

// Whether the frame's pixels (cairo's RGB24: 32 bits, 0x00RRGGBB in the machine's byte
// order) can be sent to a window of this visual as they are.
bool SameLayout(Display* display, const Visual* visual, int depth) {
    if (visual->c_class != TrueColor || visual->red_mask != 0xFF0000 || visual->green_mask != 0xFF00 ||
        visual->blue_mask != 0xFF || (depth != 24 && depth != 32))
        return false;
    const int order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
    if (ImageByteOrder(display) != order) return false;
    int count = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
    bool thirtyTwoBits = false;
    for (int i = 0; i < count; ++i)
        if (formats[i].depth == depth) thirtyTwoBits = formats[i].bits_per_pixel == 32;
    if (formats != nullptr) XFree(formats);
    return thirtyTwoBits;
}

X11WindowSystem::X11WindowSystem(Display* display, Window window, const XWindowAttributes& attributes, Rules rules,
                                 CairoSurface& surface)
    : display_(display),
      window_(window),
      rules_(rules),
      surface_(surface),
      visual_(attributes.visual),
      depth_(attributes.depth),
      gc_(XCreateGC(display, window, 0, nullptr)),
      wmProtocols_(XInternAtom(display, "WM_PROTOCOLS", False)),
      wmDeleteWindow_(XInternAtom(display, "WM_DELETE_WINDOW", False)),
      random_(std::random_device{}()) {
    gWatched = this;
    InstallErrorHandler();
    long mask = ExposureMask | StructureNotifyMask;
    if (rules_.CountInput) mask |= KeyPressMask | PointerMotionMask;
    if (rules_.EndOnFocusLoss) mask |= FocusChangeMask;
    XSelectInput(display_, window_, mask);
    width_ = static_cast<int>(surface_.DeviceWidth());
    height_ = static_cast<int>(surface_.DeviceHeight());
    putImage_ = SameLayout(display_, visual_, depth_);
    if (!putImage_) fallback_ = cairo_xlib_surface_create(display_, window_, visual_, width_, height_);
    surface_.SetPresentHook([this](const CairoSurface::Frame& frame) {
        Present(frame.ChangedLeft, frame.ChangedTop, frame.ChangedWidth, frame.ChangedHeight);
    });
}

X11WindowSystem::~X11WindowSystem() {
    surface_.SetPresentHook(nullptr);
    if (fallback_ != nullptr) {
        cairo_device_t* device = cairo_device_reference(cairo_surface_get_device(fallback_));
        cairo_surface_destroy(fallback_);
        cairo_device_finish(device);
        cairo_device_destroy(device);
    }
    XFreeGC(display_, gc_);
    // errors of the teardown that follows are the errors of a window that is going away
    if (gWatched == this) gWatched = nullptr;
}

// Records an X error; they are reported (or dropped) at the next DoEvents, since the
// handler runs inside Xlib and may not draw or print through it.
int X11WindowSystem::OnXError(Display* display, XErrorEvent* error) {
    X11WindowSystem* self = gWatched;
    if (self == nullptr || self->gone_) return 0;
    const bool ourWindow = error->resourceid == self->window_;
    if (ourWindow && (error->error_code == BadWindow || error->error_code == BadDrawable)) {
        self->gone_ = true;  // destroyed under us: the run ends quietly
        return 0;
    }
    // the window was unmapped again before the focus could reach it
    if (error->request_code == X_SetInputFocus) return 0;
    char text[256] = {};
    XGetErrorText(display, error->error_code, text, sizeof text);
    self->errors_.push_back(std::string(text) + " (request " + std::to_string(error->request_code) + "." +
                            std::to_string(error->minor_code) + ")");
    return 0;
}

// prints the X errors of a window that still exists; a gone window's last errors say nothing new
void X11WindowSystem::ReportErrors() {
    if (!gone_)
        for (const std::string& error : errors_) std::fprintf(stderr, "kelvarin: X error: %s\n", error.c_str());
    errors_.clear();
}

void X11WindowSystem::DoEvents() {
    int width = width_, height = height_;
    while (!gone_ && XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == ConfigureNotify && event.xconfigure.window == window_) {
            // only the last size of a burst of resizes is worth a redraw
            width = event.xconfigure.width;
            height = event.xconfigure.height;
            continue;
        }
        Handle(event);
    }
    ReportErrors();
    if (StopSignalled()) DrainStopPipe();
    // the end is told once, and only to a map window that can hear it
    if ((gone_ || StopSignalled()) && !stopDelivered_ && EventSink() != nullptr) {
        stopDelivered_ = true;
        Deliver(WindowEvent::CloseRequested);
        return;
    }
    if (width != width_ || height != height_) ApplySize(width, height);
}

void X11WindowSystem::Handle(XEvent& event) {
    switch (event.type) {
        case KeyPress:
            if (rules_.CountInput) Deliver(WindowEvent::KeyPressed);
            break;
        case MotionNotify:
            if (rules_.CountInput && jitter_.Moved(event.xmotion.x_root, event.xmotion.y_root))
                Deliver(WindowEvent::MouseMoved);
            break;
        case FocusIn:
            if (event.xfocus.detail != NotifyInferior && event.xfocus.detail != NotifyPointer) focused_ = true;
            break;
        case FocusOut:
            // a grab (a window manager's key binding, say) borrows the focus without taking it
            if (rules_.EndOnFocusLoss && focused_ && event.xfocus.mode != NotifyGrab &&
                event.xfocus.detail != NotifyInferior && event.xfocus.detail != NotifyPointer) {
                focused_ = false;
                Deliver(WindowEvent::FocusLost);
            }
            break;
        case ClientMessage:
            if (event.xclient.message_type == wmProtocols_ && event.xclient.format == 32 &&
                static_cast<Atom>(event.xclient.data.l[0]) == wmDeleteWindow_)
                Deliver(WindowEvent::CloseRequested);
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window == window_) gone_ = true;
            break;
        case Expose:
            if (event.xexpose.count == 0) Present(0, 0, width_, height_);
            break;
        case MapNotify:
            if (event.xmap.window == window_ && rules_.EndOnFocusLoss) {
                // a saver takes the keyboard, and the pointer's place is where motion is measured from
                XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
                Window root = 0, child = 0;
                int rootX = 0, rootY = 0, x = 0, y = 0;
                unsigned int buttons = 0;
                if (XQueryPointer(display_, window_, &root, &child, &rootX, &rootY, &x, &y, &buttons))
                    jitter_.Moved(rootX, rootY);
            }
            break;
        default:
            break;
    }
}

// gives the surface the window's new size and lets the map window refit and redraw
void X11WindowSystem::ApplySize(int width, int height) {
    width_ = width;
    height_ = height;
    width = std::clamp(width, 1, CairoSurface::kMaxSide);
    height = std::clamp(height, 1, CairoSurface::kMaxSide);
    if (fallback_ != nullptr) cairo_xlib_surface_set_size(fallback_, width, height);
    surface_.Resize(width, height);
    jitter_.Reset();
    Deliver(WindowEvent::Resized);
}

// Copies the kept frame to the window; nothing of the construction is drawn anew.
// Cairo's own Xlib surface is not used for parts of a frame: it keeps a small record
// of every partial upload it makes (cairo 1.16), which an endless run cannot afford.
void X11WindowSystem::Present(int x, int y, int width, int height) {
    if (gone_ || width <= 0 || height <= 0) return;
    cairo_surface_t* image = surface_.Image();
    if (!putImage_) {
        cairo_t* cr = cairo_create(fallback_);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_surface(cr, image, 0, 0);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_flush(fallback_);
        return;
    }
    cairo_surface_flush(image);
    const int imageWidth = cairo_image_surface_get_width(image), imageHeight = cairo_image_surface_get_height(image);
    XImage* picture =
        XCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0,
                     reinterpret_cast<char*>(cairo_image_surface_get_data(image)), static_cast<unsigned>(imageWidth),
                     static_cast<unsigned>(imageHeight), 32, cairo_image_surface_get_stride(image));
    if (picture == nullptr) return;
    XPutImage(display_, window_, gc_, picture, x, y, x, y, static_cast<unsigned>(std::min(width, imageWidth - x)),
              static_cast<unsigned>(std::min(height, imageHeight - y)));
    picture->data = nullptr;  // the pixels are cairo's
    XDestroyImage(picture);
}

void X11WindowSystem::Wait(double seconds) {
    const double deadline = Monotonic() + seconds;
    DoEvents();
    while (!ExitRequested() && !gone_) {
        const double remaining = deadline - Monotonic();
        if (remaining <= 0.0) break;
        XFlush(display_);
        if (XPending(display_) == 0) {
            pollfd waits[2] = {{ConnectionNumber(display_), POLLIN, 0}, {gStopPipe[0], POLLIN, 0}};
            const int milliseconds = static_cast<int>(std::ceil(remaining * 1000.0));
            ::poll(waits, gStopPipe[0] >= 0 ? 2 : 1, milliseconds);
        }
        DoEvents();
    }
    XFlush(display_);
}

double X11WindowSystem::Timer() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local = {};
    localtime_r(&seconds, &local);
    const double fraction =
        std::chrono::duration<double>(now - std::chrono::system_clock::from_time_t(seconds)).count();
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + fraction;
}

void X11WindowSystem::Randomize(double seed) { random_.seed(std::bit_cast<std::uint64_t>(seed)); }

// 53 random bits scaled into [0, 1): never 1
double X11WindowSystem::Rnd() { return static_cast<double>(random_() >> 11) * 0x1.0p-53; }

void X11WindowSystem::MessageBox(std::string_view text, std::string_view title, MessageIcon /*icon*/) {
    std::fprintf(stderr, "kelvarin: %.*s: %.*s\n", static_cast<int>(title.size()), title.data(),
                 static_cast<int>(text.size()), text.data());
}

}  // namespace kelvarin
