// The USB port monitor and ports: monitor copy and registration, adding the
// port, and the exported monitor and port services.
#pragma once
#include <windows.h>
#include <winspool.h>

#include <cstdint>

namespace spoolkit {

// Eight name slots and the count of the slots in use, as the caller lays it out.
struct MonitorNameList {
  wchar_t names[8][260];
  uint32_t count;
};

// Copies source over target; 0 on success (also when the target is in use,
// error 32), else the system error code.
DWORD copyOverwriting(const wchar_t* source, const wchar_t* target);
// The two monitor DLLs from programDir (ending with a backslash) into the
// system directory; on a 64-bit system a second pass with WOW64 redirection off.
DWORD copyMonitorDlls(const wchar_t* programDir, bool is64BitSystem);
// Registers the monitor chosen by portName; true also when already installed.
bool registerMonitor(const wchar_t* portName, bool is64BitSystem);
// Adds the port through "AddPortExA" of "winspool.drv".
bool addPort(const wchar_t* portName);

int getMonitors(MonitorNameList* list);
PORT_INFO_2W* enumPrinterPorts(DWORD* count);
void deletePointer(void* block);

}  // namespace spoolkit
