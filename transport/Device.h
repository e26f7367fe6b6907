// The transport family: one short-lived object per send that opens the
// chosen port, printer or connection, writes one command buffer, reports
// the outcome in exactly one message box and closes everything again.
#pragma once
#include <windows.h>
#include "common/Globals.h"

class Device {
 public:
  Device(const wchar_t* name, int showSuccess, HWND owner)
      : name_(name), showSuccess_(showSuccess), handle_(INVALID_HANDLE_VALUE), owner_(owner) {}
  virtual ~Device() = default;
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  // Writes length bytes; shows the success box (if asked for) or one failure box.
  virtual int Write(const unsigned char* data, int length) = 0;
  // Writes command through Write, then reads at most *replyLength bytes.
  virtual int Query(const unsigned char* command, int commandLength, unsigned char* reply,
                    unsigned int* replyLength) = 0;

  void ShowError(const char* key) const;
  void ShowSuccess(const char* key) const;

 protected:
  const wchar_t* name_;
  int showSuccess_;
  HANDLE handle_;
  HWND owner_;
};

// Serial port (kind Com). Applies StoredSerialSettings before every write.
class ComDevice : public Device {
 public:
  ComDevice(const wchar_t* name, int showSuccess, HWND owner) : Device(name, showSuccess, owner) {}
  ~ComDevice() override;
  int Write(const unsigned char* data, int length) override;
  int Query(const unsigned char* command, int commandLength, unsigned char* reply,
            unsigned int* replyLength) override;
  int IsOpen() const;
  int Open();
  void Close();
};

// Parallel port (kind Lpt), opened by its plain name.
class LPTDevice : public Device {
 public:
  LPTDevice(const wchar_t* name, int showSuccess, HWND owner) : Device(name, showSuccess, owner) {}
  ~LPTDevice() override;
  int Write(const unsigned char* data, int length) override;
  int Query(const unsigned char* command, int commandLength, unsigned char* reply,
            unsigned int* replyLength) override;
  int IsOpen() const;
  int Open();
  void Close();
};

// Network printer (kind Ethernet): one TCP connection to port 9100 of
// PrinterAddressText per write. Holds no handle.
class ENetDevice : public Device {
 public:
  ENetDevice(const wchar_t* name, int showSuccess, HWND owner) : Device(name, showSuccess, owner) {}
  ~ENetDevice() override;
  int Write(const unsigned char* data, int length) override;
  // Reads nothing; the reply buffer and count stay untouched.
  int Query(const unsigned char* command, int commandLength, unsigned char* reply,
            unsigned int* replyLength) override;
  int IsOpen() const { return 1; }
  int Open() { return 1; }
  void Close() {}
};

// Installed printer (kind PrinterDriver): one raw spooler job per write.
class PrinterDevice : public Device {
 public:
  PrinterDevice(const wchar_t* name, int showSuccess, HWND owner)
      : Device(name, showSuccess, owner) {}
  ~PrinterDevice() override;
  int Write(const unsigned char* data, int length) override;
  // Reads nothing; the reply buffer and count stay untouched.
  int Query(const unsigned char* command, int commandLength, unsigned char* reply,
            unsigned int* replyLength) override;
  int IsOpen() const;
  int Open();
  void Close();
};

// USB printer (kind Usb): file I/O on the device interface path.
class USBDevice : public Device {
 public:
  USBDevice(const wchar_t* name, int showSuccess, HWND owner) : Device(name, showSuccess, owner) {}
  ~USBDevice() override;
  int Write(const unsigned char* data, int length) override;
  // Writes the command, reopens the path overlapped and waits at most
  // kUsbReplyWaitMs for the reply.
  int Query(const unsigned char* command, int commandLength, unsigned char* reply,
            unsigned int* replyLength) override;
  int IsOpen() const;
  int Open(int overlapped);
  void Close();
};

// Where the transports report each outcome: Setwright shows a message box
// per report, the command line writes a line. Every transport report goes
// through the current reporter.
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

class DeviceFactory {
 public:
  // Null for a null selection, an unknown kind or no memory.
  static Device* Create(const TransportSelection* selection, int showSuccess, HWND owner);
  static void Release(Device* device);
};

// Sends one command buffer to the current selection; the transport shows the boxes.
int SendCommand(const unsigned char* data, int length, int showSuccess);
// The same with a reply read after the write.
int QueryCommand(const unsigned char* command, int commandLength, unsigned char* reply,
                 unsigned int* replyLength, int showSuccess);
