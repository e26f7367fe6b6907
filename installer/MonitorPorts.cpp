#include "installer/MonitorPorts.h"

#include <winspool.h>

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "installer/InstallLogic.h"
#include "installer/Log.h"
#include "installer/ProcessSwitches.h"
#include "installer/PrinterInstall.h"

namespace spoolkit {

namespace {

const wchar_t kMonitorDll[] = L"KorvelUSBMon.dll";
const wchar_t kMonitorUiDll[] = L"KorvelUSBMonUI.dll";

using AddPortExAFn = BOOL(WINAPI*)(LPSTR, DWORD, LPBYTE, LPSTR);
// Looked up once; "winspool.drv" then stays loaded for the life of the process.
AddPortExAFn addPortExA = nullptr;

DWORD copyPair(const wchar_t* programDir, const wchar_t* systemDir, const wchar_t* name) {
  wchar_t source[MAX_PATH] = {};
  wchar_t target[MAX_PATH] = {};
  if (!joinText(source, MAX_PATH, {programDir, name}) ||
      !joinText(target, MAX_PATH, {systemDir, L"\\", name})) {
    return ERROR_BUFFER_OVERFLOW;
  }
  return copyOverwriting(source, target);
}

bool systemDirectory(wchar_t* out) {
  UINT n = ::GetSystemDirectoryW(out, MAX_PATH);
  return n != 0 && n < MAX_PATH;
}

}  // namespace

DWORD copyOverwriting(const wchar_t* source, const wchar_t* target) {
  if (::CopyFileW(source, target, FALSE)) return 0;
  DWORD error = ::GetLastError();
  return error == ERROR_SHARING_VIOLATION ? 0 : error;
}

DWORD copyMonitorDlls(const wchar_t* programDir, bool is64BitSystem) {
  wchar_t sysDir[MAX_PATH] = {};
  if (!systemDirectory(sysDir)) return ::GetLastError() ? ::GetLastError() : ERROR_BUFFER_OVERFLOW;
  if (DWORD e = copyPair(programDir, sysDir, kMonitorUiDll)) return e;
  if (DWORD e = copyPair(programDir, sysDir, kMonitorDll)) return e;
  if (is64BitSystem) {
    // A 32-bit module's first pass lands in the 32-bit system directory; with
    // redirection off the same copy reaches the native one.
    Wow64RedirectionOff redirection;
    if (redirection.loaded() && systemDirectory(sysDir) &&
        copyPair(programDir, sysDir, kMonitorUiDll) == 0) {
      copyPair(programDir, sysDir, kMonitorDll);
    }
  }
  return 0;
}

bool registerMonitor(const wchar_t* portName, bool is64BitSystem) {
  wchar_t name[64] = {}, environment[32] = {}, dll[32] = {};
  copyText(name, 64, monitorNameFor(portName));
  copyText(environment, 32, environmentNameFor(is64BitSystem));
  copyText(dll, 32, kMonitorDll);
  MONITOR_INFO_2W info{};
  info.pName = name;
  info.pEnvironment = environment;
  info.pDLLName = dll;
  if (::AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&info))) return true;
  DWORD error = ::GetLastError();
  if (error == ERROR_PRINT_MONITOR_ALREADY_INSTALLED) return true;
  logError("PrinterInstall::addPortMonitor::addPortMonitor", error);
  return false;
}

bool addPort(const wchar_t* portName) {
  // Loaded once and deliberately kept for the life of the process, like the
  // spooler client itself; it is never released from DllMain.
  static HMODULE winspool = nullptr;
  if (!winspool) winspool = ::LoadLibraryW(L"winspool.drv");
  if (!winspool) return false;
  addPortExA = reinterpret_cast<AddPortExAFn>(
      reinterpret_cast<void*>(::GetProcAddress(winspool, "AddPortExA")));
  if (!addPortExA) {
    logError("PrinterInstall::addPort::addPort", ::GetLastError());
    return false;
  }
  char port[32] = {}, monitor[64] = {};
  joinText(port, sizeof(port), {spoolerPortNameFor(portName)});
  joinText(monitor, sizeof(monitor), {monitorNameForA(portName)});
  PORT_INFO_1A info{};
  info.pName = port;
  if (addPortExA(nullptr, 1, reinterpret_cast<LPBYTE>(&info), monitor)) return true;
  logError("PrinterInstall::addPort::addPort", ::GetLastError());
  return false;
}

int getMonitors(MonitorNameList* list) {
  if (!list) return 0;
  DWORD needed = 0, returned = 0;
  ::EnumMonitorsW(nullptr, 2, nullptr, 0, &needed, &returned);
  if (needed == 0) return 0;
  std::vector<BYTE> buffer;
  try {
    buffer.resize(needed);
  } catch (...) {
    return 0;
  }
  if (!::EnumMonitorsW(nullptr, 2, buffer.data(), needed, &needed, &returned)) returned = 0;
  const auto* monitors = reinterpret_cast<const MONITOR_INFO_2W*>(buffer.data());
  for (DWORD i = 0; i < returned && list->count < 8; ++i) {
    const wchar_t* name = monitors[i].pName;
    if (!monitorQualifies(name)) continue;
    if (copyText(list->names[list->count], 260, name)) ++list->count;
  }
  return 1;
}

PORT_INFO_2W* enumPrinterPorts(DWORD* count) {
  DWORD needed = 0, returned = 0;
  ::EnumPortsW(nullptr, 2, nullptr, 0, &needed, &returned);
  if (needed == 0) {
    if (count) *count = 0;
    return nullptr;
  }
  std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[needed]);
  if (!block) return nullptr;
  returned = 0;
  if (!::EnumPortsW(nullptr, 2, block.get(), needed, &needed, &returned) || returned == 0) {
    if (count) *count = 0;
    return nullptr;
  }
  if (count) *count = returned;
  // Handed to the caller, who gives it back through DeletePointer.
  return reinterpret_cast<PORT_INFO_2W*>(block.release());
}

void deletePointer(void* block) { delete[] static_cast<BYTE*>(block); }

DWORD PrinterInstall::copyMonitorFiles() { return copyMonitorDlls(exeDir_, is64BitSystem_); }

bool PrinterInstall::addPortMonitor() { return registerMonitor(portName_, is64BitSystem_); }

}  // namespace spoolkit
