// The installer built from this build's package, in a fresh prefix: a
// silent install puts every file of the package, the Start-menu shortcut
// and the uninstall entry in place; the installed Setwright starts and ends
// with exit code 2 through its close box; a silent uninstall removes the
// files, the shortcut, the entry and the folder.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/UniqueResource.h"
#include "tests/support/DialogProgram.h"
#include "tests/support/PrinterEnds.h"

namespace {

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Setwright";

std::wstring ProgramDir() {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self);
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

std::wstring KnownFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Paths of the files below root (relative, backslashes), found recursively.
void ListFiles(const std::wstring& root, const std::wstring& sub, std::vector<std::wstring>& out) {
  WIN32_FIND_DATAW found{};
  UniqueFind find(::FindFirstFileW((root + sub + L"*").c_str(), &found));
  if (!find.Valid()) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ListFiles(root, sub + name + L"\\", out);
    } else {
      out.push_back(sub + name);
    }
  } while (::FindNextFileW(find.Get(), &found));
}

// The uninstall entry, opened for reading while the object lives.
class UninstallEntry {
 public:
  UninstallEntry() {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &opened) == ERROR_SUCCESS) {
      key_.Reset(opened);
    }
  }
  bool Exists() const { return key_.Valid(); }
  std::wstring Text(const wchar_t* name) const {
    wchar_t value[1024] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t), type = 0;
    if (!key_.Valid() || ::RegQueryValueExW(key_.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
                     ERROR_SUCCESS || type != REG_SZ) {
      return L"<missing>";
    }
    return value;
  }
  DWORD Number(const wchar_t* name) const {
    DWORD value = 0, size = sizeof(value), type = 0;
    if (!key_.Valid() || ::RegQueryValueExW(key_.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
                     ERROR_SUCCESS || type != REG_DWORD) {
      return 0;
    }
    return value;
  }

 private:
  UniqueRegistryKey key_;
};

bool EntryExists() { return UninstallEntry().Exists(); }

}  // namespace

TEST(Installer, SilentInstallRunsAndSilentUninstallRemovesEverything) {
  const std::wstring stage = ProgramDir() + L"dist\\stage\\Setwright-" SW_VERSION_W L"\\";
  std::vector<std::wstring> packaged;
  ListFiles(stage, L"", packaged);
  ASSERT_GE(packaged.size(), 5u) << "the staged package is missing";
  const std::wstring installDir = KnownFolder(CSIDL_PROGRAM_FILES) + L"\\Setwright\\";
  const std::wstring shortcut = KnownFolder(CSIDL_COMMON_PROGRAMS) + L"\\Setwright.lnk";
  ASSERT_FALSE(Exists(installDir)) << "the prefix is not fresh";
  ASSERT_FALSE(EntryExists());

  // Silent install: every file of the package, byte for byte, and the rest.
  ASSERT_EQ(testing_ends::RunAndWait(L"\"" + ProgramDir() + L"dist\\Setwright-setup.exe\" /S", 120000), 0u);
  ULONGLONG bytes = 0;
  for (const std::wstring& file : packaged) {
    const std::vector<unsigned char> installed = testing_ends::ReadWholeFile(installDir + file);
    EXPECT_EQ(installed, testing_ends::ReadWholeFile(stage + file)) << std::string(file.begin(), file.end());
    bytes += installed.size();
  }
  EXPECT_TRUE(Exists(installDir + L"Lang\\zh_CN\\LC_MESSAGES\\PrinterConfig.mo"));
  EXPECT_TRUE(Exists(installDir + L"Uninstall.exe"));
  EXPECT_TRUE(Exists(shortcut));
  {
    UninstallEntry entry;
    ASSERT_TRUE(entry.Exists());
    EXPECT_EQ(entry.Text(L"DisplayName"), L"Setwright");
    EXPECT_EQ(entry.Text(L"DisplayVersion"), SW_VERSION_W);
    EXPECT_EQ(entry.Text(L"Publisher"), L"Korvel");
    EXPECT_EQ(entry.Text(L"UninstallString"), L"\"" + installDir + L"Uninstall.exe\"");
    EXPECT_EQ(entry.Text(L"QuietUninstallString"), L"\"" + installDir + L"Uninstall.exe\" /S");
    // The size in KiB covers the programs (and the uninstaller).
    EXPECT_GE(entry.Number(L"EstimatedSize"), bytes / 1024);
    EXPECT_LE(entry.Number(L"EstimatedSize"), bytes / 1024 + 1024);
  }

  // The installed program starts and ends with 2 through its close box.
  {
    testing_ends::DialogProgram setwright(installDir + L"Setwright.exe");
    HWND window = setwright.WaitForWindow();
    ASSERT_NE(window, nullptr);
    ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(setwright.WaitForExit(), 2u);
  }

  // Silent uninstall: the uninstaller hands over to a copy of itself and
  // returns at once; the copy removes everything within a minute.
  ASSERT_EQ(testing_ends::RunAndWait(L"\"" + installDir + L"Uninstall.exe\" /S", 120000), 0u);
  for (int i = 0; i < 600 && (Exists(installDir) || EntryExists() || Exists(shortcut)); ++i) ::Sleep(100);
  for (const std::wstring& file : packaged) {
    EXPECT_FALSE(Exists(installDir + file)) << std::string(file.begin(), file.end());
  }
  EXPECT_FALSE(Exists(installDir + L"Uninstall.exe"));
  EXPECT_FALSE(Exists(installDir));
  EXPECT_FALSE(Exists(shortcut));
  EXPECT_FALSE(EntryExists());
}
