#include "tests/settings/PrinterStandIns.h"

#include <ws2tcpip.h>

#include <cstdio>

namespace pages_test {

// ---------------------------------------------------------------------------

LoopbackPrinter::LoopbackPrinter() {
  WSADATA data{};
  winsock_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  if (!winsock_) return;
  done_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(9100);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  // Other test runs on this machine may hold the port for a moment.
  for (int attempt = 0; attempt < 50 && listener_ == INVALID_SOCKET; ++attempt) {
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) break;
    BOOL exclusive = TRUE;
    ::setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
                 sizeof(exclusive));
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        ::listen(s, 4) == 0) {
      listener_ = s;
    } else {
      ::closesocket(s);
      ::Sleep(100);
    }
  }
  if (listener_ != INVALID_SOCKET) thread_ = std::thread([this] { Serve(); });
}

void LoopbackPrinter::Serve() {
  while (!stop_) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener_, &readable);
    timeval wait{0, 50 * 1000};
    if (::select(0, &readable, nullptr, nullptr, &wait) <= 0) continue;
    SOCKET peer = ::accept(listener_, nullptr, nullptr);
    if (peer == INVALID_SOCKET) continue;
    char chunk[512];
    for (;;) {
      int got = ::recv(peer, chunk, sizeof(chunk), 0);
      if (got <= 0) break;
      bytes_.insert(bytes_.end(), chunk, chunk + got);
    }
    ::closesocket(peer);
    break;
  }
  ::SetEvent(done_);
}

std::vector<unsigned char> LoopbackPrinter::Received(DWORD waitMs) {
  if (done_) ::WaitForSingleObject(done_, waitMs);
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  return bytes_;
}

LoopbackPrinter::~LoopbackPrinter() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (listener_ != INVALID_SOCKET) ::closesocket(listener_);
  if (done_) ::CloseHandle(done_);
  if (winsock_) ::WSACleanup();
}

// ---------------------------------------------------------------------------

PipePrinter::PipePrinter(const std::string& reply, bool answer) : reply_(reply), answer_(answer) {
  static int counter = 0;
  wchar_t path[128] = {};
  _snwprintf(path, 127, L"\\\\.\\pipe\\setwright-usb-%lu-%d", ::GetCurrentProcessId(), ++counter);
  path_ = path;
  for (HANDLE& pipe : pipes_) {
    pipe = ::CreateNamedPipeW(path_.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                              PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 2, 4096, 0, 0,
                              nullptr);
  }
  ready_ = pipes_[0] != INVALID_HANDLE_VALUE && pipes_[1] != INVALID_HANDLE_VALUE;
  if (ready_) {
    // The clients may come as soon as this returns: wait until both
    // instances are waiting for them.
    armed_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this] { Serve(); });
    ::WaitForSingleObject(armed_, 5000);
  }
}

namespace {

// One pipe instance: waiting for its client, or with a read posted.
struct PipeSlot {
  enum State { Connecting, Reading, Closed } state = Closed;
  OVERLAPPED io{};
  HANDLE event = nullptr;
  unsigned char chunk[256] = {};
};

void PostRead(HANDLE pipe, PipeSlot& slot) {
  slot.io = OVERLAPPED{};
  slot.io.hEvent = slot.event;
  ::ResetEvent(slot.event);
  if (::ReadFile(pipe, slot.chunk, sizeof(slot.chunk), nullptr, &slot.io) ||
      ::GetLastError() == ERROR_IO_PENDING) {
    slot.state = PipeSlot::Reading;  // a completed read is collected like a pending one
  } else {
    slot.state = PipeSlot::Closed;
  }
}

}  // namespace

void PipePrinter::Serve() {
  PipeSlot slots[2];
  for (int i = 0; i < 2; ++i) {
    slots[i].event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    slots[i].io.hEvent = slots[i].event;
    if (::ConnectNamedPipe(pipes_[i], &slots[i].io) || ::GetLastError() == ERROR_PIPE_CONNECTED) {
      PostRead(pipes_[i], slots[i]);
    } else if (::GetLastError() == ERROR_IO_PENDING) {
      slots[i].state = PipeSlot::Connecting;
    }
  }
  ::SetEvent(armed_);
  int writer = -1;
  bool answered = false;
  DWORD start = ::GetTickCount();
  while (!stop_ && ::GetTickCount() - start < 15000) {
    HANDLE events[2] = {slots[0].event, slots[1].event};
    ::WaitForMultipleObjects(2, events, FALSE, 5);
    for (int i = 0; i < 2; ++i) {
      PipeSlot& slot = slots[i];
      if (slot.state == PipeSlot::Closed || !HasOverlappedIoCompleted(&slot.io)) continue;
      DWORD got = 0;
      BOOL ok = ::GetOverlappedResult(pipes_[i], &slot.io, &got, FALSE);
      if (slot.state == PipeSlot::Connecting) {
        if (ok) {
          PostRead(pipes_[i], slot);
        } else {
          slot.state = PipeSlot::Closed;
        }
      } else if (ok && got > 0) {
        request_.insert(request_.end(), slot.chunk, slot.chunk + got);
        writer = i;
        PostRead(pipes_[i], slot);
      } else {
        slot.state = PipeSlot::Closed;  // the client went away
      }
    }
    int reader = writer < 0 ? -1 : 1 - writer;
    if (answer_ && !answered && request_.size() >= 2 && reader >= 0 &&
        slots[reader].state == PipeSlot::Reading) {
      OVERLAPPED write{};
      write.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
      DWORD put = 0;
      if (::WriteFile(pipes_[reader], reply_.data(), static_cast<DWORD>(reply_.size()), nullptr,
                      &write) ||
          ::GetLastError() == ERROR_IO_PENDING) {
        ::GetOverlappedResult(pipes_[reader], &write, &put, TRUE);
      }
      ::CloseHandle(write.hEvent);
      answered = true;
    }
  }
  for (int i = 0; i < 2; ++i) {
    if (slots[i].state != PipeSlot::Closed && ::CancelIoEx(pipes_[i], &slots[i].io)) {
      DWORD ignored = 0;
      ::GetOverlappedResult(pipes_[i], &slots[i].io, &ignored, TRUE);
    }
    ::CloseHandle(slots[i].event);
  }
}

std::vector<unsigned char> PipePrinter::Request() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  return request_;
}

PipePrinter::~PipePrinter() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  for (HANDLE pipe : pipes_) {
    if (pipe != INVALID_HANDLE_VALUE) ::CloseHandle(pipe);
  }
  if (armed_) ::CloseHandle(armed_);
}

}  // namespace pages_test
