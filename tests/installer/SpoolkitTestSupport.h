// Loads Spoolkit.dll the way an installer does (LoadLibrary + GetProcAddress
// by plain name) and gives the tests small helpers around it: the log beside
// the test program, registry clean-up and files placed in the Wine prefix.
#pragma once
#include <windows.h>
#include <winspool.h>

#include <string>
#include <utility>
#include <vector>

namespace spoolkit_test {

struct DriverInstallInfo {
  void* reserved1;
  const wchar_t* reserved2;
  const wchar_t* driverName;
  void* reserved4;
  const wchar_t* infFileName;
};

struct MonitorNameList {
  wchar_t names[8][260];
  unsigned int count;
};

using InstallDriverFn = int(WINAPI*)(const DriverInstallInfo*, const wchar_t*, const wchar_t*,
                                     const wchar_t*);
using KVAddPortFn = BOOL(WINAPI*)(LPWSTR, HWND, LPWSTR);
using GetMonitorsFn = int(WINAPI*)(MonitorNameList*);
using EnumPrinterPortsFn = PORT_INFO_2W*(WINAPI*)(DWORD*);
using DeletePointerFn = void(WINAPI*)(void*);
using GetPrinterNameFn = int(WINAPI*)(wchar_t*);
using ConfigCOMFn = int(WINAPI*)(const wchar_t*);
using SetRegStrFn = int(WINAPI*)(const wchar_t*, const wchar_t*, const wchar_t*);
using GetRegStrFn = int(WINAPI*)(const wchar_t*, const wchar_t*, wchar_t*);
using WriteLogFn = void(WINAPI*)(const char*, int);

extern const char* const kExportNames[10];

// Spoolkit.dll beside the test program, loaded for the object's life.
class Spoolkit {
 public:
  Spoolkit();
  ~Spoolkit();
  Spoolkit(const Spoolkit&) = delete;
  Spoolkit& operator=(const Spoolkit&) = delete;
  bool loaded() const { return module_ != nullptr; }
  HMODULE module() const { return module_; }

  InstallDriverFn InstallDriver = nullptr;
  KVAddPortFn KVAddPort = nullptr;
  GetMonitorsFn GetMonitors = nullptr;
  EnumPrinterPortsFn EnumPrinterPorts = nullptr;
  DeletePointerFn DeletePointer = nullptr;
  GetPrinterNameFn GetPrinterName = nullptr;
  ConfigCOMFn ConfigCOM = nullptr;
  SetRegStrFn SetRegStr = nullptr;
  GetRegStrFn GetRegStr = nullptr;
  WriteLogFn WriteLog = nullptr;

 private:
  HMODULE module_ = nullptr;
};

// Directory of the test program, with a trailing backslash.
std::wstring ProgramDir();
// "PinLog.txt" beside the test program.
std::wstring LogPath();
void ClearLog();
std::string ReadLog();
// The log split into lines at CR LF (empty lines dropped).
std::vector<std::string> LogLines();
// True when `expected` appear in `lines` in this order (not necessarily adjacent).
bool InOrder(const std::vector<std::string>& lines, const std::vector<std::string>& expected);

bool FileExists(const std::wstring& path);
bool WriteText(const std::wstring& path, const std::string& bytes);
void RemoveTree(const std::wstring& dir);

// Removes an HKLM or HKCU key tree when the object goes.
class KeyCleanup {
 public:
  KeyCleanup(HKEY root, std::wstring path);
  ~KeyCleanup();
  KeyCleanup(const KeyCleanup&) = delete;
  KeyCleanup& operator=(const KeyCleanup&) = delete;

 private:
  HKEY root_;
  std::wstring path_;
};

// Puts a file in place of `target` for the object's life and restores the
// previous content (or removes the file) afterwards.
class PlacedFile {
 public:
  PlacedFile(const std::wstring& source, std::wstring target);
  ~PlacedFile();
  PlacedFile(const PlacedFile&) = delete;
  PlacedFile& operator=(const PlacedFile&) = delete;
  bool placed() const { return placed_; }

 private:
  std::wstring target_;
  std::vector<unsigned char> previous_;
  bool existed_ = false;
  bool placed_ = false;
};

// Deletes the printers whose names begin with prefix and the driver when the
// object goes (and also at construction, for a clean start).
class PrinterCleanup {
 public:
  PrinterCleanup(std::wstring printerPrefix, std::wstring driverName);
  ~PrinterCleanup();
  PrinterCleanup(const PrinterCleanup&) = delete;
  PrinterCleanup& operator=(const PrinterCleanup&) = delete;
  void Run();

