// Serial port transport: opens the port exclusively through the device
// namespace, applies the stored line settings and writes the buffer.
#include "transport/Device.h"
#include "transport/PortIo.h"
#include "transport/PortNames.h"

ComDevice::~ComDevice() { Close(); }

int ComDevice::IsOpen() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

int ComDevice::Open() {
  if (IsOpen()) return 1;
  // COM3: becomes \\.\COM3. A name that does not fit the work buffers is
  // refused rather than cut, so a shortened name never opens another port.
  wchar_t trimmed[kPortNameChars] = {};
  wchar_t path[kPortNameChars] = {};
  if (!TrimPortName(name_, trimmed, kPortNameChars) ||
      !JoinText(L"\\\\.\\", trimmed, path, kPortNameChars)) {
    ShowError("PO_GSTR_OPEN_COM_FAIL");
    return 0;
  }
  handle_ = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle_ == INVALID_HANDLE_VALUE) {
    ShowError("PO_GSTR_OPEN_COM_FAIL");
    return 0;
  }
  return 1;
}

void ComDevice::Close() {
  if (!IsOpen()) return;
  CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
}

int ComDevice::Write(const unsigned char* data, int length) {
  // Nothing to send: succeed without touching the port.
  if (data == nullptr && length == 0) return 1;
  if (name_ == nullptr) return 0;
  if (!Open()) return 0;
  if (StoredSerialSettings == nullptr) {
    ShowError("PO_GSTR_SET_COM_NEED_CONFIG");
    Close();
    return 0;
  }
  DCB settings = *StoredSerialSettings;
  if (!SetCommState(handle_, &settings)) {
    ShowError("PO_GSTR_SET_COM_FAIL");
    Close();
    return 0;
  }
  if (!WriteWholeBuffer(handle_, data, length)) {
    ShowError("PO_GSTR_SET_FAIL");
    return 0;
  }
  ShowSuccess("PO_GSTR_SET_SUCCESS");
  return 1;
}

int ComDevice::Query(const unsigned char* command, int commandLength, unsigned char* reply,
                     unsigned int* replyLength) {
  if (name_ == nullptr || !Open()) return 0;
  if (!Write(command, commandLength)) return 0;
  // Write closes the port when the settings are missing or rejected; the
  // empty-buffer shortcut opens nothing. Only read from an open port.
  if (!IsOpen()) return 0;
  return ReadReply(handle_, reply, replyLength);
}
