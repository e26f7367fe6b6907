// Parallel port transport: opens the port by its plain name, exclusively,
// and writes the buffer.
#include "transport/Device.h"
#include "transport/PortIo.h"
#include "transport/PortNames.h"
#include "transport/SendReasons.h"

bool LPTDevice::Open(SendOutcome* outcome) {
  // LPT1: becomes LPT1. A name that does not fit is refused, never cut.
  wchar_t trimmed[kPortNameChars] = {};
  if (!TrimPortName(target_.name.c_str(), trimmed, kPortNameChars)) {
    *outcome = FailedOutcome("PO_GSTR_OPEN_LPT_FAIL", "the port name is too long");
    return false;
  }
  handle_.Reset(CreateFileW(trimmed, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle_.Valid()) {
    *outcome = FailedOutcome("PO_GSTR_OPEN_LPT_FAIL",
                             "the port cannot be opened (" + SystemErrorText(GetLastError()) + ")");
    return false;
  }
  return true;
}

SendOutcome LPTDevice::Write(const unsigned char* data, size_t length) {
  SendOutcome outcome;
  if (!Open(&outcome)) return outcome;
  return WriteWholeBuffer(handle_.Get(), data, length, "PO_GSTR_SET_FAIL", 0);
}

SendOutcome LPTDevice::Query(const unsigned char* command, size_t length, unsigned char* reply,
                             size_t* replyLength) {
  SendOutcome outcome = Write(command, length);
  if (!outcome.Sent()) return outcome;
  if (!ReadReply(handle_.Get(), reply, replyLength)) {
    outcome = FailedOutcome("PO_GSTR_SET_FAIL",
                            "the answer could not be read (" + SystemErrorText(GetLastError()) + ")",
                            length);
    outcome.answerFailed = true;
  }
  return outcome;
}
