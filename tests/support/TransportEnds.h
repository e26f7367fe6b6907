// Counterparts for the transport tests: the program-wide selection values,
// a TCP printer on a loopback address of the test's own and a named pipe that plays a USB printer.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/Globals.h"

#include "tests/support/Bytes.h"

// Points CurrentSelection, MainWindow, PrinterAddressText and
// StoredSerialSettings at values of its own and restores them afterwards.
class SelectionScope {
 public:
  SelectionScope(int kind, const wchar_t* name);
  ~SelectionScope();
  SelectionScope(const SelectionScope&) = delete;
  SelectionScope& operator=(const SelectionScope&) = delete;

  void Select(int kind, const wchar_t* name);
  void SetAddress(const wchar_t* address);
  // Stores serial settings: the port's current state with the given baud rate.
  bool StoreSerialSettings(const wchar_t* port, DWORD baudRate);
  void ForgetSerialSettings() { StoredSerialSettings = nullptr; }

  TransportSelection selection{};
  wchar_t address[kPrinterAddressChars] = {};
  DCB settings{};

 private:
  TransportSelection* savedSelection_;
  HWND savedWindow_;
  wchar_t* savedAddress_;
  DCB* savedSettings_;
};

// What a test printer end has taken so far: each finished job, and all
// bytes together in order, with waits for them. Ends fill it from their own
// threads.
class RecordedJobs {
 public:
  // Waits until count jobs have finished (at most waitMs) and returns the
  // bytes of each finished job, in order.
  std::vector<Bytes> Finished(size_t count, DWORD waitMs = 3000);
  // Waits until expected bytes have arrived (at most waitMs), all jobs together.
  Bytes Received(size_t expected, DWORD waitMs = 2000);

 protected:
  void AddBytes(const unsigned char* data, size_t size);  // to the job in progress
  void EndJob();
  std::mutex mutex_;

 private:
  template <typename Ready>
  void WaitUntil(Ready ready, DWORD waitMs);
  std::vector<Bytes> finished_;
  Bytes current_;
  Bytes all_;
};

// A printer on address:port served by a thread: accepts connections and
// records every byte of each one until the sender closes it, then closes in
// order. Each test listens on an address of its own in 127.0.0.0/8 (never
// the loopback address other programs on the machine listen on).
class LoopbackPrinter : public RecordedJobs {
 public:
  explicit LoopbackPrinter(const char* address, unsigned short port = 9100);
  ~LoopbackPrinter();
  LoopbackPrinter(const LoopbackPrinter&) = delete;
  LoopbackPrinter& operator=(const LoopbackPrinter&) = delete;

  bool Listening() const { return listener_ != INVALID_SOCKET; }

 private:
  void Serve();
  WSADATA wsa_{};
  SOCKET listener_ = INVALID_SOCKET;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// A printer that never takes part: the system completes each connection in
// the listen queue, but nothing reads, answers or closes it (bytes that fit
// the buffers sit there). With dead set, the queue is kept full instead, so
// the system drops every further connection attempt and the sender's
// connect times out.
class SilentPrinter {
 public:
  SilentPrinter(const char* address, bool dead);
  ~SilentPrinter();
  SilentPrinter(const SilentPrinter&) = delete;
  SilentPrinter& operator=(const SilentPrinter&) = delete;
  bool Listening() const { return listener_ != INVALID_SOCKET; }

 private:
  WSADATA wsa_{};
  SOCKET listener_ = INVALID_SOCKET;
  SOCKET filler_ = INVALID_SOCKET;
};

// A "Generic / Text Only" queue of Wine's spooler whose port is a file in
// the test's scratch folder (named after the queue); deleted again when the
// object goes.
class FileQueue {
 public:
  explicit FileQueue(const wchar_t* name);
  ~FileQueue();
  FileQueue(const FileQueue&) = delete;
  FileQueue& operator=(const FileQueue&) = delete;

  bool Ready() const { return printer_ != nullptr; }
  // What the spooler delivered to the port file, waiting for `expected` bytes.
  Bytes Delivered(size_t expected, DWORD waitMs = 3000) const;
  void Clear() const;

 private:
  std::wstring port_;
  std::wstring windowsPath_;
  HANDLE printer_ = nullptr;
};

// A named pipe standing in for the USB device path. Every client open takes
// a pipe instance (a connection); the printer records what each connection
// writes and, when told to, answers on a given connection after a delay.
class FakeUsbPrinter : public RecordedJobs {
 public:
  FakeUsbPrinter();
  ~FakeUsbPrinter();
  FakeUsbPrinter(const FakeUsbPrinter&) = delete;
  FakeUsbPrinter& operator=(const FakeUsbPrinter&) = delete;

  const wchar_t* Path() const { return path_.c_str(); }
  // Connection number `connection` (0 = the first open) gets reply after delayMs.
  void ReplyOn(int connection, Bytes reply, DWORD delayMs);
  int Connections();
  // How many replies could be written (the client was still there).
  int RepliesDelivered();

 private:
  struct Reply {
    int connection;
    Bytes bytes;
    DWORD delayMs;
  };
  HANDLE NewInstance();
  void Accept();
  void Serve(HANDLE pipe, int connection);

  std::wstring path_;
  std::atomic<bool> stop_{false};
  std::vector<Reply> replies_;
  int connections_ = 0;
  int delivered_ = 0;
  HANDLE stopEvent_;
  std::thread acceptThread_;
  std::atomic<int> active_{0};
  std::atomic<bool> ready_{false};
};
