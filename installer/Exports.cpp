// Spoolkit.dll: the entry point and the ten exported functions an installer
// calls through GetProcAddress. Every export is WINAPI and is exported under
// its plain name (see Spoolkit.def / Spoolkit64.def).
#include <windows.h>
#include <winspool.h>

#include "installer/Log.h"
#include "installer/MonitorPorts.h"
#include "installer/PrinterInstall.h"
#include "installer/Registry.h"
#include "installer/SerialConfig.h"
#include "installer/UsbQuery.h"

using spoolkit::DriverInstallInfo;
using spoolkit::MonitorNameList;

namespace {
// No C++ exception leaves the library: an export that meets one (only an
// allocation failure can raise one) returns its failure value instead.
template <typename Result, typename Body>
Result guarded(Result onFailure, Body body) {
  try {
    return body();
  } catch (...) {
    return onFailure;
  }
}
}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) ::DisableThreadLibraryCalls(instance);
  return TRUE;
}

extern "C" {

int WINAPI InstallDriver(const DriverInstallInfo* info, const wchar_t* printerName,
                         const wchar_t* portName, const wchar_t* hardwareId) {
  return guarded<int>(spoolkit::kInstallFailed, [&] {
    spoolkit::logLine("InstallDriver::Enter");
    spoolkit::PrinterInstall install(info, printerName, portName, hardwareId);
    return install.doInstall();
  });
}

BOOL WINAPI KVAddPort(LPWSTR serverName, HWND window, LPWSTR monitorName) {
  return ::AddPortW(serverName, window, monitorName);
}

int WINAPI GetMonitors(MonitorNameList* list) {
  return guarded<int>(0, [&] { return spoolkit::getMonitors(list); });
}

PORT_INFO_2W* WINAPI EnumPrinterPorts(DWORD* count) {
  return guarded<PORT_INFO_2W*>(nullptr, [&] { return spoolkit::enumPrinterPorts(count); });
}

void WINAPI DeletePointer(void* block) { spoolkit::deletePointer(block); }

int WINAPI GetPrinterName(wchar_t* name) {
  return guarded<int>(spoolkit::kUsbNoDevice, [&] { return spoolkit::GetPrinterName(name); });
}

int WINAPI ConfigCOM(const wchar_t* portName) {
  return guarded<int>(0, [&] { return spoolkit::configCom(portName); });
}

int WINAPI SetRegStr(const wchar_t* keyPath, const wchar_t* valueName, const wchar_t* data) {
  return spoolkit::setRegStr(keyPath, valueName, data);
}

int WINAPI GetRegStr(const wchar_t* keyPath, const wchar_t* valueName, wchar_t* buffer) {
  return spoolkit::getRegStr(keyPath, valueName, buffer);
}

void WINAPI WriteLog(const char* text, int length) {
  spoolkit::WriteLog2File(text, length > 0 ? static_cast<size_t>(length) : 0);
}

}  // extern "C"
