// Windows side of the ends: non-blocking Winsock sockets polled with
// WSAPoll, a COM port read without waiting, the named pipe that stands in for
// the USB printer (overlapped I/O, looked at by a short service step of the
// loop), and Ctrl+C / Ctrl+Break.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <list>

#include "emulator/app/Platform.h"
#include "emulator/app/Serve.h"

namespace vprinter {
namespace {

// Winsock stays started for the life of the program.
struct Winsock {
  Winsock() { ok = WSAStartup(MAKEWORD(2, 2), &data) == 0; }
  ~Winsock() {
    if (ok) WSACleanup();
  }
  WSADATA data{};
  bool ok = false;
};
Winsock& Sockets() {
  static Winsock winsock;
  return winsock;
}

class Socket {
 public:
  explicit Socket(SOCKET s = INVALID_SOCKET) : s_(s) {}
  ~Socket() { Close(); }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  SOCKET Get() const { return s_; }
  SOCKET Release() {
    const SOCKET s = s_;
    s_ = INVALID_SOCKET;
    return s;
  }
  void Close() {
    if (s_ != INVALID_SOCKET) closesocket(s_);
    s_ = INVALID_SOCKET;
  }

 private:
  SOCKET s_;
};

class Handle {
 public:
  explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  ~Handle() {
    if (Valid()) CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE Get() const { return h_; }
  bool Valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  HANDLE Release() {
    const HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return h;
  }

 private:
  HANDLE h_;
};

bool SetNonBlocking(SOCKET s) {
  u_long on = 1;
  return ioctlsocket(s, FIONBIO, &on) == 0;
}

class WinConnection : public Connection {
 public:
  WinConnection(SOCKET s, std::string peer) : s_(s), peer_(std::move(peer)) {}
  PollHandle Handle() const override { return static_cast<PollHandle>(s_.Get()); }
  IoResult Receive(uint8_t* buffer, size_t size, size_t* got) override {
    const int n = recv(s_.Get(), reinterpret_cast<char*>(buffer), static_cast<int>(size), 0);
    if (n > 0) {
      *got = static_cast<size_t>(n);
      return IoResult::Data;
    }
    if (n == 0) return IoResult::Closed;
    return WSAGetLastError() == WSAEWOULDBLOCK ? IoResult::WouldBlock : IoResult::Error;
  }
  IoResult Send(const uint8_t* data, size_t size, size_t* sent) override {
    const int n = send(s_.Get(), reinterpret_cast<const char*>(data), static_cast<int>(size), 0);
    if (n >= 0) {
      *sent = static_cast<size_t>(n);
      return IoResult::Data;
    }
    return WSAGetLastError() == WSAEWOULDBLOCK ? IoResult::WouldBlock : IoResult::Error;
  }
  void Reset() override {
    linger hard{1, 0};
    setsockopt(s_.Get(), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof(hard));
    s_.Close();
  }
  std::string Peer() const override { return peer_; }

 private:
  Socket s_;
  std::string peer_;
};

class WinListener : public Listener {
 public:
  explicit WinListener(SOCKET s) : s_(s) {}
  PollHandle Handle() const override { return static_cast<PollHandle>(s_.Get()); }
  std::unique_ptr<Connection> Accept(bool* failed) override {
    *failed = false;
    sockaddr_in from{};
    int length = sizeof(from);
    Socket s(accept(s_.Get(), reinterpret_cast<sockaddr*>(&from), &length));
    if (s.Get() == INVALID_SOCKET) {
      // A connection reset while it waited is simply gone; a lack of
      // buffers or sockets is a failure the caller rests on.
      const int error = WSAGetLastError();
      *failed = error != WSAEWOULDBLOCK && error != WSAECONNRESET && error != WSAEINTR;
      return nullptr;
    }
    if (!SetNonBlocking(s.Get())) return nullptr;
    char text[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &from.sin_addr, text, sizeof(text));
    return std::make_unique<WinConnection>(s.Release(), std::string(text) + ":" + std::to_string(ntohs(from.sin_port)));
  }

