#include "installer/SystemProbes.h"

#include <windows.h>

#include "installer/InstallLogic.h"

namespace spoolkit {

bool is64BitSystem() {
  SYSTEM_INFO info{};
  using NativeInfoFn = void(WINAPI*)(LPSYSTEM_INFO);
  HMODULE kernel = ::GetModuleHandleW(L"kernel32");
  auto native = kernel ? reinterpret_cast<NativeInfoFn>(
                             reinterpret_cast<void*>(::GetProcAddress(kernel, "GetNativeSystemInfo")))
                       : nullptr;
  if (native) {
    native(&info);
  } else {
    ::GetSystemInfo(&info);
  }
  return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
         info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
}

const wchar_t* environmentName() { return environmentNameFor(is64BitSystem()); }

bool isChineseSystem() { return ::GetSystemDefaultLangID() == 2052; }

bool programDirectory(wchar_t* out, size_t cap) {
  if (!out || cap == 0) return false;
  out[0] = 0;
  wchar_t path[MAX_PATH] = {};
  DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return false;  // failed or cut short (over 259 characters)
  path[n] = 0;
  return directoryOf(path, out, cap);
}

}  // namespace spoolkit
