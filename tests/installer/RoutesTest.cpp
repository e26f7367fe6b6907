// The inner steps of an installation, run on a PrinterInstall object in the
// test program: INF catalogue search after SetupCopyOEMInfW, the package's
// file list in the registry, the plug-and-play route, NewInstall's choice,
// the printer count, refusal of unsafe and oversized names, monitor
// registration and port addition through the test monitor.
#include <gtest/gtest.h>
#include <windows.h>
#include <setupapi.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "installer/InfRoutes.h"
#include "installer/MonitorPorts.h"
#include "installer/SystemProbes.h"
#include "installer/PrinterInstall.h"
#include "tests/installer/SpoolkitTestSupport.h"
#include "tests/support/PrinterEnds.h"

using namespace spoolkit_test;
using spoolkit::PrinterInstall;

namespace {

const wchar_t kDriver[] = L"Korvel MQ Route Test";
const wchar_t kInfName[] = L"skroute.inf";

spoolkit::DriverInstallInfo Info(const wchar_t* driver = kDriver, const wchar_t* inf = kInfName) {
  spoolkit::DriverInstallInfo info{};
  info.driverName = driver;
  info.infFileName = inf;
  return info;
}

// A placeholder under the INF's own name in the INF directory makes the
// setup interface name its copy oemN.inf, as on a system where that name is
// taken; the placeholder and the copies go at the end.
struct OemCopy {
  explicit OemCopy(const std::wstring& infName)
      : cleanup({infName}), placeholder(InfDir() + L"\\" + infName) {
    WriteText(placeholder, "; placeholder\r\n");
  }
  InfDirCleanup cleanup;
  std::wstring placeholder;
};

std::wstring ScratchPackage(const wchar_t* name) {
  std::wstring dir = ProgramDir() + name;
  RemoveTree(dir);
  ::CreateDirectoryW(dir.c_str(), nullptr);
  return dir;
}

bool CopyOem(const std::wstring& inf) {
  wchar_t dest[MAX_PATH] = {};
  return ::SetupCopyOEMInfW(inf.c_str(), nullptr, SPOST_PATH, SP_COPY_NEWER, dest, MAX_PATH,
                            nullptr, nullptr) != FALSE;
}

}  // namespace

class OemInfSearch : public ::testing::Test {
 protected:
  void Expect(const std::string& content, bool found) {
    OemCopy oem(kInfName);
    std::wstring dir = ScratchPackage(L"oemsrc");
    ASSERT_TRUE(WriteInfWithCatalogue(dir, kInfName, content, kDriver));
    ASSERT_TRUE(CopyOem(dir + L"\\" + kInfName)) << ::GetLastError();
    std::vector<std::wstring> copies = oem.cleanup.NewOemInfs();
    ASSERT_EQ(copies.size(), 1u);
    auto info = Info();
    PrinterInstall install(&info, L"P", L"USB001", L"HW");
    wchar_t path[520] = L"untouched";
    EXPECT_EQ(install.GetOemInfFile(path, 520), found);
    if (found) {
      EXPECT_EQ(std::wstring(path), InfDir() + L"\\" + copies[0]);
    }
    RemoveTree(dir);
  }
};

TEST_F(OemInfSearch, EightBitInfIsFound) { Expect(PackageInf(kDriver), true); }

TEST_F(OemInfSearch, Utf16InfIsFound) { Expect(ToUtf16le(PackageInf(kDriver)), true); }

TEST_F(OemInfSearch, Utf16InfWithSubstituteByteIsFound) {
  // "Ě" (U+011A) holds the byte 0x1A that ends a text-mode read.
  std::string text = ToUtf16le("; ") + std::string("\x1A\x01", 2);
  std::string rest = ToUtf16le("\r\n" + PackageInf(kDriver));
  text += rest.substr(2);  // without a second byte order mark
  Expect(text, true);
}

TEST_F(OemInfSearch, LowerCaseCatalogueExtensionDoesNotMatch) {
  Expect(PackageInf(kDriver, ".cat"), false);
}

