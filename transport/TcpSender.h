// Raw TCP sending to port 9100 of the network printer.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "transport/Send.h"

constexpr unsigned short kPrinterTcpPort = 9100;
constexpr size_t kInlineBlockBytes = 1024;
// Connect, send and the wait for the printer's close end together within
// this time, so a Set never blocks the window longer.
constexpr unsigned kTcpExchangeLimitMs = 10000;
// The address text is converted into a cleared buffer of this many bytes.
constexpr size_t kAddressBufferBytes = 1072;

// One buffer to send: data when it is not null, else the first length
// bytes of inlineData (so at most kInlineBlockBytes).
struct SendBlock {
  int length;
  const unsigned char* data;
  unsigned char inlineData[kInlineBlockBytes];
};

// A run of bytes of one exchange.
struct TcpSpan {
  const unsigned char* data;
  size_t length;
};

struct TcpResult {
  SendStatus status = SendStatus::Failed;
  std::string reason;  // empty when confirmed
  size_t sent = 0;     // bytes the system took
};

// Connects to port of address (host byte order) within connectLimitMs,
// sends every span in order over that one connection, half-closes it and
// waits for the printer to close its side; all of it ends within
// exchangeLimitMs. Confirmed when the printer closed in order without a
// reset; Unconfirmed when every byte was handed over and the printer neither
// closed nor failed before the limit; Failed otherwise (no connection, a
// send that fails or makes no progress before the limit, a reset before or
// at the printer's close). Thread-safe; shows no message.
TcpResult SendTcpExchange(uint32_t address, unsigned short port, const TcpSpan* spans,
                          size_t count, DWORD connectLimitMs, DWORD exchangeLimitMs);

// The blocks' form of the same exchange to port 9100 of address (dotted
// IPv4 text, read strictly). 1 when the printer took every byte (confirmed
// or unconfirmed), 0 on any failure, also for a block that cannot be read.
int SendTcpBlocks(const char* address, int count, const SendBlock* blocks);
