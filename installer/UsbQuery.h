// The USB model query: finds the maker's USB printer and asks it for its
// model name.
#pragma once
#include <cstddef>

namespace spoolkit {

enum UsbStatus : int {
  kUsbOk = 0,
  kUsbNoDevice = 16,
  kUsbOpenFailed = 256,
  kUsbWriteFailed = 257,
  kUsbShortWrite = 258,
  kUsbNoReply = 259,
};

// Searches the present USB devices for the printer; fills the cached device path.
bool findUsbPrinter();
// Writes request to the device at devicePath and reads at most *replyLength
// bytes; *replyLength receives the number read. Nothing is left pending.
int transactUsb(const wchar_t* devicePath, const unsigned char* request, size_t requestLength,
                unsigned char* reply, size_t* replyLength);
// Asks the device at devicePath for its model name; out (64 characters)
// receives it when the reply carries one.
int queryModelName(const wchar_t* devicePath, wchar_t* out);
// The export: search (once) and query.
int GetPrinterName(wchar_t* out);
// The cached device path (empty until a printer was found).
const wchar_t* cachedUsbDevicePath();

}  // namespace spoolkit
