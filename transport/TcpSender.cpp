// Raw TCP to port 9100 of the printer's address: one connection per send,
// every byte handed over, then the printer's close awaited.
#include "transport/TcpSender.h"

#include <cstring>

#include "common/UniqueResource.h"
#include "transport/WinsockSession.h"

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

// The socket's pending error (SO_ERROR), or -1 when it cannot be read.
int SocketError(SOCKET socket) {
  int error = 0;
  int size = sizeof(error);
  if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0) {
    return -1;
  }
  return error;
}

// Connects the non-blocking socket within the deadline. select reports a
// finished connect as writable and a refused one through the exception set.
bool ConnectBefore(SOCKET socket, const sockaddr_in& endpoint, ULONGLONG deadline) {
  if (connect(socket, reinterpret_cast<const sockaddr*>(&endpoint), sizeof(endpoint)) == 0) {
    return true;
  }
  if (WSAGetLastError() != WSAEWOULDBLOCK) return false;
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
    if (count == SOCKET_ERROR || FD_ISSET(socket, &failed)) return false;
    if (count > 0) return SocketError(socket) == 0;
    if (leftMs == 0) return false;
  }
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
  return closesocket(socket.Release()) == 0 ? 1 : 0;
}
