// The NSIS installer built from this build's package, in a fresh prefix (the
// cases run in order and share it):
// - a silent install puts every file of the package, both Start-menu
//   shortcuts and the uninstall entry in place; the installed Setwright
//   starts and ends with exit code 2 through its close box; the entry's
//   QuietUninstallString returns with the files, shortcuts and entry gone,
//   leaving only the running uninstaller to the next restart; installing
//   again into that folder before the restart works;
// - a folder holding a user's file is refused and the file kept;
// - with one installation in place, another folder is refused and a run
//   without /D updates the installation in place.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/package/PackageTestSupport.h"
#include "tests/support/DialogProgram.h"
#include "tests/support/PrinterEnds.h"

using namespace package_test;

namespace {

const std::wstring kUninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Setwright";

std::wstring SilentSetup() { return L"\"" + ProgramDir() + L"dist\\Setwright-setup.exe\" /S"; }
std::wstring Stage() { return ProgramDir() + L"dist\\stage\\Setwright-" SW_VERSION_W L"\\"; }
std::wstring DefaultDir() { return KnownFolder(CSIDL_PROGRAM_FILES) + L"\\Setwright\\"; }
std::wstring Shortcut(const wchar_t* name) { return KnownFolder(CSIDL_COMMON_PROGRAMS) + L"\\" + name + L".lnk"; }
bool EntryExists() { return KeyExists(kUninstallKey); }

// Every file of the package lies in dir as staged.
void ExpectPackageIn(const std::wstring& dir) {
  const std::vector<std::wstring> packaged = ListFiles(Stage());
  ASSERT_GE(packaged.size(), 6u) << "the staged package is missing";
  for (const std::wstring& file : packaged) {
    EXPECT_EQ(testing_ends::ReadWholeFile(dir + file), testing_ends::ReadWholeFile(Stage() + file)) << Narrow(file);
  }
}

// Runs the uninstall entry's QuietUninstallString as a deployment tool
// does, and checks that when it returns nothing of the installation is left
// in dir but uninstallers, which go at the next restart, and the user's
// own files (kept).
void QuietUninstallLeavesNothing(const std::wstring& dir, const std::vector<std::wstring>& kept = {}) {
  ASSERT_EQ(RunCommand(RegistryText(kUninstallKey, L"QuietUninstallString")), 0u);
  for (const std::wstring& file : ListFiles(Stage())) EXPECT_FALSE(Exists(dir + file)) << Narrow(file);
  EXPECT_FALSE(Exists(dir + L"Lang"));
  EXPECT_FALSE(Exists(Shortcut(L"Setwright")));
  EXPECT_FALSE(Exists(Shortcut(L"Setwright Command Prompt")));
  EXPECT_FALSE(EntryExists());
  const std::vector<std::wstring> pending = DeletedAtRestart();
  for (const std::wstring& left : ListFiles(dir)) {
    if (std::find(kept.begin(), kept.end(), left) != kept.end()) continue;
    EXPECT_EQ(left.rfind(L"Uninstall", 0), 0u) << Narrow(left) << " is left";
    EXPECT_NE(std::find(pending.begin(), pending.end(), dir + left), pending.end()) << Narrow(left);
  }
}

}  // namespace

