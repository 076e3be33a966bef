#pragma once
// Everything the map window needs from the window system it runs on, besides the
// drawing surface: letting messages through, the clock, random numbers, a message
// box, the screen-saver password check and waits that keep handling messages.
// A host is a thin adapter: it turns its native messages into WindowEvents and
// hands them to the event sink while DoEvents or Wait runs.

#include <string_view>

namespace kelvarin {

// The window events the map window reacts to.
enum class WindowEvent {
    KeyPressed,
    MouseMoved,  // any movement, however small
    FocusLost,
    CloseRequested,
    Resized,  // delivered after the host has given the surface its new size
};

// The receiver of window events (the map window).
class WindowEventSink {
  public:
    virtual ~WindowEventSink() = default;
    virtual void OnWindowEvent(WindowEvent event) = 0;
    // true once the run must end; waits stop early then
    virtual bool ExitRequested() const = 0;
};

enum class MessageIcon { Information, Warning, Error };

// How fast a presenting host shows the animation. Zero everywhere means unpaced:
// tests and the command line run as fast as they compute.
struct Pacing {
    double StepSeconds = 0.0;  // at least this long between two repaints of a ring
    double HoldSeconds = 0.0;  // how long a finished construction stays with its weights

    // the pace of a real screen: a 15-gauge cycle takes about 5 to 10 seconds
    static constexpr Pacing Presenting() { return Pacing{0.1, 3.0}; }
};

class WindowSystem {
  public:
    virtual ~WindowSystem() = default;

    // where events go while messages are let through; nullptr: they are dropped
    void SetEventSink(WindowEventSink* sink) { sink_ = sink; }
    WindowEventSink* EventSink() const { return sink_; }

    void SetPacing(const Pacing& pacing) { pacing_ = pacing; }
    const Pacing& GetPacing() const { return pacing_; }

    // handles the pending window messages, delivering their events to the sink
    virtual void DoEvents() = 0;
    // waits up to the given seconds while handling messages; returns as soon as the
    // sink reports that the run must end. Zero or less only lets messages through.
    virtual void Wait(double seconds) = 0;
    // seconds since midnight, with a fraction
    virtual double Timer() = 0;
    // reseeds the random numbers
    virtual void Randomize(double seed) = 0;
    // a random number in [0, 1)
    virtual double Rnd() = 0;
    virtual void MessageBox(std::string_view text, std::string_view title, MessageIcon icon) = 0;
    // the system's screen-saver password check: true when the user may leave
    // (right password, none set, or no check available on this system)
    virtual bool VerifyPassword() = 0;
    // the demonstration has finished one cycle
    virtual void CycleEnded() {}

  protected:
    // hands one event to the sink, if there is one
    void Deliver(WindowEvent event) {
        if (sink_) sink_->OnWindowEvent(event);
    }
    // whether the sink wants the run to end
    bool ExitRequested() const { return sink_ != nullptr && sink_->ExitRequested(); }

  private:
    WindowEventSink* sink_ = nullptr;
    Pacing pacing_;
};

}  // namespace kelvarin
