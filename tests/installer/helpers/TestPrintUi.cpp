// A stand-in for the system's printer-install command, built as
// "printui.dll" for the installation tests: PrintUIEntryW takes the
// arguments /b (printer), /f (INF), /r (port) and /m (driver), adds the
// driver (backed by wineps.drv) and a printer of that name on that port.
// It also appends its command line to %SW_TEST_DIR%\printui-calls.txt.
#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

namespace {

std::vector<std::wstring> splitArguments(const wchar_t* line) {
  std::vector<std::wstring> out;
  std::wstring current;
  bool quoted = false, any = false;
  for (const wchar_t* p = line; p && *p; ++p) {
    if (*p == L'"') {
      quoted = !quoted;
      any = true;
    } else if ((*p == L' ' || *p == L'\t') && !quoted) {
      if (any) out.push_back(current);
      current.clear();
      any = false;
    } else {
      current += *p;
      any = true;
    }
  }
  if (any) out.push_back(current);
  return out;
}

void recordCall(const wchar_t* line) {
  wchar_t dir[MAX_PATH] = {};
  DWORD n = GetEnvironmentVariableW(L"SW_TEST_DIR", dir, MAX_PATH);
  if (n == 0 || n >= MAX_PATH - 40) return;
  std::wstring path = std::wstring(dir) + L"\\printui-calls.txt";
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  std::wstring text = std::wstring(line ? line : L"") + L"\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

extern "C" __declspec(dllexport) void WINAPI PrintUIEntryW(HWND, HINSTANCE, LPCWSTR commandLine,
                                                           int) {
  recordCall(commandLine);
  std::vector<std::wstring> args = splitArguments(commandLine);
  std::wstring printer, port, driver;
  for (size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == L"/b") printer = args[i + 1];
    if (args[i] == L"/r") port = args[i + 1];
    if (args[i] == L"/m") driver = args[i + 1];
  }
  if (printer.empty() || port.empty() || driver.empty()) return;

  wchar_t engine[] = L"wineps.drv";
  DRIVER_INFO_3W di{};
  di.cVersion = 3;
  di.pName = &driver[0];
  di.pDriverPath = engine;
  di.pDataFile = engine;
  di.pConfigFile = engine;
  if (!AddPrinterDriverExW(nullptr, 3, reinterpret_cast<LPBYTE>(&di), APD_COPY_NEW_FILES)) return;

  wchar_t processor[] = L"WinPrint";
  wchar_t datatype[] = L"RAW";
  PRINTER_INFO_2W pi{};
  pi.pPrinterName = &printer[0];
  pi.pPortName = &port[0];
  pi.pDriverName = &driver[0];
  pi.pPrintProcessor = processor;
  pi.pDatatype = datatype;
  pi.Attributes = PRINTER_ATTRIBUTE_LOCAL;
  HANDLE created = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&pi));
  if (created) ClosePrinter(created);
}
