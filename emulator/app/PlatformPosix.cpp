// Linux side of the front-ends: BSD sockets and a pseudo-terminal.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "emulator/app/Platform.h"

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

IoResult WaitAndRead(int fd, uint8_t* buffer, size_t size, int timeoutMs, size_t* got) {
  pollfd p{fd, POLLIN, 0};
  const int ready = poll(&p, 1, timeoutMs);
  if (ready == 0) return IoResult::Timeout;
  if (ready < 0) return errno == EINTR ? IoResult::Timeout : IoResult::Error;
  const ssize_t n = read(fd, buffer, size);
  if (n > 0) {
    *got = static_cast<size_t>(n);
    return IoResult::Data;
  }
  if (n == 0) return IoResult::Closed;
  return errno == EAGAIN || errno == EINTR ? IoResult::Timeout : IoResult::Error;
}

bool WriteAll(int fd, const uint8_t* data, size_t size, int flags, bool socket) {
  while (size > 0) {
    const ssize_t n = socket ? send(fd, data, size, flags) : write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

class PosixConnection : public Connection {
 public:
  PosixConnection(int fd, std::string peer) : fd_(fd), peer_(std::move(peer)) {}
  IoResult Read(uint8_t* buffer, size_t size, int timeoutMs, size_t* got) override {
    return WaitAndRead(fd_.Get(), buffer, size, timeoutMs, got);
  }
  bool Write(const uint8_t* data, size_t size) override {
    return WriteAll(fd_.Get(), data, size, MSG_NOSIGNAL, true);
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
  std::unique_ptr<Connection> Accept(int timeoutMs) override {
    pollfd p{fd_.Get(), POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0) return nullptr;
    sockaddr_in from{};
    socklen_t length = sizeof(from);
    const int fd = accept(fd_.Get(), reinterpret_cast<sockaddr*>(&from), &length);
    if (fd < 0) return nullptr;
    char text[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &from.sin_addr, text, sizeof(text));
    return std::make_unique<PosixConnection>(fd, std::string(text) + ":" +
                                                     std::to_string(ntohs(from.sin_port)));
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
  IoResult Read(uint8_t* buffer, size_t size, int timeoutMs, size_t* got) override {
    const IoResult result = WaitAndRead(master_.Get(), buffer, size, timeoutMs, got);
    return result == IoResult::Error || result == IoResult::Closed ? IoResult::Timeout : result;
  }
  bool Write(const uint8_t* data, size_t size) override {
    return WriteAll(master_.Get(), data, size, 0, false);
  }
  std::string Name() const override { return link_; }

 private:
  Fd master_;
  Fd slave_;
  std::string link_;
};

}  // namespace

std::unique_ptr<Listener> ListenTcp(const std::string& address, unsigned short port,
                                    std::string* error) {
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(port);
  if (inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) {
    *error = "not an IPv4 address: " + address;
    return nullptr;
  }
  Fd fd(socket(AF_INET, SOCK_STREAM, 0));
  if (fd.Get() < 0) {
    *error = std::string("socket: ") + strerror(errno);
    return nullptr;
  }
  const int on = 1;
  setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
  if (bind(fd.Get(), reinterpret_cast<sockaddr*>(&local), sizeof(local)) != 0 ||
      listen(fd.Get(), 8) != 0) {
    *error = "cannot listen on " + address + ":" + std::to_string(port) + ": " + strerror(errno);
    return nullptr;
  }
  return std::make_unique<PosixListener>(fd.Release());
}

std::unique_ptr<Stream> OpenPty(const std::string& link, std::string* error) {
  Fd master(posix_openpt(O_RDWR | O_NOCTTY));
  if (master.Get() < 0 || grantpt(master.Get()) != 0 || unlockpt(master.Get()) != 0) {
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

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
void BinaryStdio() {}

}  // namespace vprinter

#include "emulator/app/Serve.h"

namespace vprinter {
std::unique_ptr<PipeServer> MakePipeServer(Runtime&, const std::string&, std::string* error) {
  *error = "--pipe works only in the Windows program";
  return nullptr;
}
}  // namespace vprinter
