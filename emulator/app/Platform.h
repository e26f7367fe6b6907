// What the serve ends need from the operating system, behind small types
// that own their handles. None of the calls waits: the event loop
// (EventLoop.h) does the waiting for all of them at once. Implemented in
// PlatformPosix.cpp and PlatformWin32.cpp.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vprinter {

// What the loop waits on: a socket on both systems, any descriptor on Linux.
using PollHandle = std::uintptr_t;

enum class IoResult {
  Data,        // *count bytes moved
  WouldBlock,  // nothing to move now
  Closed,      // the peer closed in order (reads only)
  Error,
};

// A connected TCP socket, non-blocking.
class Connection {
 public:
  virtual ~Connection() = default;
  virtual PollHandle Handle() const = 0;
  virtual IoResult Receive(uint8_t* buffer, size_t size, size_t* got) = 0;
  // May take fewer bytes than offered (*sent).
  virtual IoResult Send(const uint8_t* data, size_t size, size_t* sent) = 0;
  // Closes with a reset instead of an orderly close.
  virtual void Reset() = 0;
  virtual std::string Peer() const = 0;
};

// A listening TCP socket, non-blocking, with the system's largest backlog.
class Listener {
 public:
  virtual ~Listener() = default;
  virtual PollHandle Handle() const = 0;
  // The next waiting connection, or null: none waiting (*failed false), or
  // accepting failed, e.g. out of descriptors (*failed true).
  virtual std::unique_ptr<Connection> Accept(bool* failed) = 0;
};

// Listens on address:port; null with *error set when that fails (port in
// use, bad address).
std::unique_ptr<Listener> ListenTcp(const std::string& address, unsigned short port,
                                    std::string* error);

// A serial-like byte stream: a pty whose slave is linked at a path (Linux),
// or a COM port (Windows).
class Stream {
 public:
  virtual ~Stream() = default;
  // False when the loop cannot poll it (a COM port): then it is read on a
  // short timer instead.
  virtual bool Pollable(PollHandle* handle) const = 0;
  // Receive and Send never wait long (a COM port may take a few milliseconds).
  virtual IoResult Receive(uint8_t* buffer, size_t size, size_t* got) = 0;
  virtual IoResult Send(const uint8_t* data, size_t size, size_t* sent) = 0;
  virtual std::string Name() const = 0;
};
std::unique_ptr<Stream> OpenPty(const std::string& link, std::string* error);
std::unique_ptr<Stream> OpenCom(const std::string& port, std::string* error);

// One entry of a poll: what is wanted of a handle, and what it is ready for.
struct PollEntry {
  PollHandle handle;
  bool read;
  bool write;
  bool readable = false;
  bool writable = false;
  bool failed = false;  // error or hang-up: the next Receive or Send tells which
};
// Waits at most timeoutMs (0: not at all) until one of the entries is
// ready. An interruption by a signal counts as the time passing.
void Poll(std::vector<PollEntry>& entries, int timeoutMs);

// From now on SIGTERM and SIGINT (Linux) or Ctrl+C and Ctrl+Break (Windows)
// ask the program to stop instead of ending it; StopRequested tells.
void CatchStopRequests();
bool StopRequested();

// Lets the process hold as many descriptors as the system allows it (every
// connection takes one).
void RaiseDescriptorLimit();

// Switches standard input and output to binary where that matters.
void BinaryStdio();

}  // namespace vprinter
