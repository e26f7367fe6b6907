#include "installer/Log.h"

#include <windows.h>
#include <share.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <vector>

#include "installer/InstallLogic.h"
#include "installer/Owners.h"

namespace spoolkit {

namespace {

constexpr size_t kLongPathChars = 32768;

// "PinLog.txt" beside the calling program (not this library) into out
// (kLongPathChars). A program path longer than MAX_PATH is read whole and
// given the "\\?\" form, so the log still lands beside such a program.
bool logFilePath(wchar_t* out) {
  std::vector<wchar_t> path(kLongPathChars);
  DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (n == 0 || n >= path.size()) return false;
  path[n] = 0;
  std::vector<wchar_t> dir(kLongPathChars);
  if (!directoryOf(path.data(), dir.data(), dir.size()) || dir[0] == 0) return false;
  const wchar_t* prefix = L"";
  const wchar_t* rest = dir.data();
  if (n >= MAX_PATH - 12 && std::wcsncmp(rest, L"\\\\?\\", 4) != 0) {
    if (std::wcsncmp(rest, L"\\\\", 2) == 0) {
      prefix = L"\\\\?\\UNC\\";  // \\server\share -> \\?\UNC\server\share
      rest += 2;
    } else {
      prefix = L"\\\\?\\";
    }
  }
  return joinText(out, kLongPathChars, {prefix, rest, L"PinLog.txt"});
}

}  // namespace

void WriteLog2File(const char* message, size_t length) {
  // The log path is rebuilt for every line. The wide path is used so that a
  // directory outside the ANSI code page still works.
  FILE* raw = nullptr;
  try {
    std::vector<wchar_t> logPath(kLongPathChars);
    if (logFilePath(logPath.data())) {
      // Binary append: the caller's bytes land unchanged and each line ends
      // with exactly one carriage return and line feed.
      raw = ::_wfsopen(logPath.data(), L"ab", _SH_DENYNO);
    }
  } catch (...) {
    raw = nullptr;
  }
  UniqueStream file(raw);
  if (!file.valid()) {
    ::MessageBoxW(nullptr, L"WriteLog2File::fopen fail.", L"ERROR", MB_OK);
    return;
  }
  bool ok = true;
  if (length > 0 && message) ok = std::fwrite(message, 1, length, file.get()) == length;
  if (ok) ok = std::fwrite("\r\n", 1, 2, file.get()) == 2;
  if (ok) ok = std::fflush(file.get()) == 0;
  if (!ok) ::MessageBoxW(nullptr, L"WriteLog2File::fwrite fail.", L"ERROR", MB_OK);
}

void logLine(const char* line) { WriteLog2File(line, line ? std::strlen(line) : 0); }

void logError(const char* prefix, unsigned long error) {
  char line[512];
  int n = std::snprintf(line, sizeof(line), "%s err = %d\r\n", prefix ? prefix : "",
                        static_cast<int>(error));
  if (n < 0) return;
  size_t len = static_cast<size_t>(n) < sizeof(line) ? static_cast<size_t>(n) : sizeof(line) - 1;
  WriteLog2File(line, len);
}

}  // namespace spoolkit
