#include "installer/UsbQuery.h"

#include <windows.h>
#include <setupapi.h>

#include <cstring>
#include <vector>

#include "installer/InstallLogic.h"
#include "installer/Owners.h"

namespace spoolkit {

namespace {

// GUID_DEVINTERFACE_USB_DEVICE
const GUID kUsbDeviceInterface = {0xA5DCBF10, 0x6530, 0x11D2,
                                  {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
const unsigned char kModelNameRequest[6] = {0x1F, 0x1B, 0x1A, 0x04, 0x01, 0x00};
constexpr DWORD kReplyWaitMs = 1000;

wchar_t usbDevicePath[MAX_PATH] = {};

// Waits up to waitMs for the pending operation; when it is still pending it
// is cancelled and its completion awaited, so the record and buffer are free
// again. Returns the bytes transferred.
DWORD finishPending(HANDLE device, OVERLAPPED& overlapped, DWORD waitMs) {
  ::WaitForSingleObject(overlapped.hEvent, waitMs);
  DWORD transferred = 0;
  if (::GetOverlappedResult(device, &overlapped, &transferred, FALSE)) return transferred;
  if (::GetLastError() == ERROR_IO_INCOMPLETE) {
    ::CancelIoEx(device, &overlapped);
    transferred = 0;
    if (!::GetOverlappedResult(device, &overlapped, &transferred, TRUE)) transferred = 0;
    return transferred;
  }
  return 0;
}

}  // namespace

const wchar_t* cachedUsbDevicePath() { return usbDevicePath; }

bool findUsbPrinter() {
  ::SetLastError(ERROR_SUCCESS);
  UniqueDevInfo set(::SetupDiGetClassDevsW(&kUsbDeviceInterface, nullptr, nullptr,
                                           DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
  DWORD error = ::GetLastError();
  if (!set.valid() || error == ERROR_INVALID_PARAMETER || error == ERROR_INVALID_FLAGS) return false;
  for (DWORD index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof(interfaceData);
    if (!::SetupDiEnumDeviceInterfaces(set.get(), nullptr, &kUsbDeviceInterface, index,
                                       &interfaceData)) {
      return false;
    }
    DWORD size = 0;
    if (!::SetupDiGetDeviceInterfaceDetailW(set.get(), &interfaceData, nullptr, 0, &size, nullptr) &&
        ::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
      return false;
    }
    if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) continue;
    // Two spare zero units keep the path terminated whatever the system wrote.
    std::vector<BYTE> block(size + 2 * sizeof(wchar_t), 0);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(block.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    SP_DEVINFO_DATA deviceInfo{};
    deviceInfo.cbSize = sizeof(deviceInfo);
    if (!::SetupDiGetDeviceInterfaceDetailW(set.get(), &interfaceData, detail, size, nullptr,
                                            &deviceInfo)) {
      continue;
    }
    if (usbPathMatches(detail->DevicePath) &&
        copyText(usbDevicePath, MAX_PATH, detail->DevicePath)) {
      return true;
    }
  }
}

int transactUsb(const wchar_t* devicePath, const unsigned char* request, size_t requestLength,
                unsigned char* reply, size_t* replyLength) {
  size_t replyCap = replyLength ? *replyLength : 0;
  if (replyLength) *replyLength = 0;
  UniqueFile device(::CreateFileW(
      devicePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
      OPEN_ALWAYS, FILE_FLAG_OVERLAPPED | FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL,
      nullptr));
  if (!device.valid()) return kUsbOpenFailed;
  UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!event.valid()) return kUsbOpenFailed;

  OVERLAPPED overlapped{};
  overlapped.hEvent = event.get();
  DWORD written = 0;
  if (::WriteFile(device.get(), request, static_cast<DWORD>(requestLength), nullptr, &overlapped)) {
    if (!::GetOverlappedResult(device.get(), &overlapped, &written, FALSE)) written = 0;
  } else if (::GetLastError() == ERROR_IO_PENDING) {
    written = finishPending(device.get(), overlapped, kReplyWaitMs);
  } else {
    return kUsbWriteFailed;
  }
  if (written != requestLength) return kUsbShortWrite;

  overlapped = OVERLAPPED{};
  ::ResetEvent(event.get());
  overlapped.hEvent = event.get();
  DWORD read = 0;
  int status;
  if (::ReadFile(device.get(), reply, static_cast<DWORD>(replyCap), nullptr, &overlapped)) {
    if (!::GetOverlappedResult(device.get(), &overlapped, &read, FALSE)) read = 0;
    status = kUsbOk;
  } else if (::GetLastError() == ERROR_IO_PENDING) {
    read = finishPending(device.get(), overlapped, kReplyWaitMs);
    status = read == 0 ? kUsbNoReply : kUsbOk;
  } else {
    status = kUsbNoReply;
  }
  if (replyLength) *replyLength = read;
  return status;
}

int queryModelName(const wchar_t* devicePath, wchar_t* out) {
  unsigned char reply[64] = {};
  size_t replyLength = sizeof(reply);
  int status = transactUsb(devicePath, kModelNameRequest, sizeof(kModelNameRequest), reply,
                           &replyLength);
  char name[64] = {};
  if (out && decodeModelReply(reply, sizeof(reply), name, sizeof(name))) {
    wchar_t wide[64] = {};
    ::MultiByteToWideChar(CP_ACP, 0, name, -1, wide, 63);
    wide[63] = 0;
    std::memcpy(out, wide, sizeof(wide));
  }
  return status;
}

int GetPrinterName(wchar_t* out) {
  if (!usbDevicePath[0]) findUsbPrinter();
  if (!usbDevicePath[0]) return kUsbNoDevice;
  return queryModelName(usbDevicePath, out);
}

}  // namespace spoolkit
