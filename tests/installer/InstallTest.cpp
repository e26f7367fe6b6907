// InstallDriver end to end, called through Spoolkit.dll as an installer
// does, with a driver package laid out beside the test program: the monitor
// copy failing, the test monitor registered and its port added (twice),
// the command route with Wine's printui (does nothing) and with the test's
// stand-in printui placed in the prefix's system directory.
#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/installer/SpoolkitTestSupport.h"
#include "tests/support/MessageBoxCatcher.h"
#include "tests/support/PrinterEnds.h"

using namespace spoolkit_test;
// The values the driver package (and the installer template) were built with.
using namespace spoolkit_test::install_package;

namespace {

// Everything an installation leaves behind, removed again at the end.
class InstallFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(lib_.loaded());
    ASSERT_TRUE(traces_.LayOutPackage());
    calls_ = testing_ends::ScratchDir() + L"printui-calls.txt";
    ::DeleteFileW(calls_.c_str());
    ClearLog();
  }

  void TearDown() override {
    RemoveMonitorDlls();
    ClearLog();
  }

  // Once the spooler has loaded the monitor in this process its file beside
  // the program is in use and stays; it is the same file.
  void PlaceMonitorDlls() {
    for (const wchar_t* name : {L"KorvelUSBMon.dll", L"KorvelUSBMonUI.dll"}) {
      std::wstring target = ProgramDir() + name;
      ASSERT_TRUE(::CopyFileW(HelperPath(L"KorvelUSBMon.dll").c_str(), target.c_str(), FALSE) ||
                  FileExists(target));
    }
  }
  void RemoveMonitorDlls() {
    ::DeleteFileW((ProgramDir() + L"KorvelUSBMon.dll").c_str());
    ::DeleteFileW((ProgramDir() + L"KorvelUSBMonUI.dll").c_str());
  }
  bool MonitorListed() {
    for (const std::wstring& name : MonitorNames()) {
      if (name == kMonitor) return true;
    }
    return false;
  }
  int Install(const wchar_t* printer = kPrinter, const wchar_t* port = L"KorvelUSB PORT:",
              const wchar_t* driver = kDriver) {
    DriverInstallInfo info{};
    info.driverName = driver;
    info.infFileName = kInfName;
    MessageBoxCatcher boxes;  // the library shows none; a log failure would
    int result = lib_.InstallDriver(&info, printer, port, L"VID_0FE6&PID_811E");
    EXPECT_EQ(boxes.Count(), 0u);
    return result;
  }

  Spoolkit lib_;
  InstallTraces traces_;
  std::wstring calls_;
};

// The whole command route, both attempts, when no printer appears.
const std::vector<std::string> kCommandRouteFailing = {
    "PrinterInstall::doInstall::Enter GetPrinterName",
    "PrinterInstall::doInstall::Enter InstallByCmd",
    "PrinterInstall::installByInfCmd::Enter installByInfCmd",
    "PrinterInstall::installByInfCmd::Enter getSpecifiedPrinterCount",
    "PrinterInstall::installByInfCmd::Enter ExecuteCmdByProcess",
    "PrinterInstall::installByInfCmd::Enter getSpecifiedPrinterCount",
    "PrinterInstall::installByInfSetup::Enter",
    "PrinterInstall::installByInfSetup::Enter SetupCopyOEMInf",
    "PrinterInstall::installByInfSetup::Enter GetOemInfFile",
    "PrinterInstall::installByInfSetup::Enter getSpecifiedPrinterCount",
    "PrinterInstall::installByInfSetup::Enter ExecuteCmdByProcess",
    "PrinterInstall::installByInfSetup::Enter getSpecifiedPrinterCount",
};

}  // namespace

TEST_F(InstallFixture, MissingMonitorDllsGive2) {
  RemoveMonitorDlls();
  EXPECT_EQ(Install(), 2);
  std::vector<std::string> expected = kPipelineHead;
  expected.push_back("PrinterInstall::doInstall::copyMonitorFiles err = 2");
  EXPECT_EQ(LogLines(), expected);
  EXPECT_FALSE(MonitorListed());
}

TEST_F(InstallFixture, WinePrintUiChangesNothingAndGives3) {
  PlaceMonitorDlls();
  int before = PrintersOfDriver(kDriver);
  EXPECT_EQ(Install(), 3);
  EXPECT_EQ(PrintersOfDriver(kDriver), before);
  std::vector<std::string> lines = LogLines();
  std::vector<std::string> expected = kPipelineHead;
  expected.push_back("PrinterInstall::doInstall::Enter addPortMonitor");
  expected.push_back("PrinterInstall::doInstall::Enter addPort");
  expected.insert(expected.end(), kCommandRouteFailing.begin(), kCommandRouteFailing.end());
  EXPECT_EQ(lines, expected);
  // The INF was copied into the driver store under an oemN.inf name.
  EXPECT_EQ(traces_.infs.NewOemInfs().size(), 1u);
}

