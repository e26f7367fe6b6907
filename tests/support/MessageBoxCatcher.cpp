#include "tests/support/MessageBoxCatcher.h"

#include <algorithm>

namespace {
thread_local MessageBoxCatcher* g_catcher = nullptr;
thread_local DialogCloser* g_closer = nullptr;

bool IsDialogClass(HWND window) {
  wchar_t cls[16] = {};
  ::GetClassNameW(window, cls, 16);
  return wcscmp(cls, L"#32770") == 0;
}

// A message box has the text static 0xFFFF and no other child dialog
// controls of its own besides buttons and the icon.
bool IsMessageBox(HWND window) {
  if (!IsDialogClass(window)) return false;
  HWND text = ::GetDlgItem(window, 0xFFFF);
  if (!text) return false;
  // Wine's and Windows' boxes have no edit or combo box.
  HWND child = ::GetWindow(window, GW_CHILD);
  while (child) {
    wchar_t cls[32] = {};
    ::GetClassNameW(child, cls, 32);
    if (_wcsicmp(cls, L"Edit") == 0 || _wcsicmp(cls, L"ComboBox") == 0) return false;
    child = ::GetWindow(child, GW_HWNDNEXT);
  }
  return true;
}
}  // namespace

MessageBoxCatcher::MessageBoxCatcher(int answer) : answer_(answer) {
  previous_ = g_catcher;
  g_catcher = this;
  hook_ = ::SetWindowsHookExW(WH_CBT, Hook, nullptr, ::GetCurrentThreadId());
}

MessageBoxCatcher::~MessageBoxCatcher() {
  if (hook_) ::UnhookWindowsHookEx(hook_);
  g_catcher = previous_;
}

LRESULT CALLBACK MessageBoxCatcher::Hook(int code, WPARAM wParam, LPARAM lParam) {
  MessageBoxCatcher* self = g_catcher;
  if (code == HCBT_ACTIVATE && self) {
    HWND window = reinterpret_cast<HWND>(wParam);
    if (IsMessageBox(window) && !::GetPropW(window, L"SwCaught")) {
      ::SetPropW(window, L"SwCaught", reinterpret_cast<HANDLE>(1));
      CaughtBox box;
      wchar_t text[2048] = {};
      ::GetDlgItemTextW(window, 0xFFFF, text, 2048);
      box.text = text;
      wchar_t caption[512] = {};
      ::GetWindowTextW(window, caption, 512);
      box.caption = caption;
      box.owner = ::GetWindow(window, GW_OWNER);
      self->boxes_.push_back(box);
      ::PostMessageW(window, WM_COMMAND, self->answer_, 0);
    }
  }
  return ::CallNextHookEx(self ? self->hook_ : nullptr, code, wParam, lParam);
}

DialogCloser::DialogCloser(const wchar_t* captionPrefix, int closeId, Callback onOpen,
                           void* context)
    : prefix_(captionPrefix), closeId_(closeId), onOpen_(onOpen), context_(context) {
  previous_ = g_closer;
  g_closer = this;
  hook_ = ::SetWindowsHookExW(WH_CBT, Hook, nullptr, ::GetCurrentThreadId());
}

void CALLBACK DialogCloser::Act(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  DialogCloser* self = g_closer;
  if (!self || !self->pending_) return;
  HWND window = self->pending_;
  self->pending_ = nullptr;
  if (!::IsWindow(window)) return;
  if (self->onOpen_) self->onOpen_(window, self->context_);
  ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(self->closeId_, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(window, self->closeId_)));
}

DialogCloser::~DialogCloser() {
  if (hook_) ::UnhookWindowsHookEx(hook_);
  g_closer = previous_;
}

LRESULT CALLBACK DialogCloser::Hook(int code, WPARAM wParam, LPARAM lParam) {
  DialogCloser* self = g_closer;
  if (code == HCBT_ACTIVATE && self) {
    HWND window = reinterpret_cast<HWND>(wParam);
    if (IsDialogClass(window) && !IsMessageBox(window) &&
        std::find(self->handled_.begin(), self->handled_.end(), window) == self->handled_.end()) {
      wchar_t caption[512] = {};
      ::GetWindowTextW(window, caption, 512);
      std::wstring text(caption);
      if (text.compare(0, self->prefix_.size(), self->prefix_) == 0) {
        self->handled_.push_back(window);
        self->seen_.push_back(text);
        // A dialog may activate itself while it initialises; act once its
        // modal loop runs.
        self->pending_ = window;
        ::SetTimer(nullptr, 0, 20, &DialogCloser::Act);
      }
    }
  }
  return ::CallNextHookEx(self ? self->hook_ : nullptr, code, wParam, lParam);
}
