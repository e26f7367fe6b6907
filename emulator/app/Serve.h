// The serve ends, all served by one event loop: TCP (one job per
// connection, any number of connections and listeners at once), a
// serial-like stream (jobs split by a pause), a followed file, and on
// Windows the named pipe that stands in for the USB printer.
#pragma once
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "emulator/app/EventLoop.h"
#include "emulator/app/Platform.h"
#include "emulator/core/Session.h"

namespace vprinter {

struct ServeOptions {
  std::vector<std::string> tcp;  // ADDR:PORT
  std::string pty, file, com, pipe, record;
  int exitAfterJobs = 0;
  double timeoutS = 0;
  uint64_t acceptBytes = 0;      // 0: no limit
  uint64_t resetAfterBytes = 0;  // 0: no limit
  bool noReply = false;
  int replyDelayMs = 0;
  bool stateEveryJob = false;
  bool showSecrets = false;
};

// A pause this long ends a job on a stream or a followed file.
constexpr int kJobPauseMs = 500;
// How often the ends that cannot be polled (a COM port, the pipe) are
// looked at, and a followed file.
constexpr int kServiceStepMs = 10;
constexpr int kFileStepMs = 100;
// One read takes at most this much.
constexpr size_t kChunkBytes = 65536;

// What every virtual printer on one loop shares: the count of finished jobs
// (--exit-after-jobs counts those of all printers) and one read buffer (the
// loop reads one connection at a time, so a farm of a thousand printers
// needs no buffer of each printer's own).
struct Shared {
  int jobsEnded = 0;
  std::vector<uint8_t> buffer = std::vector<uint8_t>(kChunkBytes);
};

// How a printer of a farm behaves on TCP. A live printer is the printer of
// the options; the others misbehave whatever the options say.
enum class Role {
  Live,
  Dead,    // never accepts: its queue of waiting connections is kept full
  Reset,   // reads what the first read brings, then closes with a reset
  Silent,  // accepts and reads, never answers and never closes
};
const char* RoleName(Role role);

// What the ends of one virtual printer share: its memory, where its events
// go, its options, the loop that serves them, what every printer on the
// loop shares, and in a farm its role and its name (its address).
struct Runtime {
  Printer& printer;
  EventSink& sink;
  const ServeOptions& options;
  EventLoop& loop;
  Shared& shared;
  Role role = Role::Live;
  std::string name;  // empty for the one printer of a plain serve

  SessionOptions Session() const {
    return {options.noReply || role == Role::Silent, options.stateEveryJob, options.showSecrets};
  }
  // Stops the loop once --exit-after-jobs jobs have ended.
  void JobEnded();
};

// Raw bytes of each job to DIR/job-<n>.bin when --record is given (in a
// farm DIR/<address>-job-<n>.bin: each printer counts its own jobs).
class Recorder {
 public:
  Recorder(const std::string& dir, const std::string& name, int job);
  ~Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;
  void Write(const uint8_t* data, size_t size);

 private:
  std::FILE* file_ = nullptr;
};

// Bytes waiting to go out on a non-blocking end, in order.
class Outbox {
 public:
  bool Empty() const { return sent_ == bytes_.size(); }
  size_t Size() const { return bytes_.size() - sent_; }
  void Add(const std::vector<uint8_t>& bytes) { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }
  void Clear() {
    bytes_.clear();
    sent_ = 0;
  }
  // Sends what the end takes now; false on an error, after which the rest
  // is dropped.
  template <typename End>
  bool Flush(End& end) {
    while (!Empty()) {
      size_t sent = 0;
      const IoResult result = end.Send(bytes_.data() + sent_, Size(), &sent);
      if (result == IoResult::WouldBlock) break;
      if (result != IoResult::Data) {
        Clear();
        return false;
      }
      sent_ += sent;
    }
    if (Empty()) Clear();
    return true;
  }

 private:
  std::vector<uint8_t> bytes_;
  size_t sent_ = 0;
};

// The replies of one end, after --reply-delay: each waits on a timer of the
// loop, so the delay holds up nothing else. `deliver` hands them on (to an
// outbox); its answer is what Send reports when there is no delay. With a
// delay Send reports the reply handed on as long as the end has not failed.
class DelayedReplies : public ReplyChannel {
 public:
  DelayedReplies(EventLoop& loop, int delayMs, std::function<bool(const std::vector<uint8_t>&)> deliver)
      : loop_(loop), delayMs_(delayMs), deliver_(std::move(deliver)) {}
  ~DelayedReplies() override { Drop(); }
  DelayedReplies(const DelayedReplies&) = delete;
  DelayedReplies& operator=(const DelayedReplies&) = delete;
  bool Send(const std::vector<uint8_t>& bytes) override;
  bool Waiting() const { return !timers_.empty(); }
  size_t Count() const { return timers_.size(); }
  // The end failed or closed: replies still waiting are dropped, later ones refused.
  void Drop();

 private:
  EventLoop& loop_;
  const int delayMs_;
  std::function<bool(const std::vector<uint8_t>&)> deliver_;
  // The delay is the same for each, so they come due in this order.
  std::deque<EventLoop::TimerId> timers_;
  bool dropped_ = false;
};

// An end of the virtual printer, served by the loop.
class End {
 public:
  virtual ~End() = default;
  // After the loop has stopped: ends the jobs still open (reason "stopped").
  virtual void Shutdown() = 0;
};

std::unique_ptr<End> MakeTcpEnd(Runtime& rt, std::unique_ptr<Listener> listener);
std::unique_ptr<End> MakeStreamEnd(Runtime& rt, std::unique_ptr<Stream> stream, const std::string& label);
std::unique_ptr<End> MakeFileEnd(Runtime& rt, const std::string& path);
// Windows only: the named pipe; null with *error when it cannot be made.
std::unique_ptr<End> MakePipeEnd(Runtime& rt, const std::string& name, std::string* error);

}  // namespace vprinter
