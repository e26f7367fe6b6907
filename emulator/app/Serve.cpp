#include "emulator/app/Serve.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace vprinter {

const char* RoleName(Role role) {
  switch (role) {
    case Role::Dead:
      return "dead";
    case Role::Reset:
      return "reset";
    case Role::Silent:
      return "silent";
    default:
      return "live";
  }
}

void Runtime::JobEnded() {
  ++shared.jobsEnded;
  if (options.exitAfterJobs > 0 && shared.jobsEnded >= options.exitAfterJobs) loop.Stop();
}

Recorder::Recorder(const std::string& dir, const std::string& name, int job) {
  if (dir.empty()) return;
  const std::string file = (name.empty() ? "" : name + "-") + "job-" + std::to_string(job) + ".bin";
  const std::string path = (std::filesystem::path(dir) / file).string();
  file_ = std::fopen(path.c_str(), "wb");
}

Recorder::~Recorder() {
  if (file_ != nullptr) std::fclose(file_);
}

void Recorder::Write(const uint8_t* data, size_t size) {
  if (file_ != nullptr) std::fwrite(data, 1, size, file_);
}

bool DelayedReplies::Send(const std::vector<uint8_t>& bytes) {
  if (dropped_) return false;
  if (delayMs_ <= 0) return deliver_(bytes);
  timers_.push_back(loop_.After(delayMs_, [this, bytes] {
    timers_.pop_front();
    deliver_(bytes);
  }));
  return true;
}

void DelayedReplies::Drop() {
  dropped_ = true;
  for (EventLoop::TimerId id : timers_) loop_.Cancel(id);
  timers_.clear();
}

namespace {

// A connection holds at most this much unsent reply, or this many replies
// waiting out --reply-delay; past either it is not read until they have
// gone (a client that never reads then stalls only itself).
constexpr size_t kMaxOutgoingBytes = 1 << 20;
constexpr size_t kMaxWaitingReplies = 1024;
// Accepted in one turn at most, so a flood of connections leaves the
// others their turn.
constexpr int kAcceptsPerTurn = 256;
// When accepting fails (no descriptors left), the listener rests this long.
constexpr int kAcceptRestMs = 100;
// A silent printer holds each connection until the program stops; past this
// many it accepts no more (further clients wait in the system's queue), so
// that it cannot take every descriptor of the process.
constexpr size_t kMaxSilentHeld = 64;

class TcpEnd;

// One connection: one job.
class TcpJob : public EventLoop::Watch {
 public:
  TcpJob(Runtime& rt, TcpEnd& end, std::unique_ptr<Connection> connection);
  ~TcpJob() override {
    if (state_ != State::Done) rt_.loop.Remove(this);
  }
  bool Done() const { return state_ == State::Done; }
  PollHandle Handle() const override { return connection_->Handle(); }
  bool WantsRead() const override {
    return state_ == State::Reading && outbox_.Size() < kMaxOutgoingBytes && replies_.Count() < kMaxWaitingReplies;
  }
  bool WantsWrite() const override { return state_ != State::Done && !outbox_.Empty(); }
  void OnReady(bool readable, bool writable, bool failed) override;
  // The loop stopped: ends the job where it stands.
  void Stop() {
    if (state_ != State::Done) Finish("stopped");
  }

 private:
  // Held: a silent printer's connection after the client's close; it is
  // neither read nor closed until the program stops.
  enum class State { Reading, Draining, Held, Done };
  void Read();
  bool Deliver(const std::vector<uint8_t>& bytes);
  bool Flush();
  // Stops reading; closes once the replies still due have gone out.
  void Drain(const char* reason);
  void DrainedYet();
  void Finish(const char* reason);

