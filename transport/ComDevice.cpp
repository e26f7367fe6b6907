// Serial port transport: opens the port exclusively through the device
// namespace, applies the target's line settings and writes the buffer.
#include "transport/Device.h"
#include "transport/PortIo.h"
#include "transport/PortNames.h"
#include "transport/SendReasons.h"

SendOutcome ComDevice::Write(const unsigned char* data, size_t length) {
  // Nothing to send: succeed without touching the port.
  if (data == nullptr && length == 0) return ConfirmedOutcome(0);
  // COM3: becomes \\.\COM3. A name that does not fit the work buffers is
  // refused rather than cut, so a shortened name never opens another port.
  wchar_t trimmed[kPortNameChars] = {};
  wchar_t path[kPortNameChars] = {};
  if (!TrimPortName(target_.name.c_str(), trimmed, kPortNameChars) ||
      !JoinText(L"\\\\.\\", trimmed, path, kPortNameChars)) {
    return FailedOutcome("PO_GSTR_OPEN_COM_FAIL", "the port name is too long");
  }
  SendOutcome outcome;
  if (!OpenPort(path, "PO_GSTR_OPEN_COM_FAIL", &outcome)) return outcome;
  if (!target_.hasSerial) {
    handle_.Reset();
    return FailedOutcome("PO_GSTR_SET_COM_NEED_CONFIG", "the port's line settings were never set");
  }
  DCB settings = target_.serial;
  settings.DCBlength = sizeof(settings);
  if (!SetCommState(handle_.Get(), &settings)) {
    const DWORD error = GetLastError();
    handle_.Reset();
    return FailedOutcome("PO_GSTR_SET_COM_FAIL",
                         "the port refused the line settings (" + SystemErrorText(error) + ")");
  }
  if (target_.writeLimitMs > 0) {
    // A port whose handshake never lets bytes go (nothing attached) would
    // otherwise block the write for ever.
    COMMTIMEOUTS limits = {};
    BOOL ok = GetCommTimeouts(handle_.Get(), &limits);
    limits.WriteTotalTimeoutMultiplier = 0;
    limits.WriteTotalTimeoutConstant = target_.writeLimitMs;
    if (ok) ok = SetCommTimeouts(handle_.Get(), &limits);
    if (!ok) {
      const DWORD error = GetLastError();
      handle_.Reset();
      return FailedOutcome("PO_GSTR_SET_COM_FAIL",
                           "the port refused a write time limit (" + SystemErrorText(error) + ")");
    }
  }
  return WriteWholeBuffer(handle_.Get(), data, length, "PO_GSTR_SET_FAIL", target_.writeLimitMs);
}
