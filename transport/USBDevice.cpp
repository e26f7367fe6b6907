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

namespace {

// GUID_DEVINTERFACE_USB_DEVICE
const GUID kUsbDeviceInterface = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

HANDLE OpenUsbPath(const wchar_t* path, bool overlapped) {
  const DWORD flags = overlapped
                          ? FILE_FLAG_OVERLAPPED | FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL
                          : FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL;
  return CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     nullptr, OPEN_ALWAYS, flags, nullptr);
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

USBDevice::~USBDevice() { Close(); }

int USBDevice::IsOpen() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

int USBDevice::Open(int overlapped) {
  if (IsOpen()) return 1;
  handle_ = OpenUsbPath(name_, overlapped != 0);
  if (handle_ == INVALID_HANDLE_VALUE) {
    ShowError("PO_GSTR_OPEN_USB_FAIL");
    return 0;
  }
  return 1;
}

void USBDevice::Close() {
  if (!IsOpen()) return;
  CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
}

int USBDevice::Write(const unsigned char* data, int length) {
  if (name_ == nullptr) return 0;
  if (!Open(0)) return 0;
  if (length < 0 || (data == nullptr && length > 0)) {
    ShowError("PO_GSTR_WRITE_USB_FAIL");
    return 0;
  }
  DWORD written = 0;
  if (!WriteFile(handle_, data, static_cast<DWORD>(length), &written, nullptr)) {
    ShowError("PO_GSTR_WRITE_USB_FAIL");
    return 0;
  }
  if (written != static_cast<DWORD>(length)) {
    ShowError("PO_GSTR_WRITE_USB_LESS");
    return 0;
  }
  ShowSuccess("PO_GSTR_SET_SUCCESS");
  return 1;
}

int USBDevice::Query(const unsigned char* command, int commandLength, unsigned char* reply,
                     unsigned int* replyLength) {
  if (name_ == nullptr || !Open(0)) return 0;
  if (!Write(command, commandLength)) return 0;
  Close();
  if (!Open(1)) return 0;
  if (!UsableReplyBuffer(reply, replyLength)) return 0;
  switch (TimedRead(handle_, reply, replyLength)) {
    case ReadOutcome::kAtOnce:
      return 1;
    case ReadOutcome::kWaited:
      return *replyLength > 0 ? 1 : 0;
    case ReadOutcome::kFailed:
    default:
      return 0;
  }
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
