// One Windows Sockets session of a transport call.
#pragma once
#include <winsock2.h>
#include <windows.h>

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
