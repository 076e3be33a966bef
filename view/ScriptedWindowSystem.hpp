#pragma once
// A window system without a window, for tests and the command line: seeded random
// numbers, a settable clock, no pacing, scripted window events delivered at given
// message-handling calls, scripted password answers, and an optional end after a
// given number of demonstration cycles.

#include <cstdint>
#include <deque>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "view/WindowSystem.hpp"

namespace kelvarin {

class ScriptedWindowSystem : public WindowSystem {
  public:
    explicit ScriptedWindowSystem(std::uint64_t seed = 1);

    // delivers the event during the call-th DoEvents (1-based)
    void AtDoEvents(long call, WindowEvent event) { atDoEvents_[call].push_back(event); }
    // delivers the event during the call-th Wait (1-based)
    void AtWait(long call, WindowEvent event) { atWait_[call].push_back(event); }
    // asks to close the window at the first DoEvents after the given number of cycles
    void EndAfterCycles(long cycles) { endAfterCycles_ = cycles; }
    // the next answers of VerifyPassword; true once they are used up
    void QueuePasswordAnswer(bool answer) { passwordAnswers_.push_back(answer); }
    void SetClock(double secondsSinceMidnight) { clock_ = secondsSinceMidnight; }

    void DoEvents() override;
    void Wait(double seconds) override;
    double Timer() override { return clock_; }
    void Randomize(double seed) override;
    double Rnd() override;
    void MessageBox(std::string_view text, std::string_view title, MessageIcon icon) override;
    bool VerifyPassword() override;
    void CycleEnded() override { ++cycles_; }

    long DoEventsCalls() const { return doEventsCalls_; }
    long WaitCalls() const { return waitCalls_; }
    double WaitedSeconds() const { return waitedSeconds_; }
    long PasswordChecks() const { return passwordChecks_; }
    long Cycles() const { return cycles_; }
    const std::vector<std::string>& Messages() const { return messages_; }

  private:
    void DeliverAll(std::map<long, std::vector<WindowEvent>>& script, long call);

    std::uint64_t seed_;
    std::mt19937_64 random_;
    double clock_ = 0.0;
    std::map<long, std::vector<WindowEvent>> atDoEvents_, atWait_;
    std::deque<bool> passwordAnswers_;
    long endAfterCycles_ = -1;
    bool closeSent_ = false;
    long doEventsCalls_ = 0, waitCalls_ = 0, passwordChecks_ = 0, cycles_ = 0;
    double waitedSeconds_ = 0.0;
    std::vector<std::string> messages_;
};

}  // namespace kelvarin
