// A small dialog framework: a module object that maps threads to their
// message loops, a message loop with message filters and idle handlers, and
// dialog classes whose message handling reads as a table (BEGIN_MSG_MAP).
#pragma once
#include <windows.h>
#include <map>
#include <vector>

class CMessageFilter {
 public:
  virtual ~CMessageFilter() = default;
  // Returns TRUE when the message was handled and must not be dispatched.
  virtual BOOL PreTranslateMessage(MSG* msg) = 0;
};

class CIdleHandler {
 public:
  virtual ~CIdleHandler() = default;
  // Returns TRUE to ask for another idle pass.
  virtual BOOL OnIdle() = 0;
};

class CMessageLoop {
 public:
  BOOL AddMessageFilter(CMessageFilter* filter);
  BOOL RemoveMessageFilter(CMessageFilter* filter);
  BOOL AddIdleHandler(CIdleHandler* handler);
  BOOL RemoveIdleHandler(CIdleHandler* handler);

  // Runs until WM_QUIT; returns its wParam.
  int Run();

  static BOOL IsIdleMessage(const MSG* msg);

 private:
  BOOL OnIdle(int idleCount);
  BOOL PreTranslateMessage(MSG* msg);

  std::vector<CMessageFilter*> filters_;
  std::vector<CIdleHandler*> idleHandlers_;
  MSG msg_{};
};

// The program's module: instance handle, main thread and the loops per thread.
class CComModule {
 public:
  HRESULT Init(void* objectMap, HINSTANCE instance, const void* libId = nullptr);
  void Term();
  HINSTANCE GetModuleInstance() const { return instance_; }
  HINSTANCE GetResourceInstance() const { return instance_; }
  DWORD MainThreadId() const { return mainThreadId_; }

 protected:
  HINSTANCE instance_ = nullptr;
  DWORD mainThreadId_ = 0;
  CRITICAL_SECTION lock_{};
  bool lockReady_ = false;
};

class CAppModule : public CComModule {
 public:
  HRESULT Init(void* objectMap, HINSTANCE instance, const void* libId = nullptr);
  void Term();
  BOOL AddMessageLoop(CMessageLoop* loop);
  BOOL RemoveMessageLoop();
  CMessageLoop* GetMessageLoop(DWORD threadId = ::GetCurrentThreadId());

 private:
  std::map<DWORD, CMessageLoop*>* loops_ = nullptr;
};

extern CAppModule _Module;

// Instance that holds the dialog templates: the module's, or the process
// image when no module was initialised (tests create dialogs directly).
HINSTANCE ResourceInstance();

// ---------------------------------------------------------------------------
// Message maps.

