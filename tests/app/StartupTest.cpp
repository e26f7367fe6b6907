// The built Setwright.exe started as a real process under Wine: its window,
// caption and exit codes.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/app/CatalogueVariants.h"
#include "tests/support/DialogProgram.h"
#include "tests/support/Keyboard.h"
#include "tests/support/PrinterEnds.h"

namespace {

std::wstring SetwrightPath() {
  // The program lies at the top of this build: two folders above this test.
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self);
  for (int up = 0; up < 3; ++up) path = path.substr(0, path.find_last_of(L'\\'));
  return path + L"\\" SW_SETWRIGHT_EXE_W;
}

// Setwright of this build, or the program given.
class Setwright : public testing_ends::DialogProgram {
 public:
  explicit Setwright(int showCommand = SW_SHOWNORMAL, const wchar_t* arguments = L"",
                     const std::wstring& program = SetwrightPath())
      : DialogProgram(program, arguments, showCommand) {}
};

using testing_ends::Caption;

}  // namespace

TEST(Startup, CancelEndsWithTwoAndCaptionHasTheVersion) {
  Setwright program;
  ASSERT_TRUE(program.Started());
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(Caption(window), L"KorvelSetTool v1.44");
  ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(program.WaitForExit(), 2u);
}

TEST(Startup, OkEndsWithOne) {
  Setwright program(SW_SHOWNORMAL, L"ignored --arguments");
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  ::PostMessageW(window, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(program.WaitForExit(), 1u);
}

TEST(Startup, CloseBoxEndsWithTwo) {
  Setwright program;
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(program.WaitForExit(), 2u);
}

TEST(Startup, StartsMinimisedWhenAskedAndStillWorks) {
  Setwright program(SW_SHOWMINIMIZED);
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(::IsIconic(window));
  ::ShowWindowAsync(window, SW_RESTORE);
  for (int i = 0; i < 100 && ::IsIconic(window); ++i) ::Sleep(20);
  EXPECT_FALSE(::IsIconic(window));
  ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(program.WaitForExit(), 2u);
}

namespace {

// Sets an environment variable for the programs started while it lives.
class EnvironmentScope {
 public:
  EnvironmentScope(const wchar_t* name, const wchar_t* value) : name_(name) {
    ::SetEnvironmentVariableW(name, value);
  }
  ~EnvironmentScope() { ::SetEnvironmentVariableW(name_, nullptr); }
  EnvironmentScope(const EnvironmentScope&) = delete;
  EnvironmentScope& operator=(const EnvironmentScope&) = delete;

 private:
  const wchar_t* name_;
};

// A copy of Setwright in a folder of the scratch area with catalogue as its
// German catalogue; returns the copy's path.
std::wstring SetwrightWithCatalogue(const std::wstring& name, const catalogue_test::Bytes& catalogue) {
  const std::wstring folder = testing_ends::ScratchDir() + name;
  ::CreateDirectoryW(folder.c_str(), nullptr);
  ::CreateDirectoryW((folder + L"\\Lang").c_str(), nullptr);
  ::CreateDirectoryW((folder + L"\\Lang\\de").c_str(), nullptr);
  ::CreateDirectoryW((folder + L"\\Lang\\de\\LC_MESSAGES").c_str(), nullptr);
  testing_ends::WriteWholeFile(folder + L"\\Lang\\de\\LC_MESSAGES\\PrinterConfig.mo",
                               catalogue.data(), catalogue.size());
  const std::wstring program = folder + L"\\" SW_SETWRIGHT_EXE_W;
  ::CopyFileW(SetwrightPath().c_str(), program.c_str(), FALSE);
  return program;
}

std::wstring SetwrightWithCatalogue(const std::string& name, const catalogue_test::Bytes& catalogue) {
  return SetwrightWithCatalogue(std::wstring(name.begin(), name.end()), catalogue);
}

// The test German catalogue built beside this test.
catalogue_test::Bytes GermanCatalogue() {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring folder(self);
  folder = folder.substr(0, folder.find_last_of(L'\\') + 1);
  return testing_ends::ReadWholeFile(folder + L"Lang\\de\\LC_MESSAGES\\PrinterConfig.mo");
}

std::wstring ControlText(HWND window, int id) {
  wchar_t text[128] = {};
  ::GetDlgItemTextW(window, id, text, 128);
  return text;
}

}  // namespace

// A damaged catalogue is never handed to the runtime: the program starts with
// its English texts (and ends normally) instead of crashing or showing blank
// labels. The intact catalogue in the same place is used.
TEST(Startup, DamagedCatalogueStartsInEnglish) {
  EnvironmentScope all(L"LC_ALL", L"de_DE.UTF-8");
  EnvironmentScope language(L"LANGUAGE", L"de");
  EnvironmentScope noDebugger(L"WINEDLLOVERRIDES", L"winedbg.exe=d");
  const catalogue_test::Bytes mo = GermanCatalogue();
  ASSERT_GT(mo.size(), 100u);

  {
    Setwright program(SW_SHOWNORMAL, L"", SetwrightWithCatalogue("intact", mo));
    HWND window = program.WaitForWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Caption(window), L"KorvelEinstellung v1.44");
    ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(program.WaitForExit(), 2u);
  }
  for (const catalogue_test::Variant& variant : catalogue_test::DamagedVariants(mo)) {
    if (variant.name != "truncated" && variant.name != "huge-count" &&
        variant.name != "original-offset-past-end" && variant.name != "hash-entry-past-count" &&
        variant.name != "hash-table-full") {
      continue;
    }
    Setwright program(SW_SHOWNORMAL, L"", SetwrightWithCatalogue(variant.name, variant.bytes));
    HWND window = program.WaitForWindow();
    ASSERT_NE(window, nullptr) << variant.name;
    EXPECT_EQ(Caption(window), L"KorvelSetTool v1.44") << variant.name;
    EXPECT_EQ(ControlText(window, 1006), L"Config Port") << variant.name;
    ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(program.WaitForExit(), 2u) << variant.name;
  }
}

