#pragma once
// A one-line progress bar for long runs, redrawn in place with a carriage return.
// It draws only when told that its stream is a terminal: piped or redirected output
// never receives it. No packaged C++ progress-bar library is at hand, and this needs
// a dozen lines.

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

namespace kelvarin {

// true when the standard error stream is a terminal
bool StandardErrorIsTerminal();

class ProgressBar {
  public:
    // draws on out while shown; total: the amount of work (such as bytes of a file)
    ProgressBar(std::ostream& out, bool shown, std::uintmax_t total, std::string label);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // done of total; redraws at most ten times a second
    void Update(std::uintmax_t done, long rows);
    // wipes the bar off its line (also on destruction)
    void Finish();

  private:
    std::ostream& out_;
    bool shown_;
    bool drawn_ = false;
    std::uintmax_t total_;
    std::string label_;
    std::chrono::steady_clock::time_point last_{};
};

}  // namespace kelvarin
