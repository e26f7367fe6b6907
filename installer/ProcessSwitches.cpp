#include "installer/ProcessSwitches.h"

namespace spoolkit {

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
  if (!module_.valid()) return;
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

}  // namespace spoolkit
