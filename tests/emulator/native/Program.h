// The native program as the tests run it: one run with its output captured,
// a serving printer that is ended on every path, and loopback clients.
#pragma once
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/emulator/native/Collect.h"

namespace vprinter_test {

struct Result {
  int code;
  std::string out, err;
};

inline std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A folder of its own under /tmp, removed with the object.
class ScratchDir {
 public:
  ScratchDir() {
    char dir[] = "/tmp/vptest.XXXXXX";
    path_ = mkdtemp(dir);
  }
  ~ScratchDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& Path() const { return path_; }
  // Writes a file in the folder and returns its path.
  std::string Write(const std::string& name, const Bytes& bytes) const {
    const std::string path = path_ + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
  }

 private:
  std::string path_;
};

// Runs the program through the shell with output captured in files; a run
// that has not ended after 30 s is killed (exit code 137).
inline Result RunProgram(const std::string& args, const std::string& stdinFile = "/dev/null") {
  ScratchDir d;
  const std::string command = "timeout -s KILL 30 " + std::string(VPRINTER_EXE) + " " + args + " <" + stdinFile +
                              " >" + d.Path() + "/out 2>" + d.Path() + "/err";
  const int status = std::system(command.c_str());
  return Result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(d.Path() + "/out"), Slurp(d.Path() + "/err")};
}

inline std::vector<Json> JsonLines(const std::string& text) {
  std::vector<Json> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(Json::parse(line));
  return lines;
}

inline std::vector<Json> EventsOf(const std::vector<Json>& events, const char* kind) {
  std::vector<Json> out;
  for (const Json& e : events) {
    if (e["event"] == kind) out.push_back(e);
  }
  return out;
}

// A port for this test run, so runs side by side do not collide.
inline unsigned short TestPort() { return static_cast<unsigned short>(19100 + getpid() % 500); }

// `virtual-printer serve ...` running in the background, its standard
// output in a file. The process is killed and waited for when the object
// goes, whatever way the test ends.
class ServingPrinter {
 public:
  explicit ServingPrinter(const std::vector<std::string>& args) {
    out_ = dir_.Path() + "/out";
    pid_ = fork();
    if (pid_ == 0) {
      const int fd = open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(fd, 1);
      dup2(fd, 2);
      std::vector<char*> argv{const_cast<char*>(VPRINTER_EXE), const_cast<char*>("serve")};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(VPRINTER_EXE, argv.data());
      _exit(127);
    }
    // Ready once it says where it listens.
    for (int i = 0; i < 200 && Running() && Output().find("listening") == std::string::npos; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  ~ServingPrinter() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  ServingPrinter(const ServingPrinter&) = delete;
  ServingPrinter& operator=(const ServingPrinter&) = delete;

  bool Listening() { return Running() && Output().find("listening") != std::string::npos; }
  std::string Output() const { return Slurp(out_); }
  void Signal(int signal) { kill(pid_, signal); }
  // Waits at most waitMs for the program to end; its exit code, or -1.
  int Wait(int waitMs) {
    for (int waited = 0; !exited_ && waited <= waitMs; waited += 10) {
      if (!Running()) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return exited_ && WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
  }
  // Waits until the output holds `text` (at most waitMs).
  bool WaitFor(const std::string& text, int waitMs) {
    for (int waited = 0; waited <= waitMs; waited += 10) {
      if (Output().find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

 private:
  bool Running() {
    if (exited_ || pid_ <= 0) return false;
    if (waitpid(pid_, &status_, WNOHANG) == pid_) exited_ = true;
    return !exited_;
  }
  ScratchDir dir_;
  std::string out_;
  pid_t pid_ = -1;
  int status_ = 0;
  bool exited_ = false;
};

// Owns a client socket.
class Client {
 public:
  Client(const char* address, unsigned short port) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    inet_pton(AF_INET, address, &to.sin_addr);
    if (connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof(to)) != 0) {
      close(fd_);
      fd_ = -1;
    }
  }
  ~Client() {
    if (fd_ >= 0) close(fd_);
  }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;
  bool Connected() const { return fd_ >= 0; }
  int Fd() const { return fd_; }
  bool SendAll(const Bytes& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
      const ssize_t n = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return false;
      sent += static_cast<size_t>(n);
    }
    return true;
  }
  void EndSending() { shutdown(fd_, SHUT_WR); }
  // How the printer ended the connection, waiting at most waitMs.
  enum class Ending { Closed, Reset, StillOpen, Error };
  Ending AwaitEnd(int waitMs) {
    timeval limit{waitMs / 1000, (waitMs % 1000) * 1000};
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
    unsigned char chunk[4096];
    for (;;) {
      const ssize_t n = recv(fd_, chunk, sizeof(chunk), 0);
      if (n == 0) return Ending::Closed;
      if (n > 0) continue;
      if (errno == ECONNRESET) return Ending::Reset;
      return errno == EAGAIN || errno == EWOULDBLOCK ? Ending::StillOpen : Ending::Error;
    }
  }
  // Reads until the printer closes (true) or waitMs pass or an error (false).
  bool ReadToClose(int waitMs, Bytes* got = nullptr) {
    timeval limit{waitMs / 1000, (waitMs % 1000) * 1000};
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
    unsigned char chunk[4096];
    for (;;) {
      const ssize_t n = recv(fd_, chunk, sizeof(chunk), 0);
      if (n == 0) return true;
      if (n < 0) return false;
      if (got != nullptr) got->insert(got->end(), chunk, chunk + n);
    }
  }

 private:
  int fd_ = -1;
};

// What became of a connection attempt within waitMs: a dead printer's
// attempt neither connects nor is refused.
enum class Connecting { Connected, Refused, TimedOut };
inline std::ostream& operator<<(std::ostream& out, Connecting c) {
  return out << (c == Connecting::Connected ? "connected" : c == Connecting::Refused ? "refused" : "timed out");
}
inline std::ostream& operator<<(std::ostream& out, Client::Ending e) {
  const char* names[] = {"closed", "reset", "still open", "error"};
  return out << names[static_cast<int>(e)];
}
inline Connecting ConnectWithin(const char* address, unsigned short port, int waitMs) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  inet_pton(AF_INET, address, &to.sin_addr);
  Connecting outcome = Connecting::Connected;
  if (connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof(to)) != 0) {
    pollfd entry{fd, POLLOUT, 0};
    if (errno != EINPROGRESS) {
      outcome = Connecting::Refused;
    } else if (poll(&entry, 1, waitMs) == 0) {
      outcome = Connecting::TimedOut;
    } else {
      int error = 0;
      socklen_t size = sizeof(error);
      getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
      outcome = error == 0 ? Connecting::Connected : Connecting::Refused;
    }
  }
  close(fd);
  return outcome;
}

}  // namespace vprinter_test
