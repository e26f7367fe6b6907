#include "installer/Log.h"

#include <windows.h>
#include <share.h>

#include <cstdio>
#include <cstring>

#include "installer/InstallLogic.h"
#include "installer/Platform.h"

namespace spoolkit {

void WriteLog2File(const char* message, size_t length) {
  // The log path is rebuilt for every line: the program directory of the
  // calling process (not of this library) plus "PinLog.txt". The wide path
  // is used so that a directory outside the ANSI code page still works.
  wchar_t dir[MAX_PATH] = {};
  wchar_t logPath[MAX_PATH] = {};
  FILE* raw = nullptr;
  if (programDirectory(dir, MAX_PATH) && joinText(logPath, MAX_PATH, {dir, L"PinLog.txt"})) {
    // Binary append: the caller's bytes land unchanged and each line ends
    // with exactly one carriage return and line feed.
    raw = ::_wfsopen(logPath, L"ab", _SH_DENYNO);
  }
  UniqueStream file(raw);
  if (!file.get()) {
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
