// Parallel port transport: opens the port by its plain name, exclusively,
// and writes the buffer.
#include "transport/Device.h"
#include "transport/PortIo.h"
#include "transport/PortNames.h"
#include "transport/SendReasons.h"

SendOutcome LPTDevice::Write(const unsigned char* data, size_t length) {
  // LPT1: becomes LPT1. A name that does not fit is refused, never cut.
  wchar_t trimmed[kPortNameChars] = {};
  if (!TrimPortName(target_.name.c_str(), trimmed, kPortNameChars)) {
    return FailedOutcome("PO_GSTR_OPEN_LPT_FAIL", "the port name is too long");
  }
  SendOutcome outcome;
  if (!OpenPort(trimmed, "PO_GSTR_OPEN_LPT_FAIL", &outcome)) return outcome;
  return WriteWholeBuffer(handle_.Get(), data, length, "PO_GSTR_SET_FAIL", 0);
}
