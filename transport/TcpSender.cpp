// Raw TCP to port 9100 of the printer's address: one connection per send,
// every byte handed over, then the printer's close awaited and checked for a
// reset.
#include "transport/TcpSender.h"

#include <cstring>
#include <vector>

#include "common/UniqueResource.h"
#include "transport/PortNames.h"
#include "transport/SendReasons.h"
#include "transport/WinsockSession.h"

namespace {

// Windows Sockets is started once for the process and stays up: starting
// and cleaning it up around every send costs more than the exchange itself
// on some systems, and the count WSAStartup keeps makes it safe beside any
// other user in the process.
bool WinsockReady(int* error) {
  static WinsockSession session(MAKEWORD(2, 2));
  *error = session.Error();
  return session.Started();
}

// The time left until deadline (a GetTickCount64 value), 0 when it has passed.
DWORD TimeLeft(ULONGLONG deadline) {
  const ULONGLONG now = GetTickCount64();
  return now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
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

// Waits at most waitMs for events on the socket; the events seen, 0 when
// none came in time, -1 when the wait itself failed.
int Wait(SOCKET socket, short events, DWORD waitMs) {
  WSAPOLLFD entry{};
  entry.fd = socket;
  entry.events = events;
  const int count = WSAPoll(&entry, 1, static_cast<INT>(waitMs));
  if (count == SOCKET_ERROR) return -1;
  return count == 0 ? 0 : entry.revents;
}

bool IsReset(int error) {
  return error == WSAECONNRESET || error == WSAECONNABORTED || error == WSAENETRESET;
}

std::string ConnectFailure(int error, DWORD limitMs, size_t total) {
  switch (error) {
    case WSAECONNRESET:
    case WSAECONNABORTED:
    case WSAENETRESET:
      return "reset by the printer after 0 of " + std::to_string(total) + " bytes";
    case WSAECONNREFUSED:
      return "refused: nothing listens on port 9100 at that address";
    case WSAETIMEDOUT:
      return "no answer within " + Seconds(limitMs) + " (connect)";
    case WSAENETUNREACH:
    case WSAEHOSTUNREACH:
      return "the address cannot be reached from this computer";
    default:
      return "the connection failed (" + SocketErrorText(error) + ")";
  }
}

// Connects the non-blocking socket before deadline. select is used rather
// than WSAPoll here: older systems' WSAPoll never reports a refused connect.
bool Connect(SOCKET socket, const sockaddr_in& endpoint, ULONGLONG deadline, DWORD limitMs,
             size_t total, std::string* reason) {
  if (connect(socket, reinterpret_cast<const sockaddr*>(&endpoint), sizeof(endpoint)) == 0) {
    return true;
  }
  const int started = WSAGetLastError();
  if (started != WSAEWOULDBLOCK) return *reason = ConnectFailure(started, limitMs, total), false;
  for (;;) {
    const DWORD leftMs = TimeLeft(deadline);
    fd_set connected;
    fd_set failed;
    FD_ZERO(&connected);
    FD_ZERO(&failed);
    FD_SET(socket, &connected);
    FD_SET(socket, &failed);
    timeval wait{static_cast<long>(leftMs / 1000), static_cast<long>((leftMs % 1000) * 1000)};
    const int count = select(0, nullptr, &connected, &failed, &wait);
    if (count == SOCKET_ERROR) {
      return *reason = ConnectFailure(WSAGetLastError(), limitMs, total), false;
    }
    if (count > 0) {
      // A finished connect is writable; a failed one is in the exception set
      // with its error pending.
      if (!FD_ISSET(socket, &failed)) return true;
      const int error = SocketError(socket);
      return *reason = ConnectFailure(error > 0 ? error : WSAECONNREFUSED, limitMs, total), false;
    }
    if (leftMs == 0) return *reason = ConnectFailure(WSAETIMEDOUT, limitMs, total), false;
  }
}

std::string Progress(size_t sent, size_t total) {
  return std::to_string(sent) + " of " + std::to_string(total) + " bytes";
}

// Hands every byte of the spans to the system before deadline.
bool SendAll(SOCKET socket, const TcpSpan* spans, size_t count, size_t total, ULONGLONG deadline,
             DWORD limitMs, TcpResult* result) {
  for (size_t i = 0; i < count; ++i) {
    size_t offset = 0;
    while (offset < spans[i].length) {
      const size_t left = spans[i].length - offset;
      const int chunk = left > 0x40000000u ? 0x40000000 : static_cast<int>(left);
      const int n = send(socket, reinterpret_cast<const char*>(spans[i].data) + offset, chunk, 0);
      if (n > 0) {
        offset += static_cast<size_t>(n);
        result->sent += static_cast<size_t>(n);
        continue;
      }
      const int error = n == 0 ? WSAECONNRESET : WSAGetLastError();
      if (error != WSAEWOULDBLOCK) {
        result->reason = IsReset(error)
                             ? "reset by the printer after " + Progress(result->sent, total)
                             : "the send failed (" + SocketErrorText(error) + ") after " +
                                   Progress(result->sent, total);
        return false;
      }
      const DWORD leftMs = TimeLeft(deadline);
      const int events = leftMs == 0 ? 0 : Wait(socket, POLLWRNORM, leftMs);
      if (events == 0) {
        result->reason = "the printer took no more within " + Seconds(limitMs) + ": " +
                         Progress(result->sent, total) + " handed over";
        return false;
      }
      // Writable, or an error that the next send reports.
    }
  }
  return true;
}

// After the last byte: tells the printer that nothing more comes (half-close)
// and waits for it to close its side. Bytes the system took may still sit in
// this host's buffers; only the printer's orderly close says they arrived. A
// reset before or at that close means they may not have. Some systems (Wine)
// report a reset as an orderly end of the stream and keep no pending error;
// the reset still shows as an error condition of the socket (POLLERR) in the
// wait that sees the printer's close, which is checked. Anything the printer sends back is read and dropped.
void AwaitClose(SOCKET socket, size_t total, ULONGLONG deadline, DWORD limitMs,
                TcpResult* result) {
  if (shutdown(socket, SD_SEND) != 0) {
    const int error = WSAGetLastError();
    result->reason = IsReset(error) ? "reset by the printer after " + Progress(result->sent, total)
                                    : "the connection failed (" + SocketErrorText(error) + ")";
    return;
  }
  for (;;) {
    const DWORD leftMs = TimeLeft(deadline);
    const int events = leftMs == 0 ? 0 : Wait(socket, POLLRDNORM, leftMs);
    if (events == 0) {
      result->status = SendStatus::Unconfirmed;
      result->reason = "every byte was handed over, but the printer did not close the connection "
                       "within " + Seconds(limitMs);
      return;
    }
    if (events > 0 && (events & POLLERR) != 0) {
      result->reason = "reset by the printer after " + Progress(result->sent, total);
      return;
    }
    char drained[4096];
    const int got = recv(socket, drained, sizeof(drained), 0);
    if (got > 0) continue;
    const int error = got == 0 ? 0 : WSAGetLastError();
    if (error == WSAEWOULDBLOCK) continue;
    if (error != 0) {
      result->reason = IsReset(error) ? "reset by the printer after " + Progress(result->sent, total)
                                      : "the connection failed (" + SocketErrorText(error) + ")";
      return;
    }
    // The end of the stream. The wait that saw the printer's close (POLLHUP)
    // would have shown a reset with it; an end seen without that close is
    // checked once more.
    if (events < 0 || (events & POLLHUP) == 0) {
      const int after = Wait(socket, POLLRDNORM, 0);
      if (after < 0 || (after & POLLERR) != 0) {
        result->reason = "reset by the printer after " + Progress(result->sent, total);
        return;
      }
    }
    result->status = SendStatus::Confirmed;
    return;
  }
}

}  // namespace

TcpResult SendTcpExchange(uint32_t address, unsigned short port, const TcpSpan* spans,
                          size_t count, DWORD connectLimitMs, DWORD exchangeLimitMs) {
  TcpResult result;
  size_t total = 0;
  for (size_t i = 0; i < count; ++i) {
    if (spans[i].data == nullptr && spans[i].length > 0) {
      result.reason = "no bytes to send: the buffer is missing";
      return result;
    }
    total += spans[i].length;
  }
  if (address == 0 || address == 0xFFFFFFFFu) {
    result.reason = "no printer address";
    return result;
  }
  int startError = 0;
  if (!WinsockReady(&startError)) {
    result.reason = "Windows Sockets could not start (" + SocketErrorText(startError) + ")";
    return result;
  }
  UniqueSocket socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!socket.Valid()) {
    result.reason = "no socket (" + SocketErrorText(WSAGetLastError()) + ")";
    return result;
  }
  u_long nonBlocking = 1;
  if (ioctlsocket(socket.Get(), FIONBIO, &nonBlocking) != 0) {
    result.reason = "no socket (" + SocketErrorText(WSAGetLastError()) + ")";
    return result;
  }
  sockaddr_in endpoint{};
  endpoint.sin_family = AF_INET;
  endpoint.sin_port = htons(port);
  endpoint.sin_addr.s_addr = htonl(address);
  // The connect has a limit of its own inside the limit of the exchange.
  const ULONGLONG start = GetTickCount64();
  const ULONGLONG deadline = start + exchangeLimitMs;
  const DWORD connectMs = connectLimitMs < exchangeLimitMs ? connectLimitMs : exchangeLimitMs;
  if (!Connect(socket.Get(), endpoint, start + connectMs, connectMs, total, &result.reason)) {
    return result;
  }
  if (!SendAll(socket.Get(), spans, count, total, deadline, exchangeLimitMs, &result)) {
    return result;
  }
  AwaitClose(socket.Get(), total, deadline, exchangeLimitMs, &result);
  return result;
}

int SendTcpBlocks(const char* address, int count, const SendBlock* blocks) {
  // Refused before anything is connected, so the printer never sees a
  // connection that ends half-way through a request.
  if (count < 0 || (blocks == nullptr && count > 0)) return 0;
  std::vector<TcpSpan> spans;
  for (int i = 0; i < count; ++i) {
    const SendBlock& block = blocks[i];
    if (block.length < 0) return 0;
    if (block.data == nullptr && static_cast<size_t>(block.length) > kInlineBlockBytes) return 0;
    spans.push_back(TcpSpan{block.data != nullptr ? block.data : block.inlineData,
                            static_cast<size_t>(block.length)});
  }
  uint32_t value = 0;
  if (ParseStrictIpv4(address, &value) != nullptr) return 0;
  const TcpResult result = SendTcpExchange(value, kPrinterTcpPort, spans.data(), spans.size(),
                                           kTcpExchangeLimitMs, kTcpExchangeLimitMs);
  return result.status != SendStatus::Failed ? 1 : 0;
}
