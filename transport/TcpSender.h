// Raw TCP sending to port 9100 of the network printer.
#pragma once
#include <windows.h>
#include <cstddef>


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

// Connects to port 9100 of address (dotted IPv4 text), sends every byte of
// each block in order over that one connection, half-closes it and waits for
// the printer to close its side. Returns 1 when the printer took all of them
// (it closed in order, or kept the connection open without error until the
// time limit), 0 on any failure: a block that cannot be read, no connection,
// a send that fails, a reset or error before the printer's close, or the time
// limit passing before every byte was handed over. Shows no message.
int SendTcpBlocks(const char* address, int count, const SendBlock* blocks);
