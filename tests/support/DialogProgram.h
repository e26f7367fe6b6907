// A dialog program (Setwright) started as a real process: finds its main
// window and waits for its exit code. The process is ended when the object
// goes, if it still runs.
#pragma once
#include <windows.h>

#include <string>

#include "common/UniqueResource.h"

namespace testing_ends {

class DialogProgram {
 public:
  DialogProgram(const std::wstring& program, const wchar_t* arguments = L"",
                int showCommand = SW_SHOWNORMAL);
  ~DialogProgram();
  DialogProgram(const DialogProgram&) = delete;
  DialogProgram& operator=(const DialogProgram&) = delete;

  bool Started() const { return process_.Valid(); }
  HANDLE Handle() const { return process_.Get(); }
  // The visible top-level dialog (class #32770, no owner) of the process,
  // within 15 s; null when none appears or the process ends first.
  HWND WaitForWindow();
  // The exit code within 15 s, else 999.
  DWORD WaitForExit();

 private:
  UniqueHandle process_;
  UniqueHandle thread_;
  DWORD processId_ = 0;
};

// Runs commandLine (in folder, or the current one when empty) and returns
// its exit code; 999 when it does not start or does not end within waitMs.
DWORD RunAndWait(const std::wstring& commandLine, DWORD waitMs, const std::wstring& folder = L"");

// The text of a window's caption.
std::wstring Caption(HWND window);

}  // namespace testing_ends
