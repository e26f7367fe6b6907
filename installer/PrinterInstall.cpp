#include "installer/PrinterInstall.h"

#include <cwchar>

#include "installer/InstallLogic.h"
#include "installer/Log.h"
#include "installer/MonitorPorts.h"
#include "installer/Owners.h"
#include "installer/ProcessSwitches.h"
#include "installer/SystemProbes.h"
#include "installer/UsbQuery.h"

namespace spoolkit {

PrinterInstall::PrinterInstall(const DriverInstallInfo* info, const wchar_t* printerName,
                               const wchar_t* portName, const wchar_t* hardwareId)
    : hardwareId_(hardwareId),
      printerName_(printerName),
      driverName_(info ? info->driverName : nullptr),
      portName_(portName),
      is64BitSystem_(is64BitSystem()),
      isChineseSystem_(isChineseSystem()),
      installInfo_(info) {}

int PrinterInstall::doInstall() {
  {
    UniqueHandle token;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, token.out())) {
      _SetPrivilege(token.get(), L"SeDebugPrivilege", true);
    }
  }
  logLine("PrinterInstall::doInstall::Enter _SetPrivilege");

  createSrcFileDir();
  logLine("PrinterInstall::doInstall::Enter createSrcFileDir");
  return installFromPackage();
}

int PrinterInstall::installFromPackage() {
  // Without the program folder every package path would be relative to the
  // current directory, so files planted there would be installed.
  if (exeDir_[0] == 0 || srcDir_[0] == 0) {
    logLine("PrinterInstall::doInstall::refused: the program folder cannot be read whole");
    return kInstallFailed;
  }

  fixFileIssue();
  logLine("PrinterInstall::doInstall::Enter fixFileIssue");

  DWORD copyError = copyMonitorFiles();
  logLine("PrinterInstall::doInstall::Enter copyMonitorFiles");
  if (copyError != 0) {
    logError("PrinterInstall::doInstall::copyMonitorFiles", copyError);
    return kMonitorCopyFailed;
  }

  if (addPortMonitor()) {
    logLine("PrinterInstall::doInstall::Enter addPortMonitor");
    addPort(portName_);
    logLine("PrinterInstall::doInstall::Enter addPort");
  }

  wchar_t wPrinterName[64] = {};
  GetPrinterName(wPrinterName);
  logLine("PrinterInstall::doInstall::Enter GetPrinterName");

  if (isListedModel(wPrinterName)) {
    logLine("PrinterInstall::doInstall::Enter NewInstall");
    return NewInstall();
  }
  logLine("PrinterInstall::doInstall::Enter InstallByCmd");
  return InstallByCmd();
}

void PrinterInstall::createSrcFileDir() {
  wchar_t folder[MAX_PATH] = {};
  useProgramFolder(programDirectory(folder, MAX_PATH) ? folder : nullptr);
}

void PrinterInstall::useProgramFolder(const wchar_t* programFolder) {
  exeDir_[0] = 0;
  srcDir_[0] = 0;
  if (programFolder == nullptr || programFolder[0] == 0) return;
  if (!copyText(exeDir_, MAX_PATH, programFolder)) return;
  if (!joinText(srcDir_, MAX_PATH, {exeDir_, languageFolder(isChineseSystem_)})) {
    exeDir_[0] = 0;
    srcDir_[0] = 0;
  }
}

void PrinterInstall::fixFileIssue() {
  const wchar_t* kSystemDir = L"C:\\WINDOWS\\system32";
  const wchar_t* kTarget = L"C:\\WINDOWS\\system32\\srclient.dll";
  DWORD dirAttributes = ::GetFileAttributesW(kSystemDir);
  if (dirAttributes == INVALID_FILE_ATTRIBUTES || !(dirAttributes & FILE_ATTRIBUTE_DIRECTORY)) return;
  if (::GetFileAttributesW(kTarget) != INVALID_FILE_ATTRIBUTES) return;
  ::CopyFileW(L"srclient.dll", kTarget, TRUE);
}

int PrinterInstall::NewInstall() {
  if (newInstallRoute(portName_) == Route::NewInstallHardwareId) {
    logLine("PrinterInstall::NewInstall::Enter execuByHardwardID");
    return execuByHardwardID();
  }
  logLine("PrinterInstall::NewInstall::Enter InstallByCmd");
  return InstallByCmd();
}

int PrinterInstall::InstallByCmd() {
  if (installByInfCmd()) return kInstalled;
  if (installByInfSetup()) return kInstalled;
  return kInstallFailed;
}

}  // namespace spoolkit
