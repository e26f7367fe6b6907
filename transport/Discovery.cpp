// Network discovery: the UDP broadcast sender, the listener that decodes
// printer announcements, and two ways to find this PC's own IPv4 address.
#include "transport/Discovery.h"

#include <iphlpapi.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <memory>
#include <new>

#include "common/UniqueResource.h"
#include "transport/WinsockSession.h"

namespace {

// A UDP socket of a started session, or INVALID_SOCKET after printing why.
SOCKET OpenUdpSocket(const WinsockSession& session) {
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

}  // namespace

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
  if (closesocket(socket.Release()) == SOCKET_ERROR) {
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
