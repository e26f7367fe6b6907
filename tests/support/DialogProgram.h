// A dialog program (Setwright) started as a real process: finds its main
// window and waits for its exit code. The process is ended when the object
// goes, if it still runs.
#pragma once
#include <windows.h>

#include <string>

namespace testing_ends {

class DialogProgram {
 public:
  DialogProgram(const std::wstring& program, const wchar_t* arguments = L"",
                int showCommand = SW_SHOWNORMAL);
  ~DialogProgram();
  DialogProgram(const DialogProgram&) = delete;
  DialogProgram& operator=(const DialogProgram&) = delete;

  bool Started() const { return started_; }
  // The visible top-level dialog (class #32770, no owner) of the process,
  // within 15 s; null when none appears or the process ends first.
  HWND WaitForWindow();
  // The exit code within 15 s, else 999.
  DWORD WaitForExit();

 private:
  bool started_ = false;
  PROCESS_INFORMATION process_{};
};

// The text of a window's caption.
std::wstring Caption(HWND window);

}  // namespace testing_ends
