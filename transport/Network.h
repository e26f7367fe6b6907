// Raw TCP sending to port 9100 and the UDP discovery helpers.
#pragma once
#include <windows.h>
#include <cstddef>

#include "transport/TransportText.h"

constexpr unsigned short kPrinterTcpPort = 9100;
constexpr unsigned short kUdpSourcePort = 6000;
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

// Sends text with its terminating zero as one UDP datagram from
// localAddress, port 6000, to destinationAddress:destinationPort, with
// broadcasting allowed. Returns 1 sent, 0 failed.
int SendUdpText(const char* localAddress, const char* destinationAddress,
                unsigned short destinationPort, const char* text);

// Called for each announcement; return false to stop listening.
using PrinterFoundCallback = bool (*)(const FoundPrinter& printer, void* context);

// Listens for announcements on UDP port (any local address) and hands each
// decoded one to onFound, until onFound returns false or timeLimitMs has
// passed (INFINITE: no limit). Returns 0 when the socket cannot be set up,
// else 1. ready, when not null, is signalled once the socket is bound.
int ListenForPrinters(unsigned short port, PrinterFoundCallback onFound, void* context,
                      DWORD timeLimitMs, HANDLE ready = nullptr);

// The first address of this host's name as dotted text into out (outBytes
// long; left untouched when it cannot be found or does not fit). Returns
// the Windows Sockets start-up error, else WSACleanup's result (0).
int GetLocalHostAddress(char* out, size_t outBytes);
template <size_t N>
inline int GetLocalHostAddress(char (&out)[N]) {
  return GetLocalHostAddress(out, N);
}

constexpr size_t kAdapterAddressChars = 64;
// The IPv4 address of a physical Ethernet adapter (not "VMware", not
// "Virtual") into out (kAdapterAddressChars). Returns 0 when the adapter
// list was read (or there is none), -1 when reading it failed.
int GetLocalAdapterAddress(wchar_t* out);
