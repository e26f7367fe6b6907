#include "tests/support/DialogProgram.h"

namespace testing_ends {

namespace {

struct FindContext {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM param) {
  auto* context = reinterpret_cast<FindContext*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  wchar_t cls[16] = {};
  ::GetClassNameW(window, cls, 16);
  if (pid == context->processId && wcscmp(cls, L"#32770") == 0 && !::GetWindow(window, GW_OWNER)) {
    context->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

DialogProgram::DialogProgram(const std::wstring& program, const wchar_t* arguments, int showCommand) {
  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(showCommand);
  started_ = ::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &process_) != FALSE;
}

DialogProgram::~DialogProgram() {
  if (!started_) return;
  if (::WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
    ::TerminateProcess(process_.hProcess, 99);
    ::WaitForSingleObject(process_.hProcess, 5000);
  }
  ::CloseHandle(process_.hThread);
  ::CloseHandle(process_.hProcess);
}

HWND DialogProgram::WaitForWindow() {
  if (!started_) return nullptr;
  for (int i = 0; i < 300; ++i) {
    FindContext context{process_.dwProcessId, nullptr};
    ::EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&context));
    if (context.found && ::IsWindowVisible(context.found)) return context.found;
    if (::WaitForSingleObject(process_.hProcess, 50) != WAIT_TIMEOUT) return nullptr;
  }
  return nullptr;
}

DWORD DialogProgram::WaitForExit() {
  if (!started_ || ::WaitForSingleObject(process_.hProcess, 15000) != WAIT_OBJECT_0) return 999;
  DWORD code = 0;
  ::GetExitCodeProcess(process_.hProcess, &code);
  return code;
}

std::wstring Caption(HWND window) {
  wchar_t text[128] = {};
  ::GetWindowTextW(window, text, 128);
  return text;
}

}  // namespace testing_ends
