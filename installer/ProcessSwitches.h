// Switches of this process's own state used during an installation: a
// privilege of its token and WOW64 file-system redirection.
#pragma once
#include <windows.h>

#include "installer/Owners.h"

namespace spoolkit {

// Enables (or removes) a privilege of the token; true when both the lookup
// and the adjustment succeeded.
bool _SetPrivilege(HANDLE token, const wchar_t* privilege, bool enable);

// Turns WOW64 file-system redirection off for its lifetime (when the system
// offers the switch) and restores it on destruction.
class Wow64RedirectionOff {
 public:
  Wow64RedirectionOff();
  ~Wow64RedirectionOff();
  Wow64RedirectionOff(const Wow64RedirectionOff&) = delete;
  Wow64RedirectionOff& operator=(const Wow64RedirectionOff&) = delete;
  // False when "Kernel32.dll" could not be loaded.
  bool loaded() const { return module_.valid(); }

 private:
  UniqueModule module_;
  BOOL(WINAPI* revert_)(PVOID) = nullptr;
  PVOID OldValue = nullptr;
  bool disabled_ = false;
};

}  // namespace spoolkit