  Runtime& rt_;
  TcpEnd& end_;
  std::unique_ptr<Connection> connection_;
  Outbox outbox_;
  DelayedReplies replies_;
  Session session_;
  std::unique_ptr<Recorder> recorder_;
  uint64_t limit_ = 0;  // the first byte limit that applies (0: none)
  bool resetAtLimit_ = false;
  State state_ = State::Reading;
  const char* reason_ = "closed";
};

class TcpEnd : public End, public EventLoop::Watch {
 public:
  TcpEnd(Runtime& rt, std::unique_ptr<Listener> listener) : rt_(rt), listener_(std::move(listener)) {
    rt_.loop.Add(this);
  }
  ~TcpEnd() override {
    rt_.loop.Remove(this);
    if (restTimer_ != 0) rt_.loop.Cancel(restTimer_);
    if (sweepTimer_ != 0) rt_.loop.Cancel(sweepTimer_);
  }
  PollHandle Handle() const override { return listener_->Handle(); }
  bool WantsRead() const override {
    return restTimer_ == 0 && !rt_.loop.Stopping() && (rt_.role != Role::Silent || jobs_.size() < kMaxSilentHeld);
  }
  bool WantsWrite() const override { return false; }
  void OnReady(bool, bool, bool) override;
  void Shutdown() override;
  // A job closed: it leaves the loop now and memory after this turn.
  void Finished(TcpJob* job);

 private:
  void Sweep();

