#include "framework/Framework.h"

#include <algorithm>
#include <new>

CAppModule _Module;

HINSTANCE ResourceInstance() {
  HINSTANCE instance = _Module.GetResourceInstance();
  return instance ? instance : ::GetModuleHandleW(nullptr);
}

// ---------------------------------------------------------------------------
// Message loop.

BOOL CMessageLoop::AddMessageFilter(CMessageFilter* filter) {
  filters_.push_back(filter);
  return TRUE;
}

BOOL CMessageLoop::RemoveMessageFilter(CMessageFilter* filter) {
  auto it = std::find(filters_.begin(), filters_.end(), filter);
  if (it == filters_.end()) return FALSE;
  filters_.erase(it);
  return TRUE;
}

BOOL CMessageLoop::AddIdleHandler(CIdleHandler* handler) {
  idleHandlers_.push_back(handler);
  return TRUE;
}

BOOL CMessageLoop::RemoveIdleHandler(CIdleHandler* handler) {
  auto it = std::find(idleHandlers_.begin(), idleHandlers_.end(), handler);
  if (it == idleHandlers_.end()) return FALSE;
  idleHandlers_.erase(it);
  return TRUE;
}

BOOL CMessageLoop::IsIdleMessage(const MSG* msg) {
  switch (msg->message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
    case WM_PAINT:
    case 0x0118:  // system timer (caret blink)
      return FALSE;
  }
  return TRUE;
}

BOOL CMessageLoop::OnIdle(int idleCount) {
  (void)idleCount;
  BOOL more = FALSE;
  // Copy: a handler may remove itself while being called.
  std::vector<CIdleHandler*> handlers = idleHandlers_;
  for (CIdleHandler* handler : handlers) {
    if (handler && handler->OnIdle()) more = TRUE;
  }
  return more;
}

BOOL CMessageLoop::PreTranslateMessage(MSG* msg) {
  // Last registered filter first.
  std::vector<CMessageFilter*> filters = filters_;
  for (auto it = filters.rbegin(); it != filters.rend(); ++it) {
    if (*it && (*it)->PreTranslateMessage(msg)) return TRUE;
  }
  return FALSE;
}

int CMessageLoop::Run() {
  BOOL doIdle = TRUE;
  int idleCount = 0;
  for (;;) {
    while (doIdle && !::PeekMessageW(&msg_, nullptr, 0, 0, PM_NOREMOVE)) {
      if (!OnIdle(idleCount++)) doIdle = FALSE;
    }
    BOOL ret = ::GetMessageW(&msg_, nullptr, 0, 0);
    if (ret == -1) continue;  // retrieval error: go on
    if (!ret) break;          // WM_QUIT
    if (!PreTranslateMessage(&msg_)) {
      ::TranslateMessage(&msg_);
      ::DispatchMessageW(&msg_);
    }
    if (IsIdleMessage(&msg_)) {
      doIdle = TRUE;
      idleCount = 0;
    }
  }
  return static_cast<int>(msg_.wParam);
}

// ---------------------------------------------------------------------------
// Module.

HRESULT CComModule::Init(void*, HINSTANCE instance, const void*) {
  instance_ = instance;
  mainThreadId_ = ::GetCurrentThreadId();
  if (!lockReady_) {
    ::InitializeCriticalSection(&lock_);
    lockReady_ = true;
  }
  return S_OK;
}

void CComModule::Term() {
  if (lockReady_) {
    ::DeleteCriticalSection(&lock_);
    lockReady_ = false;
  }
  instance_ = nullptr;
}

HRESULT CAppModule::Init(void* objectMap, HINSTANCE instance, const void* libId) {
  HRESULT hr = CComModule::Init(objectMap, instance, libId);
  loops_ = new (std::nothrow) std::map<DWORD, CMessageLoop*>();
  if (!loops_) return E_OUTOFMEMORY;
  return hr;
}

void CAppModule::Term() {
  delete loops_;
  loops_ = nullptr;
  CComModule::Term();
}

BOOL CAppModule::AddMessageLoop(CMessageLoop* loop) {
  if (!loops_ || !lockReady_) return FALSE;
  ::EnterCriticalSection(&lock_);
  BOOL added = loops_->emplace(::GetCurrentThreadId(), loop).second;
  ::LeaveCriticalSection(&lock_);
  return added;
}

