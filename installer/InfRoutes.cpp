// The INF installation routes: the printer-install command on the package's
// INF, the same command on the copy in the system's driver store, and the
// plug-and-play update by hardware id.
#include "installer/InfRoutes.h"

#include <windows.h>
#include <newdev.h>
#include <setupapi.h>
#include <winspool.h>

#include <cwchar>
#include <vector>

#include "installer/InstallLogic.h"
#include "installer/Log.h"
#include "installer/Owners.h"
#include "installer/PrinterInstall.h"

namespace spoolkit {

namespace {

constexpr size_t kQuotedCap = 261;   // quoted value: 258 characters of content, two quotes, terminator
constexpr size_t kCommandCap = 520;  // process command line, "cmd /C " included
constexpr size_t kCmdPrefixLen = 7;  // "cmd /C "
constexpr size_t kInstallCommandCap = kCommandCap - kCmdPrefixLen;
constexpr size_t kSetupInfCap = 520;
const wchar_t kSystemCmd[] = L"C:\\windows\\system32\\cmd.exe";

// Every trace line of the routes is "<step>::<message>", both fixed texts
// far shorter than this.
constexpr size_t kTraceCap = 512;

// Writes the trace line "<step>::<message>".
void trace(const char* step, const char* message) {
  char line[kTraceCap];
  if (joinText(line, kTraceCap, {step, "::", message})) logLine(line);
}

// Writes the error line "<step>::<message> err = <error>".
void trace(const char* step, const char* message, unsigned long error) {
  char line[kTraceCap];
  if (joinText(line, kTraceCap, {step, "::", message})) logError(line, error);
}

// Copies value into out (capacity cap) and quotes it; traces why not under step.
bool quoteValue(const char* step, const wchar_t* value, wchar_t* out, size_t cap) {
  if (!value) value = L"";
  if (hasUnsafeCommandChar(value)) {
    trace(step, "refused: a name holds a double quote, a percent sign or a line break, or ends in a backslash");
    return false;
  }
  if (!copyText(out, cap, value) || !quoteInPlace(out, cap)) {
    trace(step, "refused: a name is too long for the command line");
    return false;
  }
  return true;
}

// "<srcDir>\<INF name>" into out; traces under step when it does not fit.
bool packageInfPath(const char* step, const wchar_t* srcDir, const DriverInstallInfo* info,
                    wchar_t* out, size_t cap) {
  const wchar_t* infName = info ? info->infFileName : nullptr;
  if (joinText(out, cap, {srcDir, L"\\", infName ? infName : L""})) return true;
  trace(step, "INF path too long");
  return false;
}

// The printer-install command for the four quoted arguments; traces under
// step when it does not fit.
bool installCommand(const char* step, wchar_t (&command)[kInstallCommandCap],
                    const wchar_t* qPrinter, const wchar_t* qInf, const wchar_t* qPort,
                    const wchar_t* qDriver) {
  if (buildInstallCommand(command, kInstallCommandCap, qPrinter, qInf, qPort, qDriver)) return true;
  trace(step, "refused: the command line is too long");
  return false;
}

// getSpecifiedPrinterCount, traced under step.
int countPrinters(const char* step, const wchar_t* driverName, const wchar_t* printerName) {
  trace(step, "Enter getSpecifiedPrinterCount");
  return getSpecifiedPrinterCount(driverName, printerName);
}

bool setupCopyInf(const wchar_t* infPath) {
  wchar_t destination[MAX_PATH] = {};
  PWSTR component = nullptr;
  return ::SetupCopyOEMInfW(infPath, nullptr, SPOST_PATH, SP_COPY_NEWER, destination, MAX_PATH,
                            nullptr, &component) != FALSE;
}

}  // namespace

bool PrinterInstall::quoteArguments(const char* tag, const wchar_t* infPath, wchar_t* qInf,
                                    wchar_t* qPrinter, wchar_t* qDriver, wchar_t* qPort) {
  if (infPath && !quoteValue(tag, infPath, qInf, kQuotedCap)) return false;
  return quoteValue(tag, printerName_, qPrinter, kQuotedCap) &&
         quoteValue(tag, driverName_, qDriver, kQuotedCap) &&
         quoteValue(tag, portName_, qPort, kQuotedCap);
}

bool PrinterInstall::runInstallCommand(const char* tag, const wchar_t* command) {
  trace(tag, "Enter ExecuteCmdByProcess");
  if (ExecuteCmdByProcess(kSystemCmd, command)) return true;
  wchar_t cmdPath[MAX_PATH] = {};
  bool pathOk = joinText(cmdPath, MAX_PATH, {exeDir_, L"cmd.exe"});
  trace(tag, "Enter ExecuteCmdByProcess2");
  if (!pathOk) {
    trace(tag, "cmd.exe path too long");
    return false;
  }
  return ExecuteCmdByProcess(cmdPath, command);
}

bool PrinterInstall::installByInfCmd() {
  const char* tag = "PrinterInstall::installByInfCmd";
  trace(tag, "Enter installByInfCmd");
  wchar_t infFullPath[MAX_PATH] = {};
  if (!packageInfPath(tag, srcDir_, installInfo_, infFullPath, MAX_PATH)) return false;
  wchar_t qInf[kQuotedCap] = {}, qPrinter[kQuotedCap] = {}, qDriver[kQuotedCap] = {},
          qPort[kQuotedCap] = {};
  if (!quoteArguments(tag, infFullPath, qInf, qPrinter, qDriver, qPort)) return false;

  int before = countPrinters(tag, driverName_, printerName_);
  wchar_t command[kInstallCommandCap] = {};
  if (!installCommand(tag, command, qPrinter, qInf, qPort, qDriver)) return false;
  if (!runInstallCommand(tag, command)) return false;

  if (countPrinters(tag, driverName_, printerName_) == before) return false;
  trace(tag, "End");
  return true;
}

bool PrinterInstall::installByInfSetup() {
  const char* tag = "PrinterInstall::installByInfSetup";
  trace(tag, "Enter");
  wchar_t infFullPath[kSetupInfCap] = {};
  if (!packageInfPath(tag, srcDir_, installInfo_, infFullPath, kSetupInfCap)) return false;
  wchar_t qPrinter[kQuotedCap] = {}, qDriver[kQuotedCap] = {}, qPort[kQuotedCap] = {};
  if (!quoteArguments(tag, nullptr, nullptr, qPrinter, qDriver, qPort)) return false;

  trace(tag, "Enter SetupCopyOEMInf");
  if (!setupCopyInf(infFullPath)) return false;

  trace(tag, "Enter GetOemInfFile");
  if (!GetOemInfFile(infFullPath, kSetupInfCap)) return false;

  wchar_t qInf[kSetupInfCap] = {};
  if (!quoteValue(tag, infFullPath, qInf, kSetupInfCap)) return false;
  wchar_t command[kInstallCommandCap] = {};
  if (!installCommand(tag, command, qPrinter, qInf, qPort, qDriver)) return false;

  int before = countPrinters(tag, driverName_, printerName_);
  if (!runInstallCommand(tag, command)) return false;

  if (countPrinters(tag, driverName_, printerName_) == before) return false;
  trace(tag, "End");
  return true;
}

int PrinterInstall::execuByHardwardID() {
  const char* tag = "PrinterInstall::execuByHardwardID";
  trace(tag, "Enter");
  wchar_t infPath[MAX_PATH] = {};
  if (!packageInfPath(tag, srcDir_, installInfo_, infPath, MAX_PATH)) return kInstallFailed;
  trace(tag, "Enter FuncInst");
  if (!FuncInst(infPath, hardwareId_)) return kInstallFailed;
  trace(tag, "Enter SaveFileName");
  SaveFileName(srcDir_, driverName_, environmentNameFor(is64BitSystem_));
  trace(tag, "End");
  return kInstalled;
}

bool ExecuteCmdByProcess(const wchar_t* application, const wchar_t* command) {
  const char* tag = "ExecuteCmdByProcess";
  wchar_t commandLine[kCommandCap] = {};
  if (!buildProcessCommandLine(commandLine, kCommandCap, command)) {
    trace(tag, "refused: the command line is too long");
    return false;
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(application, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    return false;
  }
  UniqueHandle processHandle(process.hProcess);
  UniqueHandle threadHandle(process.hThread);
  ::WaitForSingleObject(processHandle.get(), INFINITE);
  return true;
}

int getSpecifiedPrinterCount(const wchar_t* driverName, const wchar_t* printerName) {
  if (!printerName) return -1;
  if (!printerName[0]) return 0;
  wchar_t emptyName[1] = {0};
  DWORD needed = 0, returned = 0;
  ::EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, emptyName, 2, nullptr, 0, &needed,
                  &returned);
  if (needed == 0) return -1;
  std::vector<BYTE> buffer;
  try {
    buffer.resize(needed);
  } catch (...) {
    return -1;
  }
  returned = 0;
  if (!::EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, emptyName, 2, buffer.data(),
                       needed, &needed, &returned)) {
    returned = 0;
  }
  if (!driverName || !driverName[0]) return 0;
  size_t prefix = std::wcslen(printerName);
  const auto* printers = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
  int count = 0;
  for (DWORD i = 0; i < returned; ++i) {
    const PRINTER_INFO_2W& p = printers[i];
    if (p.pPrinterName && p.pDriverName && std::wcsncmp(p.pPrinterName, printerName, prefix) == 0 &&
        std::wcscmp(p.pDriverName, driverName) == 0) {
      ++count;
    }
  }
  return count;
}

