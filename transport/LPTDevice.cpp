// Parallel port transport: opens the port by its plain name, exclusively,
// and writes the buffer.
#include "transport/Device.h"
#include "transport/PortIo.h"
#include "transport/PortNames.h"

LPTDevice::~LPTDevice() { Close(); }

int LPTDevice::IsOpen() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

int LPTDevice::Open() {
  if (IsOpen()) return 1;
  // LPT1: becomes LPT1. A name that does not fit is refused, never cut.
  wchar_t trimmed[kPortNameChars] = {};
  if (!TrimPortName(name_, trimmed, kPortNameChars)) {
    ShowError("PO_GSTR_OPEN_LPT_FAIL");
    return 0;
  }
  handle_ = CreateFileW(trimmed, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle_ == INVALID_HANDLE_VALUE) {
    ShowError("PO_GSTR_OPEN_LPT_FAIL");
    return 0;
  }
  return 1;
}

void LPTDevice::Close() {
  if (!IsOpen()) return;
  CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
}

int LPTDevice::Write(const unsigned char* data, int length) {
  if (name_ == nullptr) return 0;
  if (!Open()) return 0;
  if (!WriteWholeBuffer(handle_, data, length)) {
    ShowError("PO_GSTR_SET_FAIL");
    return 0;
  }
  ShowSuccess("PO_GSTR_SET_SUCCESS");
  return 1;
}

int LPTDevice::Query(const unsigned char* command, int commandLength, unsigned char* reply,
                     unsigned int* replyLength) {
  if (name_ == nullptr || !Open()) return 0;
  if (!Write(command, commandLength)) return 0;
  return ReadReply(handle_, reply, replyLength);
}