  Runtime& rt_;
  std::unique_ptr<Listener> listener_;
  std::vector<std::unique_ptr<TcpJob>> jobs_;
  EventLoop::TimerId restTimer_ = 0;
  EventLoop::TimerId sweepTimer_ = 0;
};

TcpJob::TcpJob(Runtime& rt, TcpEnd& end, std::unique_ptr<Connection> connection)
    : rt_(rt),
      end_(end),
      connection_(std::move(connection)),
      replies_(rt.loop, rt.options.replyDelayMs, [this](const std::vector<uint8_t>& bytes) { return Deliver(bytes); }),
      session_(rt.printer, rt.sink, "tcp " + connection_->Peer(), &replies_, rt.Session()) {
  session_.Start();
  recorder_ = std::make_unique<Recorder>(rt.options.record, rt.name, session_.Job());
  if (rt.role != Role::Live) {
    // The byte limits of the options belong to the live printers.
  } else if (rt.options.resetAfterBytes > 0) {
    limit_ = rt.options.resetAfterBytes;
    resetAtLimit_ = true;
  }
  if (rt.role == Role::Live && rt.options.acceptBytes > 0 && (limit_ == 0 || rt.options.acceptBytes < limit_)) {
    limit_ = rt.options.acceptBytes;
    resetAtLimit_ = false;
  }
  rt_.loop.Add(this);
}

void TcpJob::OnReady(bool readable, bool writable, bool failed) {
  if ((writable || failed) && !outbox_.Empty() && !Flush()) return;
  if ((readable || failed) && state_ == State::Reading) Read();
}

void TcpJob::Read() {
  std::vector<uint8_t>& buffer = rt_.shared.buffer;
  size_t want = buffer.size();
  if (limit_ > 0 && limit_ - session_.Bytes() < want) want = static_cast<size_t>(limit_ - session_.Bytes());
  size_t got = 0;
  switch (connection_->Receive(buffer.data(), want, &got)) {
    case IoResult::WouldBlock:
      return;
    case IoResult::Closed:
      if (rt_.role == Role::Reset) {
        connection_->Reset();
        Finish("reset");
      } else if (rt_.role == Role::Silent) {
        state_ = State::Held;
      } else {
        Drain("closed");
      }
      return;
    case IoResult::Error:
      Finish("error");
      return;
    case IoResult::Data:
      break;
  }
  recorder_->Write(buffer.data(), got);
  session_.Feed(buffer.data(), got);
  if (rt_.role == Role::Reset && state_ == State::Reading) {
    connection_->Reset();
    Finish("reset");
    return;
  }
  if (state_ != State::Reading || limit_ == 0 || session_.Bytes() < limit_) return;
  if (resetAtLimit_) {
    // What is already due goes out if the socket takes it at once.
    Flush();
    if (state_ == State::Done) return;
    connection_->Reset();
    Finish("reset_after_bytes");
  } else {
    Drain("accept_bytes");
  }
}

bool TcpJob::Deliver(const std::vector<uint8_t>& bytes) {
  if (state_ == State::Done) return false;
  outbox_.Add(bytes);
  const bool ok = Flush();
  DrainedYet();
  return ok;
}

// A failed send means the client is gone: a job that was only waiting for
// its replies to go out is over; one still reading learns how from its
// next read.
bool TcpJob::Flush() {
  if (outbox_.Flush(*connection_)) {
    DrainedYet();
    return true;
  }
  replies_.Drop();
  if (state_ == State::Draining) Finish(reason_);
  return false;
}

void TcpJob::Drain(const char* reason) {
  state_ = State::Draining;
  reason_ = reason;
  DrainedYet();
}

void TcpJob::DrainedYet() {
  if (state_ == State::Draining && outbox_.Empty() && !replies_.Waiting()) Finish(reason_);
}

void TcpJob::Finish(const char* reason) {
  if (state_ == State::Done) return;
  state_ = State::Done;
  replies_.Drop();
  outbox_.Clear();
  connection_.reset();
  session_.End(reason);
  rt_.JobEnded();
  end_.Finished(this);
}

void TcpEnd::OnReady(bool, bool, bool) {
  for (int i = 0; i < kAcceptsPerTurn && !rt_.loop.Stopping(); ++i) {
    bool failed = false;
    std::unique_ptr<Connection> connection = listener_->Accept(&failed);
    if (failed) {
      restTimer_ = rt_.loop.After(kAcceptRestMs, [this] { restTimer_ = 0; });
      return;
    }
    if (!connection) return;
    jobs_.push_back(std::make_unique<TcpJob>(rt_, *this, std::move(connection)));
  }
}

void TcpEnd::Finished(TcpJob* job) {
  rt_.loop.Remove(job);
  if (sweepTimer_ == 0) sweepTimer_ = rt_.loop.After(0, [this] { Sweep(); });
}

void TcpEnd::Sweep() {
  sweepTimer_ = 0;
  jobs_.erase(std::remove_if(jobs_.begin(), jobs_.end(), [](const std::unique_ptr<TcpJob>& job) { return job->Done(); }),
              jobs_.end());
}

void TcpEnd::Shutdown() {
  for (auto& job : jobs_) job->Stop();
  if (sweepTimer_ != 0) rt_.loop.Cancel(sweepTimer_);
  Sweep();
}

// A pty or a COM port: a job is the bytes until a pause; replies go back on
// the stream.
class StreamEnd : public End, public EventLoop::Watch {
 public:
  StreamEnd(Runtime& rt, std::unique_ptr<Stream> stream, std::string label)
      : rt_(rt),
        stream_(std::move(stream)),
        label_(std::move(label)),
        buffer_(kChunkBytes),
        replies_(rt.loop, rt.options.replyDelayMs, [this](const std::vector<uint8_t>& bytes) { return Deliver(bytes); }) {
    pollable_ = stream_->Pollable(&handle_);
    if (pollable_) {
      rt_.loop.Add(this);
    } else {
      Step();
    }
  }
  ~StreamEnd() override {
    rt_.loop.Remove(this);
    for (EventLoop::TimerId id : {pauseTimer_, stepTimer_, restTimer_}) {
      if (id != 0) rt_.loop.Cancel(id);
    }
  }
  PollHandle Handle() const override { return handle_; }
  bool WantsRead() const override { return restTimer_ == 0; }
  bool WantsWrite() const override { return !outbox_.Empty(); }
  void OnReady(bool readable, bool writable, bool failed) override {
    if (!outbox_.Empty()) outbox_.Flush(*stream_);
    if (readable || failed) Read();
  }
  void Shutdown() override {
    if (session_) EndJob("stopped");
  }

