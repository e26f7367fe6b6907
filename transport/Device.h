// The transport family behind the send calls of Send.h: one short-lived
// object per send that opens the chosen port, printer queue, USB printer or
// connection, writes one command buffer, says what happened and closes
// everything again. And the window's two dispatch calls, which send to the
// port, queue or printer the main dialog shows and report the outcome in
// exactly one message box.
#pragma once
#include <windows.h>

#include <memory>

#include "common/Globals.h"
#include "common/UniqueResource.h"
#include "transport/Send.h"

class Device {
 public:
  explicit Device(const SendTarget& target) : target_(target) {}
  virtual ~Device() = default;
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  // Writes length bytes in one write.
  virtual SendOutcome Write(const unsigned char* data, size_t length) = 0;
  // Writes command, then reads at most *replyLength bytes; the count read
  // replaces *replyLength. Transports without a way back fail.
  virtual SendOutcome Query(const unsigned char* command, size_t length, unsigned char* reply,
                            size_t* replyLength);

 protected:
  const SendTarget& target_;
  UniqueHandle handle_;  // the open port or device; ports and USB only
};

// A serial or parallel port: opened exclusively, written, and read from once
// for an answer.
class PortDevice : public Device {
 public:
  using Device::Device;
  SendOutcome Query(const unsigned char* command, size_t length, unsigned char* reply,
                    size_t* replyLength) override;

 protected:
  // Opens path for reading and writing; false with a failKey outcome.
  bool OpenPort(const wchar_t* path, const char* failKey, SendOutcome* outcome);
};

// Serial port (kind Com): applies the target's line settings before the write.
class ComDevice : public PortDevice {
 public:
  using PortDevice::PortDevice;
  SendOutcome Write(const unsigned char* data, size_t length) override;
};

// Parallel port (kind Lpt), opened by its plain name.
class LPTDevice : public PortDevice {
 public:
  using PortDevice::PortDevice;
  SendOutcome Write(const unsigned char* data, size_t length) override;
};

// Network printer (kind Ethernet): one TCP connection to port 9100 of the
// target's address per write. Holds no handle.
class ENetDevice : public Device {
 public:
  using Device::Device;
  SendOutcome Write(const unsigned char* data, size_t length) override;
};

// Installed printer (kind PrinterDriver): one raw spooler job per write.
class PrinterDevice : public Device {
 public:
  using Device::Device;
  SendOutcome Write(const unsigned char* data, size_t length) override;
};

// USB printer (kind Usb): file I/O on the device interface path.
class USBDevice : public Device {
 public:
  using Device::Device;
  SendOutcome Write(const unsigned char* data, size_t length) override;
  // Writes the command, reopens the path overlapped and waits at most
  // kUsbReplyWaitMs for the reply; no reply byte is a failure.
  SendOutcome Query(const unsigned char* command, size_t length, unsigned char* reply,
                    size_t* replyLength) override;

 private:
  bool Open(bool overlapped, SendOutcome* outcome);
};

class DeviceFactory {
 public:
  // Null for an unknown kind or no memory.
  static std::unique_ptr<Device> Create(const SendTarget& target);
};

// Outcomes the transports build.
SendOutcome ConfirmedOutcome(size_t bytesSent);
SendOutcome FailedOutcome(const char* key, std::string reason, size_t bytesSent = 0);

// Where the window's dispatch calls and the USB reply read report: Setwright
// shows a message box per report; tests may catch them.
class TransportReporter {
 public:
  virtual ~TransportReporter() = default;
  // key: translation key of the outcome; success: a success report (only
  // sent when the caller asked for one).
  virtual void Report(HWND owner, const char* key, bool success) = 0;
};
// The reporter in use; the message boxes unless another was set.
TransportReporter& CurrentTransportReporter();
// Sets the reporter (null: the message boxes again).
void SetTransportReporter(TransportReporter* reporter);

// Shows one transport message box: the text of key, the given caption,
// buttons OK and Cancel, owned by owner. The pressed button is not returned.
void ShowTransportBox(HWND owner, const char* key, const wchar_t* caption);

// The target the main dialog shows: its selection, the address field for the
// network printer and the stored serial settings. False for no selection or
// an unknown kind.
bool TargetFromSelection(const TransportSelection* selection, SendTarget* target);

// Sends one command buffer to the port, queue or printer the main dialog
// shows; one box: "Set success" (only with showSuccess) when the printer took
// the bytes, confirmed or not, else the box of the step that failed.
int SendCommand(const unsigned char* data, int length, int showSuccess);
// The same with a reply read after the write. Network printers and queues
// give no reply: 1 at once, nothing sent, the reply untouched.
int QueryCommand(const unsigned char* command, int commandLength, unsigned char* reply,
                 unsigned int* replyLength, int showSuccess);