#define BEGIN_MSG_MAP(theClass)                                                           \
 public:                                                                                  \
  BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,           \
                            LRESULT& lResult) override {                                  \
    BOOL bHandled = TRUE;                                                                 \
    (void)hWnd;                                                                           \
    (void)bHandled;

#define MESSAGE_HANDLER(msg, func)                                                        \
  if (uMsg == (msg)) {                                                                    \
    bHandled = TRUE;                                                                      \
    lResult = func(uMsg, wParam, lParam, bHandled);                                       \
    if (bHandled) return TRUE;                                                            \
  }

#define COMMAND_ID_HANDLER(id, func)                                                      \
  if (uMsg == WM_COMMAND && LOWORD(wParam) == (id)) {                                     \
    bHandled = TRUE;                                                                      \
    lResult = func(HIWORD(wParam), LOWORD(wParam), (HWND)lParam, bHandled);               \
    if (bHandled) return TRUE;                                                            \
  }

#define COMMAND_HANDLER(id, code, func)                                                   \
  if (uMsg == WM_COMMAND && LOWORD(wParam) == (id) && HIWORD(wParam) == (code)) {         \
    bHandled = TRUE;                                                                      \
    lResult = func(HIWORD(wParam), LOWORD(wParam), (HWND)lParam, bHandled);               \
    if (bHandled) return TRUE;                                                            \
  }

#define NOTIFY_HANDLER(id, cd, func)                                                      \
  if (uMsg == WM_NOTIFY && ((LPNMHDR)lParam)->idFrom == (UINT_PTR)(id) &&                  \
      ((LPNMHDR)lParam)->code == (UINT)(cd)) {                                            \
    bHandled = TRUE;                                                                      \
    lResult = func((int)wParam, (LPNMHDR)lParam, bHandled);                               \
    if (bHandled) return TRUE;                                                            \
  }

// Typed handlers, with the message's parameters already unpacked.
// BOOL func(HWND focus, LPARAM initParam): the result of WM_INITDIALOG.
#define MSG_WM_INITDIALOG(func)                                                           \
  if (uMsg == WM_INITDIALOG) {                                                            \
    lResult = func((HWND)wParam, lParam);                                                 \
    return TRUE;                                                                          \
  }

// void func(UINT notifyCode, int id, HWND control) for a command of control id.
#define COMMAND_ID_HANDLER_EX(id, func)                                                   \
  if (uMsg == WM_COMMAND && LOWORD(wParam) == (id)) {                                     \
    func((UINT)HIWORD(wParam), (int)LOWORD(wParam), (HWND)lParam);                        \
    lResult = 0;                                                                          \
    return TRUE;                                                                          \
  }

// The same for one notification code of control id.
#define COMMAND_HANDLER_EX(id, code, func)                                                \
  if (uMsg == WM_COMMAND && LOWORD(wParam) == (id) && HIWORD(wParam) == (code)) {         \
    func((UINT)HIWORD(wParam), (int)LOWORD(wParam), (HWND)lParam);                        \
    lResult = 0;                                                                          \
    return TRUE;                                                                          \
  }

// LRESULT func(UINT msg, WPARAM wParam, LPARAM lParam) for one message.
#define MESSAGE_HANDLER_EX(msg, func)                                                     \
  if (uMsg == (msg)) {                                                                    \
    lResult = func(uMsg, wParam, lParam);                                                 \
    return TRUE;                                                                          \
  }

// LRESULT func(LPNMHDR header) for one notification code of control id.
#define NOTIFY_HANDLER_EX(id, cd, func)                                                   \
  if (uMsg == WM_NOTIFY && ((LPNMHDR)lParam)->idFrom == (UINT_PTR)(id) &&                  \
      ((LPNMHDR)lParam)->code == (UINT)(cd)) {                                            \
    lResult = func((LPNMHDR)lParam);                                                      \
    return TRUE;                                                                          \
  }

// void func(): the window is being destroyed.
#define MSG_WM_DESTROY(func)                                                              \
  if (uMsg == WM_DESTROY) {                                                               \
    func();                                                                               \
    lResult = 0;                                                                          \
    return TRUE;                                                                          \
  }

// BOOL func(UINT event, DWORD_PTR data) for WM_DEVICECHANGE.
#define MSG_WM_DEVICECHANGE(func)                                                         \
  if (uMsg == WM_DEVICECHANGE) {                                                          \
    lResult = (LRESULT)func((UINT)wParam, (DWORD_PTR)lParam);                             \
    return TRUE;                                                                          \
  }

// void func(UINT dpi, const RECT* suggested) for WM_DPICHANGED: the window's
// new DPI and the window rectangle the system suggests for it. The message
// then goes on to the dialog manager, which scales the dialog where the
// system does that.
#define MSG_WM_DPICHANGED(func)                                                           \
  if (uMsg == 0x02E0 /* WM_DPICHANGED */) {                                               \
    func((UINT)LOWORD(wParam), (const RECT*)lParam);                                      \
    lResult = 0;                                                                          \
    return FALSE;                                                                         \
  }

// Hands the message to a base class's map when this map did not take it.
#define CHAIN_MSG_MAP(theChainClass)                                                      \
  if (theChainClass::ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult)) return TRUE;

#define END_MSG_MAP()                                                                     \
  return FALSE;                                                                           \
  }

// ---------------------------------------------------------------------------
// Dialogs.

class CDialogBase {
 public:
  virtual ~CDialogBase() = default;
  virtual BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                    LRESULT& lResult) = 0;
  HWND m_hWnd = nullptr;

  operator HWND() const { return m_hWnd; }
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  BOOL ShowWindow(int cmd) const { return ::ShowWindow(m_hWnd, cmd); }
  BOOL DestroyWindow();
  BOOL EndDialog(INT_PTR result) const { return ::EndDialog(m_hWnd, result); }
  BOOL IsWindow() const { return m_hWnd != nullptr && ::IsWindow(m_hWnd); }
  // Centres the window on its parent, or on the work area of its monitor.
  void CenterWindow(HWND reference = nullptr) const;

 protected:
  // Called after the final message; the window handle is already cleared.
  virtual void OnFinalMessage(HWND) {}
  static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
  HWND CreateFromTemplate(int templateId, HWND parent, LPARAM initParam);
  INT_PTR ModalFromTemplate(int templateId, HWND parent, LPARAM initParam);
  bool modal_ = false;
};

// T must define `enum { IDD = <template id> };` and a message map.
template <class T>
class CDialogImpl : public CDialogBase {
 public:
  HWND Create(HWND parent, LPARAM initParam = 0) {
    return CreateFromTemplate(T::IDD, parent, initParam);
  }
  INT_PTR DoModal(HWND parent = ::GetActiveWindow(), LPARAM initParam = 0) {
    return ModalFromTemplate(T::IDD, parent, initParam);
  }
};
