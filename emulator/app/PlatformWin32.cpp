// Windows side of the front-ends: Winsock, a COM port, and the named pipe
// that stands in for the USB printer.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <thread>

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
    if (h_ != INVALID_HANDLE_VALUE && h_ != nullptr) CloseHandle(h_);
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

bool Readable(SOCKET s, int timeoutMs) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval wait{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  return select(0, &set, nullptr, nullptr, &wait) > 0;
}

class WinConnection : public Connection {
 public:
  WinConnection(SOCKET s, std::string peer) : s_(s), peer_(std::move(peer)) {}
  IoResult Read(uint8_t* buffer, size_t size, int timeoutMs, size_t* got) override {
    if (!Readable(s_.Get(), timeoutMs)) return IoResult::Timeout;
    const int n = recv(s_.Get(), reinterpret_cast<char*>(buffer), static_cast<int>(size), 0);
    if (n > 0) {
      *got = static_cast<size_t>(n);
      return IoResult::Data;
    }
    return n == 0 ? IoResult::Closed : IoResult::Error;
  }
  bool Write(const uint8_t* data, size_t size) override {
    while (size > 0) {
      const int n = send(s_.Get(), reinterpret_cast<const char*>(data), static_cast<int>(size), 0);
      if (n <= 0) return false;
      data += n;
      size -= static_cast<size_t>(n);
    }
    return true;
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
  std::unique_ptr<Connection> Accept(int timeoutMs) override {
    if (!Readable(s_.Get(), timeoutMs)) return nullptr;
    sockaddr_in from{};
    int length = sizeof(from);
    const SOCKET s = accept(s_.Get(), reinterpret_cast<sockaddr*>(&from), &length);
    if (s == INVALID_SOCKET) return nullptr;
    char text[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &from.sin_addr, text, sizeof(text));
    return std::make_unique<WinConnection>(s, std::string(text) + ":" + std::to_string(ntohs(from.sin_port)));
  }

 private:
  Socket s_;
};

class ComStream : public Stream {
 public:
  ComStream(HANDLE h, std::string name) : h_(h), name_(std::move(name)) {}
  IoResult Read(uint8_t* buffer, size_t size, int timeoutMs, size_t* got) override {
    DWORD n = 0;
    if (!ReadFile(h_.Get(), buffer, static_cast<DWORD>(size), &n, nullptr)) return IoResult::Error;
    if (n == 0) return IoResult::Timeout;
    *got = n;
    return IoResult::Data;
  }
  bool Write(const uint8_t* data, size_t size) override {
    DWORD n = 0;
    return WriteFile(h_.Get(), data, static_cast<DWORD>(size), &n, nullptr) && n == size;
  }
  std::string Name() const override { return name_; }

 private:
  Handle h_;
  std::string name_;
};

// Waits for an overlapped transfer on `file` in steps, so the caller can
// give up; cancels it then. True when it completed, with the count.
bool Finish(HANDLE file, OVERLAPPED& overlapped, const std::atomic<bool>* stop, DWORD limitMs,
            DWORD* count) {
  DWORD waited = 0;
  for (;;) {
    const DWORD result = WaitForSingleObject(overlapped.hEvent, 100);
    if (result == WAIT_OBJECT_0) break;
    waited += 100;
    if ((stop != nullptr && *stop) || (limitMs != INFINITE && waited >= limitMs)) {
      CancelIoEx(file, &overlapped);
      GetOverlappedResult(file, &overlapped, count, TRUE);
      return false;
    }
  }
  return GetOverlappedResult(file, &overlapped, count, FALSE) != 0;
}

// One open of the pipe by a client.
class PipeConnection {
 public:
  explicit PipeConnection(HANDLE pipe) : pipe_(pipe), writeEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~PipeConnection() { DisconnectNamedPipe(pipe_.Get()); }
  HANDLE Pipe() const { return pipe_.Get(); }
  bool Write(const std::vector<uint8_t>& bytes) {
    std::lock_guard<std::mutex> lock(writeMutex_);
    OVERLAPPED overlapped{};
    overlapped.hEvent = writeEvent_.Get();
    ResetEvent(writeEvent_.Get());
    DWORD written = 0;
    if (!WriteFile(pipe_.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), nullptr, &overlapped) &&
        GetLastError() != ERROR_IO_PENDING) {
      return false;
    }
    return Finish(pipe_.Get(), overlapped, nullptr, 2000, &written) && written == bytes.size();
  }

