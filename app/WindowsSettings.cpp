// String values of the system's "Windows" settings key, where the parallel
// ports' transmission retry timeout lives.
#include "app/WindowsSettings.h"

#include <cstring>
#include <cwchar>

#include "common/UniqueResource.h"

namespace {

constexpr wchar_t kWindowsKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows";

}  // namespace

int ReadWindowsString(const wchar_t* valueName, wchar_t* buffer) {
  UniqueRegistryKey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kWindowsKey, 0, KEY_READ | KEY_WRITE, key.Out()) !=
      ERROR_SUCCESS) {
    return 0;
  }
  // Read into a private buffer first, so the caller's always ends terminated.
  wchar_t value[261] = {};
  DWORD type = 0;
  DWORD size = 260 * sizeof(wchar_t);
  if (::RegQueryValueExW(key.Get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(value),
                         &size) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ)) {
    value[260] = L'\0';
    size_t chars = size / sizeof(wchar_t);
    if (chars > 259) chars = 259;
    value[chars] = L'\0';
    std::memset(buffer, 0, 260 * sizeof(wchar_t));
    wcsncpy(buffer, value, 259);
  }
  return 1;
}

int WriteWindowsString(const wchar_t* valueName, const wchar_t* text) {
  UniqueRegistryKey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kWindowsKey, 0, KEY_READ | KEY_WRITE, key.Out()) !=
      ERROR_SUCCESS) {
    return 0;
  }
  DWORD bytes = static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
  ::RegSetValueExW(key.Get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes);
  return 1;
}
