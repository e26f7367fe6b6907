// Finding another process's windows from a test or tool.
#pragma once
#include <windows.h>

#include <cwchar>

namespace testing_ends {

namespace window_search {

struct Search {
  DWORD processId;
  bool dialogOnly;
  bool visibleOnly;
  HWND found;
};

// An EnumWindows callback (stdcall, so it cannot be a lambda on 32-bit).
inline BOOL CALLBACK Visit(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  if (pid != search->processId || ::GetWindow(window, GW_OWNER)) return TRUE;
  if (search->visibleOnly && !::IsWindowVisible(window)) return TRUE;
  if (search->dialogOnly) {
    wchar_t cls[16] = {};
    ::GetClassNameW(window, cls, 16);
    if (wcscmp(cls, L"#32770") != 0) return TRUE;
  }
  search->found = window;
  return FALSE;
}

}  // namespace window_search

// The first top-level, unowned window of process; with dialogOnly, only a
// dialog (class "#32770"); with visibleOnly, only a visible one. Null when
// there is none (yet).
inline HWND FindTopLevelWindow(DWORD processId, bool dialogOnly, bool visibleOnly) {
  window_search::Search search{processId, dialogOnly, visibleOnly, nullptr};
  ::EnumWindows(window_search::Visit, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace testing_ends
