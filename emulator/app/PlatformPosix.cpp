// Linux side of the ends: non-blocking BSD sockets, a pseudo-terminal,
// poll() and the stop signals.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "emulator/app/Farm.h"
#include "emulator/app/Platform.h"
#include "emulator/app/Serve.h"

namespace vprinter {
namespace {

// Owns one file descriptor.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Close(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int Get() const { return fd_; }
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }
  // Hands the descriptor to a new owner.
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

bool SetNonBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL, 0);
  return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

bool Again(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINTR; }

IoResult ReceiveFrom(int fd, uint8_t* buffer, size_t size, size_t* got) {
  const ssize_t n = read(fd, buffer, size);
  if (n > 0) {
    *got = static_cast<size_t>(n);
    return IoResult::Data;
  }
  if (n == 0) return IoResult::Closed;
  return Again(errno) ? IoResult::WouldBlock : IoResult::Error;
}

IoResult SendTo(int fd, const uint8_t* data, size_t size, size_t* sent, bool socket) {
  const ssize_t n = socket ? send(fd, data, size, MSG_NOSIGNAL) : write(fd, data, size);
  if (n >= 0) {
    *sent = static_cast<size_t>(n);
    return IoResult::Data;
  }
  return Again(errno) ? IoResult::WouldBlock : IoResult::Error;
}

class PosixConnection : public Connection {
 public:
  PosixConnection(int fd, std::string peer) : fd_(fd), peer_(std::move(peer)) {}
  PollHandle Handle() const override { return static_cast<PollHandle>(fd_.Get()); }
  IoResult Receive(uint8_t* buffer, size_t size, size_t* got) override {
    return ReceiveFrom(fd_.Get(), buffer, size, got);
  }
  IoResult Send(const uint8_t* data, size_t size, size_t* sent) override {
    return SendTo(fd_.Get(), data, size, sent, true);
  }
  void Reset() override {
    linger hard{1, 0};
    setsockopt(fd_.Get(), SOL_SOCKET, SO_LINGER, &hard, sizeof(hard));
    fd_.Close();
  }
  std::string Peer() const override { return peer_; }

 private:
  Fd fd_;
  std::string peer_;
};

class PosixListener : public Listener {
 public:
  explicit PosixListener(int fd) : fd_(fd) {}
  PollHandle Handle() const override { return static_cast<PollHandle>(fd_.Get()); }
  std::unique_ptr<Connection> Accept(bool* failed) override {
    *failed = false;
    sockaddr_in from{};
    socklen_t length = sizeof(from);
    const int fd = accept4(fd_.Get(), reinterpret_cast<sockaddr*>(&from), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      // A connection reset while it waited is simply gone; a lack of
      // descriptors or memory is a failure the caller rests on.
      *failed = !(Again(errno) || errno == ECONNABORTED || errno == EPROTO);
      return nullptr;
    }
    char text[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &from.sin_addr, text, sizeof(text));
    return std::make_unique<PosixConnection>(fd, std::string(text) + ":" + std::to_string(ntohs(from.sin_port)));
  }

 private:
  Fd fd_;
};

// The master side of a pty; a slave descriptor stays open so that the
// stream survives the other program closing and reopening the port.
class PtyStream : public Stream {
 public:
  PtyStream(int master, int slave, std::string link)
      : master_(master), slave_(slave), link_(std::move(link)) {}
  ~PtyStream() override { unlink(link_.c_str()); }
  bool Pollable(PollHandle* handle) const override {
    *handle = static_cast<PollHandle>(master_.Get());
    return true;
  }
  IoResult Receive(uint8_t* buffer, size_t size, size_t* got) override {
    return ReceiveFrom(master_.Get(), buffer, size, got);
  }
  IoResult Send(const uint8_t* data, size_t size, size_t* sent) override {
    return SendTo(master_.Get(), data, size, sent, false);
  }
  std::string Name() const override { return link_; }

 private:
  Fd master_;
  Fd slave_;
  std::string link_;
};

volatile sig_atomic_t stopRequested = 0;

void OnStopSignal(int) { stopRequested = 1; }

}  // namespace

