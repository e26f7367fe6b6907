// Small owners for the system resources the transports borrow: each one
// releases its resource when it goes out of scope, on every path.
#pragma once
#include <winsock2.h>
#include <windows.h>
#include <setupapi.h>

// A kernel handle closed with CloseHandle (file, pipe, event).
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }
  void Reset(HANDLE handle = INVALID_HANDLE_VALUE) {
    if (Valid()) CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// One WSAStartup, paired with WSACleanup when it succeeded.
class WinsockSession {
 public:
  explicit WinsockSession(WORD version) { error_ = WSAStartup(version, &data_); }
  ~WinsockSession() {
    if (error_ == 0) WSACleanup();
  }
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;

  bool Started() const { return error_ == 0; }
  int Error() const { return error_; }
  // Ends the session now and returns WSACleanup's result.
  int Cleanup() {
    if (error_ != 0) return 0;
    error_ = -1;
    return WSACleanup();
  }

 private:
  WSADATA data_{};
  int error_ = -1;
};

// A socket closed with closesocket.
class UniqueSocket {
 public:
  explicit UniqueSocket(SOCKET socket) : socket_(socket) {}
  ~UniqueSocket() {
    if (Valid()) closesocket(socket_);
  }
  UniqueSocket(const UniqueSocket&) = delete;
  UniqueSocket& operator=(const UniqueSocket&) = delete;

  bool Valid() const { return socket_ != INVALID_SOCKET; }
  SOCKET Get() const { return socket_; }
  // Closes the socket now and returns closesocket's result.
  int Close() {
    if (!Valid()) return 0;
    const int result = closesocket(socket_);
    socket_ = INVALID_SOCKET;
    return result;
  }

 private:
  SOCKET socket_;
};

// A device information set from SetupDiGetClassDevsW.
class DeviceInfoSet {
 public:
  explicit DeviceInfoSet(HDEVINFO set) : set_(set) {}
  ~DeviceInfoSet() {
    if (Valid()) SetupDiDestroyDeviceInfoList(set_);
  }
  DeviceInfoSet(const DeviceInfoSet&) = delete;
  DeviceInfoSet& operator=(const DeviceInfoSet&) = delete;

  bool Valid() const { return set_ != nullptr && set_ != INVALID_HANDLE_VALUE; }
  HDEVINFO Get() const { return set_; }

 private:
  HDEVINFO set_;
};
