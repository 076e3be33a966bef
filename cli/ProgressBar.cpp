#include "cli/ProgressBar.hpp"

#include <algorithm>
#include <cstdio>
#include <utility>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace kelvarin {
namespace {

constexpr int kBarWidth = 30;
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);

}  // namespace

bool StandardErrorIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

ProgressBar::ProgressBar(std::ostream& out, bool shown, std::uintmax_t total, std::string label)
    : out_(out), shown_(shown && total > 0), total_(total), label_(std::move(label)) {}

ProgressBar::~ProgressBar() { Finish(); }

void ProgressBar::Update(std::uintmax_t done, long rows) {
    if (!shown_) return;
    const auto now = std::chrono::steady_clock::now();
    if (drawn_ && now - last_ < kRedrawEvery) return;
    last_ = now;
    const double share = std::min(1.0, static_cast<double>(done) / static_cast<double>(total_));
    const int filled = static_cast<int>(share * kBarWidth);
    char percent[8];
    std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(share * 100.0));
    out_ << '\r' << label_ << " [" << std::string(filled, '#') << std::string(kBarWidth - filled, ' ') << "] "
         << percent << "  " << rows << " rows" << std::flush;
    drawn_ = true;
}

void ProgressBar::Finish() {
    if (!drawn_) return;
    out_ << "\r\033[K" << std::flush;
    drawn_ = false;
}

}  // namespace kelvarin