 private:
  Handle pipe_;
  Handle writeEvent_;
  std::mutex writeMutex_;
};

// Replies go to the device: to every open of it at that moment, and to the
// next open within kHoldMs (the sender reads through a second open of the
// device path, which may come after the reply is ready).
class PipeDevice : public ReplyChannel {
 public:
  static constexpr DWORD kHoldMs = 2000;
  explicit PipeDevice(int delayMs) : delayMs_(delayMs) {}
  bool Send(const std::vector<uint8_t>& bytes) override {
    if (delayMs_ > 0) SleepMs(delayMs_);
    std::vector<std::shared_ptr<PipeConnection>> open;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      open = open_;
      pending_ = bytes;
      pendingAt_ = GetTickCount();
    }
    for (auto& connection : open) connection->Write(bytes);
    return true;
  }
  void Opened(const std::shared_ptr<PipeConnection>& connection) {
    std::vector<uint8_t> reply;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      open_.push_back(connection);
      if (!pending_.empty() && GetTickCount() - pendingAt_ <= kHoldMs) reply.swap(pending_);
      pending_.clear();
    }
    if (!reply.empty()) connection->Write(reply);
  }
  void Closed(const std::shared_ptr<PipeConnection>& connection) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t i = 0; i < open_.size(); ++i) {
      if (open_[i] == connection) {
        open_.erase(open_.begin() + static_cast<long>(i));
        break;
      }
    }
  }

 private:
  const int delayMs_;
  std::mutex mutex_;
  std::vector<std::shared_ptr<PipeConnection>> open_;
  std::vector<uint8_t> pending_;
  DWORD pendingAt_ = 0;
};

class Win32PipeServer : public PipeServer {
 public:
  Win32PipeServer(Runtime& rt, std::wstring path) : rt_(rt), path_(std::move(path)), device_(rt.options.replyDelayMs) {}
  ~Win32PipeServer() override {
    if (first_ != INVALID_HANDLE_VALUE) CloseHandle(first_);
  }
  HANDLE NewInstance() {
    return CreateNamedPipeW(path_.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                            PIPE_TYPE_BYTE | PIPE_WAIT, PIPE_UNLIMITED_INSTANCES, 65536, 65536, 0,
                            nullptr);
  }
  // The first instance is made before serving starts, so a bad name fails early.
  bool Prepare(std::string* error) {
    first_ = NewInstance();
    if (first_ == INVALID_HANDLE_VALUE) {
      *error = "cannot make the pipe (error " + std::to_string(GetLastError()) + ")";
      return false;
    }
    return true;
  }
  void Run() override;

 private:
  void Serve(std::shared_ptr<PipeConnection> connection);
  Runtime& rt_;
  std::wstring path_;
  PipeDevice device_;
  HANDLE first_ = INVALID_HANDLE_VALUE;
  std::atomic<bool> stop_{false};
};

