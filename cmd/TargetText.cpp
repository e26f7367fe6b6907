#include "cmd/TargetText.h"

#include <cctype>
#include <vector>

#include "transport/PortNames.h"

namespace cmdline {
namespace {

bool StartsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

// COM1 to COM9999 or LPT1 to LPT9999, any case, no leading zero.
bool IsPortNumberName(const std::string& name, const char* kind) {
  if (name.size() < 4 || name.size() > 7) return false;
  for (size_t i = 0; i < 3; ++i) {
    if (std::toupper(static_cast<unsigned char>(name[i])) != kind[i]) return false;
  }
  if (name[3] == '0') return false;
  for (size_t i = 3; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  return true;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == separator) {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

// Decimal digits only, no sign, no leading zero, at most max.
bool ParseNumber(const std::string& text, unsigned max, unsigned* value) {
  if (text.empty() || text.size() > 10 || (text[0] == '0' && text.size() > 1)) return false;
  unsigned long long number = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + static_cast<unsigned>(c - '0');
  }
  if (number > max) return false;
  *value = static_cast<unsigned>(number);
  return true;
}

}  // namespace

bool ParseSerialLine(const std::string& text, SerialLine* line) {
  const std::vector<std::string> parts = Split(text, ',');
  if (parts.size() != 4) return false;
  SerialLine read;
  if (!ParseNumber(parts[0], 4000000, &read.baud) || read.baud < 50) return false;
  if (!ParseNumber(parts[1], 8, &read.dataBits) || (read.dataBits != 7 && read.dataBits != 8)) {
    return false;
  }
  if (parts[2].size() != 1) return false;
  read.parity = static_cast<char>(std::toupper(static_cast<unsigned char>(parts[2][0])));
  if (read.parity != 'N' && read.parity != 'O' && read.parity != 'E') return false;
  if (!ParseNumber(parts[3], 2, &read.stopBits) || read.stopBits == 0) return false;
  *line = read;
  return true;
}

bool ParseTargetText(const std::string& text, TargetText* target, std::string* why) {
  TargetText read;
  if (StartsWith(text, "com:")) {
    const std::string rest = text.substr(4);
    const size_t colon = rest.find(':');
    read.kind = TargetKind::Com;
    read.name = rest.substr(0, colon);
    if (!IsPortNumberName(read.name, "COM")) return *why = "not a COM port name: " + read.name, false;
    if (colon != std::string::npos && !ParseSerialLine(rest.substr(colon + 1), &read.serial)) {
      *why = "serial settings are baud (50 to 4000000), data bits (7 or 8), parity (N, O or E) "
             "and stop bits (1 or 2), like 9600,8,N,1: " + rest.substr(colon + 1);
      return false;
    }
  } else if (StartsWith(text, "lpt:")) {
    read.kind = TargetKind::Lpt;
    read.name = text.substr(4);
    if (!IsPortNumberName(read.name, "LPT")) return *why = "not an LPT port name: " + read.name, false;
  } else if (StartsWith(text, "queue:")) {
    read.kind = TargetKind::Queue;
    read.name = text.substr(6);
    if (read.name.empty()) return *why = "a queue name is missing", false;
  } else if (StartsWith(text, "ip:")) {
    read.kind = TargetKind::Ip;
    const std::string address = text.substr(3);
    if (const char* problem = ParseStrictIpv4(address.c_str(), &read.address)) {
      return *why = "not an IPv4 address: " + address + " (" + problem + ")", false;
    }
    if (read.address == 0 || read.address == 0xFFFFFFFFu) {
      return *why = "not a printer's address: " + address, false;
    }
  } else if (text == "usb") {
    read.kind = TargetKind::UsbFirst;
  } else if (StartsWith(text, "usb:")) {
    read.kind = TargetKind::UsbPath;
    read.name = text.substr(4);
    if (read.name.empty()) return *why = "a USB device path is missing", false;
  } else {
    *why = "a target is com:PORT[:BAUD,BITS,PARITY,STOP], lpt:PORT, queue:NAME, ip:ADDRESS, usb "
           "or usb:PATH";
    return false;
  }
  *target = read;
  return true;
}

}  // namespace cmdline
