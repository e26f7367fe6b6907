// Finding another process's windows from a test or tool.
#pragma once
#include <windows.h>

#include <cwchar>

namespace testing_ends {

// The first top-level, unowned window of process; with dialogOnly, only a
// dialog (class "#32770"); with visibleOnly, only a visible one. Null when
// there is none (yet).
inline HWND FindTopLevelWindow(DWORD processId, bool dialogOnly, bool visibleOnly) {
  struct Search {
    DWORD processId;
    bool dialogOnly;
    bool visibleOnly;
    HWND found;
  } search{processId, dialogOnly, visibleOnly, nullptr};
  ::EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(window, &pid);
        if (pid != s->processId || ::GetWindow(window, GW_OWNER)) return TRUE;
        if (s->visibleOnly && !::IsWindowVisible(window)) return TRUE;
        if (s->dialogOnly) {
          wchar_t cls[16] = {};
          ::GetClassNameW(window, cls, 16);
          if (wcscmp(cls, L"#32770") != 0) return TRUE;
        }
        s->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace testing_ends
