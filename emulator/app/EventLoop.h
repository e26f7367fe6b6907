// One thread serves every end and every connection: the loop polls the
// sockets (and on Linux the pty) all at once, hands each ready one to its
// owner, and runs timers (reply delays, the pause that ends a job on a
// stream, the short service steps of ends that cannot be polled). A
// connection that sends nothing or reads nothing therefore holds up no other
// and no timer. Nothing in here knows about printers: any number of ends,
// of one or of several virtual printers, can share a loop.
#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

#include "emulator/app/Platform.h"

namespace vprinter {

class EventLoop {
 public:
  using Clock = std::chrono::steady_clock;
  using TimerId = uint64_t;

  // Something polled by the loop. Its wants are asked before each wait; one
  // that wants nothing is not polled at all.
  class Watch {
   public:
    virtual ~Watch() = default;
    virtual PollHandle Handle() const = 0;
    virtual bool WantsRead() const = 0;
    virtual bool WantsWrite() const = 0;
    virtual void OnReady(bool readable, bool writable, bool failed) = 0;
  };

  EventLoop() = default;
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  // The loop does not own watches. Remove may be called at any time, also
  // from a callback; the watch is not called again after it and may be
  // destroyed once the callback that removed it has returned (After(0, ...)
  // runs after the current turn's callbacks).
  void Add(Watch* watch);
  void Remove(Watch* watch);

  // Runs fn once, ms from now (0: after the current turn's ready handles).
  TimerId After(int ms, std::function<void()> fn);
  // A timer that has run or was cancelled is ignored.
  void Cancel(TimerId id);

  // Serves until Stop(), a stop request from outside (StopRequested), or
  // timeoutS seconds (0: no limit).
  void Run(double timeoutS);
  void Stop() { stop_ = true; }
  bool Stopping() const { return stop_; }

 private:
  using TimerKey = std::pair<Clock::time_point, TimerId>;
  // How long the next wait may last, at most maxMs.
  int WaitMs(int maxMs) const;
  void RunDueTimers();

  std::vector<Watch*> watches_;  // removed ones are null until the next turn
  // Timers in the order they come due (ties: in the order they were set).
  std::map<TimerKey, std::function<void()>> timers_;
  std::unordered_map<TimerId, Clock::time_point> timerDue_;
  TimerId nextTimer_ = 1;
  bool stop_ = false;
};

}  // namespace vprinter
