// The vendor driver-installer template (packaging/vendor/DriverSetup.nsi),
// built with NSIS around this build's Spoolkit.dll and run silently as a
// vendor's customer would run it, with the tests' driver package laid out
// beside it. The folder's name holds "(" and a space, as "Program Files
// (x86)" does. Results: 0 through the stand-in printui, 3 with Wine's own,
// 2 without the monitor DLLs, 10 without Spoolkit.dll; PinLog.txt beside
// the setup program shows each run's steps.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/installer/SpoolkitTestSupport.h"
#include "tests/support/DialogProgram.h"
#include "tests/support/PrinterEnds.h"

using namespace spoolkit_test;
// The values the driver package (and the installer template) were built with.
using namespace spoolkit_test::install_package;

namespace {

// Runs DriverSetup.exe /S beside this program; its exit code, or 999 when
// it did not start or end within a minute.
DWORD RunDriverSetup() {
  return testing_ends::RunAndWait(L"\"" + ProgramDir() + L"DriverSetup.exe\" /S", 60000, ProgramDir());
}

class DriverSetupFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(ProgramDir().find(L" ("), std::wstring::npos) << "the folder must hold \" (\"";
    ASSERT_TRUE(FileExists(ProgramDir() + L"DriverSetup.exe"));
    ASSERT_TRUE(traces_.LayOutPackage());
    ClearLog();
  }
  void TearDown() override {
    SetMonitorDlls(false);
    ClearLog();
  }

  void SetMonitorDlls(bool present) {
    for (const wchar_t* name : {L"KorvelUSBMon.dll", L"KorvelUSBMonUI.dll"}) {
      const std::wstring target = ProgramDir() + name;
      if (present) {
        ASSERT_TRUE(::CopyFileW(HelperPath(L"KorvelUSBMon.dll").c_str(), target.c_str(), FALSE));
      } else {
        ::DeleteFileW(target.c_str());
      }
    }
  }

  InstallTraces traces_;
};

}  // namespace

TEST_F(DriverSetupFixture, StandInPrintUiInstallsThePrinterAndGives0) {
  SetMonitorDlls(true);
  PlacedFile printui(HelperPath(L"printui.dll"), SystemDir() + L"\\printui.dll");
  ASSERT_TRUE(printui.placed());
  EXPECT_EQ(RunDriverSetup(), 0u);
  EXPECT_EQ(PrintersOfDriver(kDriver), 1);
  const std::vector<std::string> lines = LogLines();
  EXPECT_TRUE(InOrder(lines, {"InstallDriver::Enter", "PrinterInstall::doInstall::Enter addPortMonitor",
                              "PrinterInstall::doInstall::Enter addPort",
                              "PrinterInstall::doInstall::Enter InstallByCmd",
                              "PrinterInstall::installByInfCmd::Enter ExecuteCmdByProcess"}));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "PrinterInstall::installByInfCmd::End");
}

TEST_F(DriverSetupFixture, WinePrintUiGives3) {
  SetMonitorDlls(true);
  EXPECT_EQ(RunDriverSetup(), 3u);
  EXPECT_EQ(PrintersOfDriver(kDriver), 0);
  const std::vector<std::string> lines = LogLines();
  EXPECT_TRUE(InOrder(lines, {"PrinterInstall::doInstall::Enter InstallByCmd",
                              "PrinterInstall::installByInfCmd::Enter ExecuteCmdByProcess",
                              "PrinterInstall::installByInfSetup::Enter",
                              "PrinterInstall::installByInfSetup::Enter ExecuteCmdByProcess"}));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "PrinterInstall::installByInfSetup::Enter getSpecifiedPrinterCount");
}

TEST_F(DriverSetupFixture, MissingMonitorDllsGive2) {
  SetMonitorDlls(false);
  EXPECT_EQ(RunDriverSetup(), 2u);
  std::vector<std::string> expected = kPipelineHead;
  expected.push_back("PrinterInstall::doInstall::copyMonitorFiles err = 2");
  EXPECT_EQ(LogLines(), expected);
}

TEST_F(DriverSetupFixture, MissingSpoolkitGives10AndNoLog) {
  SetMonitorDlls(true);
  const std::wstring dll = ProgramDir() + L"Spoolkit.dll";
  const std::wstring aside = ProgramDir() + L"Spoolkit.dll.aside";
  ASSERT_TRUE(::MoveFileExW(dll.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING));
  const DWORD code = RunDriverSetup();
  ASSERT_TRUE(::MoveFileExW(aside.c_str(), dll.c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(code, 10u);
  EXPECT_TRUE(LogLines().empty());
}
