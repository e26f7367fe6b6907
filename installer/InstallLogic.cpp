#include "installer/InstallLogic.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>
#include <string_view>
#include <type_traits>

namespace spoolkit {

namespace {

template <typename Ch>
size_t lengthOf(const Ch* s) {
  return s ? std::char_traits<Ch>::length(s) : 0;
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
  return s && std::wstring_view(s).find(part) != std::wstring_view::npos;
}

// Offset of the first occurrence of needle in hay that is a multiple of
// step (npos when there is none). An empty needle is found at offset 0.
size_t findAligned(std::string_view hay, std::string_view needle, size_t step) {
  for (size_t at = hay.find(needle); at != std::string_view::npos; at = hay.find(needle, at + 1)) {
    if (at % step == 0) return at;
  }
  return std::string_view::npos;
}

// The UTF-16LE bytes of an 8-bit or wide string (each unit's low 16 bits).
template <typename Ch>
void appendUtf16le(std::string& out, const Ch* s) {
  for (size_t i = 0, n = lengthOf(s); i < n; ++i) {
    const auto u = static_cast<uint16_t>(static_cast<std::make_unsigned_t<Ch>>(s[i]));
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
  }
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
  const std::wstring_view text(s);
  return text.find_first_of(L"\"%\r\n") != std::wstring_view::npos ||
         (!text.empty() && text.back() == L'\\');
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
  constexpr auto npos = std::string_view::npos;
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  // 8-bit text: the content up to its first zero byte.
  if (driverNameA) {
    const std::string_view text = content.substr(0, content.find('\0'));
    const std::string cat = std::string("CatalogFile=") + driverNameA + ".CAT";
    if (text.find(cat) != npos && text.find(kDriverVersionLine) != npos) return true;
  }
  // UTF-16LE text: the whole units up to the first zero unit.
  if (driverNameW) {
    std::string_view text = content.substr(0, size - size % 2);
    text = text.substr(0, findAligned(text, std::string_view("\0\0", 2), 2));
    std::string cat;
    appendUtf16le(cat, "CatalogFile=");
    appendUtf16le(cat, driverNameW);
    appendUtf16le(cat, ".CAT");
    std::string version;
    appendUtf16le(version, kDriverVersionLine);
    if (findAligned(text, cat, 2) != npos && findAligned(text, version, 2) != npos) return true;
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
  const unsigned char* from = reply + 6;
  size_t len = static_cast<size_t>(std::find(from, from + want, 0) - from);
  std::memcpy(name, from, len);
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
