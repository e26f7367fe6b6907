// The serve loops shared by both builds: TCP (one job per connection), a
// serial-like stream (jobs split by a pause), a followed file, and on
// Windows the named pipe that stands in for the USB printer.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

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
};

// A pause this long ends a job on a stream or a followed file.
constexpr int kJobPauseMs = 500;

// Counts finished jobs and tells the loops when to stop.
class Stopper {
 public:
  explicit Stopper(int jobLimit) : limit_(jobLimit) {}
  void JobEnded();
  void Stop();
  bool Stopping() const { return stop_; }
  // Until stopped, or timeoutS passed (0: no limit).
  void Wait(double timeoutS);

 private:
  const int limit_;
  int jobs_ = 0;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
};

struct Runtime {
  Printer& printer;
  EventSink& sink;
  const ServeOptions& options;
  Stopper& stopper;
  SessionOptions Session() const { return {options.noReply, options.stateEveryJob}; }
};

// Raw bytes of each job to DIR/job-<n>.bin when --record is given.
class Recorder {
 public:
  Recorder(const std::string& dir, int job);
  ~Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;
  void Write(const uint8_t* data, size_t size);

 private:
  std::FILE* file_ = nullptr;
};

void ServeTcp(Runtime& rt, Listener& listener, const std::string& label);
void ServeStream(Runtime& rt, Stream& stream, const std::string& label);
void ServeFile(Runtime& rt, const std::string& path);

// Windows only: serves the named pipe until stopped; false with *error when
// the pipe cannot be made.
class PipeServer {
 public:
  virtual ~PipeServer() = default;
  virtual void Run() = 0;
};
std::unique_ptr<PipeServer> MakePipeServer(Runtime& rt, const std::string& name,
                                           std::string* error);

}  // namespace vprinter
