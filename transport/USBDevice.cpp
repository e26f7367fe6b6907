// USB transport: finds the supported printer among the present USB device
// interfaces and talks to its device path with file I/O; replies are read
// overlapped so that the wait for them is bounded.
#include "transport/USBDevice.h"

#include <cwchar>
#include <memory>
#include <new>

#include "common/Globals.h"
#include "common/UniqueResource.h"
#include "transport/Device.h"
#include "transport/PortNames.h"
#include "transport/SendReasons.h"

namespace {

// GUID_DEVINTERFACE_USB_DEVICE
const GUID kUsbDeviceInterface = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

HANDLE OpenUsbPath(const wchar_t* path, bool overlapped) {
  const DWORD flags = overlapped
                          ? FILE_FLAG_OVERLAPPED | FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL
                          : FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL;
  return CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     nullptr, OPEN_EXISTING, flags, nullptr);
}

enum class ReadOutcome {
  kAtOnce,   // the read completed inside ReadFile
  kWaited,   // the read was pending; *count holds what arrived within the wait
  kFailed,   // ReadFile failed at once
};

// Reads at most *count bytes from an overlapped handle and waits at most
// kUsbReplyWaitMs for them; the count read replaces *count. A read still
// pending after the wait is cancelled and its completion awaited, so no
// byte can reach buffer once this returns.
ReadOutcome TimedRead(HANDLE file, unsigned char* buffer, unsigned int* count) {
  OVERLAPPED overlapped = {};
  overlapped.Offset = 1000;
  DWORD read = 0;
  if (ReadFile(file, buffer, *count, &read, &overlapped)) {
    *count = read;
    return ReadOutcome::kAtOnce;
  }
  if (GetLastError() != ERROR_IO_PENDING) {
    *count = 0;
    return ReadOutcome::kFailed;
  }
  WaitForSingleObject(file, kUsbReplyWaitMs);
  read = 0;
  if (!GetOverlappedResult(file, &overlapped, &read, FALSE)) {
    if (GetLastError() == ERROR_IO_INCOMPLETE) {
      CancelIoEx(file, &overlapped);
      // Whatever arrived between the wait and the cancel still counts.
      read = 0;
      if (!GetOverlappedResult(file, &overlapped, &read, TRUE)) read = 0;
    } else {
      read = 0;
    }
  }
  *count = read;
  return ReadOutcome::kWaited;
}

bool UsableReplyBuffer(const unsigned char* buffer, const unsigned int* count) {
  return count != nullptr && (buffer != nullptr || *count == 0);
}

}  // namespace

int FindUsbPrinter(wchar_t* outPath) {
  if (outPath == nullptr) return 0;
  // A stale error code must not be taken for a failure of this call.
  SetLastError(ERROR_SUCCESS);
  UniqueDeviceInfoSet set(SetupDiGetClassDevsW(&kUsbDeviceInterface, nullptr, nullptr,
                                         DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
  const DWORD error = GetLastError();
  if (error == ERROR_INVALID_PARAMETER || error == ERROR_INVALID_FLAGS || !set.Valid()) return 0;

  for (DWORD index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA interfaceData = {};
    interfaceData.cbSize = sizeof(interfaceData);
    if (!SetupDiEnumDeviceInterfaces(set.Get(), nullptr, &kUsbDeviceInterface, index,
                                     &interfaceData)) {
      return 0;
    }
    DWORD required = 0;
    if (!SetupDiGetDeviceInterfaceDetailW(set.Get(), &interfaceData, nullptr, 0, &required,
                                          nullptr) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
      return 0;
    }
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) return 0;
    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[required]());
    if (!block) return 0;
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(block.get());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    SP_DEVINFO_DATA deviceData = {};
    deviceData.cbSize = sizeof(deviceData);
    if (!SetupDiGetDeviceInterfaceDetailW(set.Get(), &interfaceData, detail, required, nullptr,
                                          &deviceData)) {
      continue;
    }
    // The path must fit the caller's buffer whole; a longer one is skipped.
    const size_t pathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
    const size_t maxChars = (required - pathOffset) / sizeof(wchar_t);
    const size_t length = wcsnlen(detail->DevicePath, maxChars);
    if (length >= maxChars || length >= static_cast<size_t>(kUsbPathChars)) continue;
    if (IsSupportedUsbPath(detail->DevicePath)) {
      wmemcpy(outPath, detail->DevicePath, length + 1);
      return 1;
    }
  }
}