bool readWholeFile(const wchar_t* path, std::vector<unsigned char>& data) {
  data.clear();
  UniqueFile file(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
      static_cast<unsigned long long>(size.QuadPart) > 64ull * 1024 * 1024) {
    return false;
  }
  try {
    data.assign(static_cast<size_t>(size.QuadPart) + 1, 0);
  } catch (...) {
    return false;
  }
  size_t total = static_cast<size_t>(size.QuadPart);
  size_t done = 0;
  while (done < total) {
    DWORD chunk = static_cast<DWORD>(total - done < 8192 ? total - done : 8192);
    DWORD got = 0;
    if (!::ReadFile(file.get(), data.data() + done, chunk, &got, nullptr)) return false;
    if (got == 0) break;  // end of file reached early
    done += got;
  }
  data.resize(done + 1);
  return true;
}

bool PrinterInstall::infMatchesDriver(const wchar_t* infPath) const {
  if (!driverName_) return false;
  std::vector<unsigned char> content;
  if (!readWholeFile(infPath, content)) return false;
  char driverA[MAX_PATH * 2] = {};
  int n = ::WideCharToMultiByte(CP_ACP, 0, driverName_, -1, driverA, sizeof(driverA), nullptr,
                                nullptr);
  const char* nameA = n > 0 ? driverA : nullptr;
  return infContentMatches(content.data(), content.size() - 1, nameA, driverName_);
}