void Win32PipeServer::Serve(std::shared_ptr<PipeConnection> connection) {
  device_.Opened(connection);
  Handle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::vector<uint8_t> buffer(65536);
  std::unique_ptr<Session> session;
  std::unique_ptr<Recorder> recorder;
  const char* reason = "closed";
  for (;;) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.Get();
    ResetEvent(event.Get());
    DWORD got = 0;
    if (!ReadFile(connection->Pipe(), buffer.data(), static_cast<DWORD>(buffer.size()), nullptr, &overlapped) &&
        GetLastError() != ERROR_IO_PENDING) {
      break;
    }
    if (!Finish(connection->Pipe(), overlapped, &stop_, INFINITE, &got)) {
      if (stop_) reason = "stopped";
      break;
    }
    if (got == 0) continue;
    // A job starts with its first byte: the sender's read-only open is none.
    if (!session) {
      session = std::make_unique<Session>(rt_.printer, rt_.sink, "pipe", &device_, rt_.Session());
      session->Start();
      recorder = std::make_unique<Recorder>(rt_.options.record, session->Job());
    }
    recorder->Write(buffer.data(), got);
    session->Feed(buffer.data(), got);
  }
  device_.Closed(connection);
  if (session) {
    session->End(reason);
    rt_.stopper.JobEnded();
  }
}

void Win32PipeServer::Run() {
  // Two instances listen at all times, so a client that closes and reopens
  // at once always finds one.
  struct Slot {
    HANDLE pipe = INVALID_HANDLE_VALUE;
    Handle event{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    OVERLAPPED overlapped{};
  };
  Slot slots[2];
  auto listen = [this](Slot& slot, HANDLE pipe) {
    slot.pipe = pipe;
    slot.overlapped = OVERLAPPED{};
    slot.overlapped.hEvent = slot.event.Get();
    ResetEvent(slot.event.Get());
    if (!ConnectNamedPipe(slot.pipe, &slot.overlapped) && GetLastError() == ERROR_PIPE_CONNECTED) {
      SetEvent(slot.event.Get());
    }
  };
  listen(slots[0], first_);
  first_ = INVALID_HANDLE_VALUE;  // the slot owns it now
  listen(slots[1], NewInstance());
  std::vector<std::thread> workers;
  while (!rt_.stopper.Stopping()) {
    HANDLE waits[2] = {slots[0].event.Get(), slots[1].event.Get()};
    const DWORD which = WaitForMultipleObjects(2, waits, FALSE, 100);
    if (which != WAIT_OBJECT_0 && which != WAIT_OBJECT_0 + 1) continue;
    Slot& slot = slots[which - WAIT_OBJECT_0];
    auto connection = std::make_shared<PipeConnection>(slot.pipe);
    workers.emplace_back([this, connection] { Serve(connection); });
    listen(slot, NewInstance());
  }
  stop_ = true;
  for (std::thread& worker : workers) worker.join();
  for (Slot& slot : slots) {
    CancelIoEx(slot.pipe, &slot.overlapped);
    DWORD ignored = 0;
    GetOverlappedResult(slot.pipe, &slot.overlapped, &ignored, TRUE);
    CloseHandle(slot.pipe);
  }
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
  if (bind(s.Get(), reinterpret_cast<sockaddr*>(&local), sizeof(local)) != 0 || listen(s.Get(), 8) != 0) {
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
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = 20;
  timeouts.ReadTotalTimeoutConstant = 100;
  timeouts.WriteTotalTimeoutConstant = 2000;
  SetCommTimeouts(h.Get(), &timeouts);
  return std::make_unique<ComStream>(h.Release(), port);
}

std::unique_ptr<PipeServer> MakePipeServer(Runtime& rt, const std::string& name, std::string* error) {
  std::string full = name.rfind("\\\\.\\pipe\\", 0) == 0 ? name : "\\\\.\\pipe\\" + name;
  wchar_t wide[512];
  const int n = MultiByteToWideChar(CP_ACP, 0, full.c_str(), -1, wide, 512);
  if (n <= 0) {
    *error = "pipe name too long";
    return nullptr;
  }
  auto server = std::make_unique<Win32PipeServer>(rt, std::wstring(wide));
  if (!server->Prepare(error)) return nullptr;
  return server;
}

void SleepMs(int ms) { Sleep(static_cast<DWORD>(ms)); }

void BinaryStdio() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace vprinter
