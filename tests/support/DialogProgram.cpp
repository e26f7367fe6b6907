#include "tests/support/DialogProgram.h"

#include "tests/support/Windows.h"

namespace testing_ends {

DialogProgram::DialogProgram(const std::wstring& program, const wchar_t* arguments, int showCommand) {
  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(showCommand);
  PROCESS_INFORMATION process{};
  if (::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process)) {
    process_.Reset(process.hProcess);
    thread_.Reset(process.hThread);
    processId_ = process.dwProcessId;
  }
}

DialogProgram::~DialogProgram() {
  if (Started() && ::WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT) {
    ::TerminateProcess(process_.Get(), 99);
    ::WaitForSingleObject(process_.Get(), 5000);
  }
}

HWND DialogProgram::WaitForWindow() {
  if (!Started()) return nullptr;
  for (int i = 0; i < 300; ++i) {
    if (HWND found = FindTopLevelWindow(processId_, true, true)) return found;
    if (::WaitForSingleObject(process_.Get(), 50) != WAIT_TIMEOUT) return nullptr;
  }
  return nullptr;
}

DWORD DialogProgram::WaitForExit() {
  if (!Started() || ::WaitForSingleObject(process_.Get(), 15000) != WAIT_OBJECT_0) return 999;
  DWORD code = 0;
  ::GetExitCodeProcess(process_.Get(), &code);
  return code;
}

DWORD RunAndWait(const std::wstring& commandLine, DWORD waitMs, const std::wstring& folder) {
  std::wstring line = commandLine;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  if (!::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &started)) {
    return 999;
  }
  UniqueHandle process(started.hProcess);
  UniqueHandle thread(started.hThread);
  DWORD code = 999;
  if (::WaitForSingleObject(process.Get(), waitMs) == WAIT_OBJECT_0) {
    ::GetExitCodeProcess(process.Get(), &code);
  } else {
    ::TerminateProcess(process.Get(), 999);
  }
  return code;
}

std::wstring Caption(HWND window) {
  wchar_t text[128] = {};
  ::GetWindowTextW(window, text, 128);
  return text;
}

}  // namespace testing_ends
