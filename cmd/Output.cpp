#include "cmd/Output.h"

#include <windows.h>

#include <cstdio>

#include "common/UniqueResource.h"
#include "common/TextConvert.h"

namespace cmdline {
namespace {

// "2026-12-08 07:55:01.123" in local time.
std::string Now() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  char text[32] = {};
  std::snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay,
                t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
  return text;
}

std::wstring FullPath(const std::wstring& path) {
  const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::wstring full(needed, L'\0');
  const DWORD got = GetFullPathNameW(path.c_str(), needed, &full[0], nullptr);
  if (got == 0 || got >= needed) return path;
  full.resize(got);
  return full;
}

bool FileIdentity(const std::wstring& path, BY_HANDLE_FILE_INFORMATION* info) {
  UniqueHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return file.Valid() && GetFileInformationByHandle(file.Get(), info) != FALSE;
}

}  // namespace

Output::~Output() {
  if (log_ != nullptr) std::fclose(log_);
}

bool Output::OpenLog(std::string* why) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (logPath_.empty() || opened_) return true;
  opened_ = true;
  log_ = _wfopen(Utf8ToWide(logPath_).c_str(), L"ab");
  if (log_ == nullptr) {
    *why = "cannot open " + logPath_ + " for appending (system error " +
           std::to_string(GetLastError()) + ")";
    kept_.clear();
    return false;
  }
  for (const std::string& line : kept_) std::fprintf(log_, "%s\n", line.c_str());
  kept_.clear();
  std::fflush(log_);
  return true;
}

void Output::ToLog(const std::string& text) {
  if (logPath_.empty()) return;
  // A line of several lines gets the time on each.
  std::string stamped;
  const std::string time = Now();
  size_t start = 0;
  for (;;) {
    const size_t end = text.find('\n', start);
    stamped += time + "  " + text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (end == std::string::npos) break;
    stamped += '\n';
    start = end + 1;
  }
  if (log_ != nullptr) {
    std::fprintf(log_, "%s\n", stamped.c_str());
    std::fflush(log_);
  } else if (!opened_) {
    kept_.push_back(stamped);
  }
}

void Output::Line(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::fprintf(stdout, "%s\n", text.c_str());
  std::fflush(stdout);
  ToLog(text);
}

void Output::Error(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
  ToLog(text);
}

void Output::LogOnly(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  ToLog(text);
}

bool SameFile(const std::string& a, const std::string& b) {
  const std::wstring fullA = FullPath(Utf8ToWide(a));
  const std::wstring fullB = FullPath(Utf8ToWide(b));
  if (CompareStringOrdinal(fullA.c_str(), -1, fullB.c_str(), -1, TRUE) == CSTR_EQUAL) return true;
  BY_HANDLE_FILE_INFORMATION infoA{}, infoB{};
  if (!FileIdentity(fullA, &infoA) || !FileIdentity(fullB, &infoB)) return false;
  return infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber &&
         infoA.nFileIndexHigh == infoB.nFileIndexHigh && infoA.nFileIndexLow == infoB.nFileIndexLow;
}

}  // namespace cmdline
