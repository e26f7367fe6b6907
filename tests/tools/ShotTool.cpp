// Helper of scripts/run for screenshots under Xvfb.
//   sw_shot launch <Setwright.exe> <done-file>
//     starts the program, waits for its main window, moves it to the corner,
//     prints READY, waits until <done-file> exists, presses the close box and
//     returns the program's exit code.
//   sw_shot page <0..6> <done-file>
//     shows the main dialog in this process with tab <n> selected, prints
//     READY and keeps it on screen until <done-file> exists.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "framework/Framework.h"
#include "common/Globals.h"
#include "app/MainDlg.h"
#include "tests/support/Windows.h"

namespace {

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Tells scripts/run where the window lies, for the picture's size.
void PrintWindowPlace(HWND window) {
  RECT place{};
  ::GetWindowRect(window, &place);
  std::printf("WINDOW %ld %ld %ld %ld\n", place.left, place.top, place.right - place.left,
              place.bottom - place.top);
}

int Launch(const wchar_t* program, const std::wstring& done) {
  std::wstring commandLine = L"\"" + std::wstring(program) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    std::printf("cannot start Setwright (error %lu)\n", ::GetLastError());
    return 100;
  }
  HWND window = nullptr;
  for (int i = 0; i < 600 && !window; ++i) {
    window = testing_ends::FindTopLevelWindow(process.dwProcessId, false, true);
    if (!window) ::Sleep(50);
  }
  int code = 101;
  if (window) {
    ::SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
    // Painted once its queue has drained: on a busy machine that can take
    // longer than the window takes to appear.
    ::WaitForInputIdle(process.hProcess, 10000);
    PrintWindowPlace(window);
    std::printf("READY\n");
    std::fflush(stdout);
    for (int i = 0; i < 600 && !Exists(done); ++i) ::Sleep(50);
    ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    if (::WaitForSingleObject(process.hProcess, 15000) == WAIT_OBJECT_0) {
      DWORD exitCode = 0;
      ::GetExitCodeProcess(process.hProcess, &exitCode);
      code = static_cast<int>(exitCode);
    }
  } else {
    std::printf("no window\n");
  }
  if (::WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) ::TerminateProcess(process.hProcess, 102);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return code;
}

std::wstring g_doneFile;

void CALLBACK QuitWhenDone(HWND, UINT, UINT_PTR, DWORD) {
  if (Exists(g_doneFile)) ::PostQuitMessage(0);
}

int ShowPage(int index, const std::wstring& done) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  ::LoadLibraryW(L"RICHED20.DLL");
  _Module.Init(nullptr, ::GetModuleHandleW(nullptr));
  CMessageLoop loop;
  _Module.AddMessageLoop(&loop);
  int code = 0;
  {
    CMainDlg dialog;
    if (!dialog.Create(nullptr)) return 103;
    MainDialog = &dialog;
    MainWindow = dialog.m_hWnd;
    ::SetWindowPos(dialog.m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
    dialog.SelectPage(index);
    dialog.ShowWindow(SW_SHOW);
    ::UpdateWindow(dialog.m_hWnd);
    PrintWindowPlace(dialog.m_hWnd);
    std::printf("READY\n");
    std::fflush(stdout);
    g_doneFile = done;
    ::SetTimer(nullptr, 0, 100, QuitWhenDone);
    code = loop.Run();
  }
  _Module.RemoveMessageLoop();
  _Module.Term();
  return code;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 4 && wcscmp(argv[1], L"launch") == 0) return Launch(argv[2], argv[3]);
  if (argc == 4 && wcscmp(argv[1], L"page") == 0) return ShowPage(_wtoi(argv[2]), argv[3]);
  std::printf("usage: sw_shot launch <Setwright.exe> <done-file> | page <0..6> <done-file>\n");
  return 2;
}
