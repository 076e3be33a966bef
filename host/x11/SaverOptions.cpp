#include "host/x11/SaverOptions.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "model/DecimalReader.hpp"

namespace kelvarin {
namespace {

// "-name" and "--name" are the same option
std::string_view OptionName(std::string_view argument) {
    if (argument.starts_with("--")) return argument.substr(1);
    return argument;
}

// a whole text as a finite number
std::optional<double> ParseNumber(std::string_view text) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [last, error] = ReadDouble(text.data(), end, value);
    if (text.empty() || error != std::errc() || last != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace

std::optional<unsigned long> ParseWindowId(std::string_view text) {
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    }
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [last, error] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || error != std::errc() || last != end || value == 0 || value > 0xFFFFFFFFu) return std::nullopt;
    return static_cast<unsigned long>(value);
}

SaverOptions ParseSaverOptions(const std::vector<std::string>& arguments, const char* saverWindow) {
    SaverOptions options;
    bool window = false, root = false;
    std::optional<unsigned long> windowId;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view name = OptionName(arguments[i]);
        // the value after an option that takes one
        auto value = [&]() -> const std::string& {
            if (i + 1 >= arguments.size()) throw UsageError(std::string(name) + " needs a value");
            return arguments[++i];
        };
        if (name == "-window") {
            window = true;
        } else if (name == "-root") {
            root = true;
        } else if (name == "-fullscreen") {
            options.FullScreen = true;
        } else if (name == "-window-id") {
            const std::string& text = value();
            windowId = ParseWindowId(text);
            if (!windowId) throw UsageError("-window-id needs a window id, not \"" + text + "\"");
        } else if (name == "-scene") {
            const std::string& text = value();
            if (text.empty()) throw UsageError("-scene needs a file name");
            options.Scene = text;
        } else if (name == "-delay") {
            const std::string& text = value();
            const std::optional<double> seconds = ParseNumber(text);
            if (!seconds) throw UsageError("-delay needs a number of seconds, not \"" + text + "\"");
            options.Delay = std::clamp(*seconds, SaverOptions::kMinDelay, SaverOptions::kMaxDelay);
        } else if (name == "-method") {
            const std::string& text = value();
            if (text == "thiessen") {
                options.Method = 0;
            } else if (text == "heightbalance") {
                options.Method = 1;
            } else if (text == "all") {
                options.Method = -1;
            } else {
                throw UsageError("-method is thiessen, heightbalance or all, not \"" + text + "\"");
            }
        } else if (name == "-help" || name == "-h") {
            throw UsageError("");
        } else {
            throw UsageError("unknown option \"" + arguments[i] + "\"");
        }
    }
    if (static_cast<int>(window) + static_cast<int>(root) + static_cast<int>(windowId.has_value()) > 1)
        throw UsageError("-window, -root and -window-id exclude each other");

    if (windowId) {
        options.Target = SaverTarget::Preview;
        options.WindowId = *windowId;
    } else if (!window && saverWindow != nullptr && *saverWindow != '\0') {
        // the screen-saver daemon names the window it made for us; it wins over -root
        const std::optional<unsigned long> id = ParseWindowId(saverWindow);
        if (!id) throw UsageError(std::string("XSCREENSAVER_WINDOW is no window id: \"") + saverWindow + "\"");
        options.Target = SaverTarget::SaverWindow;
        options.WindowId = *id;
    } else if (root) {
        options.Target = SaverTarget::SaverWindow;
        options.WindowId = 0;
    }
    if (options.FullScreen && options.Target != SaverTarget::OwnWindow)
        throw UsageError("-fullscreen is for a window of its own");
    return options;
}

std::vector<std::filesystem::path> SceneCandidates(const std::filesystem::path& programFolder,
                                                   const char* xdgConfigHome, const char* home,
                                                   const std::filesystem::path& installedScene) {
    std::vector<std::filesystem::path> candidates;
    if (!programFolder.empty()) candidates.push_back(programFolder / "Kelvarin.ini");
    // an XDG variable that is empty or relative counts as unset
    if (xdgConfigHome != nullptr && std::filesystem::path(xdgConfigHome).is_absolute()) {
        candidates.push_back(std::filesystem::path(xdgConfigHome) / "kelvarin" / "Kelvarin.ini");
    } else if (home != nullptr && *home != '\0') {
        candidates.push_back(std::filesystem::path(home) / ".config" / "kelvarin" / "Kelvarin.ini");
    }
    if (!installedScene.empty()) candidates.push_back(installedScene);
    return candidates;
}

}  // namespace kelvarin
