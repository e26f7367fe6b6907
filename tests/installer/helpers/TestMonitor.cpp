// A minimal port monitor for the installation tests, built as
// "KorvelUSBMon.dll": it exports InitializePrintMonitor2, lists no ports and
// records every AddPortEx call under HKCU\Software\SpoolkitTestMonitor
// (value "AddPortEx" counts the calls, "LastPort" and "LastMonitor" hold the
// names of the last one).
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

namespace {

const wchar_t kRecordKey[] = L"Software\\SpoolkitTestMonitor";

BOOL WINAPI EnumPortsNone(HANDLE, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD needed, LPDWORD returned) {
  if (needed) *needed = 0;
  if (returned) *returned = 0;
  return TRUE;
}

BOOL WINAPI RecordAddPortEx(HANDLE, LPWSTR, DWORD level, LPBYTE buffer, LPWSTR monitorName) {
  const PORT_INFO_1W* info = reinterpret_cast<const PORT_INFO_1W*>(buffer);
  if (level != 1 || !info || !info->pName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kRecordKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return FALSE;
  }
  DWORD count = 0, size = sizeof(count);
  RegQueryValueExW(key, L"AddPortEx", nullptr, nullptr, reinterpret_cast<BYTE*>(&count), &size);
  ++count;
  RegSetValueExW(key, L"AddPortEx", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count),
                 sizeof(count));
  RegSetValueExW(key, L"LastPort", 0, REG_SZ, reinterpret_cast<const BYTE*>(info->pName),
                 static_cast<DWORD>((lstrlenW(info->pName) + 1) * sizeof(wchar_t)));
  const wchar_t* monitor = monitorName ? monitorName : L"";
  RegSetValueExW(key, L"LastMonitor", 0, REG_SZ, reinterpret_cast<const BYTE*>(monitor),
                 static_cast<DWORD>((lstrlenW(monitor) + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return TRUE;
}

MONITOR2 monitor = [] {
  MONITOR2 m{};
  m.cbSize = sizeof(MONITOR2);
  m.pfnEnumPorts = EnumPortsNone;
  m.pfnAddPortEx = RecordAddPortEx;
  return m;
}();

}  // namespace

extern "C" __declspec(dllexport) LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT,
                                                                            PHANDLE handle) {
  if (handle) *handle = reinterpret_cast<HANDLE>(&monitor);
  return &monitor;
}
