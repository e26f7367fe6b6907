// The shared message boxes of the transports, the factory and the two
// dispatch calls that every tab page uses.
#include "transport/Device.h"

#include <new>

#include "common/translation/Translation.h"

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

// Releases the transport object at the end of one dispatch call, closing
// whatever it opened.
class DeviceLease {
 public:
  explicit DeviceLease(Device* device) : device_(device) {}
  ~DeviceLease() { DeviceFactory::Release(device_); }
  DeviceLease(const DeviceLease&) = delete;
  DeviceLease& operator=(const DeviceLease&) = delete;
  Device* Get() const { return device_; }

 private:
  Device* device_;
};

}  // namespace

TransportReporter& CurrentTransportReporter() { return *reporter; }

void SetTransportReporter(TransportReporter* next) { reporter = next ? next : &boxReporter; }

void Device::ShowError(const char* key) const { reporter->Report(owner_, key, false); }

void Device::ShowSuccess(const char* key) const {
  if (showSuccess_ != 0) reporter->Report(owner_, key, true);
}

Device* DeviceFactory::Create(const TransportSelection* selection, int showSuccess, HWND owner) {
  if (selection == nullptr) return nullptr;
  switch (selection->kind) {
    case Com:
      return new (std::nothrow) ComDevice(selection->name, showSuccess, owner);
    case Lpt:
      return new (std::nothrow) LPTDevice(selection->name, showSuccess, owner);
    case Ethernet:
      return new (std::nothrow) ENetDevice(nullptr, showSuccess, owner);
    case Usb:
      return new (std::nothrow) USBDevice(selection->name, showSuccess, owner);
    case PrinterDriver:
      return new (std::nothrow) PrinterDevice(selection->name, showSuccess, owner);
    default:
      return nullptr;
  }
}

void DeviceFactory::Release(Device* device) { delete device; }

int SendCommand(const unsigned char* data, int length, int showSuccess) {
  if (RefreshCurrentSelection != nullptr) RefreshCurrentSelection();
  DeviceLease device(DeviceFactory::Create(CurrentSelection, showSuccess, MainWindow));
  if (device.Get() == nullptr) return 0;
  return device.Get()->Write(data, length);
}

int QueryCommand(const unsigned char* command, int commandLength, unsigned char* reply,
                 unsigned int* replyLength, int showSuccess) {
  if (RefreshCurrentSelection != nullptr) RefreshCurrentSelection();
  DeviceLease device(DeviceFactory::Create(CurrentSelection, showSuccess, MainWindow));
  if (device.Get() == nullptr) return 0;
  return device.Get()->Query(command, commandLength, reply, replyLength);
}
