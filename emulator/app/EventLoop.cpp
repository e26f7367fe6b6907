#include "emulator/app/EventLoop.h"

#include <algorithm>

namespace vprinter {
namespace {

// The longest single wait: stop requests from outside are looked at between
// waits (Windows reports Ctrl+C on a thread of its own, which does not wake
// the poll).
constexpr int kMaxWaitMs = 100;

int CeilMs(EventLoop::Clock::duration d) {
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(d).count();
  return ms <= 0 ? 0 : ms > kMaxWaitMs ? kMaxWaitMs : static_cast<int>(ms);
}

}  // namespace

void EventLoop::Add(Watch* watch) { watches_.push_back(watch); }

void EventLoop::Remove(Watch* watch) {
  for (Watch*& slot : watches_) {
    if (slot == watch) slot = nullptr;
  }
}

EventLoop::TimerId EventLoop::After(int ms, std::function<void()> fn) {
  const TimerId id = nextTimer_++;
  const Clock::time_point due = Clock::now() + std::chrono::milliseconds(ms < 0 ? 0 : ms);
  timers_.emplace(TimerKey{due, id}, std::move(fn));
  timerDue_.emplace(id, due);
  return id;
}

void EventLoop::Cancel(TimerId id) {
  const auto found = timerDue_.find(id);
  if (found == timerDue_.end()) return;
  timers_.erase(TimerKey{found->second, id});
  timerDue_.erase(found);
}

int EventLoop::WaitMs(int maxMs) const {
  if (timers_.empty()) return maxMs;
  return std::min(maxMs, CeilMs(timers_.begin()->first.first - Clock::now()));
}

// The timers due now run in the order they came due; one set meanwhile
// waits for the next turn, even when due at once, so that a timer that sets
// itself again cannot hold the loop.
void EventLoop::RunDueTimers() {
  const Clock::time_point now = Clock::now();
  const TimerId last = nextTimer_;
  for (auto it = timers_.begin(); it != timers_.end() && it->first.first <= now && !stop_;) {
    if (it->first.second >= last) {
      ++it;
      continue;
    }
    std::function<void()> fn = std::move(it->second);
    timerDue_.erase(it->first.second);
    timers_.erase(it);
    fn();  // may set and cancel timers
    it = timers_.begin();
  }
}

void EventLoop::Run(double timeoutS) {
  const bool limited = timeoutS > 0;
  const Clock::time_point deadline =
      Clock::now() + std::chrono::milliseconds(static_cast<int64_t>(limited ? timeoutS * 1000 : 0));
  std::vector<PollEntry> entries;
  std::vector<size_t> polled;  // index in watches_ of each entry
  while (!stop_ && !StopRequested()) {
    int maxMs = kMaxWaitMs;
    if (limited) {
      const Clock::time_point now = Clock::now();
      if (now >= deadline) break;
      maxMs = CeilMs(deadline - now);
    }
    watches_.erase(std::remove(watches_.begin(), watches_.end(), nullptr), watches_.end());
    entries.clear();
    polled.clear();
    for (size_t i = 0; i < watches_.size(); ++i) {
      const bool read = watches_[i]->WantsRead();
      const bool write = watches_[i]->WantsWrite();
      if (!read && !write) continue;
      entries.push_back(PollEntry{watches_[i]->Handle(), read, write});
      polled.push_back(i);
    }
    Poll(entries, WaitMs(maxMs));
    for (size_t i = 0; i < entries.size() && !stop_; ++i) {
      const PollEntry& e = entries[i];
      if (!e.readable && !e.writable && !e.failed) continue;
      Watch* watch = watches_[polled[i]];  // null once removed during this turn
      if (watch != nullptr) watch->OnReady(e.readable, e.writable, e.failed);
    }
    RunDueTimers();
  }
  stop_ = true;
}

}  // namespace vprinter
