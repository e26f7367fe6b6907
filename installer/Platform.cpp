#include "installer/Platform.h"

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

bool _SetPrivilege(HANDLE token, const wchar_t* privilege, bool enable) {
  LUID luid{};
  if (!::LookupPrivilegeValueW(nullptr, privilege, &luid)) return false;
  TOKEN_PRIVILEGES tp{};
  tp.PrivilegeCount = 1;
  tp.Privileges[0].Luid = luid;
  tp.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : SE_PRIVILEGE_REMOVED;
  return ::AdjustTokenPrivileges(token, FALSE, &tp, sizeof(tp), nullptr, nullptr) != FALSE;
}

Wow64RedirectionOff::Wow64RedirectionOff() : module_(::LoadLibraryW(L"Kernel32.dll")) {
  if (!module_.get()) return;
  using DisableFn = BOOL(WINAPI*)(PVOID*);
  auto disable = reinterpret_cast<DisableFn>(reinterpret_cast<void*>(
      ::GetProcAddress(module_.get(), "Wow64DisableWow64FsRedirection")));
  revert_ = reinterpret_cast<BOOL(WINAPI*)(PVOID)>(reinterpret_cast<void*>(
      ::GetProcAddress(module_.get(), "Wow64RevertWow64FsRedirection")));
  if (disable && revert_) disabled_ = disable(&OldValue) != FALSE;
}

Wow64RedirectionOff::~Wow64RedirectionOff() {
  if (disabled_ && revert_) revert_(OldValue);
}

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
