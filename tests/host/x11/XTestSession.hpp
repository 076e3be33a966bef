#pragma once
// What the X11 saver's tests need around the real program: an Xvfb of their own (a
// free display number, stopped at the end), the kelvarin binary started with a
// given command line and environment, screenshots through XGetImage, and input
// through xdotool. Every wait has a deadline, and everything started is killed.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace kelvarin::testing {

using Clock = std::chrono::steady_clock;

inline const std::filesystem::path kSaver = std::filesystem::path(KELVARIN_BINARY_DIR) / "kelvarin";

// seconds since a time point
inline double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// asks the predicate every few milliseconds until it holds or the seconds are over
inline bool WaitFor(double seconds, const std::function<bool()>& predicate, double stepSeconds = 0.01) {
    const auto start = Clock::now();
    while (true) {
        if (predicate()) return true;
        if (SecondsSince(start) > seconds) return false;
        std::this_thread::sleep_for(std::chrono::duration<double>(stepSeconds));
    }
}

// One picture of a window: 0x00RRGGBB per pixel, row by row.
struct Picture {
    int Width = 0, Height = 0;
    std::vector<std::uint32_t> Pixels;
    std::uint32_t At(int x, int y) const {
        return Pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) + static_cast<std::size_t>(x)];
    }
};

// whether two 0x00RRGGBB colours differ by at most tolerance in every channel
inline bool Near(std::uint32_t a, std::uint32_t b, int tolerance) {
    for (int shift = 0; shift <= 16; shift += 8) {
        const int ca = static_cast<int>((a >> shift) & 0xFF), cb = static_cast<int>((b >> shift) & 0xFF);
        if (std::abs(ca - cb) > tolerance) return false;
    }
    return true;
}

// An Xvfb started for one test, with a connection of the test's own.
class XvfbServer {
  public:
    XvfbServer(int width, int height) {
        int fds[2];
        if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            const int devNull = ::open("/dev/null", O_WRONLY);
            ::dup2(devNull, 1);
            ::dup2(devNull, 2);
            const std::string fd = std::to_string(fds[1]);
            const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
                     "-br", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        // Xvfb writes its display number to the pipe once it accepts connections
        std::string number;
        const auto start = Clock::now();
        while (number.find('\n') == std::string::npos && SecondsSince(start) < 20.0) {
            pollfd wait = {fds[0], POLLIN, 0};
            if (::poll(&wait, 1, 200) <= 0) continue;
            char buffer[32];
            const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
            if (n <= 0) break;
            number.append(buffer, static_cast<std::size_t>(n));
        }
        ::close(fds[0]);
        if (number.find('\n') == std::string::npos) {
            Stop();
            throw std::runtime_error("Xvfb did not start");
        }
        name_ = ":" + number.substr(0, number.find('\n'));
        display_ = XOpenDisplay(name_.c_str());
        if (display_ == nullptr) {
            Stop();
            throw std::runtime_error("cannot connect to Xvfb " + name_);
        }
    }
    ~XvfbServer() { Stop(); }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    const std::string& Name() const { return name_; }
    Display* Connection() const { return display_; }
    Window Root() const { return DefaultRootWindow(display_); }

    // the window's contents as the server shows them
    Picture Shot(Window window) const {
        XWindowAttributes attributes;
        XGetWindowAttributes(display_, window, &attributes);
        Picture picture;
        XImage* image = XGetImage(display_, window, 0, 0, static_cast<unsigned>(attributes.width),
                                  static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
        if (image == nullptr) return picture;
        picture.Width = attributes.width;
        picture.Height = attributes.height;
        picture.Pixels.reserve(static_cast<std::size_t>(picture.Width) * static_cast<std::size_t>(picture.Height));
        for (int y = 0; y < picture.Height; ++y)
            for (int x = 0; x < picture.Width; ++x)
                picture.Pixels.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFFu);
        XDestroyImage(image);
        return picture;
    }

    // the top-level window with this name, 0 while there is none
    Window FindWindow(const std::string& name) const {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        Window found = 0;
        if (XQueryTree(display_, Root(), &root, &parent, &children, &count) == 0) return 0;
        for (unsigned i = 0; i < count && found == 0; ++i) {
            char* text = nullptr;
            if (XFetchName(display_, children[i], &text) != 0 && text != nullptr) {
                if (name == text) found = children[i];
                XFree(text);
            }
        }
        if (children != nullptr) XFree(children);
        return found;
    }

