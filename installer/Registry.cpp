#include "installer/Registry.h"

#include <windows.h>

#include <cwchar>

#include "installer/Owners.h"

namespace spoolkit {

namespace {
constexpr REGSAM kAccess = KEY_READ | KEY_WRITE;  // 0x2001F
constexpr DWORD kBufferChars = 260;

bool openKey(const wchar_t* keyPath, UniqueKey& key) {
  if (!keyPath) return false;
  return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, kAccess, key.out()) == ERROR_SUCCESS;
}
}  // namespace

int setRegStr(const wchar_t* keyPath, const wchar_t* valueName, const wchar_t* data) {
  UniqueKey key;
  if (!openKey(keyPath, key)) return 0;
  if (data) {
    size_t chars = std::wcslen(data) + 1;
    if (chars * sizeof(wchar_t) <= MAXDWORD) {
      ::RegSetValueExW(key.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                       static_cast<DWORD>(chars * sizeof(wchar_t)));
    }
  }
  return 1;
}

int getRegStr(const wchar_t* keyPath, const wchar_t* valueName, wchar_t* buffer) {
  UniqueKey key;
  if (!openKey(keyPath, key)) return 0;
  if (!buffer) return 1;
  // Read into a private buffer first, so that the caller's buffer is only
  // written with a terminated string.
  wchar_t value[kBufferChars + 1] = {};
  DWORD type = 0;
  DWORD bytes = kBufferChars * sizeof(wchar_t);
  LONG rc = ::RegQueryValueExW(key.get(), valueName, nullptr, &type,
                               reinterpret_cast<BYTE*>(value), &bytes);
  if (rc == ERROR_FILE_NOT_FOUND) return 1;  // missing value: buffer untouched
  if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
    buffer[0] = 0;
    return 1;
  }
  size_t chars = bytes / sizeof(wchar_t);
  if (chars > 0 && value[chars - 1] == 0) --chars;  // stored terminator
  if (chars >= kBufferChars) {                       // no room for the terminator
    buffer[0] = 0;
    return 1;
  }
  wmemcpy(buffer, value, chars);
  buffer[chars] = 0;
  return 1;
}

}  // namespace spoolkit