TEST(Installer, InstallsStartsAndTheQuietUninstallIsDoneWhenItReturns) {
  const std::wstring dir = DefaultDir();
  ASSERT_FALSE(Exists(dir)) << "the prefix is not fresh";
  ASSERT_FALSE(EntryExists());

  ASSERT_EQ(RunCommand(SilentSetup()), 0u);
  ExpectPackageIn(dir);
  EXPECT_TRUE(Exists(dir + L"Lang\\zh_CN\\LC_MESSAGES\\PrinterConfig.mo"));
  EXPECT_TRUE(Exists(dir + L"SetwrightCmd.exe"));
  EXPECT_TRUE(Exists(Shortcut(L"Setwright")));
  EXPECT_TRUE(Exists(Shortcut(L"Setwright Command Prompt")));
  EXPECT_EQ(RegistryText(kUninstallKey, L"DisplayName"), L"Setwright");
  EXPECT_EQ(RegistryText(kUninstallKey, L"DisplayVersion"), SW_VERSION_W);
  EXPECT_EQ(RegistryText(kUninstallKey, L"Publisher"), L"Korvel");
  EXPECT_EQ(RegistryText(kUninstallKey, L"UninstallString"), L"\"" + dir + L"Uninstall.exe\"");
  EXPECT_EQ(RegistryText(kUninstallKey, L"QuietUninstallString"),
            L"\"" + dir + L"Uninstall.exe\" /S _?=" + dir.substr(0, dir.size() - 1));
  // The size in KiB covers the programs (and the uninstaller).
  ULONGLONG bytes = 0;
  for (const std::wstring& file : ListFiles(Stage())) bytes += testing_ends::ReadWholeFile(Stage() + file).size();
  EXPECT_GE(RegistryNumber(kUninstallKey, L"EstimatedSize"), bytes / 1024);
  EXPECT_LE(RegistryNumber(kUninstallKey, L"EstimatedSize"), bytes / 1024 + 1024);

  {
    testing_ends::DialogProgram setwright(dir + L"Setwright.exe");
    HWND window = setwright.WaitForWindow();
    ASSERT_NE(window, nullptr);
    ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(setwright.WaitForExit(), 2u);
  }

  QuietUninstallLeavesNothing(dir);

  // Before the restart the folder still holds the old uninstaller: a new
  // installation goes there all the same, with an uninstaller that is not
  // the one to be deleted.
  ASSERT_EQ(RunCommand(SilentSetup()), 0u);
  ExpectPackageIn(dir);
  const std::wstring uninstaller = RegistryText(kUninstallKey, L"UninstallString");
  const std::vector<std::wstring> pending = DeletedAtRestart();
  EXPECT_EQ(std::find(pending.begin(), pending.end(), uninstaller.substr(1, uninstaller.size() - 2)), pending.end())
      << Narrow(uninstaller);
  QuietUninstallLeavesNothing(dir);
}

TEST(Installer, RefusesAFolderHoldingOtherFilesAndKeepsThem) {
  const std::wstring dir = L"C:\\Apps\\Tools\\";
  ASSERT_TRUE(::SHCreateDirectoryExW(nullptr, dir.c_str(), nullptr) == ERROR_SUCCESS);
  ASSERT_TRUE(WriteText(dir + L"README.txt", "The user's own notes.\r\n"));

  EXPECT_EQ(RunCommand(SilentSetup() + L" /D=C:\\Apps\\Tools"), 2u);
  EXPECT_EQ(ReadText(dir + L"README.txt"), L"The user's own notes.\r\n");
  EXPECT_EQ(ListFiles(dir), std::vector<std::wstring>{L"README.txt"});
  EXPECT_FALSE(EntryExists());
  EXPECT_FALSE(Exists(Shortcut(L"Setwright")));
}

TEST(Installer, KeepsOneInstallationAndUpdatesItInPlace) {
  const std::wstring first = L"C:\\Apps\\First\\";
  ASSERT_EQ(RunCommand(SilentSetup() + L" /D=C:\\Apps\\First"), 0u);
  ExpectPackageIn(first);
  ASSERT_TRUE(WriteText(first + L"store.ini", "[BID]\r\nBID = Shift Left, 5\r\n"));

  EXPECT_EQ(RunCommand(SilentSetup() + L" /D=C:\\Apps\\Second"), 2u);
  EXPECT_TRUE(ListFiles(L"C:\\Apps\\Second\\").empty());
  EXPECT_EQ(RegistryText(kUninstallKey, L"UninstallString"), L"\"" + first + L"Uninstall.exe\"");

  // Without /D the run updates the installation where it is, and a file the
  // user put there stays.
  EXPECT_EQ(RunCommand(SilentSetup()), 0u);
  EXPECT_FALSE(Exists(DefaultDir() + L"Setwright.exe"));
  ExpectPackageIn(first);
  EXPECT_EQ(ReadText(first + L"store.ini"), L"[BID]\r\nBID = Shift Left, 5\r\n");
  EXPECT_TRUE(Exists(Shortcut(L"Setwright")));

  QuietUninstallLeavesNothing(first, {L"store.ini"});
  EXPECT_EQ(ReadText(first + L"store.ini"), L"[BID]\r\nBID = Shift Left, 5\r\n");
}
