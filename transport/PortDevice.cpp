// What the serial and parallel ports share: the exclusive open and the one
// synchronous read of an answer after the write.
#include "transport/Device.h"
#include "transport/SendReasons.h"

bool PortDevice::OpenPort(const wchar_t* path, const char* failKey, SendOutcome* outcome) {
  handle_.Reset(CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle_.Valid()) {
    *outcome = FailedOutcome(failKey, "the port cannot be opened (" + SystemErrorText(GetLastError()) + ")");
    return false;
  }
  return true;
}

SendOutcome PortDevice::Query(const unsigned char* command, size_t length, unsigned char* reply,
                              size_t* replyLength) {
  SendOutcome outcome = Write(command, length);
  if (!outcome.Sent()) return outcome;
  // The serial port's empty-buffer shortcut opens nothing: no answer can come.
  std::string why;
  if (!handle_.Valid()) {
    why = "nothing was sent, so no answer can come";
  } else {
    DWORD read = 0;
    const DWORD want = *replyLength > 0x40000000u ? 0x40000000u : static_cast<DWORD>(*replyLength);
    const BOOL ok = ReadFile(handle_.Get(), reply, want, &read, nullptr);
    *replyLength = read;
    if (ok) return outcome;
    why = "the answer could not be read (" + SystemErrorText(GetLastError()) + ")";
  }
  outcome = FailedOutcome("PO_GSTR_SET_FAIL", why, length);
  outcome.answerFailed = true;
  return outcome;
}