TEST_F(OemInfSearch, VersionWithoutSpaceDoesNotMatch) {
  Expect(PackageInf(kDriver, ".CAT", "DriverVer=08/17/2016,2.2.0.0"), false);
}

TEST(InstallByInfSetup, NoMatchingCopyFailsBeforeTheCommand) {
  OemCopy oem(kInfName);
  ClearLog();
  auto info = Info();
  PrinterInstall install(&info, L"Route Printer", L"USB001", L"HW");
  install.createSrcFileDir();
  std::wstring src = install.srcDir();
  RemoveTree(src);
  ASSERT_TRUE(WriteInfWithCatalogue(src, kInfName, PackageInf(kDriver, ".cat"), kDriver));
  EXPECT_FALSE(install.installByInfSetup());
  std::vector<std::string> lines = LogLines();
  EXPECT_TRUE(InOrder(lines, {"PrinterInstall::installByInfSetup::Enter",
                              "PrinterInstall::installByInfSetup::Enter SetupCopyOEMInf",
                              "PrinterInstall::installByInfSetup::Enter GetOemInfFile"}));
  EXPECT_EQ(lines.back(), "PrinterInstall::installByInfSetup::Enter GetOemInfFile");
  RemoveTree(src);
  ClearLog();
}

TEST(SaveFileName, ListWithCommasFirstAndLast) {
  std::wstring dir = ScratchPackage(L"savelist");
  WriteText(dir + L"\\a.inf", "x");
  WriteText(dir + L"\\b.cat", "x");
  const std::wstring key =
      L"SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\Version-3\\X";
  KeyCleanup cleanup(HKEY_LOCAL_MACHINE, key);
  ASSERT_TRUE(spoolkit::SaveFileName(dir.c_str(), L"X", L"Windows NT x86"));
  HKEY k = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &k), ERROR_SUCCESS);
  wchar_t value[260] = {};
  DWORD type = 0, size = sizeof(value) - sizeof(wchar_t);
  ASSERT_EQ(::RegQueryValueExW(k, L"XFile", nullptr, &type, reinterpret_cast<BYTE*>(value), &size),
            ERROR_SUCCESS);
  ::RegCloseKey(k);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_STREQ(value, L",a.inf,b.cat,");
  RemoveTree(dir);
}

TEST(SaveFileName, ListLongerThanItsCapacityIsRefused) {
  std::wstring dir = ScratchPackage(L"savelong");
  for (int i = 0; i < 12; ++i) {
    WriteText(dir + L"\\file-with-a-rather-long-name-" + std::to_wstring(i) + L".dll", "x");
  }
  const std::wstring key =
      L"SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers\\Version-3\\Y";
  KeyCleanup cleanup(HKEY_LOCAL_MACHINE, key);
  ClearLog();
  EXPECT_FALSE(spoolkit::SaveFileName(dir.c_str(), L"Y", L"Windows x64"));
  EXPECT_EQ(LogLines().back(), "SaveFileName::the file list is too long");
  HKEY k = nullptr;
  EXPECT_NE(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &k), ERROR_SUCCESS);
  RemoveTree(dir);
  ClearLog();
}

TEST(PlugAndPlay, InfPathNamingADirectoryGives3) {
  ClearLog();
  auto info = Info();
  PrinterInstall install(&info, L"P", L"USB001", L"VID_0FE6&PID_811E");
  install.createSrcFileDir();
  std::wstring src = install.srcDir();
  RemoveTree(src);
  ::CreateDirectoryW(src.c_str(), nullptr);
  ::CreateDirectoryW((src + L"\\" + kInfName).c_str(), nullptr);
  EXPECT_EQ(install.execuByHardwardID(), 3);
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"PrinterInstall::execuByHardwardID::Enter",
                                                  "PrinterInstall::execuByHardwardID::Enter FuncInst",
                                                  "FuncInst::Enter", "FuncInst::Enter isValidFilePath",
                                                  "FuncInst::End"}));
  RemoveTree(src);
  ClearLog();
}

