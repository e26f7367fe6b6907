// Real keystrokes for window tests: SendInput puts them into the input
// queue of the foreground window's thread (also under Wine's headless
// driver), the way a user's keys arrive. Helpers read where the keyboard
// focus went, in this process or in another one.
#pragma once
#include <windows.h>

#include <initializer_list>
#include <vector>

namespace testing_ends {

// Presses key while the keys in held (VK_CONTROL, VK_SHIFT, VK_MENU) are
// down, then lets all of them go again.
inline void PressKey(WORD key, std::initializer_list<WORD> held = {}) {
  std::vector<INPUT> inputs;
  auto add = [&inputs](WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    if (vk == VK_NEXT || vk == VK_PRIOR) input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
    inputs.push_back(input);
  };
  for (WORD modifier : held) add(modifier, false);
  add(key, false);
  add(key, true);
  for (auto it = held.end(); it != held.begin();) add(*--it, true);
  ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// Types the characters of text that have keys of their own (digits, '.',
// letters) as key presses.
inline void TypeKeys(const wchar_t* text) {
  for (const wchar_t* c = text; *c != L'\0'; ++c) {
    const SHORT key = ::VkKeyScanW(*c);
    if (key == -1) continue;
    if (key & 0x100) {
      PressKey(static_cast<WORD>(key & 0xFF), {VK_SHIFT});
    } else {
      PressKey(static_cast<WORD>(key & 0xFF));
    }
  }
}

// The window with the keyboard focus in thread's input (another process's
// thread too); null when none.
inline HWND FocusOfThread(DWORD thread) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  return ::GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

// Waits up to timeoutMs for the focus in thread's input to leave from;
// returns where it is then.
inline HWND WaitForFocusToLeave(DWORD thread, HWND from, DWORD timeoutMs = 3000) {
  const DWORD start = ::GetTickCount();
  HWND focus = FocusOfThread(thread);
  while (focus == from && ::GetTickCount() - start < timeoutMs) {
    ::Sleep(5);
    focus = FocusOfThread(thread);
  }
  return focus;
}

// Brings window (of any process) to the front, so the keys go to it.
inline bool BringToFront(HWND window) {
  for (int i = 0; i < 100; ++i) {
    ::SetForegroundWindow(window);
    if (::GetForegroundWindow() == window) return true;
    ::Sleep(20);
  }
  return false;
}

}  // namespace testing_ends
