// What the serve front-ends need from the operating system, behind small
// types that own their handles. Implemented in PlatformPosix.cpp and
// PlatformWin32.cpp.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vprinter {

enum class IoResult { Data, Timeout, Closed, Error };

// A connected TCP socket.
class Connection {
 public:
  virtual ~Connection() = default;
  // Waits at most timeoutMs; *got holds the count on Data.
  virtual IoResult Read(uint8_t* buffer, size_t size, int timeoutMs, size_t* got) = 0;
  virtual bool Write(const uint8_t* data, size_t size) = 0;
  // Closes with a reset instead of an orderly close.
  virtual void Reset() = 0;
  virtual std::string Peer() const = 0;
};

class Listener {
 public:
  virtual ~Listener() = default;
  // A connection, or null after timeoutMs.
  virtual std::unique_ptr<Connection> Accept(int timeoutMs) = 0;
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
  virtual IoResult Read(uint8_t* buffer, size_t size, int timeoutMs, size_t* got) = 0;
  virtual bool Write(const uint8_t* data, size_t size) = 0;
  virtual std::string Name() const = 0;
};
std::unique_ptr<Stream> OpenPty(const std::string& link, std::string* error);
std::unique_ptr<Stream> OpenCom(const std::string& port, std::string* error);

void SleepMs(int ms);
// Switches standard input and output to binary where that matters.
void BinaryStdio();

}  // namespace vprinter
