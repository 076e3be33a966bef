#pragma once
// The command line of the X11 saver, in the manner of XScreenSaver's display
// programs, and where it looks for its scene. Nothing here talks to the X server.

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kelvarin {

// One line of usage, printed on stderr for -help and for every bad option.
inline constexpr const char* kSaverUsage =
    "usage: kelvarin [-window [-fullscreen] | -root | -window-id ID] [-scene FILE] [-delay SECONDS] "
    "[-method thiessen|heightbalance|all]";

// A command line the saver cannot run with (also -help).
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Where the picture goes and who decides when the run ends.
enum class SaverTarget {
    OwnWindow,    // a top-level window of its own; input, focus loss and closing end the run
    SaverWindow,  // the root window or XSCREENSAVER_WINDOW: only SIGTERM ends the run
    Preview,      // -window-id: someone else's small window; its destruction ends the run
};

struct SaverOptions {
    SaverTarget Target = SaverTarget::OwnWindow;
    unsigned long WindowId = 0;  // SaverWindow and Preview; 0 with SaverWindow is the root window
    bool FullScreen = false;
    std::optional<std::filesystem::path> Scene;
    // seconds between two repaints of a ring, clamped to [kMinDelay, kMaxDelay]
    std::optional<double> Delay;
    std::optional<int> Method;  // 0 Thiessen, 1 height-balance, -1 either

    // a faster pace would spin the processor, a slower one shows nothing moving
    static constexpr double kMinDelay = 0.02;
    static constexpr double kMaxDelay = 10.0;
};

// a window id as X clients print them: decimal or 0x-hex, nonzero, 32 bits at most
std::optional<unsigned long> ParseWindowId(std::string_view text);

// reads the arguments (argv[1..]); saverWindow is the XSCREENSAVER_WINDOW variable or
// nullptr. Throws UsageError for -help, unknown options and unusable values.
SaverOptions ParseSaverOptions(const std::vector<std::string>& arguments, const char* saverWindow);

// The scene files to try, in order: the one beside the program, the user's own in
// $XDG_CONFIG_HOME/kelvarin (or ~/.config/kelvarin), then the installed bundled scene.
// Empty folders and variables are skipped.
std::vector<std::filesystem::path> SceneCandidates(const std::filesystem::path& programFolder,
                                                   const char* xdgConfigHome, const char* home,
                                                   const std::filesystem::path& installedScene);

}  // namespace kelvarin
