// Pieces of the plain-English reasons the transports give for a failure.
#pragma once
#include <windows.h>

#include <string>

// "10 s", "2.5 s".
inline std::string Seconds(DWORD ms) {
  std::string text = std::to_string(ms / 1000);
  if (ms % 1000 != 0) {
    std::string fraction = std::to_string(1000 + ms % 1000).substr(1);
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    text += "." + fraction;
  }
  return text + " s";
}

// "system error 5: access denied" for the errors a user can act on, else
// "system error N".
inline std::string SystemErrorText(DWORD error) {
  const char* what = nullptr;
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      what = "not found";
      break;
    case ERROR_ACCESS_DENIED:
      what = "access denied, or in use by another program";
      break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
    case ERROR_PIPE_BUSY:
      what = "in use by another program";
      break;
    case ERROR_INVALID_NAME:
      what = "not a valid name";
      break;
    case ERROR_INVALID_PRINTER_NAME:
      what = "no printer of that name";
      break;
    case ERROR_NOT_READY:
      what = "device not ready";
      break;
    case ERROR_SEM_TIMEOUT:
      what = "time limit passed";
      break;
    case ERROR_GEN_FAILURE:
      what = "the device does not work";
      break;
    case ERROR_DEVICE_NOT_CONNECTED:
      what = "device not connected";
      break;
    default:
      break;
  }
  std::string text = "system error " + std::to_string(error);
  if (what != nullptr) text += std::string(": ") + what;
  return text;
}

// "socket error 10061".
inline std::string SocketErrorText(int error) { return "socket error " + std::to_string(error); }
