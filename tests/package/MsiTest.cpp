// The MSI packages built from this build's package (this version, and the
// same files labelled with a lower version), in a fresh prefix, run with
// msiexec as a deployment tool runs them: the older one installs into a
// chosen folder with the system PATH feature; this version replaces it in
// that folder; Setwright starts from there and ends with exit code 2
// through its close box; the NSIS setup refuses to install beside it; the
// removal leaves no file, shortcut, uninstall entry, product or PATH part.
#include <windows.h>
#include <msi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/package/PackageTestSupport.h"
#include "tests/support/DialogProgram.h"
#include "tests/support/PrinterEnds.h"

using namespace package_test;

namespace {

constexpr wchar_t kUpgradeCode[] = L"{E86BF0DE-B8CC-484C-A3F3-C652B9D521D0}";
const std::wstring kFolder = L"C:\\Apps\\Setwright\\";
const std::wstring kEnvironmentKey = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

// package: below the test program's folder.
std::wstring Msiexec(const std::wstring& action, const wchar_t* package, const std::wstring& extra = L"") {
  return L"msiexec.exe " + action + L" \"" + ProgramDir() + package + L"\" /qn" + extra;
}

// The installed products of the UpgradeCode.
std::vector<std::wstring> RelatedProducts() {
  std::vector<std::wstring> out;
  wchar_t code[39] = {};
  for (DWORD i = 0; ::MsiEnumRelatedProductsW(kUpgradeCode, 0, i, code) == ERROR_SUCCESS; ++i) out.push_back(code);
  return out;
}

std::wstring ProductVersion(const std::wstring& code) {
  wchar_t value[64] = {};
  DWORD size = 64;
  if (::MsiGetProductInfoW(code.c_str(), INSTALLPROPERTY_VERSIONSTRING, value, &size) != ERROR_SUCCESS) return L"";
  return value;
}

std::wstring EntryKey(const std::wstring& code) {
  return L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + code;
}

// Windows Installer puts a per-machine package's shortcuts into the
// all-users Programs folder; Wine's puts them into the installing user's.
bool ShortcutExists(const wchar_t* name) {
  return Exists(KnownFolder(CSIDL_COMMON_PROGRAMS) + L"\\" + name + L".lnk") ||
         Exists(KnownFolder(CSIDL_PROGRAMS) + L"\\" + name + L".lnk");
}

bool OnSystemPath(const std::wstring& folder) {
  std::wstring path = L";" + RegistryText(kEnvironmentKey, L"Path") + L";";
  return path.find(L";" + folder + L";") != std::wstring::npos ||
         path.find(L";" + folder.substr(0, folder.size() - 1) + L";") != std::wstring::npos;
}

void ExpectStagedFilesIn(const std::wstring& stage, const std::wstring& dir) {
  const std::vector<std::wstring> packaged = ListFiles(stage);
  ASSERT_GE(packaged.size(), 6u) << "the staged package is missing";
  for (const std::wstring& file : packaged) {
    EXPECT_EQ(testing_ends::ReadWholeFile(dir + file), testing_ends::ReadWholeFile(stage + file)) << Narrow(file);
  }
}

}  // namespace

TEST(Msi, UpdateReplacesTheOlderVersionInPlaceAndRemovalLeavesNothing) {
  ASSERT_TRUE(RelatedProducts().empty()) << "the prefix is not fresh";

  // The older version, into a folder of the administrator's choice, with
  // the optional feature that puts the folder on the system PATH.
  ASSERT_EQ(RunCommand(Msiexec(L"/i", L"dist-old\\Setwright-old.msi", L" INSTALLDIR=" + kFolder + L" ADDLOCAL=ALL")), 0u);
  std::vector<std::wstring> products = RelatedProducts();
  ASSERT_EQ(products.size(), 1u);
  const std::wstring older = products[0];
  EXPECT_EQ(ProductVersion(older), SW_OLD_MSI_VERSION_W);
  ExpectStagedFilesIn(ProgramDir() + L"dist-old\\stage\\Setwright-" SW_OLD_VERSION_W L"\\", kFolder);
  EXPECT_TRUE(OnSystemPath(kFolder)) << Narrow(RegistryText(kEnvironmentKey, L"Path"));

  // This version: a major upgrade that stays in the folder.
  ASSERT_EQ(RunCommand(Msiexec(L"/i", L"dist\\Setwright.msi")), 0u);
  products = RelatedProducts();
  ASSERT_EQ(products.size(), 1u);
  const std::wstring current = products[0];
  EXPECT_NE(current, older);
  EXPECT_EQ(ProductVersion(current), SW_MSI_VERSION_W);
  EXPECT_EQ(::MsiQueryProductStateW(older.c_str()), INSTALLSTATE_UNKNOWN);
  EXPECT_FALSE(KeyExists(EntryKey(older)));
  ExpectStagedFilesIn(ProgramDir() + L"dist\\stage\\Setwright-" SW_VERSION_W L"\\", kFolder);
  EXPECT_FALSE(Exists(KnownFolder(CSIDL_PROGRAM_FILES) + L"\\Setwright"));
  EXPECT_TRUE(ShortcutExists(L"Setwright"));
  EXPECT_TRUE(ShortcutExists(L"Setwright Command Prompt"));
  EXPECT_EQ(RegistryText(EntryKey(current), L"DisplayName"), L"Setwright");
  EXPECT_EQ(RegistryText(EntryKey(current), L"DisplayVersion"), SW_MSI_VERSION_W);
  EXPECT_EQ(RegistryText(EntryKey(current), L"Publisher"), L"Korvel");
  EXPECT_EQ(RegistryText(EntryKey(current), L"InstallLocation"), kFolder);
  EXPECT_EQ(RegistryText(L"Software\\Korvel\\Setwright", L"Version"), SW_VERSION_W);

  {
    testing_ends::DialogProgram setwright(kFolder + L"Setwright.exe");
    HWND window = setwright.WaitForWindow();
    ASSERT_NE(window, nullptr);
    ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(setwright.WaitForExit(), 2u);
  }

  // One installation per machine: the NSIS setup does not install beside it.
  EXPECT_EQ(RunCommand(L"\"" + ProgramDir() + L"dist\\Setwright-setup.exe\" /S"), 2u);
  EXPECT_FALSE(KeyExists(L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Setwright"));
  EXPECT_FALSE(Exists(KnownFolder(CSIDL_PROGRAM_FILES) + L"\\Setwright"));

  ASSERT_EQ(RunCommand(Msiexec(L"/x", L"dist\\Setwright.msi")), 0u);
  EXPECT_TRUE(RelatedProducts().empty());
  EXPECT_FALSE(KeyExists(EntryKey(current)));
  EXPECT_FALSE(Exists(kFolder));
  EXPECT_FALSE(ShortcutExists(L"Setwright"));
  EXPECT_FALSE(ShortcutExists(L"Setwright Command Prompt"));
  EXPECT_FALSE(KeyExists(L"Software\\Korvel\\Setwright"));
  EXPECT_FALSE(OnSystemPath(kFolder));
}