std::unique_ptr<Listener> ListenTcp(const std::string& address, unsigned short port, std::string* error) {
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(port);
  if (inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) {
    *error = "not an IPv4 address: " + address;
    return nullptr;
  }
  Fd fd(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (fd.Get() < 0) {
    *error = std::string("socket: ") + strerror(errno);
    return nullptr;
  }
  const int on = 1;
  setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
  // SOMAXCONN: the longest queue of waiting connections the system grants.
  if (bind(fd.Get(), reinterpret_cast<sockaddr*>(&local), sizeof(local)) != 0 ||
      listen(fd.Get(), SOMAXCONN) != 0) {
    *error = "cannot listen on " + address + ":" + std::to_string(port) + ": " + strerror(errno);
    return nullptr;
  }
  return std::make_unique<PosixListener>(fd.Release());
}

namespace {

class PosixDeadListener : public DeadListener {
 public:
  PosixDeadListener(int listener, int filler) : listener_(listener), filler_(filler) {}

 private:
  Fd listener_;
  Fd filler_;
};

}  // namespace

std::unique_ptr<DeadListener> ListenDead(const std::string& address, unsigned short port, std::string* error) {
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(port);
  if (inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) {
    *error = "not an IPv4 address: " + address;
    return nullptr;
  }
  const std::string where = address + ":" + std::to_string(port);
  Fd listener(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  const int on = 1;
  setsockopt(listener.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
  // A queue of length 0 still takes one connection; the next find it full.
  if (listener.Get() < 0 || bind(listener.Get(), reinterpret_cast<sockaddr*>(&local), sizeof(local)) != 0 ||
      listen(listener.Get(), 0) != 0) {
    *error = "cannot listen on " + where + ": " + strerror(errno);
    return nullptr;
  }
  // The filling connection: on loopback the system completes it at once,
  // before connect returns.
  Fd filler(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (filler.Get() < 0 || connect(filler.Get(), reinterpret_cast<sockaddr*>(&local), sizeof(local)) != 0) {
    *error = "cannot fill the queue of " + where + ": " + strerror(errno);
    return nullptr;
  }
  return std::make_unique<PosixDeadListener>(listener.Release(), filler.Release());
}

uint64_t DescriptorLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return UINT64_MAX;
  return static_cast<uint64_t>(limit.rlim_cur);
}

std::unique_ptr<Stream> OpenPty(const std::string& link, std::string* error) {
  Fd master(posix_openpt(O_RDWR | O_NOCTTY));
  if (master.Get() < 0 || grantpt(master.Get()) != 0 || unlockpt(master.Get()) != 0 ||
      !SetNonBlocking(master.Get())) {
    *error = std::string("cannot make a pty: ") + strerror(errno);
    return nullptr;
  }
  char name[128];
  if (ptsname_r(master.Get(), name, sizeof(name)) != 0) {
    *error = "cannot name the pty";
    return nullptr;
  }
  Fd slave(open(name, O_RDWR | O_NOCTTY));
  termios raw{};
  if (slave.Get() < 0 || tcgetattr(slave.Get(), &raw) != 0) {
    *error = std::string("cannot open ") + name;
    return nullptr;
  }
  cfmakeraw(&raw);
  tcsetattr(slave.Get(), TCSANOW, &raw);
  unlink(link.c_str());
  if (symlink(name, link.c_str()) != 0) {
    *error = "cannot link " + link + ": " + strerror(errno);
    return nullptr;
  }
  return std::make_unique<PtyStream>(master.Release(), slave.Release(), link);
}

std::unique_ptr<Stream> OpenCom(const std::string&, std::string* error) {
  *error = "--com works only in the Windows program";
  return nullptr;
}

std::unique_ptr<End> MakePipeEnd(Runtime&, const std::string&, std::string* error) {
  *error = "--pipe works only in the Windows program";
  return nullptr;
}

void Poll(std::vector<PollEntry>& entries, int timeoutMs) {
  if (entries.empty()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
    return;
  }
  std::vector<pollfd> fds(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    fds[i].fd = static_cast<int>(entries[i].handle);
    fds[i].events = static_cast<short>((entries[i].read ? POLLIN : 0) | (entries[i].write ? POLLOUT : 0));
  }
  if (poll(fds.data(), fds.size(), timeoutMs) <= 0) return;  // nothing ready, or a signal came
  for (size_t i = 0; i < entries.size(); ++i) {
    entries[i].readable = (fds[i].revents & POLLIN) != 0;
    entries[i].writable = (fds[i].revents & POLLOUT) != 0;
    entries[i].failed = (fds[i].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
  }
}

void CatchStopRequests() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no restart: the poll returns at once
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

bool StopRequested() { return stopRequested != 0; }

void RaiseDescriptorLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
}

void BinaryStdio() {}

}  // namespace vprinter
