#include "emulator/app/Serve.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace vprinter {

void Stopper::JobEnded() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (limit_ > 0 && ++jobs_ >= limit_) stop_ = true;
  changed_.notify_all();
}

void Stopper::Stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  stop_ = true;
  changed_.notify_all();
}

void Stopper::Wait(double timeoutS) {
  std::unique_lock<std::mutex> lock(mutex_);
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<int64_t>(timeoutS * 1000));
  while (!stop_) {
    if (timeoutS > 0) {
      if (changed_.wait_until(lock, deadline) == std::cv_status::timeout) break;
    } else {
      changed_.wait(lock);
    }
  }
  stop_ = true;
}

Recorder::Recorder(const std::string& dir, int job) {
  if (dir.empty()) return;
  const std::string path = (std::filesystem::path(dir) / ("job-" + std::to_string(job) + ".bin")).string();
  file_ = std::fopen(path.c_str(), "wb");
}

Recorder::~Recorder() {
  if (file_ != nullptr) std::fclose(file_);
}

void Recorder::Write(const uint8_t* data, size_t size) {
  if (file_ != nullptr) std::fwrite(data, 1, size, file_);
}

namespace {

constexpr int kPollMs = 100;
constexpr size_t kChunkBytes = 65536;

// Replies on the connection or stream the request came in on.
template <typename End>
class DirectReply : public ReplyChannel {
 public:
  DirectReply(End& end, int delayMs) : end_(end), delayMs_(delayMs) {}
  bool Send(const std::vector<uint8_t>& bytes) override {
    if (delayMs_ > 0) SleepMs(delayMs_);
    return end_.Write(bytes.data(), bytes.size());
  }

 private:
  End& end_;
  int delayMs_;
};

}  // namespace

void ServeTcp(Runtime& rt, Listener& listener, const std::string& label) {
  std::vector<uint8_t> buffer(kChunkBytes);
  while (!rt.stopper.Stopping()) {
    std::unique_ptr<Connection> connection = listener.Accept(kPollMs);
    if (!connection) continue;
    DirectReply<Connection> reply(*connection, rt.options.replyDelayMs);
    Session session(rt.printer, rt.sink, "tcp " + connection->Peer(), &reply, rt.Session());
    session.Start();
    Recorder recorder(rt.options.record, session.Job());
    // The first limit that applies, and what happens when it is reached.
    uint64_t limit = 0;
    bool reset = false;
    if (rt.options.resetAfterBytes > 0) {
      limit = rt.options.resetAfterBytes;
      reset = true;
    }
    if (rt.options.acceptBytes > 0 && (limit == 0 || rt.options.acceptBytes < limit)) {
      limit = rt.options.acceptBytes;
      reset = false;
    }
    const char* reason = "stopped";
    while (!rt.stopper.Stopping()) {
      size_t want = buffer.size();
      if (limit > 0 && limit - session.Bytes() < want) want = static_cast<size_t>(limit - session.Bytes());
      size_t got = 0;
      const IoResult result = connection->Read(buffer.data(), want, kPollMs, &got);
      if (result == IoResult::Timeout) continue;
      if (result == IoResult::Closed) {
        reason = "closed";
        break;
      }
      if (result == IoResult::Error) {
        reason = "error";
        break;
      }
      recorder.Write(buffer.data(), got);
      session.Feed(buffer.data(), got);
      if (limit > 0 && session.Bytes() >= limit) {
        reason = reset ? "reset_after_bytes" : "accept_bytes";
        if (reset) connection->Reset();
        break;
      }
    }
    connection.reset();
    session.End(reason);
    rt.stopper.JobEnded();
  }
}

void ServeStream(Runtime& rt, Stream& stream, const std::string& label) {
  std::vector<uint8_t> buffer(kChunkBytes);
  DirectReply<Stream> reply(stream, rt.options.replyDelayMs);
  while (!rt.stopper.Stopping()) {
    size_t got = 0;
    if (stream.Read(buffer.data(), buffer.size(), kPollMs, &got) != IoResult::Data) continue;
    // A job: bytes until a pause.
    Session session(rt.printer, rt.sink, label, &reply, rt.Session());
    session.Start();
    Recorder recorder(rt.options.record, session.Job());
    int quietMs = 0;
    for (;;) {
      recorder.Write(buffer.data(), got);
      session.Feed(buffer.data(), got);
      got = 0;
      while (quietMs < kJobPauseMs && !rt.stopper.Stopping()) {
        if (stream.Read(buffer.data(), buffer.size(), kPollMs, &got) == IoResult::Data) break;
        quietMs += kPollMs;
      }
      if (got == 0) break;
      quietMs = 0;
    }
    session.End("pause");
    rt.stopper.JobEnded();
  }
}

// The file is emptied at start and after each job: a port writes into it
// from offset 0, so a job is what it holds once it stops changing.
void ServeFile(Runtime& rt, const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  { std::ofstream create(path, std::ios::binary | std::ios::trunc); }
  std::vector<uint8_t> buffer(kChunkBytes);
  uintmax_t lastSize = 0;
  int quietMs = 0;
  while (!rt.stopper.Stopping()) {
    SleepMs(kPollMs);
    const uintmax_t size = fs::file_size(path, error);
    if (error || size == 0) continue;
    if (size != lastSize) {
      lastSize = size;
      quietMs = 0;
      continue;
    }
    quietMs += kPollMs;
    if (quietMs < kJobPauseMs) continue;
    Session session(rt.printer, rt.sink, "file " + path, nullptr, rt.Session());
    session.Start();
    Recorder recorder(rt.options.record, session.Job());
    {
      std::ifstream in(path, std::ios::binary);
      while (in) {
        in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
        const size_t got = static_cast<size_t>(in.gcount());
        if (got == 0) break;
        recorder.Write(buffer.data(), got);
        session.Feed(buffer.data(), got);
      }
    }
    fs::resize_file(path, 0, error);
    lastSize = 0;
    quietMs = 0;
    session.End("file settled");
    rt.stopper.JobEnded();
  }
}

}  // namespace vprinter
