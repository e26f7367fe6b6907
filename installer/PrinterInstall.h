// One driver installation: the PrinterInstall object that InstallDriver
// builds on its stack, its doInstall pipeline and the INF routes it takes
// (the route methods live in InfRoutes.cpp, their free steps in InfRoutes.h).
#pragma once
#include <windows.h>

namespace spoolkit {

// The record the installer passes to InstallDriver (five pointer-size fields).
struct DriverInstallInfo {
  void* reserved1;
  const wchar_t* reserved2;
  const wchar_t* driverName;  // model name as the INF names it
  void* reserved4;
  const wchar_t* infFileName;  // INF file inside the language folder
};

// Result codes of InstallDriver.
enum InstallResult : int {
  kInstalled = 0,
  kMonitorCopyFailed = 2,
  kInstallFailed = 3,
};

class PrinterInstall {
 public:
  PrinterInstall(const DriverInstallInfo* info, const wchar_t* printerName,
                 const wchar_t* portName, const wchar_t* hardwareId);
  PrinterInstall(const PrinterInstall&) = delete;
  PrinterInstall& operator=(const PrinterInstall&) = delete;

  int doInstall();
  // The pipeline after the folders are set: refuses (3) when the program
  // folder is unknown, else fixFileIssue, the monitor and the routes.
  int installFromPackage();

  // Pipeline steps.
  void createSrcFileDir();
  // Sets exeDir and srcDir from the program folder (ending with a
  // backslash); null, a folder that could not be read, leaves both empty.
  void useProgramFolder(const wchar_t* programFolder);
  void fixFileIssue();
  DWORD copyMonitorFiles();
  bool addPortMonitor();
  int NewInstall();
  int InstallByCmd();

  // INF routes.
  bool installByInfCmd();
  bool installByInfSetup();
  int execuByHardwardID();
  bool GetOemInfFile(wchar_t* outPath, size_t cap);
  // The catalogue and version test of one INF file.
  bool infMatchesDriver(const wchar_t* infPath) const;

  const wchar_t* srcDir() const { return srcDir_; }
  const wchar_t* exeDir() const { return exeDir_; }
  // Lets a caller run the routes with another system bitness or language
  // (the probes are taken at construction).
  void setSystem(bool is64Bit, bool chinese) {
    is64BitSystem_ = is64Bit;
    isChineseSystem_ = chinese;
  }

 private:
  // Builds "\"" srcDir "\" infFileName "\"" etc.; false (with a log line) when
  // a value is unsafe for the command line or does not fit.
  bool quoteArguments(const char* routeTag, const wchar_t* infPath, wchar_t* qInf,
                      wchar_t* qPrinter, wchar_t* qDriver, wchar_t* qPort);
  // Runs the install command through "cmd.exe" (system, then beside the
  // program), logging the two attempts under routeTag.
  bool runInstallCommand(const char* routeTag, const wchar_t* command);

  const wchar_t* hardwareId_;
  const wchar_t* printerName_;
  const wchar_t* driverName_;
  wchar_t srcDir_[MAX_PATH] = {};
  wchar_t exeDir_[MAX_PATH] = {};
  const wchar_t* portName_;
  bool is64BitSystem_;
  bool isChineseSystem_;
  const DriverInstallInfo* installInfo_;
};

}  // namespace spoolkit
