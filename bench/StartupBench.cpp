// Start-up of Setwright against a bare dialog with the same controls in the
// same layout (BareDialog.exe): the time from CreateProcess to the visible
// main window, and to input idle. The two start alternately, round after
// round; the medians, their ranges and the ratios are printed.
//   startup_bench.exe SETWRIGHT.EXE BAREDIALOG.EXE [rounds]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/Windows.h"

namespace {

struct Times {
  double visibleMs = -1;
  double idleMs = -1;
};

double Since(const LARGE_INTEGER& start) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 /
         static_cast<double>(frequency.QuadPart);
}

Times StartOnce(const std::wstring& program) {
  Times times;
  std::wstring commandLine = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return times;
  }
  HWND window = nullptr;
  for (int i = 0; i < 20000 && !window; ++i) {
    window = testing_ends::FindTopLevelWindow(process.dwProcessId, true, true);
    if (!window) Sleep(0);
  }
  if (window) times.visibleMs = Since(start);
  if (WaitForInputIdle(process.hProcess, 10000) == 0) times.idleMs = Since(start);
  if (window) PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 9);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return times;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

void Report(const char* what, const std::vector<double>& setwright, const std::vector<double>& bare) {
  std::vector<double> ratios;
  for (size_t i = 0; i < setwright.size() && i < bare.size(); ++i) ratios.push_back(setwright[i] / bare[i]);
  std::vector<double> sorted = ratios;
  std::sort(sorted.begin(), sorted.end());
  printf("%s: Setwright %.1f ms, bare %.1f ms, ratio %.2f (quartiles %.2f..%.2f)\n", what,
         Median(setwright), Median(bare), Median(ratios), sorted[sorted.size() / 4],
         sorted[sorted.size() * 3 / 4]);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    printf("usage: startup_bench SETWRIGHT.EXE BAREDIALOG.EXE [rounds]\n");
    return 2;
  }
  const int rounds = argc > 3 ? _wtoi(argv[3]) : 30;
  StartOnce(argv[1]);  // warm both up
  StartOnce(argv[2]);
  std::vector<double> swVisible, bareVisible, swIdle, bareIdle;
  for (int round = 0; round < rounds; ++round) {
    // Alternate which one starts first, so drift hits both alike.
    const bool setwrightFirst = round % 2 == 0;
    Times first = StartOnce(setwrightFirst ? argv[1] : argv[2]);
    Times second = StartOnce(setwrightFirst ? argv[2] : argv[1]);
    const Times& sw = setwrightFirst ? first : second;
    const Times& bare = setwrightFirst ? second : first;
    if (sw.visibleMs < 0 || bare.visibleMs < 0) continue;
    swVisible.push_back(sw.visibleMs);
    bareVisible.push_back(bare.visibleMs);
    if (sw.idleMs >= 0 && bare.idleMs >= 0) {
      swIdle.push_back(sw.idleMs);
      bareIdle.push_back(bare.idleMs);
    }
  }
  if (swVisible.empty()) {
    printf("no window appeared\n");
    return 1;
  }
  printf("%zu rounds, interleaved\n", swVisible.size());
  Report("start to visible window", swVisible, bareVisible);
  if (!swIdle.empty()) Report("start to input idle", swIdle, bareIdle);
  return 0;
}
