// The command line's target texts, read strictly before anything is opened:
//   com:COM3[:9600,8,N,1]  lpt:LPT1  queue:NAME  ip:ADDRESS  usb  usb:PATH
// Platform-free: whether a queue or a USB device exists is checked later.
#pragma once
#include <cstdint>
#include <string>

namespace cmdline {

enum class TargetKind { Com, Lpt, Queue, Ip, UsbFirst, UsbPath };

struct SerialLine {
  unsigned baud = 9600;
  unsigned dataBits = 8;  // 7 or 8
  char parity = 'N';      // N, O or E
  unsigned stopBits = 1;  // 1 or 2
};

struct TargetText {
  TargetKind kind = TargetKind::Com;
  std::string name;       // port name, queue name or USB path (UTF-8)
  uint32_t address = 0;   // ip: host byte order
  SerialLine serial;      // com:
};

// Reads text; false with *why (plain English, naming the part at fault) when
// it is malformed. An address part with a leading zero is refused.
bool ParseTargetText(const std::string& text, TargetText* target, std::string* why);

// "9600,8,N,1": baud (decimal digits, 50 to 4000000), data bits 7 or 8,
// parity N, O or E (any case), stop bits 1 or 2, nothing else.
bool ParseSerialLine(const std::string& text, SerialLine* line);

}  // namespace cmdline