TEST(NewInstall, UsbPortTakesThePlugAndPlayRoute) {
  OemCopy oem(kInfName);
  const std::wstring key = std::wstring(L"SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\") +
                           spoolkit::environmentName() + L"\\Drivers\\Version-3\\" + kDriver;
  KeyCleanup cleanup(HKEY_LOCAL_MACHINE, key);
  ClearLog();
  auto info = Info();
  PrinterInstall install(&info, L"P", L"USB001", L"VID_0FE6&PID_811E");
  install.createSrcFileDir();
  std::wstring src = install.srcDir();
  RemoveTree(src);
  ASSERT_TRUE(WriteInfWithCatalogue(src, kInfName, PackageInf(kDriver), kDriver));
  // Wine's plug-and-play update reports success when no device carries the
  // hardware id (Windows would fail with ERROR_NO_SUCH_DEVINST), so the
  // route runs to its end and records the package's files.
  EXPECT_EQ(install.NewInstall(), 0);
  EXPECT_EQ(LogLines(),
            (std::vector<std::string>{"PrinterInstall::NewInstall::Enter execuByHardwardID",
                                      "PrinterInstall::execuByHardwardID::Enter",
                                      "PrinterInstall::execuByHardwardID::Enter FuncInst",
                                      "FuncInst::Enter", "FuncInst::Enter isValidFilePath",
                                      "FuncInst::Enter InstallInfFile", "InstallInfFile::Enter",
                                      "InstallInfFile::Enter GetFullPathName",
                                      "InstallInfFile::Enter SetupCopyOEMInf",
                                      "InstallInfFile::Enter UpdateDriverForPlugAndPlayDevices",
                                      "FuncInst::End",
                                      "PrinterInstall::execuByHardwardID::Enter SaveFileName",
                                      "PrinterInstall::execuByHardwardID::End"}));
  EXPECT_EQ(oem.cleanup.NewOemInfs().size(), 1u);
  HKEY k = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &k), ERROR_SUCCESS);
  wchar_t value[260] = {};
  DWORD size = sizeof(value) - sizeof(wchar_t);
  EXPECT_EQ(::RegQueryValueExW(k, (std::wstring(kDriver) + L"File").c_str(), nullptr, nullptr,
                               reinterpret_cast<BYTE*>(value), &size),
            ERROR_SUCCESS);
  ::RegCloseKey(k);
  std::wstring list = value;
  EXPECT_EQ(list.size(), std::wstring(L",skroute.inf,Korvel MQ Route Test.CAT,").size());
  EXPECT_NE(list.find(L",skroute.inf,"), std::wstring::npos);
  EXPECT_NE(list.find(L",Korvel MQ Route Test.CAT,"), std::wstring::npos);
  RemoveTree(src);
  ClearLog();
}

TEST(NewInstall, MonitorPortTakesTheCommandRoute) {
  ClearLog();
  auto info = Info();
  // The double quote makes both command routes refuse at once, so no
  // command runs; the branch taken shows in the log.
  PrinterInstall install(&info, L"Bad\"Name", L"KorvelUSB PORT:1", L"HW");
  install.createSrcFileDir();
  EXPECT_EQ(install.NewInstall(), 3);
  std::vector<std::string> lines = LogLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "PrinterInstall::NewInstall::Enter InstallByCmd");
  EXPECT_TRUE(InOrder(lines,
                      {"PrinterInstall::installByInfCmd::Enter installByInfCmd",
                       "PrinterInstall::installByInfCmd::refused: a name holds a double quote, a percent sign or a line break, or ends in a backslash",
                       "PrinterInstall::installByInfSetup::Enter",
                       "PrinterInstall::installByInfSetup::refused: a name holds a double quote, a percent sign or a line break, or ends in a backslash"}));
  ClearLog();
}

