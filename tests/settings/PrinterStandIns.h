// Stand-ins for printers the tests cannot have: a raw-TCP printer on the
// loopback address, and a USB printer played by a named pipe. Each runs on a
// thread of its own and records what it received.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace pages_test {

// Accepts one connection on 127.0.0.1:9100 and keeps every byte it sends
// until the peer closes or the time is up.
class LoopbackPrinter {
 public:
  LoopbackPrinter();
  ~LoopbackPrinter();
  LoopbackPrinter(const LoopbackPrinter&) = delete;
  LoopbackPrinter& operator=(const LoopbackPrinter&) = delete;
  bool Listening() const { return listener_ != INVALID_SOCKET; }
  // Waits for the connection to end (at most waitMs) and returns the bytes.
  std::vector<unsigned char> Received(DWORD waitMs = 3000);

 private:
  void Serve();
  SOCKET listener_ = INVALID_SOCKET;
  std::thread thread_;
  std::vector<unsigned char> bytes_;
  HANDLE done_ = nullptr;
  std::atomic<bool> stop_{false};
  bool winsock_ = false;
};

// A USB printer of the Ethernet read-back: a named pipe with two instances.
// The first client to write is the request; the reply (if any) is written on
// the other instance, the one the reader opens.
class PipePrinter {
 public:
  // reply: bytes to answer with; answer=false: never answers.
  PipePrinter(const std::string& reply, bool answer = true);
  ~PipePrinter();
  PipePrinter(const PipePrinter&) = delete;
  PipePrinter& operator=(const PipePrinter&) = delete;
  const std::wstring& Path() const { return path_; }
  bool Ready() const { return ready_; }
  // The bytes of the request, once the exchange is over.
  std::vector<unsigned char> Request();

 private:
  void Serve();
  std::wstring path_;
  std::string reply_;
  bool answer_;
  bool ready_ = false;
  HANDLE pipes_[2] = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE};
  std::thread thread_;
  std::vector<unsigned char> request_;
  std::atomic<bool> stop_{false};
  HANDLE armed_ = nullptr;
};

}  // namespace pages_test
