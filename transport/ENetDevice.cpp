// Network transport: raw TCP to port 9100 of the printer's address, and
// the UDP discovery helpers (announcement listener, broadcast sender, local
// address look-ups).
#include "transport/Handles.h"

#include <iphlpapi.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <memory>
#include <new>

#include "transport/Device.h"
#include "transport/Network.h"

namespace {

// The connect target for address, or false when the text names no host:
// an unparsable text (which inet_addr turns into the broadcast value) and
// the unspecified address 0.0.0.0 are refused before any connect.
bool PrinterEndpoint(const char* address, sockaddr_in* endpoint) {
  if (address == nullptr) return false;
  const unsigned long value = inet_addr(address);
  if (value == INADDR_NONE || value == INADDR_ANY) return false;
  memset(endpoint, 0, sizeof(*endpoint));
  endpoint->sin_family = AF_INET;
  endpoint->sin_port = htons(kPrinterTcpPort);
  endpoint->sin_addr.s_addr = value;
  return true;
}

// The time left until deadline (a GetTickCount64 value), 0 when it has passed.
DWORD TimeLeft(ULONGLONG deadline) {
  const ULONGLONG now = GetTickCount64();
  return now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
}

// Waits until socket is writable (write) or readable (!write), or until
// deadline. Returns 1 ready, 0 timed out, -1 failed (also a connect that the
// peer refused, which select reports through the exception set).
int WaitReady(SOCKET socket, bool write, ULONGLONG deadline) {
  for (;;) {
    const DWORD leftMs = TimeLeft(deadline);
    fd_set ready;
    fd_set failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(socket, &ready);
    FD_SET(socket, &failed);
    timeval wait{static_cast<long>(leftMs / 1000), static_cast<long>((leftMs % 1000) * 1000)};
    const int count = select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failed, &wait);
    if (count == SOCKET_ERROR) return -1;
    if (FD_ISSET(socket, &failed)) return -1;
    if (count > 0) return 1;
    if (leftMs == 0) return 0;
  }
}

// Connects the non-blocking socket within the deadline.
bool ConnectBefore(SOCKET socket, const sockaddr_in& endpoint, ULONGLONG deadline) {
  if (connect(socket, reinterpret_cast<const sockaddr*>(&endpoint), sizeof(endpoint)) == 0) {
    return true;
  }
  if (WSAGetLastError() != WSAEWOULDBLOCK) return false;
  if (WaitReady(socket, true, deadline) != 1) return false;
  int error = 0;
  int size = sizeof(error);
  if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0) {
    return false;
  }
  return error == 0;
}

// The socket's pending error (SO_ERROR), or -1 when it cannot be read.
int SocketError(SOCKET socket) {
  int error = 0;
  int size = sizeof(error);
  if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0) {
    return -1;
  }
  return error;
}

// Sets a blocking socket's send (SO_SNDTIMEO) or receive (SO_RCVTIMEO) limit
// to the time left until deadline; false when none is left.
bool LimitTo(SOCKET socket, int option, ULONGLONG deadline) {
  const DWORD leftMs = TimeLeft(deadline);
  if (leftMs == 0) return false;
  return setsockopt(socket, SOL_SOCKET, option, reinterpret_cast<const char*>(&leftMs),
                    sizeof(leftMs)) == 0;
}

// Sends all length bytes within the deadline, repeating send until they are out.
bool SendWhole(SOCKET socket, const unsigned char* bytes, int length, ULONGLONG deadline) {
  int sent = 0;
  while (sent < length) {
    if (!LimitTo(socket, SO_SNDTIMEO, deadline)) return false;
    const int result = send(socket, reinterpret_cast<const char*>(bytes) + sent, length - sent, 0);
    if (result == SOCKET_ERROR || result <= 0) return false;
    sent += result;
  }
  return true;
}

// After the last byte: tells the printer that nothing more comes (half-close)
// and waits for it to close its side. Bytes that `send` accepted may still
// sit in this host's buffers; only the printer's orderly close says they were
// taken. A reset or an error before that close means they were not, so the
// send fails. A printer that keeps the connection open past the deadline
// showed no error and counts as having taken them; anything it sends back
// is read and dropped. The end of the stream is confirmed through the
// socket's pending error, where Wine keeps a reset that its server noticed
// before the receive did.
bool AwaitPrinterClose(SOCKET socket, ULONGLONG deadline) {
  if (shutdown(socket, SD_SEND) != 0) return false;
  for (;;) {
    if (!LimitTo(socket, SO_RCVTIMEO, deadline)) return true;
    char drained[512];
    const int got = recv(socket, drained, sizeof(drained), 0);
    if (got == 0) return SocketError(socket) == 0;
    if (got > 0) continue;
    return WSAGetLastError() == WSAETIMEDOUT;
  }
}