 private:
  Socket s_;
};

// A COM port cannot be polled with sockets: the loop looks at it every few
// milliseconds and reads only what has already arrived.
class ComStream : public Stream {
 public:
  ComStream(HANDLE h, std::string name) : h_(h), name_(std::move(name)) {}
  bool Pollable(PollHandle*) const override { return false; }
  IoResult Receive(uint8_t* buffer, size_t size, size_t* got) override {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(h_.Get(), &errors, &status)) return IoResult::Error;
    if (status.cbInQue == 0) return IoResult::WouldBlock;
    const DWORD want = status.cbInQue < size ? status.cbInQue : static_cast<DWORD>(size);
    DWORD n = 0;
    if (!ReadFile(h_.Get(), buffer, want, &n, nullptr)) return IoResult::Error;
    if (n == 0) return IoResult::WouldBlock;
    *got = n;
    return IoResult::Data;
  }
  IoResult Send(const uint8_t* data, size_t size, size_t* sent) override {
    DWORD n = 0;
    if (!WriteFile(h_.Get(), data, static_cast<DWORD>(size), &n, nullptr)) return IoResult::Error;
    if (n == 0) return IoResult::WouldBlock;  // the write timeout passed with nothing taken
    *sent = n;
    return IoResult::Data;
  }
  std::string Name() const override { return name_; }

 private:
  Handle h_;
  std::string name_;
};

// One overlapped transfer on a pipe instance, checked without waiting.
struct Transfer {
  enum class Status { Idle, Pending, Done, Failed };
  Handle event{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  OVERLAPPED overlapped{};
  bool pending = false;
  DWORD started = 0;  // GetTickCount() when it began

  OVERLAPPED* Begin() {
    overlapped = OVERLAPPED{};
    overlapped.hEvent = event.Get();
    pending = true;
    started = GetTickCount();
    return &overlapped;
  }
  // After the call that began it: TRUE, or FALSE with ERROR_IO_PENDING,
  // leaves it pending; any other error ends it.
  bool Started(BOOL result) {
    if (!result && GetLastError() != ERROR_IO_PENDING) pending = false;
    return pending;
  }
  Status Check(HANDLE file, DWORD* count) {
    if (!pending) return Status::Idle;
    *count = 0;
    if (GetOverlappedResult(file, &overlapped, count, FALSE)) {
      pending = false;
      return Status::Done;
    }
    if (GetLastError() == ERROR_IO_INCOMPLETE) return Status::Pending;
    pending = false;
    return Status::Failed;
  }
  // Cancels it if pending and waits until the system is done with it.
  void Settle(HANDLE file) {
    if (!pending) return;
    CancelIoEx(file, &overlapped);
    DWORD ignored = 0;
    GetOverlappedResult(file, &overlapped, &ignored, TRUE);
    pending = false;
  }
};

// One instance of the pipe: waits for a client to open the device path,
// then reads what it writes; a job starts with its first byte.
struct PipeInstance {
  enum class State { Waiting, Open, Gone };
  explicit PipeInstance(HANDLE h) : pipe(h), buffer(kChunkBytes) {}
  ~PipeInstance() {
    read.Settle(pipe.Get());
    write.Settle(pipe.Get());
    if (state == State::Open) DisconnectNamedPipe(pipe.Get());
  }
  PipeInstance(const PipeInstance&) = delete;
  PipeInstance& operator=(const PipeInstance&) = delete;

  // Waits for a client (the read transfer carries the connect).
  void Listen() {
    const BOOL result = ConnectNamedPipe(pipe.Get(), read.Begin());
    if (!result && GetLastError() == ERROR_PIPE_CONNECTED) {
      read.pending = false;
      connectedAtOnce = true;
      return;
    }
    if (!read.Started(result)) state = State::Gone;
  }
  void StartRead() {
    if (!read.Started(ReadFile(pipe.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), nullptr, read.Begin()))) {
      state = State::Gone;
    }
  }
  void StartWrite() {
    if (write.pending || queued.empty()) return;
    writing.swap(queued.front());
    queued.pop_front();
    if (!write.Started(WriteFile(pipe.Get(), writing.data(), static_cast<DWORD>(writing.size()), nullptr, write.Begin()))) {
      writing.clear();
    }
  }

  Handle pipe;
  State state = State::Waiting;
  bool connectedAtOnce = false;
  Transfer read, write;
  std::vector<uint8_t> buffer;
  std::vector<uint8_t> writing;
  std::deque<std::vector<uint8_t>> queued;
  std::unique_ptr<Session> session;
  std::unique_ptr<Recorder> recorder;
};

// Replies go to the device: to every open of it at that moment, and to the
// next open within kHoldMs (the sender reads through a second open of the
// device path, which may come after the reply is ready).
class PipeEnd : public End {
 public:
  static constexpr DWORD kHoldMs = 2000;
  // A reply the client does not take within this is given up.
  static constexpr DWORD kWriteLimitMs = 2000;
  // Reads taken from one instance in one step at most.
  static constexpr int kReadsPerStep = 16;

