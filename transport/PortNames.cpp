#include "transport/PortNames.h"

#include <cwchar>

namespace {

// name starts with the upper-case ASCII prefix, in any case, and ends with ':'.
bool IsPortName(const wchar_t* name, const wchar_t* prefix) {
  if (!name) return false;
  const size_t n = wcslen(name);
  if (n < 3 || name[n - 1] != L':') return false;
  for (size_t i = 0; i < 3; ++i) {
    wchar_t c = name[i];
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    if (c != prefix[i]) return false;
  }
  return true;
}

}  // namespace

bool IsComPortName(const wchar_t* name) { return IsPortName(name, L"COM"); }

bool IsLptPortName(const wchar_t* name) { return IsPortName(name, L"LPT"); }

std::wstring ComPortFromFriendlyName(const wchar_t* friendlyName) {
  if (!friendlyName) return std::wstring();
  const wchar_t* found = wcsstr(friendlyName, L"COM");
  if (!found) found = wcsstr(friendlyName, L"com");
  if (!found) return std::wstring();
  std::wstring port(found, 3);
  for (const wchar_t* p = found + 3; *p >= L'0' && *p <= L'9'; ++p) port += *p;
  return port;
}

std::vector<std::wstring> BuildPortEntries(const std::vector<std::wstring>& comInterfacePorts,
                                           const std::vector<std::wstring>& spoolerPorts) {
  std::vector<std::wstring> entries;
  if (!spoolerPorts.empty()) {
    for (const std::wstring& port : comInterfacePorts) {
      if (!port.empty() && port.back() == L':') {
        entries.push_back(port);
      } else {
        entries.push_back(port + L":");
      }
    }
    for (const std::wstring& port : spoolerPorts) {
      if (IsLptPortName(port.c_str())) entries.push_back(port);
    }
    if (comInterfacePorts.empty()) {
      for (const std::wstring& port : spoolerPorts) {
        if (IsComPortName(port.c_str())) entries.push_back(port);
      }
    }
  }
  entries.emplace_back(kEthernetEntry);
  return entries;
}

bool TrimPortName(const wchar_t* name, wchar_t* out, size_t outChars) {
  if (out == nullptr || outChars == 0) return false;
  out[0] = L'\0';
  if (name == nullptr) return false;
  // Measure without reading further than one character past what could fit.
  size_t length = 0;
  while (length <= outChars && name[length] != L'\0') ++length;
  if (length > 0 && length <= outChars && name[length - 1] == L':') --length;
  if (length >= outChars) return false;
  wmemcpy(out, name, length);
  out[length] = L'\0';
  return true;
}

bool JoinText(const wchar_t* prefix, const wchar_t* text, wchar_t* out, size_t outChars) {
  if (out == nullptr || outChars == 0) return false;
  out[0] = L'\0';
  if (prefix == nullptr || text == nullptr) return false;
  const size_t prefixLength = wcslen(prefix);
  const size_t textLength = wcslen(text);
  if (prefixLength >= outChars || textLength >= outChars - prefixLength) return false;
  wmemcpy(out, prefix, prefixLength);
  wmemcpy(out + prefixLength, text, textLength);
  out[prefixLength + textLength] = L'\0';
  return true;
}

int IsSupportedUsbPath(const wchar_t* path) {
  if (path == nullptr) return 0;
  if (wcsstr(path, L"PID_811E") != nullptr && wcsstr(path, L"VID_0FE6") != nullptr) return 1;
  if (wcsstr(path, L"pid_811e") != nullptr && wcsstr(path, L"vid_0fe6") != nullptr) return 1;
  return 0;
}

const char* ParseStrictIpv4(const char* text, uint32_t* value) {
  if (text == nullptr || *text == '\0') return "no address given";
  uint32_t result = 0;
  const char* p = text;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (*p != '.') return *p == '\0' ? "an address has four parts (like 192.168.1.20)"
                                       : "an address has four decimal parts separated by dots";
      ++p;
    }
    if (*p < '0' || *p > '9') return "an address has four decimal parts separated by dots";
    if (*p == '0' && p[1] >= '0' && p[1] <= '9') {
      return "a part of the address starts with 0; write each part without leading zeros "
             "(a leading zero is read as octal elsewhere)";
    }
    unsigned number = 0;
    int digits = 0;
    while (*p >= '0' && *p <= '9') {
      if (++digits > 3) return "each part of an address is 0 to 255";
      number = number * 10 + static_cast<unsigned>(*p - '0');
      ++p;
    }
    if (number > 255) return "each part of an address is 0 to 255";
    result = (result << 8) | number;
  }
  if (*p != '\0') return "an address has four decimal parts separated by dots, nothing after";
  if (value != nullptr) *value = result;
  return nullptr;
}
