// The send calls, the factory behind them, and the window's two dispatch
// calls with their message boxes.
#include "transport/Device.h"

#include <cwchar>
#include <new>

#include "common/translation/Translation.h"
#include "transport/PortNames.h"

void ShowTransportBox(HWND owner, const char* key, const wchar_t* caption) {
  wchar_t text[kMessageTextChars] = {};
  LookupText(key, text);
  MessageBoxW(owner, text, caption, MB_OKCANCEL);
}

namespace {

class MessageBoxReporter : public TransportReporter {
 public:
  void Report(HWND owner, const char* key, bool success) override {
    ShowTransportBox(owner, key, success ? L"SUCCESS" : L"ERROR");
  }
};

MessageBoxReporter boxReporter;
TransportReporter* reporter = &boxReporter;

// The network printer's address from the address field; 0 when the field
// holds no address (an unspecified address is refused by the sender).
uint32_t AddressFromText(const wchar_t* text) {
  if (text == nullptr) return 0;
  char ascii[kPrinterAddressChars + 1] = {};
  const size_t chars = wcsnlen(text, kPrinterAddressChars);
  for (size_t i = 0; i < chars; ++i) {
    if (text[i] > 0x7E) return 0;
    ascii[i] = static_cast<char>(text[i]);
  }
  uint32_t value = 0;
  return ParseStrictIpv4(ascii, &value) == nullptr ? value : 0;
}

bool Answers(int kind) { return kind == Com || kind == Lpt || kind == Usb; }

}  // namespace

TransportReporter& CurrentTransportReporter() { return *reporter; }

void SetTransportReporter(TransportReporter* next) { reporter = next ? next : &boxReporter; }

SendOutcome ConfirmedOutcome(size_t bytesSent) {
  SendOutcome outcome;
  outcome.status = SendStatus::Confirmed;
  outcome.key = "PO_GSTR_SET_SUCCESS";
  outcome.bytesSent = bytesSent;
  return outcome;
}

SendOutcome FailedOutcome(const char* key, std::string reason, size_t bytesSent) {
  SendOutcome outcome;
  outcome.status = SendStatus::Failed;
  outcome.key = key;
  outcome.reason = std::move(reason);
  outcome.bytesSent = bytesSent;
  return outcome;
}

SendOutcome Device::Query(const unsigned char*, size_t, unsigned char*, size_t*) {
  return FailedOutcome("PO_GSTR_SET_FAIL", "this kind of printer connection gives no answer");
}

std::unique_ptr<Device> DeviceFactory::Create(const SendTarget& target) {
  switch (target.kind) {
    case Com:
      return std::unique_ptr<Device>(new (std::nothrow) ComDevice(target));
    case Lpt:
      return std::unique_ptr<Device>(new (std::nothrow) LPTDevice(target));
    case Ethernet:
      return std::unique_ptr<Device>(new (std::nothrow) ENetDevice(target));
    case Usb:
      return std::unique_ptr<Device>(new (std::nothrow) USBDevice(target));
    case PrinterDriver:
      return std::unique_ptr<Device>(new (std::nothrow) PrinterDevice(target));
    default:
      return nullptr;
  }
}

SendOutcome SendToTarget(const SendTarget& target, const unsigned char* data, size_t length) {
  try {
    std::unique_ptr<Device> device = DeviceFactory::Create(target);
    if (!device) return FailedOutcome("PO_GSTR_SET_FAIL", "unknown kind of printer connection");
    return device->Write(data, length);
  } catch (...) {
    return FailedOutcome("PO_GSTR_SET_FAIL", "out of memory");
  }
}

SendOutcome QueryTarget(const SendTarget& target, const unsigned char* command, size_t length,
                        unsigned char* reply, size_t* replyLength) {
  try {
    if (replyLength == nullptr || (reply == nullptr && *replyLength > 0)) {
      return FailedOutcome("PO_GSTR_SET_FAIL", "no room for the answer");
    }
    std::unique_ptr<Device> device = DeviceFactory::Create(target);
    if (!device) return FailedOutcome("PO_GSTR_SET_FAIL", "unknown kind of printer connection");
    return device->Query(command, length, reply, replyLength);
  } catch (...) {
    return FailedOutcome("PO_GSTR_SET_FAIL", "out of memory");
  }
}

bool TargetFromSelection(const TransportSelection* selection, SendTarget* target) {
  if (selection == nullptr || target == nullptr) return false;
  if (selection->kind < Com || selection->kind > PrinterDriver) return false;
  *target = SendTarget();
  target->kind = selection->kind;
  target->name.assign(selection->name, wcsnlen(selection->name, kTransportNameChars));
  if (selection->kind == Ethernet) target->address = AddressFromText(PrinterAddressText);
  if (selection->kind == Com && StoredSerialSettings != nullptr) {
    target->hasSerial = true;
    target->serial = *StoredSerialSettings;
  }
  return true;
}

namespace {

// One box for the outcome: success (confirmed or not) only when asked for.
int Announce(const SendOutcome& outcome, int showSuccess) {
  if (outcome.status == SendStatus::Failed) {
    reporter->Report(MainWindow, outcome.key, false);
    return 0;
  }
  if (showSuccess != 0) reporter->Report(MainWindow, "PO_GSTR_SET_SUCCESS", true);
  return 1;
}

}  // namespace

int SendCommand(const unsigned char* data, int length, int showSuccess) {
  if (RefreshCurrentSelection != nullptr) RefreshCurrentSelection();
  SendTarget target;
  if (!TargetFromSelection(CurrentSelection, &target)) return 0;
  // A serial port with nothing to send succeeds without opening the port and
  // without a box.
  if (target.kind == Com && data == nullptr && length == 0) return 1;
  // A negative length is a buffer that cannot be read, as a missing one is:
  // the transport fails it after opening, with its write failure.
  if (length < 0) return Announce(SendToTarget(target, nullptr, 1), showSuccess);
  return Announce(SendToTarget(target, data, static_cast<size_t>(length)), showSuccess);
}

int QueryCommand(const unsigned char* command, int commandLength, unsigned char* reply,
                 unsigned int* replyLength, int showSuccess) {
  if (RefreshCurrentSelection != nullptr) RefreshCurrentSelection();
  SendTarget target;
  if (!TargetFromSelection(CurrentSelection, &target)) return 0;
  if (!Answers(target.kind)) return 1;
  if (replyLength == nullptr || (reply == nullptr && *replyLength > 0)) return 0;
  size_t count = *replyLength;
  const SendOutcome outcome =
      commandLength < 0 ? SendToTarget(target, nullptr, 1)
                        : QueryTarget(target, command, static_cast<size_t>(commandLength), reply,
                                      &count);
  if (outcome.Sent() || outcome.answerFailed) *replyLength = static_cast<unsigned int>(count);
  // The write's box as a send shows it; a missing answer has no box of its own.
  if (outcome.Sent() || outcome.answerFailed) {
    if (showSuccess != 0) reporter->Report(MainWindow, "PO_GSTR_SET_SUCCESS", true);
  } else {
    reporter->Report(MainWindow, outcome.key, false);
  }
  return outcome.Sent() ? 1 : 0;
}
