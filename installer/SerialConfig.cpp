#include "installer/SerialConfig.h"

#include <windows.h>

#include "installer/InstallLogic.h"

namespace spoolkit {

int configCom(const wchar_t* portName) {
  wchar_t port[32] = {};
  if (!portWithoutColon(portName, port, 32) || !port[0]) return 0;
  COMMCONFIG config{};
  config.dwSize = sizeof(COMMCONFIG);
  config.wVersion = 0x100;
  // The record's own size field is the in/out size: it then holds the size
  // the system reported, which is the size stored back below.
  if (!::GetDefaultCommConfigW(port, &config, &config.dwSize)) return 0;
  // Cancel leaves the defaults just read in the record; they are written back.
  ::CommConfigDialogW(port, nullptr, &config);
  DWORD storeSize = config.dwSize;
  if (storeSize == 0 || storeSize > sizeof(COMMCONFIG)) storeSize = sizeof(COMMCONFIG);
  return ::SetDefaultCommConfigW(port, &config, storeSize) ? 1 : 0;
}

}  // namespace spoolkit
