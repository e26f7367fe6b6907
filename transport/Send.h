// The one way bytes leave Setwright and SetwrightCmd: a send (and a send
// followed by a read) to an explicit target, returning what happened. Nothing
// here reads or writes a program-wide value or shows a message, so several
// threads may send to several printers at once. The window's SendCommand and
// QueryCommand are adapters over these two calls.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

// How a send ended.
enum class SendStatus {
  // The far end took the whole buffer: for TCP the printer closed in order
  // after our half-close; for a port, a USB printer or a printer queue the
  // system reported every byte written (the only acknowledgement they give).
  Confirmed,
  // TCP only: every byte was handed over, but the printer neither closed nor
  // reported an error before the time limit.
  Unconfirmed,
  Failed,
};

// Time limits of a network exchange.
constexpr DWORD kDefaultConnectLimitMs = 10000;
constexpr DWORD kDefaultExchangeLimitMs = 10000;

// Where a send goes; everything a transport needs, copied in by the caller.
struct SendTarget {
  int kind = -1;       // a TransportKind value
  std::wstring name;   // COM3:, LPT1:, a printer queue's name or a USB device path
  uint32_t address = 0;  // network printer (host byte order), already checked
  bool hasSerial = false;  // COM: line settings to apply; without them the send fails
  DCB serial{};
  // Network: the connect alone, and connect, sends and the wait for the
  // printer's close together.
  DWORD connectLimitMs = kDefaultConnectLimitMs;
  DWORD exchangeLimitMs = kDefaultExchangeLimitMs;
  // COM: a limit on the write (0: none, the port's own timeouts apply).
  DWORD writeLimitMs = 0;
};

struct SendOutcome {
  SendStatus status = SendStatus::Failed;
  // Translation key of the window's box: "PO_GSTR_SET_SUCCESS" unless failed,
  // else the key of the step that failed.
  const char* key = "PO_GSTR_SET_FAIL";
  // What happened, in plain English ("refused", "reset by the printer after
  // 3 of 3 bytes", "write cut at 12 of 40 bytes", ...); empty when confirmed.
  std::string reason;
  size_t bytesSent = 0;  // bytes the system took
  // A send-and-read whose command was written in full but whose answer did
  // not come (or could not be read).
  bool answerFailed = false;
  bool Sent() const { return status != SendStatus::Failed; }
};

// Sends length bytes to target in one write (one connection, one open of
// the port or queue). data may be null only with length 0.
SendOutcome SendToTarget(const SendTarget& target, const unsigned char* data, size_t length);

// Sends command, then reads at most *replyLength bytes of the answer into
// reply; the count read replaces *replyLength. Only serial and parallel
// ports and USB printers answer; a USB reply is awaited at most 1000 ms and
// no reply is a failure there. Network printers and queues give none.
SendOutcome QueryTarget(const SendTarget& target, const unsigned char* command, size_t length,
                        unsigned char* reply, size_t* replyLength);

// The USB target's path must name a device: it is opened without creating
// anything and refused when it is a disk file. Empty when usable, else why
// not. Opens and closes the path once, writing nothing.
std::string UsbPathProblem(const std::wstring& path);