TEST(CommandRoute, UnsafeOrOversizedValuesRunNothing) {
  struct Case {
    const wchar_t* printer;
    const wchar_t* port;
    std::wstring driver;
    const char* line;
  };
  std::wstring longDriver(300, L'D');
  const Case cases[] = {
      {L"Printer\r\nX", L"USB001", kDriver, "refused: a name holds a double quote, a percent sign or a line break, or ends in a backslash"},
      {L"Printer", L"USB\n001", kDriver, "refused: a name holds a double quote, a percent sign or a line break, or ends in a backslash"},
      {L"Printer", L"USB001", L"Drv\"x", "refused: a name holds a double quote, a percent sign or a line break, or ends in a backslash"},
      {L"Printer", L"USB001", longDriver, "refused: a name is too long for the command line"},
  };
  for (const Case& c : cases) {
    ClearLog();
    auto info = Info(c.driver.c_str());
    PrinterInstall install(&info, c.printer, c.port, L"HW");
    install.createSrcFileDir();
    EXPECT_FALSE(install.installByInfCmd());
    std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], std::string("PrinterInstall::installByInfCmd::") + c.line);
  }
  // Each value fits, but together the command is longer than the command line.
  ClearLog();
  std::wstring d(200, L'd'), p(200, L'p');
  auto info = Info(d.c_str());
  PrinterInstall install(&info, p.c_str(), L"USB001", L"HW");
  install.createSrcFileDir();
  EXPECT_FALSE(install.installByInfCmd());
  EXPECT_EQ(LogLines().back(), "PrinterInstall::installByInfCmd::refused: the command line is too long");
  // An INF path longer than its 260 characters fails before anything runs.
  ClearLog();
  std::wstring longInf(300, L'i');
  auto longInfInfo = Info(kDriver, longInf.c_str());
  PrinterInstall withLongInf(&longInfInfo, L"Printer", L"USB001", L"HW");
  withLongInf.createSrcFileDir();
  EXPECT_FALSE(withLongInf.installByInfCmd());
  EXPECT_FALSE(withLongInf.installByInfSetup());
  EXPECT_EQ(withLongInf.execuByHardwardID(), 3);
  EXPECT_TRUE(InOrder(LogLines(), {"PrinterInstall::installByInfCmd::INF path too long",
                                   "PrinterInstall::installByInfSetup::Enter",
                                   "PrinterInstall::execuByHardwardID::INF path too long"}));
  // An INF name holding a quote is refused as well.
  ClearLog();
  auto badInf = Info(kDriver, L"a\".inf");
  PrinterInstall withBadInf(&badInf, L"Printer", L"USB001", L"HW");
  withBadInf.createSrcFileDir();
  EXPECT_FALSE(withBadInf.installByInfCmd());
  EXPECT_EQ(LogLines().back(),
            "PrinterInstall::installByInfCmd::refused: a name holds a double quote, a percent sign or a line break, or ends in a backslash");
  ClearLog();
}

TEST(CommandRoute, ProcessStartAndWait) {
  EXPECT_TRUE(spoolkit::ExecuteCmdByProcess(L"C:\\windows\\system32\\cmd.exe", L"exit 3"));
  EXPECT_FALSE(spoolkit::ExecuteCmdByProcess(L"C:\\no\\such\\cmd.exe", L"exit 0"));
}

TEST(PrinterCount, PrefixAndDriver) {
  const std::wstring driver = L"Korvel Count Test";
  PrinterCleanup cleanup(L"CountTest", driver);
  EXPECT_EQ(spoolkit::getSpecifiedPrinterCount(driver.c_str(), nullptr), -1);
  EXPECT_EQ(spoolkit::getSpecifiedPrinterCount(driver.c_str(), L""), 0);

  wchar_t engine[] = L"wineps.drv";
  std::wstring name = driver;
  DRIVER_INFO_3W di{};
  di.cVersion = 3;
  di.pName = &name[0];
  di.pDriverPath = engine;
  di.pDataFile = engine;
  di.pConfigFile = engine;
  ASSERT_TRUE(::AddPrinterDriverExW(nullptr, 3, reinterpret_cast<LPBYTE>(&di), APD_COPY_NEW_FILES));
  for (const wchar_t* printerName : {L"CountTest", L"CountTest (Copy 1)", L"countTest lower"}) {
    std::wstring printer = printerName;
    wchar_t port[] = L"LPT1:", processor[] = L"WinPrint", datatype[] = L"RAW";
    PRINTER_INFO_2W pi{};
    pi.pPrinterName = &printer[0];
    pi.pPortName = port;
    pi.pDriverName = &name[0];
    pi.pPrintProcessor = processor;
    pi.pDatatype = datatype;
    HANDLE h = ::AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&pi));
    ASSERT_NE(h, nullptr);
    ::ClosePrinter(h);
  }
  EXPECT_EQ(spoolkit::getSpecifiedPrinterCount(driver.c_str(), L"CountTest"), 2);
  EXPECT_EQ(spoolkit::getSpecifiedPrinterCount(L"Other Driver", L"CountTest"), 0);
  EXPECT_EQ(spoolkit::getSpecifiedPrinterCount(L"", L"CountTest"), 0);
}

