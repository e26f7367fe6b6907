// Network discovery: the UDP broadcast sender, the announcement listener and
// the look-ups of this PC's own IPv4 address. No page calls them; they serve
// finding printers on the network.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <cstddef>

#include "transport/Announcement.h"

constexpr unsigned short kUdpSourcePort = 6000;

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
