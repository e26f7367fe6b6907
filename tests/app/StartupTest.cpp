// The built Setwright.exe started as a real process under Wine: its window,
// caption and exit codes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring SetwrightPath() {
  // The program lies at the top of this build: two folders above this test.
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self);
  for (int up = 0; up < 3; ++up) path = path.substr(0, path.find_last_of(L'\\'));
  return path + L"\\" SW_SETWRIGHT_EXE_W;
}

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

class Setwright {
 public:
  explicit Setwright(int showCommand = SW_SHOWNORMAL, const wchar_t* arguments = L"") {
    std::wstring commandLine = L"\"" + SetwrightPath() + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    started_ = ::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                nullptr, &startup, &process_) != FALSE;
  }
  ~Setwright() {
    if (!started_) return;
    if (::WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
      ::TerminateProcess(process_.hProcess, 99);
      ::WaitForSingleObject(process_.hProcess, 5000);
    }
    ::CloseHandle(process_.hThread);
    ::CloseHandle(process_.hProcess);
  }
  bool Started() const { return started_; }

  HWND WaitForWindow() {
    for (int i = 0; i < 300; ++i) {
      FindContext context{process_.dwProcessId, nullptr};
      ::EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&context));
      if (context.found && ::IsWindowVisible(context.found)) return context.found;
      if (::WaitForSingleObject(process_.hProcess, 50) != WAIT_TIMEOUT) return nullptr;
    }
    return nullptr;
  }

  DWORD WaitForExit() {
    if (::WaitForSingleObject(process_.hProcess, 15000) != WAIT_OBJECT_0) return 999;
    DWORD code = 0;
    ::GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }

 private:
  bool started_ = false;
  PROCESS_INFORMATION process_{};
};

std::wstring Caption(HWND window) {
  wchar_t text[128] = {};
  ::GetWindowTextW(window, text, 128);
  return text;
}

}  // namespace

TEST(Startup, CancelEndsWithTwoAndCaptionHasTheVersion) {
  Setwright program;
  ASSERT_TRUE(program.Started());
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(Caption(window), L"KorvelSetTool v1.44");
  ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(program.WaitForExit(), 2u);
}

TEST(Startup, OkEndsWithOne) {
  Setwright program(SW_SHOWNORMAL, L"ignored --arguments");
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  ::PostMessageW(window, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(program.WaitForExit(), 1u);
}

TEST(Startup, CloseBoxEndsWithTwo) {
  Setwright program;
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(program.WaitForExit(), 2u);
}

TEST(Startup, StartsMinimisedWhenAskedAndStillWorks) {
  Setwright program(SW_SHOWMINIMIZED);
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(::IsIconic(window));
  ::ShowWindowAsync(window, SW_RESTORE);
  for (int i = 0; i < 100 && ::IsIconic(window); ++i) ::Sleep(20);
  EXPECT_FALSE(::IsIconic(window));
  ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(program.WaitForExit(), 2u);
}