  PipeEnd(Runtime& rt, std::wstring path)
      : rt_(rt),
        path_(std::move(path)),
        replies_(rt.loop, rt.options.replyDelayMs, [this](const std::vector<uint8_t>& bytes) { return Broadcast(bytes); }) {}
  ~PipeEnd() override { rt_.loop.Cancel(timer_); }
  // The first instance is made before serving starts, so a bad name fails early.
  bool Prepare(std::string* error) {
    if (!AddInstance()) {
      *error = "cannot make the pipe (error " + std::to_string(GetLastError()) + ")";
      return false;
    }
    Step();
    return true;
  }
  void Shutdown() override {
    for (auto& instance : instances_) {
      if (instance->session) EndJob(*instance, "stopped");
    }
    instances_.clear();
  }

 private:
  bool AddInstance() {
    HANDLE h = CreateNamedPipeW(path_.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED, PIPE_TYPE_BYTE | PIPE_WAIT,
                                PIPE_UNLIMITED_INSTANCES, 65536, 65536, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    instances_.push_back(std::make_unique<PipeInstance>(h));
    instances_.back()->Listen();
    return true;
  }
  void Step();
  void Serve(PipeInstance& instance);
  void Opened(PipeInstance& instance) {
    instance.state = PipeInstance::State::Open;
    if (!held_.empty() && GetTickCount() - heldAt_ <= kHoldMs) instance.queued.push_back(held_);
    held_.clear();
    instance.StartRead();
  }
  bool Broadcast(const std::vector<uint8_t>& bytes) {
    for (auto& instance : instances_) {
      if (instance->state == PipeInstance::State::Open) {
        instance->queued.push_back(bytes);
        instance->StartWrite();
      }
    }
    held_ = bytes;
    heldAt_ = GetTickCount();
    return true;
  }
  void EndJob(PipeInstance& instance, const char* reason) {
    instance.session->End(reason);
    instance.session.reset();
    instance.recorder.reset();
    rt_.JobEnded();
  }

  Runtime& rt_;
  std::wstring path_;
  DelayedReplies replies_;
  std::list<std::unique_ptr<PipeInstance>> instances_;
  std::vector<uint8_t> held_;
  DWORD heldAt_ = 0;
  EventLoop::TimerId timer_ = 0;
};

void PipeEnd::Serve(PipeInstance& instance) {
  DWORD count = 0;
  if (instance.state == PipeInstance::State::Waiting) {
    const Transfer::Status status = instance.read.Check(instance.pipe.Get(), &count);
    if (status == Transfer::Status::Done || instance.connectedAtOnce) {
      instance.connectedAtOnce = false;
      Opened(instance);
    } else if (status == Transfer::Status::Failed) {
      instance.state = PipeInstance::State::Gone;
    }
  }
  for (int i = 0; i < kReadsPerStep && instance.state == PipeInstance::State::Open; ++i) {
    const Transfer::Status status = instance.read.Check(instance.pipe.Get(), &count);
    if (status == Transfer::Status::Pending) break;
    if (status == Transfer::Status::Failed) {
      instance.state = PipeInstance::State::Gone;
      break;
    }
    if (status == Transfer::Status::Done && count > 0) {
      if (!instance.session) {
        instance.session = std::make_unique<Session>(rt_.printer, rt_.sink, "pipe", &replies_, rt_.Session());
        instance.session->Start();
        instance.recorder = std::make_unique<Recorder>(rt_.options.record, rt_.name, instance.session->Job());
      }
      instance.recorder->Write(instance.buffer.data(), count);
      instance.session->Feed(instance.buffer.data(), count);
    }
    instance.StartRead();
  }
  if (instance.state != PipeInstance::State::Open) return;
  const Transfer::Status written = instance.write.Check(instance.pipe.Get(), &count);
  if (written == Transfer::Status::Pending && GetTickCount() - instance.write.started > kWriteLimitMs) {
    instance.write.Settle(instance.pipe.Get());
  }
  if (!instance.write.pending) {
    instance.writing.clear();
    instance.StartWrite();
  }
}

void PipeEnd::Step() {
  timer_ = rt_.loop.After(kServiceStepMs, [this] { Step(); });
  int waiting = 0;
  for (auto it = instances_.begin(); it != instances_.end();) {
    PipeInstance& instance = **it;
    Serve(instance);
    if (instance.state == PipeInstance::State::Gone) {
      if (instance.session) EndJob(instance, "closed");
      it = instances_.erase(it);
      continue;
    }
    if (instance.state == PipeInstance::State::Waiting) ++waiting;
    ++it;
  }
  // Two instances wait at all times, so a client that closes and reopens
  // at once always finds one.
  while (waiting < 2 && AddInstance()) ++waiting;
}

volatile LONG stopRequested = 0;

// Runs on a thread of its own: only raises the flag the loop looks at.
BOOL WINAPI OnConsoleControl(DWORD type) {
  if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) {
    InterlockedExchange(&stopRequested, 1);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

std::unique_ptr<Listener> ListenTcp(const std::string& address, unsigned short port, std::string* error) {
  if (!Sockets().ok) {
    *error = "Winsock did not start";
    return nullptr;
  }
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(port);
  if (inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) {
    *error = "not an IPv4 address: " + address;
    return nullptr;
  }
  Socket s(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (s.Get() == INVALID_SOCKET) {
    *error = "socket failed (error " + std::to_string(WSAGetLastError()) + ")";
    return nullptr;
  }
  // Exclusive, so a port another program listens on is refused.
  BOOL on = TRUE;
  setsockopt(s.Get(), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on), sizeof(on));
  // SOMAXCONN: the longest queue of waiting connections the system grants.
  if (bind(s.Get(), reinterpret_cast<sockaddr*>(&local), sizeof(local)) != 0 || listen(s.Get(), SOMAXCONN) != 0 ||
      !SetNonBlocking(s.Get())) {
    *error = "cannot listen on " + address + ":" + std::to_string(port) + " (error " +
             std::to_string(WSAGetLastError()) + ")";
    return nullptr;
  }
  return std::make_unique<WinListener>(s.Release());
}

std::unique_ptr<Stream> OpenPty(const std::string&, std::string* error) {
  *error = "--pty works only in the Linux program";
  return nullptr;
}

std::unique_ptr<Stream> OpenCom(const std::string& port, std::string* error) {
  const std::string path = port.rfind("\\\\.\\", 0) == 0 ? port : "\\\\.\\" + port;
  Handle h(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!h.Valid()) {
    *error = "cannot open " + port + " (error " + std::to_string(GetLastError()) + ")";
    return nullptr;
  }
  // Reads take only what has arrived (ClearCommError tells how much); the
  // limits only keep a read or a write from holding the loop long.
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = 20;
  timeouts.ReadTotalTimeoutConstant = 20;
  timeouts.WriteTotalTimeoutConstant = 50;
  SetCommTimeouts(h.Get(), &timeouts);
  return std::make_unique<ComStream>(h.Release(), port);
}

std::unique_ptr<End> MakePipeEnd(Runtime& rt, const std::string& name, std::string* error) {
  std::string full = name.rfind("\\\\.\\pipe\\", 0) == 0 ? name : "\\\\.\\pipe\\" + name;
  wchar_t wide[512];
  const int n = MultiByteToWideChar(CP_ACP, 0, full.c_str(), -1, wide, 512);
  if (n <= 0) {
    *error = "pipe name too long";
    return nullptr;
  }
  auto end = std::make_unique<PipeEnd>(rt, std::wstring(wide));
  if (!end->Prepare(error)) return nullptr;
  return end;
}

void Poll(std::vector<PollEntry>& entries, int timeoutMs) {
  if (entries.empty()) {
    Sleep(static_cast<DWORD>(timeoutMs));
    return;
  }
  std::vector<WSAPOLLFD> fds(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    fds[i].fd = static_cast<SOCKET>(entries[i].handle);
    fds[i].events = static_cast<SHORT>((entries[i].read ? POLLRDNORM : 0) | (entries[i].write ? POLLWRNORM : 0));
    fds[i].revents = 0;
  }
  const int ready = WSAPoll(fds.data(), static_cast<ULONG>(fds.size()), timeoutMs);
  if (ready == SOCKET_ERROR) {
    Sleep(timeoutMs > 0 ? 1 : 0);  // never spin on a failing poll
    return;
  }
  if (ready == 0) return;
  for (size_t i = 0; i < entries.size(); ++i) {
    entries[i].readable = (fds[i].revents & POLLRDNORM) != 0;
    entries[i].writable = (fds[i].revents & POLLWRNORM) != 0;
    entries[i].failed = (fds[i].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
  }
}

void CatchStopRequests() { SetConsoleCtrlHandler(OnConsoleControl, TRUE); }

bool StopRequested() { return InterlockedCompareExchange(&stopRequested, 0, 0) != 0; }

void RaiseDescriptorLimit() {}

void BinaryStdio() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace vprinter