TEST_F(InstallFixture, MonitorRegistersAndSecondRunStillAddsThePort) {
  PlaceMonitorDlls();
  // A quote in the printer name refuses the command routes at once, which
  // keeps this test to the monitor and port steps.
  EXPECT_EQ(Install(L"Quote\"Printer"), 3);
  EXPECT_TRUE(MonitorListed());
  EXPECT_TRUE(FileExists(traces_.sysMon.Path()));
  EXPECT_TRUE(FileExists(traces_.sysMonUi.Path()));
  MonitorRecord first = ReadMonitorRecord();
  EXPECT_EQ(first.calls, 1u);
  EXPECT_EQ(first.lastPort, L"KorvelUSB PORT:");
  EXPECT_EQ(first.lastMonitor, kMonitor);

  // Second installation: the monitor is already there (3006), which counts
  // as success, and the port is added again.
  ClearLog();
  EXPECT_EQ(Install(L"Quote\"Printer"), 3);
  EXPECT_EQ(ReadMonitorRecord().calls, 2u);
  std::vector<std::string> lines = LogLines();
  EXPECT_TRUE(InOrder(lines, {"PrinterInstall::doInstall::Enter copyMonitorFiles",
                              "PrinterInstall::doInstall::Enter addPortMonitor",
                              "PrinterInstall::doInstall::Enter addPort",
                              "PrinterInstall::doInstall::Enter GetPrinterName",
                              "PrinterInstall::doInstall::Enter InstallByCmd"}));
  for (const std::string& line : lines) {
    EXPECT_EQ(line.find("err ="), std::string::npos) << line;
  }
  // No USB printer: straight from the model query to the command route.
  auto at = std::find(lines.begin(), lines.end(), "PrinterInstall::doInstall::Enter GetPrinterName");
  ASSERT_NE(at, lines.end());
  ASSERT_NE(at + 1, lines.end());
  EXPECT_EQ(*(at + 1), "PrinterInstall::doInstall::Enter InstallByCmd");
}

TEST_F(InstallFixture, StandInPrintUiInstallsThroughTheCommandRoute) {
  PlaceMonitorDlls();
  PlacedFile printui(HelperPath(L"printui.dll"), SystemDir() + L"\\printui.dll");
  ASSERT_TRUE(printui.placed());
  EXPECT_EQ(PrintersOfDriver(kDriver), 0);
  EXPECT_EQ(Install(kPrinter, L"USB001"), 0);
  EXPECT_EQ(PrintersOfDriver(kDriver), 1);
  std::vector<std::string> lines = LogLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "PrinterInstall::installByInfCmd::End");
  EXPECT_TRUE(InOrder(lines, {"PrinterInstall::doInstall::Enter InstallByCmd",
                              "PrinterInstall::installByInfCmd::Enter installByInfCmd",
                              "PrinterInstall::installByInfCmd::Enter getSpecifiedPrinterCount",
                              "PrinterInstall::installByInfCmd::Enter ExecuteCmdByProcess",
                              "PrinterInstall::installByInfCmd::Enter getSpecifiedPrinterCount",
                              "PrinterInstall::installByInfCmd::End"}));
  // The command carried every argument quoted.
  std::vector<unsigned char> raw = testing_ends::ReadWholeFile(calls_);
  std::wstring calls(reinterpret_cast<const wchar_t*>(raw.data()), raw.size() / sizeof(wchar_t));
  std::wstring expected = std::wstring(L"/if /b \"") + kPrinter + L"\" /f \"" + ProgramDir() +
                          L"ENG\\" + kInfName + L"\"  /r \"USB001\" /m \"" + kDriver + L"\"";
  EXPECT_NE(calls.find(expected), std::wstring::npos);
}

TEST_F(InstallFixture, QuoteInANameRunsNoCommand) {
  PlaceMonitorDlls();
  PlacedFile printui(HelperPath(L"printui.dll"), SystemDir() + L"\\printui.dll");
  ASSERT_TRUE(printui.placed());
  EXPECT_EQ(Install(L"X\" /b \"Injected", L"USB001"), 3);
  EXPECT_FALSE(FileExists(calls_));
  EXPECT_EQ(PrintersOfDriver(kDriver), 0);
  std::vector<std::string> lines = LogLines();
  EXPECT_TRUE(InOrder(lines,
                      {"PrinterInstall::installByInfCmd::refused: a name holds a double quote, a percent sign or a line break, or ends in a backslash",
                       "PrinterInstall::installByInfSetup::refused: a name holds a double quote, a percent sign or a line break, or ends in a backslash"}));
}

// A percent sign would let cmd.exe expand a variable inside the quoted
// argument (the variable may hold a quote that ends it early), and a
// trailing backslash would escape the closing quote: such names run no
// command at all.
TEST_F(InstallFixture, PercentOrTrailingBackslashRunsNoCommand) {
  PlaceMonitorDlls();
  PlacedFile printui(HelperPath(L"printui.dll"), SystemDir() + L"\\printui.dll");
  ASSERT_TRUE(printui.placed());
  ASSERT_TRUE(::SetEnvironmentVariableW(L"SW_QUOTED", L"x\" /b \"Injected"));
  struct Case {
    const wchar_t* printer;
    const wchar_t* port;
  };
  const Case cases[] = {{L"Shop%OS%", L"USB001"},
                        {L"Shop %SW_QUOTED% end", L"USB001"},
                        {L"Shop\\", L"USB001"},
                        {kPrinter, L"USB%OS%"}};
  for (const Case& c : cases) {
    ClearLog();
    EXPECT_EQ(Install(c.printer, c.port), 3) << c.printer;
    EXPECT_FALSE(FileExists(calls_)) << c.printer;
    EXPECT_TRUE(InOrder(LogLines(), {"PrinterInstall::installByInfCmd::refused: a name holds a double quote, "
                                     "a percent sign or a line break, or ends in a backslash"}))
        << c.printer;
  }
  EXPECT_EQ(PrintersOfDriver(kDriver), 0);
  ::SetEnvironmentVariableW(L"SW_QUOTED", nullptr);
}