BOOL CAppModule::RemoveMessageLoop() {
  if (!loops_ || !lockReady_) return FALSE;
  ::EnterCriticalSection(&lock_);
  BOOL removed = loops_->erase(::GetCurrentThreadId()) != 0;
  ::LeaveCriticalSection(&lock_);
  return removed;
}

CMessageLoop* CAppModule::GetMessageLoop(DWORD threadId) {
  if (!loops_ || !lockReady_) return nullptr;
  ::EnterCriticalSection(&lock_);
  auto it = loops_->find(threadId);
  CMessageLoop* loop = it == loops_->end() ? nullptr : it->second;
  ::LeaveCriticalSection(&lock_);
  return loop;
}

// ---------------------------------------------------------------------------
// Dialogs.

BOOL CDialogBase::DestroyWindow() {
  if (!m_hWnd) return FALSE;
  return ::DestroyWindow(m_hWnd);
}

void CDialogBase::CenterWindow(HWND reference) const {
  RECT self{};
  ::GetWindowRect(m_hWnd, &self);
  RECT area{};
  if (!reference) reference = ::GetParent(m_hWnd);
  if (reference && (::GetWindowLongW(m_hWnd, GWL_STYLE) & WS_CHILD)) {
    ::GetClientRect(reference, &area);
  } else if (reference) {
    ::GetWindowRect(reference, &area);
  } else {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    HMONITOR monitor = ::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST);
    if (monitor && ::GetMonitorInfoW(monitor, &info)) {
      area = info.rcWork;
    } else {
      ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    }
  }
  int width = self.right - self.left;
  int height = self.bottom - self.top;
  int x = area.left + ((area.right - area.left) - width) / 2;
  int y = area.top + ((area.bottom - area.top) - height) / 2;
  if (!(::GetWindowLongW(m_hWnd, GWL_STYLE) & WS_CHILD)) {
    if (x < area.left) x = area.left;
    if (y < area.top) y = area.top;
  } else {
    if (x < 0) x = 0;
    if (y < 0) y = 0;
  }
  ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {
struct CreateContext {
  CDialogBase* dialog;
  LPARAM initParam;
};
}  // namespace

INT_PTR CALLBACK CDialogBase::DialogProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CDialogBase* self = nullptr;
  if (msg == WM_INITDIALOG) {
    auto* context = reinterpret_cast<CreateContext*>(lParam);
    self = context->dialog;
    self->m_hWnd = hWnd;
    ::SetWindowLongPtrW(hWnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    lParam = context->initParam;
  } else {
    self = reinterpret_cast<CDialogBase*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
  }
  if (!self) return FALSE;

  LRESULT result = 0;
  BOOL handled = self->ProcessWindowMessage(hWnd, msg, wParam, lParam, result);

  if (msg == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hWnd, DWLP_USER, 0);
    self->m_hWnd = nullptr;
    self->OnFinalMessage(hWnd);
    return handled ? TRUE : FALSE;
  }
  if (!handled) return FALSE;
  switch (msg) {
    // Messages whose result is the dialog procedure's return value.
    case WM_INITDIALOG:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return static_cast<INT_PTR>(result);
  }
  ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, result);
  return TRUE;
}

HWND CDialogBase::CreateFromTemplate(int templateId, HWND parent, LPARAM initParam) {
  CreateContext context{this, initParam};
  modal_ = false;
  HWND hWnd = ::CreateDialogParamW(ResourceInstance(), MAKEINTRESOURCEW(templateId), parent,
                                   DialogProc, reinterpret_cast<LPARAM>(&context));
  if (!hWnd) m_hWnd = nullptr;
  return hWnd;
}

INT_PTR CDialogBase::ModalFromTemplate(int templateId, HWND parent, LPARAM initParam) {
  CreateContext context{this, initParam};
  modal_ = true;
  return ::DialogBoxParamW(ResourceInstance(), MAKEINTRESOURCEW(templateId), parent, DialogProc,
                           reinterpret_cast<LPARAM>(&context));
}