// True when every block can be read whole: a length that is not negative
// and, for a block without data, no longer than its inline storage.
bool BlocksReadable(int count, const SendBlock* blocks) {
  if (count < 0 || (blocks == nullptr && count > 0)) return false;
  for (int i = 0; i < count; ++i) {
    if (blocks[i].length < 0) return false;
    if (blocks[i].data == nullptr && static_cast<size_t>(blocks[i].length) > kInlineBlockBytes) {
      return false;
    }
  }
  return true;
}

}  // namespace

int SendTcpBlocks(const char* address, int count, const SendBlock* blocks) {
  // Refused before anything is connected, so the printer never sees a
  // connection that ends half-way through a request.
  if (!BlocksReadable(count, blocks)) return 0;
  WinsockSession session(MAKEWORD(2, 2));
  if (!session.Started()) return 0;
  UniqueSocket socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!socket.Valid()) return 0;
  sockaddr_in endpoint;
  if (!PrinterEndpoint(address, &endpoint)) return 0;
  // Connect, every send and the wait for the printer's close all end by one
  // deadline, so a silent printer cannot hold the window longer than that.
  // The connect runs non-blocking (it has no time limit of its own), the
  // rest blocking with time limits.
  const ULONGLONG deadline = GetTickCount64() + kTcpExchangeLimitMs;
  u_long nonBlocking = 1;
  if (ioctlsocket(socket.Get(), FIONBIO, &nonBlocking) != 0) return 0;
  if (!ConnectBefore(socket.Get(), endpoint, deadline)) return 0;
  nonBlocking = 0;
  if (ioctlsocket(socket.Get(), FIONBIO, &nonBlocking) != 0) return 0;
  for (int i = 0; i < count; ++i) {
    const SendBlock& block = blocks[i];
    const unsigned char* bytes = block.data != nullptr ? block.data : block.inlineData;
    if (!SendWhole(socket.Get(), bytes, block.length, deadline)) return 0;
  }
  if (!AwaitPrinterClose(socket.Get(), deadline)) return 0;
  return socket.Close() == 0 ? 1 : 0;
}

ENetDevice::~ENetDevice() { Close(); }

int ENetDevice::Write(const unsigned char* data, int length) {
  SendBlock block{};
  block.length = length;
  block.data = data;
  char address[kAddressBufferBytes] = {};
  int result = 0;
  if (PrinterAddressText != nullptr) {
    // The address text holds at most kPrinterAddressChars characters; an
    // unterminated text is read no further than that.
    const int chars = static_cast<int>(wcsnlen(PrinterAddressText, kPrinterAddressChars));
    if (chars > 0 && WideCharToMultiByte(CP_ACP, 0, PrinterAddressText, chars, address,
                                         static_cast<int>(sizeof(address) - 1), nullptr,
                                         nullptr) > 0) {
      // A block without data would fall back to inlineData; a null buffer
      // with bytes to send is refused instead.
      if (data != nullptr || length == 0) result = SendTcpBlocks(address, 1, &block);
    }
  }
  if (result == 0) {
    ShowError("PO_GSTR_SET_FAIL");
    return 0;
  }
  ShowSuccess("PO_GSTR_SET_SUCCESS");
  return 1;
}

int ENetDevice::Query(const unsigned char*, int, unsigned char*, unsigned int*) { return 1; }

// A UDP socket of a started session, or INVALID_SOCKET after printing why.
static SOCKET OpenUdpSocket(const WinsockSession& session) {
  if (!session.Started()) {
    wprintf(L"WSAStartup failed with error: %d\n", session.Error());
    return INVALID_SOCKET;
  }
  SOCKET socket = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (socket == INVALID_SOCKET) {
    wprintf(L"socket failed with error: %ld\n", static_cast<long>(WSAGetLastError()));
  }
  return socket;
}

int SendUdpText(const char* localAddress, const char* destinationAddress,
                unsigned short destinationPort, const char* text) {
  if (localAddress == nullptr || destinationAddress == nullptr || text == nullptr) return 0;
  WinsockSession session(MAKEWORD(2, 2));
  UniqueSocket socket(OpenUdpSocket(session));
  if (!socket.Valid()) return 0;
  const BOOL broadcast = TRUE;
  setsockopt(socket.Get(), SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&broadcast),
             sizeof(broadcast));
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(kUdpSourcePort);
  local.sin_addr.s_addr = inet_addr(localAddress);
  if (bind(socket.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof(local)) != 0) return 0;
  sockaddr_in destination{};
  destination.sin_family = AF_INET;
  destination.sin_port = htons(destinationPort);
  destination.sin_addr.s_addr = inet_addr(destinationAddress);
  const int length = static_cast<int>(strlen(text)) + 1;  // with the terminating zero
  if (sendto(socket.Get(), text, length, 0, reinterpret_cast<const sockaddr*>(&destination),
             sizeof(destination)) == SOCKET_ERROR) {
    return 0;
  }
  wprintf(L"Finished sending. Closing socket.\n");
  if (socket.Close() == SOCKET_ERROR) {
    wprintf(L"closesocket failed with error: %d\n", WSAGetLastError());
    return 0;
  }
  wprintf(L"Exiting.\n");
  return 1;
}