bool USBDevice::Open(bool overlapped, SendOutcome* outcome) {
  handle_.Reset();
  handle_.Reset(OpenUsbPath(target_.name.c_str(), overlapped));
  if (!handle_.Valid()) {
    *outcome = FailedOutcome("PO_GSTR_OPEN_USB_FAIL",
                             "the USB printer cannot be opened (" + SystemErrorText(GetLastError()) +
                                 ")");
    return false;
  }
  // A path that names a file on a disk is not a printer: nothing is written to it.
  if (GetFileType(handle_.Get()) == FILE_TYPE_DISK) {
    handle_.Reset();
    *outcome = FailedOutcome("PO_GSTR_OPEN_USB_FAIL", "the USB path names a file, not a printer");
    return false;
  }
  return true;
}

SendOutcome USBDevice::Write(const unsigned char* data, size_t length) {
  SendOutcome outcome;
  if (!Open(false, &outcome)) return outcome;
  if (data == nullptr && length > 0) {
    return FailedOutcome("PO_GSTR_WRITE_USB_FAIL", "no bytes to send: the buffer is missing");
  }
  if (length > 0x7FFFFFFFu) return FailedOutcome("PO_GSTR_WRITE_USB_FAIL", "too many bytes for one write");
  DWORD written = 0;
  if (!WriteFile(handle_.Get(), data, static_cast<DWORD>(length), &written, nullptr)) {
    return FailedOutcome("PO_GSTR_WRITE_USB_FAIL",
                         "the write failed (" + SystemErrorText(GetLastError()) + ")", written);
  }
  if (written != static_cast<DWORD>(length)) {
    return FailedOutcome("PO_GSTR_WRITE_USB_LESS",
                         "write cut at " + std::to_string(written) + " of " +
                             std::to_string(length) + " bytes",
                         written);
  }
  return ConfirmedOutcome(length);
}

SendOutcome USBDevice::Query(const unsigned char* command, size_t length, unsigned char* reply,
                             size_t* replyLength) {
  SendOutcome outcome = Write(command, length);
  if (!outcome.Sent()) return outcome;
  SendOutcome reopen;
  if (!Open(true, &reopen)) {
    reopen.answerFailed = true;
    reopen.bytesSent = length;
    return reopen;
  }
  unsigned int count = *replyLength > 0x40000000u ? 0x40000000u : static_cast<unsigned int>(*replyLength);
  const ReadOutcome read = TimedRead(handle_.Get(), reply, &count);
  *replyLength = count;
  if (read == ReadOutcome::kAtOnce || (read == ReadOutcome::kWaited && count > 0)) return outcome;
  outcome = FailedOutcome("PO_GSTR_SET_FAIL",
                          read == ReadOutcome::kFailed
                              ? "the answer could not be read"
                              : "no answer within " + Seconds(kUsbReplyWaitMs),
                          length);
  outcome.answerFailed = true;
  return outcome;
}

std::string UsbPathProblem(const std::wstring& path) {
  if (path.empty()) return "a USB device path is missing";
  if (path.size() >= static_cast<size_t>(kUsbPathChars)) return "the USB device path is too long";
  // No access asked: the open only tells what the path names.
  UniqueHandle probe(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!probe.Valid()) {
    return "no device at that path (" + SystemErrorText(GetLastError()) + ")";
  }
  if (GetFileType(probe.Get()) == FILE_TYPE_DISK) return "the path names a file, not a USB printer";
  return std::string();
}

int ReadFromUsb(const wchar_t* devicePath, unsigned char* buffer, unsigned int* inOutLength,
                int) {
  UniqueHandle file(devicePath != nullptr ? OpenUsbPath(devicePath, true) : INVALID_HANDLE_VALUE);
  if (!file.Valid()) {
    CurrentTransportReporter().Report(MainWindow, "PO_GSTR_OPEN_USB_FAIL", false);
    return 0;
  }
  if (!UsableReplyBuffer(buffer, inOutLength)) {
    CurrentTransportReporter().Report(MainWindow, "PO_GSTR_WRITE_USB_FAIL", false);
    return 0;
  }
  switch (TimedRead(file.Get(), buffer, inOutLength)) {
    case ReadOutcome::kAtOnce:
      return 1;
    case ReadOutcome::kWaited:
      return *inOutLength > 0 ? 1 : 0;
    case ReadOutcome::kFailed:
    default:
      CurrentTransportReporter().Report(MainWindow, "PO_GSTR_WRITE_USB_FAIL", false);
      return 0;
  }
}