    // a mapped window of the test's own, filled with one colour
    Window MakeWindow(int x, int y, int width, int height, std::uint32_t colour) const {
        const Window window = XCreateSimpleWindow(display_, Root(), x, y, static_cast<unsigned>(width),
                                                  static_cast<unsigned>(height), 0, 0, colour);
        XMapWindow(display_, window);
        XSync(display_, False);
        return window;
    }

    // runs xdotool on this display; true when it succeeded
    bool XDoTool(const std::string& arguments) const {
        const std::string command = "DISPLAY=" + name_ + " xdotool " + arguments + " >/dev/null 2>&1";
        return std::system(command.c_str()) == 0;
    }

  private:
    void Stop() {
        if (display_ != nullptr) XCloseDisplay(display_);
        display_ = nullptr;
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        if (!WaitFor(5.0, [&] { return ::waitpid(pid_, nullptr, WNOHANG) == pid_; })) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }

    pid_t pid_ = -1;
    std::string name_;
    Display* display_ = nullptr;
};

// The saver, started on a display with its stderr kept in a file.
class SaverProcess {
  public:
    SaverProcess(const XvfbServer& server, const std::vector<std::string>& arguments,
                 const std::vector<std::string>& environment = {}) {
        static int counter = 0;
        errFile_ = std::filesystem::temp_directory_path() /
                   ("kelvarin-x11-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".err");
        Started = Clock::now();
        pid_ = ::fork();
        if (pid_ == 0) {
            const int err = ::open(errFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(err, 2);
            ::setenv("DISPLAY", server.Name().c_str(), 1);
            ::unsetenv("XSCREENSAVER_WINDOW");
            for (const std::string& variable : environment) ::putenv(const_cast<char*>(variable.c_str()));
            std::vector<char*> argv;
            argv.push_back(const_cast<char*>(kSaver.c_str()));
            for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            ::execv(kSaver.c_str(), argv.data());
            ::_exit(127);
        }
    }
    ~SaverProcess() {
        if (!status_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        std::filesystem::remove(errFile_);
    }
    SaverProcess(const SaverProcess&) = delete;
    SaverProcess& operator=(const SaverProcess&) = delete;

    pid_t Pid() const { return pid_; }

    // the wait status once the process has ended, else nullopt after the given seconds
    std::optional<int> WaitExit(double seconds) {
        if (status_) return status_;
        WaitFor(
            seconds,
            [&] {
                int status = 0;
                if (::waitpid(pid_, &status, WNOHANG) != pid_) return false;
                status_ = status;
                return true;
            },
            0.001);
        return status_;
    }
    bool Running() { return !WaitExit(0.0); }

    // what the process wrote on stderr so far
    std::string Err() const {
        std::ifstream stream(errFile_);
        return std::string((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    }

    // user and system processor seconds used so far (from /proc)
    double CpuSeconds() const {
        std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const std::size_t close = text.rfind(')');
        if (close == std::string::npos) return -1.0;
        std::vector<std::string> fields;
        std::size_t at = close + 2;
        while (at < text.size()) {
            const std::size_t space = text.find(' ', at);
            fields.push_back(text.substr(at, space - at));
            if (space == std::string::npos) break;
            at = space + 1;
        }
        // fields from the state on: utime and stime are the 12th and 13th
        if (fields.size() < 13) return -1.0;
        return (std::stod(fields[11]) + std::stod(fields[12])) / static_cast<double>(::sysconf(_SC_CLK_TCK));
    }

    // a line of /proc/<pid>/status, such as "VmHWM", in kilobytes
    long StatusKilobytes(const std::string& key) const {
        std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
        std::string line;
        while (std::getline(status, line))
            if (line.starts_with(key + ":")) return std::stol(line.substr(key.size() + 1));
        return -1;
    }

    Clock::time_point Started;

  private:
    pid_t pid_ = -1;
    std::filesystem::path errFile_;
    std::optional<int> status_;
};

// a wait status that says "exited normally with this code"
inline bool ExitedWith(const std::optional<int>& status, int code) {
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == code;
}

}  // namespace kelvarin::testing