 private:
  std::wstring prefix_;
  std::wstring driver_;
};

// Number of printers whose driver is driverName.
int PrintersOfDriver(const std::wstring& driverName);

// INF text of a driver package: catalogue line "CatalogFile=<driver>.CAT"
// (catExtension replaces ".CAT") and the version line (versionLine).
std::string PackageInf(const std::wstring& driverName, const std::string& catExtension = ".CAT",
                       const std::string& versionLine = "DriverVer=08/17/2016, 2.2.0.0");
// The same text as UTF-16LE with a byte order mark.
std::string ToUtf16le(const std::string& text);
// Writes dir\infName (content as given) and the catalogue file it names.
bool WriteInfWithCatalogue(const std::wstring& dir, const std::wstring& infName,
                           const std::string& content, const std::wstring& driverName);

// The Windows INF directory (C:\windows\inf).
std::wstring InfDir();
// Removes the oem*.inf / oem*.pnf files that appear in the INF directory
// during the object's life, and a file of the given name there.
class InfDirCleanup {
 public:
  explicit InfDirCleanup(std::vector<std::wstring> alsoRemove = {});
  ~InfDirCleanup();
  InfDirCleanup(const InfDirCleanup&) = delete;
  InfDirCleanup& operator=(const InfDirCleanup&) = delete;
  void Run();
  // oem*.inf files that were not there at construction.
  std::vector<std::wstring> NewOemInfs() const;

 private:
  std::vector<std::wstring> before_;
  std::vector<std::wstring> alsoRemove_;
};

// Names of the registered monitors.
std::vector<std::wstring> MonitorNames();
// Unregisters the monitor (any environment) and its registry key, now and at the end.
class MonitorCleanup {
 public:
  explicit MonitorCleanup(std::wstring name);
  ~MonitorCleanup();
  MonitorCleanup(const MonitorCleanup&) = delete;
  MonitorCleanup& operator=(const MonitorCleanup&) = delete;
  void Run();

 private:
  std::wstring name_;
};

// The test monitor's record of AddPortEx calls.
struct MonitorRecord {
  DWORD calls = 0;
  std::wstring lastPort;
  std::wstring lastMonitor;
};
MonitorRecord ReadMonitorRecord();
extern const wchar_t kMonitorRecordKey[];

// The system directory, and a helper DLL built for the tests.
inline std::wstring SystemDir() {
  wchar_t sys[MAX_PATH] = {};
  ::GetSystemDirectoryW(sys, MAX_PATH);
  return sys;
}
inline std::wstring HelperPath(const wchar_t* name) { return ProgramDir() + L"..\\helpers\\" + name; }

// The driver package of the installation tests (InstallTest, DriverSetupTest).
namespace install_package {
const wchar_t kDriver[] = L"Korvel MQ Install Test";
const wchar_t kInfName[] = L"skinst.inf";
const wchar_t kPrinter[] = L"Korvel Install Test";
const wchar_t kMonitor[] = L"KorvelUSB Printer Monitor";
}  // namespace install_package

// The first trace lines of every installation through InstallDriver, up to
// the monitor copy.
extern const std::vector<std::string> kPipelineHead;

// A file that an installation leaves behind, deleted again unless it was
// there before.
class LeftFile {
 public:
  explicit LeftFile(std::wstring path) : path_(std::move(path)), existed_(FileExists(path_)) {}
  ~LeftFile() {
    if (!existed_) ::DeleteFileW(path_.c_str());
  }
  LeftFile(const LeftFile&) = delete;
  LeftFile& operator=(const LeftFile&) = delete;
  const std::wstring& Path() const { return path_; }

 private:
  std::wstring path_;
  bool existed_;
};

// Everything an installation of the test package leaves behind (monitors,
// the monitor record, printers, INF copies, the monitor DLLs in the system
// directory), removed again when the object goes; and the package's language
// folders beside the program, laid out by LayOutPackage.
struct InstallTraces {
  InstallTraces()
      : monitor(install_package::kMonitor),
        usbMonitor(L"USB Printer Monitor"),
        record(HKEY_CURRENT_USER, kMonitorRecordKey),
        printers(install_package::kPrinter, install_package::kDriver),
        infs({install_package::kInfName}),
        sysMon(SystemDir() + L"\\KorvelUSBMon.dll"),
        sysMonUi(SystemDir() + L"\\KorvelUSBMonUI.dll") {}
  ~InstallTraces() {
    for (const wchar_t* lang : {L"ENG", L"CHN"}) RemoveTree(ProgramDir() + lang);
  }
  InstallTraces(const InstallTraces&) = delete;
  InstallTraces& operator=(const InstallTraces&) = delete;

  // The INF with its catalogue in "ENG" and "CHN" beside the program, and a
  // placeholder under the INF's own name in the INF directory, so that the
  // setup copy is oemN.inf.
  bool LayOutPackage() {
    using namespace install_package;
    for (const wchar_t* lang : {L"ENG", L"CHN"}) {
      RemoveTree(ProgramDir() + lang);
      if (!WriteInfWithCatalogue(ProgramDir() + lang, kInfName, PackageInf(kDriver), kDriver)) {
        return false;
      }
    }
    WriteText(InfDir() + L"\\" + kInfName, "; placeholder\r\n");
    return true;
  }

  MonitorCleanup monitor;
  MonitorCleanup usbMonitor;  // registered by installations on port USB001
  KeyCleanup record;
  PrinterCleanup printers;
  InfDirCleanup infs;
  LeftFile sysMon, sysMonUi;
};

}  // namespace spoolkit_test