int ListenForPrinters(unsigned short port, PrinterFoundCallback onFound, void* context,
                      DWORD timeLimitMs, HANDLE ready) {
  WinsockSession session(MAKEWORD(2, 2));
  UniqueSocket socket(OpenUdpSocket(session));
  if (!socket.Valid()) return 0;
  const BOOL reuse = TRUE;
  setsockopt(socket.Get(), SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse),
             sizeof(reuse));
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(port);
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  if (bind(socket.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof(local)) != 0) return 0;
  if (ready != nullptr) SetEvent(ready);

  const ULONGLONG start = GetTickCount64();
  for (;;) {
    // Wait for the next datagram no longer than the time that is left.
    DWORD waitMs = 1000;
    if (timeLimitMs != INFINITE) {
      const ULONGLONG elapsed = GetTickCount64() - start;
      if (elapsed >= timeLimitMs) break;
      const ULONGLONG left = timeLimitMs - elapsed;
      if (left < waitMs) waitMs = static_cast<DWORD>(left);
    }
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket.Get(), &readable);
    timeval wait{static_cast<long>(waitMs / 1000), static_cast<long>((waitMs % 1000) * 1000)};
    const int ready_count = select(0, &readable, nullptr, nullptr, &wait);
    if (ready_count == SOCKET_ERROR) return 1;
    if (ready_count == 0) continue;

    unsigned char datagram[kAnnouncementDatagramBytes] = {};
    sockaddr_in sender{};
    int senderLength = sizeof(sender);
    const int received =
        recvfrom(socket.Get(), reinterpret_cast<char*>(datagram), sizeof(datagram), 0,
                 reinterpret_cast<sockaddr*>(&sender), &senderLength);
    // A failed receive (also a datagram longer than the buffer) is skipped.
    if (received == SOCKET_ERROR) continue;
    unsigned char senderAddress[4];
    memcpy(senderAddress, &sender.sin_addr.s_addr, 4);
    FoundPrinter printer;
    if (!DecodeAnnouncement(datagram, static_cast<size_t>(received), senderAddress, &printer)) {
      continue;
    }
    if (onFound != nullptr && !onFound(printer, context)) break;
  }
  return 1;
}

int GetLocalHostAddress(char* out, size_t outBytes) {
  WinsockSession session(MAKEWORD(2, 0));
  if (!session.Started()) return session.Error();
  char hostName[255] = {};
  if (gethostname(hostName, sizeof(hostName) - 1) == 0) {
    const hostent* host = gethostbyname(hostName);
    if (host != nullptr && host->h_addrtype == AF_INET && host->h_addr_list != nullptr &&
        host->h_addr_list[0] != nullptr) {
      in_addr first;
      memcpy(&first, host->h_addr_list[0], sizeof(first));
      const char* text = inet_ntoa(first);
      if (text != nullptr && out != nullptr && strlen(text) < outBytes) {
        memcpy(out, text, strlen(text) + 1);
      }
    }
  }
  return session.Cleanup();
}

int GetLocalAdapterAddress(wchar_t* out) {
  ULONG size = 0;
  if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW) return 0;
  std::unique_ptr<unsigned char[]> list(new (std::nothrow) unsigned char[size]);
  if (!list) return -1;
  IP_ADAPTER_INFO* adapters = reinterpret_cast<IP_ADAPTER_INFO*>(list.get());
  if (GetAdaptersInfo(adapters, &size) != ERROR_SUCCESS) return -1;
  for (const IP_ADAPTER_INFO* adapter = adapters; adapter != nullptr; adapter = adapter->Next) {
    if (adapter->Type != MIB_IF_TYPE_ETHERNET) continue;
    if (strstr(adapter->Description, "VMware") != nullptr ||
        strstr(adapter->Description, "Virtual") != nullptr) {
      continue;
    }
    // The first qualifying adapter that has an address wins.
    const char* text = adapter->IpAddressList.IpAddress.String;
    if (text[0] == '\0' || strcmp(text, "0.0.0.0") == 0) continue;
    if (out != nullptr) {
      wchar_t converted[kAdapterAddressChars] = {};
      if (MultiByteToWideChar(CP_ACP, 0, text, -1, converted,
                              static_cast<int>(kAdapterAddressChars - 1)) > 0) {
        wmemcpy(out, converted, kAdapterAddressChars);
      }
    }
    break;
  }
  return 0;
}