 private:
  // The end that cannot be polled is looked at every few milliseconds.
  void Step() {
    stepTimer_ = rt_.loop.After(kServiceStepMs, [this] { Step(); });
    if (!outbox_.Empty()) outbox_.Flush(*stream_);
    Read();
  }
  void Read() {
    size_t got = 0;
    const IoResult result = stream_->Receive(buffer_.data(), buffer_.size(), &got);
    if (result == IoResult::Error || result == IoResult::Closed) {
      // A stream stays open for the next job; rest instead of spinning.
      if (pollable_ && restTimer_ == 0) restTimer_ = rt_.loop.After(kJobPauseMs, [this] { restTimer_ = 0; });
      return;
    }
    if (result != IoResult::Data) return;
    if (!session_) {
      session_ = std::make_unique<Session>(rt_.printer, rt_.sink, label_, &replies_, rt_.Session());
      session_->Start();
      recorder_ = std::make_unique<Recorder>(rt_.options.record, rt_.name, session_->Job());
    }
    recorder_->Write(buffer_.data(), got);
    session_->Feed(buffer_.data(), got);
    if (pauseTimer_ != 0) rt_.loop.Cancel(pauseTimer_);
    pauseTimer_ = rt_.loop.After(kJobPauseMs, [this] {
      pauseTimer_ = 0;
      EndJob("pause");
    });
  }
  bool Deliver(const std::vector<uint8_t>& bytes) {
    outbox_.Add(bytes);
    return outbox_.Flush(*stream_);
  }
  void EndJob(const char* reason) {
    session_->End(reason);
    session_.reset();
    recorder_.reset();
    rt_.JobEnded();
  }

  Runtime& rt_;
  std::unique_ptr<Stream> stream_;
  const std::string label_;
  std::vector<uint8_t> buffer_;
  PollHandle handle_ = 0;
  bool pollable_ = false;
  Outbox outbox_;
  DelayedReplies replies_;
  std::unique_ptr<Session> session_;
  std::unique_ptr<Recorder> recorder_;
  EventLoop::TimerId pauseTimer_ = 0, stepTimer_ = 0, restTimer_ = 0;
};

// The file is emptied at start and after each job: a port writes into it
// from offset 0, so a job is what it holds once it stops changing.
class FileEnd : public End {
 public:
  FileEnd(Runtime& rt, std::string path) : rt_(rt), path_(std::move(path)), buffer_(kChunkBytes) {
    { std::ofstream create(path_, std::ios::binary | std::ios::trunc); }
    timer_ = rt_.loop.After(kFileStepMs, [this] { Step(); });
  }
  ~FileEnd() override { rt_.loop.Cancel(timer_); }
  void Shutdown() override {}

 private:
  void Step();
  Runtime& rt_;
  const std::string path_;
  std::vector<uint8_t> buffer_;
  EventLoop::TimerId timer_ = 0;
  uintmax_t lastSize_ = 0;
  int quietMs_ = 0;
};

void FileEnd::Step() {
  namespace fs = std::filesystem;
  timer_ = rt_.loop.After(kFileStepMs, [this] { Step(); });
  std::error_code error;
  const uintmax_t size = fs::file_size(path_, error);
  if (error || size == 0) return;
  if (size != lastSize_) {
    lastSize_ = size;
    quietMs_ = 0;
    return;
  }
  quietMs_ += kFileStepMs;
  if (quietMs_ < kJobPauseMs) return;
  Session session(rt_.printer, rt_.sink, "file " + path_, nullptr, rt_.Session());
  session.Start();
  Recorder recorder(rt_.options.record, rt_.name, session.Job());
  {
    std::ifstream in(path_, std::ios::binary);
    while (in) {
      in.read(reinterpret_cast<char*>(buffer_.data()), static_cast<std::streamsize>(buffer_.size()));
      const size_t got = static_cast<size_t>(in.gcount());
      if (got == 0) break;
      recorder.Write(buffer_.data(), got);
      session.Feed(buffer_.data(), got);
    }
  }
  fs::resize_file(path_, 0, error);
  lastSize_ = 0;
  quietMs_ = 0;
  session.End("file settled");
  rt_.JobEnded();
}

}  // namespace

std::unique_ptr<End> MakeTcpEnd(Runtime& rt, std::unique_ptr<Listener> listener) {
  return std::make_unique<TcpEnd>(rt, std::move(listener));
}

std::unique_ptr<End> MakeStreamEnd(Runtime& rt, std::unique_ptr<Stream> stream, const std::string& label) {
  return std::make_unique<StreamEnd>(rt, std::move(stream), label);
}

std::unique_ptr<End> MakeFileEnd(Runtime& rt, const std::string& path) {
  return std::make_unique<FileEnd>(rt, path);
}

}  // namespace vprinter