bool PrinterInstall::GetOemInfFile(wchar_t* outPath, size_t cap) {
  wchar_t systemDir[MAX_PATH] = {};
  UINT n = ::GetSystemDirectoryW(systemDir, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return false;
  wchar_t sysInfDir[MAX_PATH] = {};
  if (!windowsInfDirectory(systemDir, sysInfDir, MAX_PATH)) return false;
  wchar_t pattern[MAX_PATH] = {};
  if (!joinText(pattern, MAX_PATH, {sysInfDir, L"\\oem*.inf"})) return false;
  WIN32_FIND_DATAW found{};
  UniqueFind search(::FindFirstFileW(pattern, &found));
  if (!search.valid()) return false;
  do {
    if (found.cFileName[0] == L'.') continue;
    wchar_t path[MAX_PATH] = {};
    if (!joinText(path, MAX_PATH, {sysInfDir, L"\\", found.cFileName})) continue;
    if (infMatchesDriver(path)) return copyText(outPath, cap, path);
  } while (::FindNextFileW(search.get(), &found));
  return false;
}

bool isValidFilePath(const wchar_t* path) {
  if (!path) return false;
  DWORD attributes = ::GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FuncInst(const wchar_t* infPath, const wchar_t* hardwareId) {
  const char* tag = "FuncInst";
  trace(tag, "Enter");
  trace(tag, "Enter isValidFilePath");
  bool valid = isValidFilePath(infPath);
  if (valid) {
    trace(tag, "Enter InstallInfFile");
    BOOL bRebootRequired = FALSE;
    if (!InstallInfFile(hardwareId, infPath, &bRebootRequired)) return false;
  }
  trace(tag, "End");
  return valid;
}

bool InstallInfFile(const wchar_t* hardwareId, const wchar_t* infPath, BOOL* rebootRequired) {
  const char* tag = "InstallInfFile";
  trace(tag, "Enter");
  trace(tag, "Enter GetFullPathName");
  wchar_t FullInfPath[MAX_PATH] = {};
  DWORD n = ::GetFullPathNameW(infPath, MAX_PATH, FullInfPath, nullptr);
  if (n == 0 || n >= MAX_PATH) {
    trace(tag, "GetFullPathName", n == 0 ? ::GetLastError() : ERROR_BUFFER_OVERFLOW);
    return false;
  }
  wchar_t HardwareId[MAX_PATH] = {};
  if (!joinText(HardwareId, MAX_PATH, {L"USBPRINT\\", hardwareId ? hardwareId : L""})) {
    trace(tag, "hardware id too long");
    return false;
  }
  trace(tag, "Enter SetupCopyOEMInf");
  if (!setupCopyInf(FullInfPath)) return false;
  trace(tag, "Enter UpdateDriverForPlugAndPlayDevices");
  if (::UpdateDriverForPlugAndPlayDevicesW(nullptr, HardwareId, FullInfPath, INSTALLFLAG_FORCE,
                                           rebootRequired)) {
    return true;
  }
  trace(tag, "UpdateDriverForPlugAndPlayDevices", ::GetLastError());
  return false;
}

bool SaveFileName(const wchar_t* srcDir, const wchar_t* driverName, const wchar_t* environment) {
  const char* tag = "SaveFileName";
  if (!srcDir || !driverName) return false;
  wchar_t pattern[MAX_PATH] = {};
  if (!joinText(pattern, MAX_PATH, {srcDir, L"\\*"})) return false;
  WIN32_FIND_DATAW found{};
  UniqueFind search(::FindFirstFileW(pattern, &found));
  if (!search.valid()) return false;
  wchar_t list[MAX_PATH] = {};
  do {
    if (found.cFileName[0] == L'.') continue;
    if (!appendListEntry(list, MAX_PATH, found.cFileName)) {
      trace(tag, "the file list is too long");
      return false;
    }
  } while (::FindNextFileW(search.get(), &found));
  if (!closeList(list, MAX_PATH)) {
    trace(tag, "the file list is too long");
    return false;
  }
  wchar_t keyPath[2 * MAX_PATH] = {};
  if (!joinText(keyPath, 2 * MAX_PATH,
                {L"SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\", environment,
                 L"\\Drivers\\Version-3\\", driverName})) {
    return false;
  }
  wchar_t valueName[MAX_PATH] = {};
  if (!joinText(valueName, MAX_PATH, {driverName, L"File"})) return false;
  UniqueKey key;
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, key.out(), nullptr) != ERROR_SUCCESS) {
    return false;
  }
  // The stored length counts the characters of the list without its terminator.
  DWORD bytes = static_cast<DWORD>(std::wcslen(list) * sizeof(wchar_t));
  return ::RegSetValueExW(key.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(list),
                          bytes) == ERROR_SUCCESS;
}

}  // namespace spoolkit