// The catalogue is found through its wide path when the program lies in a
// folder whose name the ANSI code page (1252 here) cannot spell. ctest runs
// this under a UTF-8 Unix locale, in which Wine can name such a folder.
TEST(StartupWidePath, CatalogueFoundInAFolderTheCodePageCannotSpell) {
  ASSERT_EQ(::GetACP(), 1252u);
  EnvironmentScope language(L"LANGUAGE", L"de");
  const catalogue_test::Bytes mo = GermanCatalogue();
  ASSERT_GT(mo.size(), 100u);

  const std::wstring copy = SetwrightWithCatalogue(L"\u8BBE\u7F6E \u5DE5\u5177", mo);
  ASSERT_NE(::GetFileAttributesW(copy.c_str()), INVALID_FILE_ATTRIBUTES);
  Setwright program(SW_SHOWNORMAL, L"", copy);
  ASSERT_TRUE(program.Started()) << ::GetLastError();
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(Caption(window), L"KorvelEinstellung v1.44");
  ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(program.WaitForExit(), 2u);
}

// The program's own window, keys from the keyboard: Tab runs from the
// window's controls through the tab strip into the shown page and back,
// Ctrl+Tab turns the page, Enter in a page's field leaves the program
// running, Esc ends it as Cancel.
TEST(Startup, KeysReachThePagesOfTheRunningProgram) {
  Setwright program;
  const HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(testing_ends::BringToFront(window));
  const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
  const HWND tab = ::GetDlgItem(window, 1007);
  const HWND panel = ::GetDlgItem(window, 201);  // the pages carry their template's id
  const HWND bid = ::GetDlgItem(window, 208);
  ASSERT_NE(panel, nullptr);
  ASSERT_NE(bid, nullptr);
  auto press = [&](WORD key, std::initializer_list<WORD> held) {
    const HWND from = testing_ends::FocusOfThread(thread);
    testing_ends::PressKey(key, held);
    return testing_ends::WaitForFocusToLeave(thread, from);
  };

  HWND focus = testing_ends::FocusOfThread(thread);
  EXPECT_EQ(::GetDlgCtrlID(focus), 1002);  // the "Port:" choice
  for (int i = 0; i < 10 && focus != tab; ++i) focus = press(VK_TAB, {});
  ASSERT_EQ(focus, tab);
  focus = press(VK_TAB, {});
  EXPECT_EQ(::GetParent(focus), panel);
  focus = press(VK_TAB, {VK_SHIFT});
  EXPECT_EQ(focus, tab);

  testing_ends::PressKey(VK_TAB, {VK_CONTROL});
  for (int i = 0; i < 300 && ::SendMessageW(tab, TCM_GETCURSEL, 0, 0) != 1; ++i) ::Sleep(10);
  EXPECT_EQ(::SendMessageW(tab, TCM_GETCURSEL, 0, 0), 1);
  EXPECT_TRUE(::IsWindowVisible(bid));
  EXPECT_FALSE(::IsWindowVisible(panel));
  focus = press(VK_TAB, {});
  ASSERT_EQ(::GetParent(focus), bid);

  // Enter, then Tab: once the focus has moved on, Enter has been handled.
  testing_ends::PressKey(VK_RETURN);
  focus = press(VK_TAB, {});
  EXPECT_EQ(::GetParent(focus), bid);
  EXPECT_EQ(::WaitForSingleObject(program.Handle(), 0), static_cast<DWORD>(WAIT_TIMEOUT));

  testing_ends::PressKey(VK_ESCAPE);
  EXPECT_EQ(program.WaitForExit(), 2u);
}