TEST(SystemBranches, LanguageFolderAndEnvironment) {
  auto info = Info();
  PrinterInstall install(&info, L"P", L"USB001", L"HW");
  install.setSystem(false, true);
  install.createSrcFileDir();
  EXPECT_EQ(std::wstring(install.srcDir()), ProgramDir() + L"CHN");
  EXPECT_EQ(std::wstring(install.exeDir()), ProgramDir());
  install.setSystem(true, false);
  install.createSrcFileDir();
  EXPECT_EQ(std::wstring(install.srcDir()), ProgramDir() + L"ENG");
  // A 64-bit test build runs under a 64-bit system; a 32-bit one in a
  // 32-bit prefix sees a 32-bit system.
  if (sizeof(void*) == 8) {
    EXPECT_TRUE(spoolkit::is64BitSystem());
    EXPECT_STREQ(spoolkit::environmentName(), L"Windows x64");
  } else {
    EXPECT_STREQ(spoolkit::environmentName(),
                 spoolkit::is64BitSystem() ? L"Windows x64" : L"Windows NT x86");
  }
}

TEST(MonitorFiles, CopyRuleAndBothPasses) {
  const std::wstring dir = ProgramDir();
  const std::wstring helpers = dir + L"..\\helpers\\KorvelUSBMon.dll";
  wchar_t sys[MAX_PATH] = {};
  ::GetSystemDirectoryW(sys, MAX_PATH);
  PlacedFile keepMon(helpers, std::wstring(sys) + L"\\KorvelUSBMon.dll");
  PlacedFile keepUi(helpers, std::wstring(sys) + L"\\KorvelUSBMonUI.dll");
  ::DeleteFileW((dir + L"KorvelUSBMon.dll").c_str());
  ::DeleteFileW((dir + L"KorvelUSBMonUI.dll").c_str());
  EXPECT_EQ(spoolkit::copyMonitorDlls(dir.c_str(), false), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  ASSERT_TRUE(::CopyFileW(helpers.c_str(), (dir + L"KorvelUSBMonUI.dll").c_str(), FALSE));
  EXPECT_EQ(spoolkit::copyMonitorDlls(dir.c_str(), false), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  ASSERT_TRUE(::CopyFileW(helpers.c_str(), (dir + L"KorvelUSBMon.dll").c_str(), FALSE));
  EXPECT_EQ(spoolkit::copyMonitorDlls(dir.c_str(), false), 0u);
  EXPECT_EQ(spoolkit::copyMonitorDlls(dir.c_str(), true), 0u);
  EXPECT_TRUE(FileExists(std::wstring(sys) + L"\\KorvelUSBMon.dll"));
  EXPECT_TRUE(FileExists(std::wstring(sys) + L"\\KorvelUSBMonUI.dll"));
  // A target held open without sharing (in use) still counts as copied.
  HANDLE held = ::CreateFileW((std::wstring(sys) + L"\\KorvelUSBMonUI.dll").c_str(), GENERIC_READ, 0,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(spoolkit::copyOverwriting((dir + L"KorvelUSBMonUI.dll").c_str(),
                                      (std::wstring(sys) + L"\\KorvelUSBMonUI.dll").c_str()),
            0u);
  ::CloseHandle(held);
  ::DeleteFileW((dir + L"KorvelUSBMon.dll").c_str());
  ::DeleteFileW((dir + L"KorvelUSBMonUI.dll").c_str());
}

TEST(MonitorAndPort, MonitorWithoutEntryPointIsLogged) {
  // A DLL without InitializePrintMonitor2 under the monitor's name: the
  // spooler refuses it (127) and the step logs the error number.
  const std::wstring dir = ProgramDir();
  ASSERT_TRUE(::CopyFileW((dir + L"..\\helpers\\printui.dll").c_str(),
                          (dir + L"KorvelUSBMon.dll").c_str(), FALSE));
  MonitorCleanup korvel(L"KorvelUSB Printer Monitor");
  ClearLog();
  EXPECT_FALSE(spoolkit::registerMonitor(L"KorvelUSB PORT:", spoolkit::is64BitSystem()));
  EXPECT_EQ(ReadLog(), "PrinterInstall::addPortMonitor::addPortMonitor err = 127\r\n\r\n");
  ::DeleteFileW((dir + L"KorvelUSBMon.dll").c_str());
  ClearLog();
}

TEST(MonitorAndPort, UsbPortUsesTheGenericMonitorName) {
  const std::wstring dir = ProgramDir();
  const std::wstring helpers = dir + L"..\\helpers\\KorvelUSBMon.dll";
  ASSERT_TRUE(::CopyFileW(helpers.c_str(), (dir + L"KorvelUSBMon.dll").c_str(), FALSE));
  MonitorCleanup monitor(L"USB Printer Monitor");
  KeyCleanup record(HKEY_CURRENT_USER, kMonitorRecordKey);
  ClearLog();
  EXPECT_TRUE(spoolkit::registerMonitor(L"USB001", spoolkit::is64BitSystem()));
  bool listed = false;
  for (const std::wstring& name : MonitorNames()) listed = listed || name == L"USB Printer Monitor";
  EXPECT_TRUE(listed);
  EXPECT_TRUE(spoolkit::registerMonitor(L"USB001", spoolkit::is64BitSystem()));  // already installed: still true
  EXPECT_TRUE(spoolkit::addPort(L"USB001"));
  MonitorRecord r = ReadMonitorRecord();
  EXPECT_EQ(r.calls, 1u);
  EXPECT_EQ(r.lastPort, L"USB PORT:");
  EXPECT_EQ(r.lastMonitor, L"USB Printer Monitor");
  EXPECT_EQ(ReadLog(), "");
  ::DeleteFileW((dir + L"KorvelUSBMon.dll").c_str());
}

// An installer whose own path is too long to read whole must not fall back
// to paths relative to the current directory: monitor DLLs planted there are
// not copied into the system directory and nothing is installed. (Wine
// cannot start a program from a folder of 260 characters or more, so the
// pipeline runs here with the unreadable folder such a program gets.)
TEST(Pipeline, UnreadableProgramFolderInstallsNothing) {
  wchar_t system[MAX_PATH] = {};
  ::GetSystemDirectoryW(system, MAX_PATH);
  const std::wstring installed = std::wstring(system) + L"\\KorvelUSBMon.dll";
  ASSERT_FALSE(FileExists(installed)) << "a monitor DLL is already installed";
  const std::wstring planted = testing_ends::ScratchDir() + L"planted\\";
  ::CreateDirectoryW(planted.c_str(), nullptr);
  const std::wstring monitor = ProgramDir() + L"..\\helpers\\KorvelUSBMon.dll";
  for (const wchar_t* name : {L"KorvelUSBMon.dll", L"KorvelUSBMonUI.dll"}) {
    ASSERT_TRUE(::CopyFileW(monitor.c_str(), (planted + name).c_str(), FALSE));
  }
  wchar_t previous[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(::SetCurrentDirectoryW(planted.c_str()));
  ClearLog();
  auto info = Info();
  PrinterInstall install(&info, L"Korvel Route Printer", L"KorvelUSB PORT:", L"HW");
  install.useProgramFolder(nullptr);
  const int result = install.installFromPackage();
  ::SetCurrentDirectoryW(previous);
  EXPECT_EQ(result, 3);
  EXPECT_FALSE(FileExists(installed));
  const std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "PrinterInstall::doInstall::refused: the program folder cannot be read whole");
  // A folder that is read is used as it is.
  install.useProgramFolder(L"C:\\Setup\\");
  EXPECT_STREQ(install.exeDir(), L"C:\\Setup\\");
  ClearLog();
}
