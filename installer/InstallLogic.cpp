#include "installer/InstallLogic.h"

#include <cstring>
#include <cwchar>
#include <vector>

namespace spoolkit {

namespace {

template <typename Ch>
size_t lengthOf(const Ch* s) {
  size_t n = 0;
  if (s) {
    while (s[n]) ++n;
  }
  return n;
}

template <typename Ch>
bool joinGeneric(Ch* out, size_t cap, std::initializer_list<const Ch*> parts) {
  if (!out || cap == 0) return false;
  size_t total = 0;
  for (const Ch* p : parts) total += lengthOf(p);
  if (total + 1 > cap) {
    out[0] = 0;
    return false;
  }
  size_t pos = 0;
  for (const Ch* p : parts) {
    size_t n = lengthOf(p);
    if (n) std::memmove(out + pos, p, n * sizeof(Ch));
    pos += n;
  }
  out[pos] = 0;
  return true;
}

bool contains(const wchar_t* s, const wchar_t* part) {
  return s && std::wcsstr(s, part) != nullptr;
}

// Substring search over a byte range.
bool bytesContain(const unsigned char* hay, size_t hayLen, const unsigned char* needle,
                  size_t needleLen) {
  if (needleLen == 0) return true;
  if (hayLen < needleLen) return false;
  for (size_t i = 0; i + needleLen <= hayLen; ++i) {
    if (hay[i] == needle[0] && std::memcmp(hay + i, needle, needleLen) == 0) return true;
  }
  return false;
}

// Substring search over 16-bit units read little-endian from the even offsets.
bool unitsContain(const unsigned char* data, size_t units, const uint16_t* needle,
                  size_t needleLen) {
  if (needleLen == 0) return true;
  if (units < needleLen) return false;
  for (size_t i = 0; i + needleLen <= units; ++i) {
    size_t k = 0;
    while (k < needleLen) {
      uint16_t u = static_cast<uint16_t>(data[2 * (i + k)] | (data[2 * (i + k) + 1] << 8));
      if (u != needle[k]) break;
      ++k;
    }
    if (k == needleLen) return true;
  }
  return false;
}

}  // namespace

bool copyText(wchar_t* out, size_t cap, const wchar_t* src) { return joinText(out, cap, {src}); }

bool joinText(wchar_t* out, size_t cap, std::initializer_list<const wchar_t*> parts) {
  return joinGeneric(out, cap, parts);
}

bool joinText(char* out, size_t cap, std::initializer_list<const char*> parts) {
  return joinGeneric(out, cap, parts);
}

bool hasUnsafeCommandChar(const wchar_t* s) {
  if (!s) return false;
  wchar_t last = 0;
  for (; *s; ++s) {
    if (*s == L'"' || *s == L'%' || *s == L'\r' || *s == L'\n') return true;
    last = *s;
  }
  return last == L'\\';
}

bool quoteInPlace(wchar_t* buf, size_t cap) {
  if (!buf) return false;
  if (hasUnsafeCommandChar(buf)) return false;
  size_t n = lengthOf(buf);
  if (n + 3 > cap) return false;
  std::memmove(buf + 1, buf, n * sizeof(wchar_t));
  buf[0] = L'"';
  buf[n + 1] = L'"';
  buf[n + 2] = 0;
  return true;
}

bool buildInstallCommand(wchar_t* out, size_t cap, const wchar_t* quotedPrinter,
                         const wchar_t* quotedInf, const wchar_t* quotedPort,
                         const wchar_t* quotedDriver) {
  return joinText(out, cap,
                  {L"rundll32 printui.dll,PrintUIEntry /if /b ", quotedPrinter, L" /f ", quotedInf,
                   L"  /r ", quotedPort, L" /m ", quotedDriver});
}

bool buildProcessCommandLine(wchar_t* out, size_t cap, const wchar_t* command) {
  return joinText(out, cap, {L"cmd /C ", command});
}

bool directoryOf(const wchar_t* fullPath, wchar_t* out, size_t cap) {
  if (!out || cap == 0) return false;
  out[0] = 0;
  if (!fullPath) return false;
  const wchar_t* slash = std::wcsrchr(fullPath, L'\\');
  if (!slash) return true;
  size_t n = static_cast<size_t>(slash - fullPath) + 1;
  if (n + 1 > cap) return false;
  std::memcpy(out, fullPath, n * sizeof(wchar_t));
  out[n] = 0;
  return true;
}

bool windowsInfDirectory(const wchar_t* systemDir, wchar_t* out, size_t cap) {
  if (!out || cap == 0 || !systemDir) return false;
  const wchar_t* first = std::wcschr(systemDir, L'\\');
  const wchar_t* second = first ? std::wcschr(first + 1, L'\\') : nullptr;
  size_t n = second ? static_cast<size_t>(second - systemDir) : lengthOf(systemDir);
  if (n + 4 + 1 > cap) {
    out[0] = 0;
    return false;
  }
  std::memcpy(out, systemDir, n * sizeof(wchar_t));
  std::memcpy(out + n, L"\\inf", 5 * sizeof(wchar_t));
  return true;
}

bool isListedModel(const wchar_t* modelName) {
  if (!modelName) return false;
  return std::wcscmp(modelName, L"MQ6XX") == 0 || std::wcscmp(modelName, L"MQ7XX") == 0 ||
         std::wcscmp(modelName, L"MQ8XX") == 0;
}

Route chooseRoute(const wchar_t* modelName, const wchar_t* portName) {
  if (!isListedModel(modelName)) return Route::CommandLine;
  return newInstallRoute(portName);
}

Route newInstallRoute(const wchar_t* portName) {
  if (contains(portName, L"USB") || contains(portName, L"usb")) {
    if (contains(portName, L"USB PORT:") || contains(portName, L"usb port:")) {
      return Route::NewInstallCommandLine;
    }
    return Route::NewInstallHardwareId;
  }
  return Route::NewInstallCommandLine;
}

const wchar_t* languageFolder(bool chineseSystem) { return chineseSystem ? L"CHN" : L"ENG"; }

const wchar_t* environmentNameFor(bool is64BitSystem) {
  return is64BitSystem ? L"Windows x64" : L"Windows NT x86";
}

bool isKorvelPort(const wchar_t* portName) { return contains(portName, L"Korvel"); }

const wchar_t* monitorNameFor(const wchar_t* portName) {
  return isKorvelPort(portName) ? L"KorvelUSB Printer Monitor" : L"USB Printer Monitor";
}

const char* monitorNameForA(const wchar_t* portName) {
  return isKorvelPort(portName) ? "KorvelUSB Printer Monitor" : "USB Printer Monitor";
}

const char* spoolerPortNameFor(const wchar_t* portName) {
  return isKorvelPort(portName) ? "KorvelUSB PORT:" : "USB PORT:";
}

bool monitorQualifies(const wchar_t* monitorName) {
  return contains(monitorName, L"TCP/IP") || contains(monitorName, L"USB Printer Monitor");
}

const char kDriverVersionLine[] = "DriverVer=08/17/2016, 2.2.0.0";

bool infContentMatches(const unsigned char* data, size_t size, const char* driverNameA,
                       const wchar_t* driverNameW) {
  if (!data) return false;
  // 8-bit text: the content up to its first zero byte.
  size_t textLen = 0;
  while (textLen < size && data[textLen] != 0) ++textLen;
  if (driverNameA) {
    const char* parts[] = {"CatalogFile=", driverNameA, ".CAT"};
    size_t catLen = 0;
    for (const char* p : parts) catLen += std::strlen(p);
    std::vector<unsigned char> cat(catLen);
    size_t pos = 0;
    for (const char* p : parts) {
      size_t n = std::strlen(p);
      std::memcpy(cat.data() + pos, p, n);
      pos += n;
    }
    bool found = bytesContain(data, textLen, cat.data(), catLen) &&
                 bytesContain(data, textLen, reinterpret_cast<const unsigned char*>(kDriverVersionLine),
                              std::strlen(kDriverVersionLine));
    if (found) return true;
  }
  // UTF-16LE text: the units up to the first zero unit.
  if (driverNameW) {
    size_t units = 0;
    while (2 * units + 1 < size && (data[2 * units] | data[2 * units + 1]) != 0) ++units;
    size_t nameLen = lengthOf(driverNameW);
    const char* head = "CatalogFile=";
    const char* tail = ".CAT";
    size_t catLen = std::strlen(head) + nameLen + std::strlen(tail);
    std::vector<uint16_t> cat(catLen);
    size_t pos = 0;
    for (const char* c = head; *c; ++c) cat[pos++] = static_cast<unsigned char>(*c);
    for (size_t i = 0; i < nameLen; ++i) cat[pos++] = static_cast<uint16_t>(driverNameW[i]);
    for (const char* c = tail; *c; ++c) cat[pos++] = static_cast<unsigned char>(*c);
    size_t verLen = std::strlen(kDriverVersionLine);
    std::vector<uint16_t> ver(verLen);
    for (size_t i = 0; i < verLen; ++i) ver[i] = static_cast<unsigned char>(kDriverVersionLine[i]);
    bool found = unitsContain(data, units, cat.data(), catLen) &&
                 unitsContain(data, units, ver.data(), verLen);
    if (found) return true;
  }
  return false;
}

bool appendListEntry(wchar_t* list, size_t cap, const wchar_t* name) {
  if (!list) return false;
  size_t have = lengthOf(list);
  size_t add = lengthOf(name);
  if (have + 1 + add + 1 > cap) return false;
  list[have] = L',';
  if (add) std::memcpy(list + have + 1, name, add * sizeof(wchar_t));
  list[have + 1 + add] = 0;
  return true;
}

bool closeList(wchar_t* list, size_t cap) {
  if (!list) return false;
  size_t have = lengthOf(list);
  if (have + 2 > cap) return false;
  list[have] = L',';
  list[have + 1] = 0;
  return true;
}

bool usbPathMatches(const wchar_t* devicePath) {
  if (!devicePath) return false;
  return (contains(devicePath, L"VID_0FE6") && contains(devicePath, L"PID_811E")) ||
         (contains(devicePath, L"vid_0fe6") && contains(devicePath, L"pid_811e"));
}

bool decodeModelReply(const unsigned char* reply, size_t replyCap, char* name, size_t nameCap) {
  if (!reply || !name || nameCap == 0 || replyCap <= 6) return false;
  unsigned n = reply[4];
  if (n <= 1) return false;
  size_t want = n - 1;
  size_t room = replyCap - 6;  // what the reply buffer holds from byte 6 on
  if (want > room) want = room;
  if (want > nameCap - 1) want = nameCap - 1;
  size_t len = 0;
  while (len < want && reply[6 + len] != 0) ++len;
  std::memcpy(name, reply + 6, len);
  name[len] = 0;
  return true;
}

bool portWithoutColon(const wchar_t* name, wchar_t* out, size_t cap) {
  if (!out || cap == 0) return false;
  out[0] = 0;
  if (!name) return false;
  size_t n = lengthOf(name);
  if (n > 0 && name[n - 1] == L':') --n;
  if (n + 1 > cap) return false;
  std::memcpy(out, name, n * sizeof(wchar_t));
  out[n] = 0;
  return true;
}

}  // namespace spoolkit
