#include "tests/package/PackageTestSupport.h"

#include <shlobj.h>

#include "common/UniqueResource.h"
#include "tests/support/DialogProgram.h"
#include "tests/support/PrinterEnds.h"

namespace package_test {

std::wstring ProgramDir() {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self);
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

std::wstring KnownFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

namespace {
void ListBelow(const std::wstring& root, const std::wstring& sub, std::vector<std::wstring>& out) {
  WIN32_FIND_DATAW found{};
  UniqueFind find(::FindFirstFileW((root + sub + L"*").c_str(), &found));
  if (!find.Valid()) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ListBelow(root, sub + name + L"\\", out);
    } else {
      out.push_back(sub + name);
    }
  } while (::FindNextFileW(find.Get(), &found));
}
}  // namespace

std::vector<std::wstring> ListFiles(const std::wstring& root) {
  std::vector<std::wstring> out;
  ListBelow(root, L"", out);
  return out;
}

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c < 128 ? static_cast<char>(c) : '?';
  return out;
}

std::wstring ReadText(const std::wstring& path) {
  const std::vector<unsigned char> bytes = testing_ends::ReadWholeFile(path);
  return std::wstring(bytes.begin(), bytes.end());
}

bool WriteText(const std::wstring& path, const std::string& text) {
  return testing_ends::WriteWholeFile(path, text.data(), text.size());
}

std::wstring RegistryText(const std::wstring& key, const wchar_t* name, HKEY root) {
  std::vector<wchar_t> value(32768);
  DWORD size = static_cast<DWORD>((value.size() - 1) * sizeof(wchar_t)), type = 0;
  if (::RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, &type,
                     value.data(), &size) != ERROR_SUCCESS) {
    return L"<missing>";
  }
  return value.data();
}

DWORD RegistryNumber(const std::wstring& key, const wchar_t* name) {
  DWORD value = 0, size = sizeof(value);
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
      ERROR_SUCCESS) {
    return 0;
  }
  return value;
}

bool KeyExists(const std::wstring& key) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  ::RegCloseKey(opened);
  return true;
}

std::vector<std::wstring> DeletedAtRestart() {
  std::vector<wchar_t> value(65536);
  DWORD size = static_cast<DWORD>((value.size() - 2) * sizeof(wchar_t));
  std::vector<std::wstring> out;
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                     L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, value.data(), &size) !=
      ERROR_SUCCESS) {
    return out;
  }
  // Pairs of strings: the path, then its new name (empty: deleted).
  std::vector<std::wstring> strings;
  const size_t count = size / sizeof(wchar_t);
  for (size_t at = 0; at < count;) {
    std::wstring text(value.data() + at);
    at += text.size() + 1;
    strings.push_back(text);
  }
  for (size_t i = 0; i + 1 < strings.size(); i += 2) {
    if (strings[i].empty() || !strings[i + 1].empty()) continue;
    std::wstring path = strings[i];
    if (path.rfind(L"\\??\\", 0) == 0) path = path.substr(4);
    out.push_back(path);
  }
  return out;
}

DWORD RunCommand(const std::wstring& commandLine) { return testing_ends::RunAndWait(commandLine, 120000); }

}  // namespace package_test
