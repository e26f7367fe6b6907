#include "settings/ProfileFiles.h"

#include <windows.h>

#include "common/AnsiText.h"
#include "common/UniqueResource.h"
#include "settings/PageControls.h"

namespace profile {

namespace {

std::string SystemReason(const char* what) {
  return std::string(what) + " (error " + std::to_string(::GetLastError()) + ")";
}

}  // namespace

bool ReadProfileFile(const std::wstring& path, std::string* text, std::string* why) {
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    *why = SystemReason("the file cannot be opened");
    return false;
  }
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.Get(), &size)) {
    *why = SystemReason("the file size cannot be read");
    return false;
  }
  if (size.QuadPart > static_cast<LONGLONG>(kMaxProfileBytes)) {
    *why = "the file is larger than " + std::to_string(kMaxProfileBytes / 1024) + " KiB";
    return false;
  }
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD got = 0;
  if (!bytes.empty() && (!::ReadFile(file.Get(), &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr) ||
                         got != bytes.size())) {
    *why = SystemReason("the file cannot be read");
    return false;
  }
  *text = std::move(bytes);
  return true;
}

bool WriteProfileFile(const std::wstring& path, const std::string& text, std::string* why) {
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    *why = SystemReason("the file cannot be created");
    return false;
  }
  DWORD written = 0;
  if (!text.empty() && (!::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
                        written != text.size())) {
    *why = SystemReason("the file cannot be written");
    return false;
  }
  return true;
}

TextCodec AnsiCodec() {
  TextCodec codec;
  codec.toAnsi = &Utf8ToAnsiExact;
  codec.isLeadByte = &IsAnsiLeadByte;
  codec.codePage = AnsiCodePage();
  return codec;
}

}  // namespace profile
