#include "view/ScriptedWindowSystem.hpp"

#include "model/BitsOf.hpp"

namespace kelvarin {

ScriptedWindowSystem::ScriptedWindowSystem(std::uint64_t seed) : seed_(seed), random_(seed) {}

void ScriptedWindowSystem::DeliverAll(std::map<long, std::vector<WindowEvent>>& script, long call) {
    auto it = script.find(call);
    if (it == script.end()) return;
    const std::vector<WindowEvent> events = std::move(it->second);
    script.erase(it);
    for (WindowEvent event : events) Deliver(event);
}

void ScriptedWindowSystem::DoEvents() {
    ++doEventsCalls_;
    DeliverAll(atDoEvents_, doEventsCalls_);
    if (endAfterCycles_ >= 0 && cycles_ >= endAfterCycles_ && !closeSent_) {
        closeSent_ = true;
        Deliver(WindowEvent::CloseRequested);
    }
}

void ScriptedWindowSystem::Wait(double seconds) {
    ++waitCalls_;
    if (seconds > 0.0) waitedSeconds_ += seconds;
    DeliverAll(atWait_, waitCalls_);
}

// the same seed always gives the same numbers, mixed with the constructor's seed
void ScriptedWindowSystem::Randomize(double seed) { random_.seed(seed_ ^ BitsOf(seed)); }

// 53 random bits scaled into [0, 1): never 1
double ScriptedWindowSystem::Rnd() { return static_cast<double>(random_() >> 11) * 0x1.0p-53; }

void ScriptedWindowSystem::MessageBox(std::string_view text, std::string_view title, MessageIcon) {
    messages_.push_back(std::string(title) + ": " + std::string(text));
}

bool ScriptedWindowSystem::VerifyPassword() {
    ++passwordChecks_;
    if (passwordAnswers_.empty()) return true;
    const bool answer = passwordAnswers_.front();
    passwordAnswers_.pop_front();
    return answer;
}

}  // namespace kelvarin
