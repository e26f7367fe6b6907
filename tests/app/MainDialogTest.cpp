// The main dialog created in-process from its real template, against Wine's
// spooler ports and real message boxes.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "common/Globals.h"
#include "app/MainDlg.h"
#include "tests/support/MessageBoxCatcher.h"
#include "tests/support/PageDriver.h"
#include "tests/support/PrinterEnds.h"

using namespace pages_test;

namespace {

void CALLBACK QuitWith99(HWND, UINT, UINT_PTR, DWORD) { ::PostQuitMessage(99); }

class MainDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
    ::InitCommonControlsEx(&controls);
    com7_ = std::make_unique<testing_ends::PortsEntry>(L"COM7:");
    lpt5_ = std::make_unique<testing_ends::PortsEntry>(L"LPT5:");
    dialog_ = std::make_unique<CMainDlg>();
    ASSERT_NE(dialog_->Create(nullptr), nullptr);
    MainDialog = dialog_.get();
    MainWindow = dialog_->m_hWnd;
    hwnd_ = dialog_->m_hWnd;
  }
  void TearDown() override {
    dialog_.reset();
    MainDialog = nullptr;
    MainWindow = nullptr;
    delete StoredSerialSettings;
    StoredSerialSettings = nullptr;
  }

  std::unique_ptr<testing_ends::PortsEntry> com7_;
  std::unique_ptr<testing_ends::PortsEntry> lpt5_;
  std::unique_ptr<CMainDlg> dialog_;
  HWND hwnd_ = nullptr;
};

}  // namespace

TEST_F(MainDialogTest, PortListIsSortedWithEthernetLast) {
  std::vector<std::wstring> items = ComboItems(hwnd_, IDC_PORT_LIST);
  ASSERT_GE(items.size(), 3u);
  EXPECT_EQ(items.back(), L"Ethernet");
  std::vector<std::wstring> ports(items.begin(), items.end() - 1);
  EXPECT_TRUE(std::is_sorted(ports.begin(), ports.end(), [](const std::wstring& a, const std::wstring& b) {
    return ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) ==
           CSTR_LESS_THAN;
  }));
  for (const wchar_t* expected : {L"COM1:", L"COM7:", L"LPT1:", L"LPT5:"}) {
    EXPECT_NE(std::find(items.begin(), items.end(), expected), items.end()) << expected;
  }
  EXPECT_EQ(std::find(items.begin(), items.end(), L"FILE:"), items.end());
  EXPECT_EQ(::SendMessageW(::GetDlgItem(hwnd_, IDC_PORT_LIST), CB_GETCURSEL, 0, 0), 0);
}

TEST_F(MainDialogTest, StartsOnThePortChoiceWithCaptionAndTabs) {
  wchar_t caption[100] = {};
  ::GetWindowTextW(hwnd_, caption, 100);
  EXPECT_STREQ(caption, L"KorvelSetTool v1.44");
  EXPECT_EQ(::SendDlgItemMessageW(hwnd_, IDC_RADIO_PORT, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_TRUE(Enabled(hwnd_, IDC_PORT_LIST));
  EXPECT_TRUE(Enabled(hwnd_, IDC_CONFIG_PORT));
  EXPECT_FALSE(Enabled(hwnd_, IDC_PRINTER_LIST));
  EXPECT_FALSE(Enabled(hwnd_, IDC_RADIO_USB));  // Wine has no USB printer
  ASSERT_NE(CurrentSelection, nullptr);
  ASSERT_NE(PrinterAddressText, nullptr);
  EXPECT_STREQ(PrinterAddressText, L"0.0.0.0");

  HWND tab = ::GetDlgItem(hwnd_, IDC_TAB);
  const wchar_t* captions[] = {L"Panel", L"BID", L"Ethernet", L"Wifi", L"Bluetooth setting",
                               L"Serial", L"User Define"};
  ASSERT_EQ(::SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), 7);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(TabCaption(tab, i), captions[i]);
  wchar_t group[64] = {};
  ::GetDlgItemTextW(hwnd_, IDC_MAIN_GROUP, group, 64);
  EXPECT_STREQ(group, L"Port");
}

TEST_F(MainDialogTest, ChoicesSetEnableStatesAndKinds) {
  Click(hwnd_, IDC_RADIO_DRIVER);
  EXPECT_TRUE(Enabled(hwnd_, IDC_PRINTER_LIST));
  EXPECT_FALSE(Enabled(hwnd_, IDC_PORT_LIST));
  EXPECT_FALSE(Enabled(hwnd_, IDC_CONFIG_PORT));
  EXPECT_EQ(CurrentSelection->kind, PrinterDriver);

  // The USB choice is disabled under Wine; its command still works.
  ::CheckRadioButton(hwnd_, IDC_RADIO_USB, IDC_RADIO_DRIVER, IDC_RADIO_USB);
  ::SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(IDC_RADIO_USB, BN_CLICKED), 0);
  EXPECT_FALSE(Enabled(hwnd_, IDC_PRINTER_LIST));
  EXPECT_FALSE(Enabled(hwnd_, IDC_PORT_LIST));
  EXPECT_FALSE(Enabled(hwnd_, IDC_CONFIG_PORT));
  EXPECT_EQ(CurrentSelection->kind, Usb);

  Click(hwnd_, IDC_RADIO_PORT);
  EXPECT_TRUE(Enabled(hwnd_, IDC_PORT_LIST));
  EXPECT_TRUE(Enabled(hwnd_, IDC_CONFIG_PORT));
  EXPECT_FALSE(Enabled(hwnd_, IDC_PRINTER_LIST));
}

TEST_F(MainDialogTest, SelectionFollowsTheListOnlyAtRefresh) {
  ShowEntry(hwnd_, IDC_PORT_LIST, L"LPT5:");
  Click(hwnd_, IDC_RADIO_PORT);
  EXPECT_EQ(CurrentSelection->kind, Lpt);
  EXPECT_STREQ(CurrentSelection->name, L"LPT5:");

  ShowEntry(hwnd_, IDC_PORT_LIST, L"COM7:");
  EXPECT_EQ(CurrentSelection->kind, Lpt);  // not refreshed yet
  dialog_->RefreshSelection();
  EXPECT_EQ(CurrentSelection->kind, Com);
  EXPECT_STREQ(CurrentSelection->name, L"COM7:");

  ShowEntry(hwnd_, IDC_PORT_LIST, L"Ethernet");
  dialog_->RefreshSelection();
  EXPECT_EQ(CurrentSelection->kind, Ethernet);
  EXPECT_STREQ(CurrentSelection->name, L"Ethernet");
}

TEST_F(MainDialogTest, AddressControlOnlyForEthernet) {
  ShowEntry(hwnd_, IDC_PORT_LIST, L"LPT1:");
  EXPECT_FALSE(Enabled(hwnd_, IDC_PRINTER_ADDRESS));
  ShowEntry(hwnd_, IDC_PORT_LIST, L"Ethernet");
  EXPECT_TRUE(Enabled(hwnd_, IDC_PRINTER_ADDRESS));
  Click(hwnd_, IDC_RADIO_DRIVER);
  EXPECT_FALSE(Enabled(hwnd_, IDC_PRINTER_ADDRESS));
  Click(hwnd_, IDC_RADIO_PORT);
  EXPECT_TRUE(Enabled(hwnd_, IDC_PRINTER_ADDRESS));
  TypeAddress(hwnd_, 127, 0, 0, 1);
  EXPECT_STREQ(PrinterAddressText, L"127.0.0.1");
}

TEST_F(MainDialogTest, PreSendCheckStopsUnconfiguredComAndUnsetAddress) {
  MessageBoxCatcher boxes;
  ShowEntry(hwnd_, IDC_PORT_LIST, L"LPT1:");
  EXPECT_EQ(dialog_->CheckPortReady(), 1);
  EXPECT_EQ(boxes.Count(), 0u);

  ShowEntry(hwnd_, IDC_PORT_LIST, L"COM7:");
  EXPECT_EQ(dialog_->CheckPortReady(), 0);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, L"You need Configure com port first");
  EXPECT_EQ(boxes.Boxes()[0].caption, L"ERROR");
  EXPECT_EQ(boxes.Boxes()[0].owner, hwnd_);

  StoredSerialSettings = new DCB{};
  EXPECT_EQ(dialog_->CheckPortReady(), 1);
  EXPECT_EQ(boxes.Count(), 1u);

  ShowEntry(hwnd_, IDC_PORT_LIST, L"Ethernet");
  EXPECT_EQ(dialog_->CheckPortReady(), 0);
  ASSERT_EQ(boxes.Count(), 2u);
  EXPECT_EQ(boxes.Boxes()[1].text, L"You need Configure ip first");
  EXPECT_EQ(boxes.Boxes()[1].caption, L"ERROR");

  TypeAddress(hwnd_, 127, 0, 0, 1);
  EXPECT_EQ(dialog_->CheckPortReady(), 1);
  EXPECT_EQ(boxes.Count(), 2u);
}

TEST_F(MainDialogTest, ConfigPortRefusesOtherEntriesAndIgnoresEthernet) {
  MessageBoxCatcher boxes;
  ShowEntry(hwnd_, IDC_PORT_LIST, L"Ethernet");
  Click(hwnd_, IDC_CONFIG_PORT);
  EXPECT_EQ(boxes.Count(), 0u);

  HWND list = ::GetDlgItem(hwnd_, IDC_PORT_LIST);
  ::SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"FILE:"));
  ShowEntry(hwnd_, IDC_PORT_LIST, L"FILE:");
  Click(hwnd_, IDC_CONFIG_PORT);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, L"The port no configuration");
  EXPECT_EQ(boxes.Boxes()[0].caption, L"ERROR");
}

TEST_F(MainDialogTest, TabSwitchShowsExactlyOnePage) {
  HWND tab = ::GetDlgItem(hwnd_, IDC_TAB);
  auto visiblePages = [&] {
    std::vector<int> shown;
    for (int i = 0; i < 7; ++i) {
      HWND page = dialog_->Page(i);
      EXPECT_NE(page, nullptr) << i;
      if (page && (::GetWindowLongW(page, GWL_STYLE) & WS_VISIBLE)) shown.push_back(i);
    }
    return shown;
  };
  EXPECT_EQ(visiblePages(), std::vector<int>{0});
  for (int index : {3, 6, 1}) {
    ::SendMessageW(tab, TCM_SETCURSEL, index, 0);
    NMHDR header{tab, IDC_TAB, static_cast<UINT>(TCN_SELCHANGE)};
    ::SendMessageW(hwnd_, WM_NOTIFY, IDC_TAB, reinterpret_cast<LPARAM>(&header));
    EXPECT_EQ(visiblePages(), std::vector<int>{index});
  }
  // Pages fill the tab control's display area, below its captions.
  RECT area{}, pageRect{};
  ::GetWindowRect(tab, &area);
  ::SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  ::GetWindowRect(dialog_->Page(1), &pageRect);
  EXPECT_TRUE(::EqualRect(&pageRect, &area));
  for (int i = 0; i < 7; ++i) {
    RECT item{};
    ::SendMessageW(tab, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item));
    ::MapWindowPoints(tab, nullptr, reinterpret_cast<POINT*>(&item), 2);
    EXPECT_GE(pageRect.top, item.bottom) << i;
  }
}

TEST_F(MainDialogTest, EnterOnThePortListEndsTheLoopWithOk) {
  CMessageLoop loop;
  loop.AddMessageFilter(dialog_.get());
  ::ShowWindow(hwnd_, SW_SHOW);
  HWND list = ::GetDlgItem(hwnd_, IDC_PORT_LIST);
  ::SetFocus(list);
  ::PostMessageW(list, WM_KEYDOWN, VK_RETURN, 0);
  ::PostMessageW(list, WM_KEYUP, VK_RETURN, 0);
  // Guard: a loop that never ends would hang the test.
  UINT_PTR guard = ::SetTimer(nullptr, 0, 5000, QuitWith99);
  EXPECT_EQ(loop.Run(), IDOK);
  ::KillTimer(nullptr, guard);
  EXPECT_EQ(dialog_->m_hWnd, nullptr);  // the dialog destroyed itself
}

// Enter while typing the network printer's address applies the address and
// keeps the window open (elsewhere Enter still means OK); the field has a label.
TEST_F(MainDialogTest, EnterInTheAddressFieldAppliesTheAddress) {
  wchar_t label[64] = {};
  ::GetDlgItemTextW(hwnd_, IDC_PRINTER_ADDRESS_LABEL, label, 64);
  EXPECT_STREQ(label, L"Printer address:");
  CMessageLoop loop;
  loop.AddMessageFilter(dialog_.get());
  ::ShowWindow(hwnd_, SW_SHOW);
  ShowEntry(hwnd_, IDC_PORT_LIST, L"Ethernet");
  Click(hwnd_, IDC_RADIO_PORT);
  HWND address = ::GetDlgItem(hwnd_, IDC_PRINTER_ADDRESS);
  // Typed without the change notification a finished field sends.
  ::SendMessageW(address, IPM_SETADDRESS, 0, MAKEIPADDRESS(127, 0, 0, 9));
  HWND field = ::GetWindow(address, GW_CHILD);
  ASSERT_NE(field, nullptr);
  ::SetFocus(field);
  ::PostMessageW(field, WM_KEYDOWN, VK_RETURN, 0);
  ::PostMessageW(field, WM_CHAR, VK_RETURN, 0);
  ::PostMessageW(field, WM_KEYUP, VK_RETURN, 0);
  UINT_PTR guard = ::SetTimer(nullptr, 0, 600, QuitWith99);
  EXPECT_EQ(loop.Run(), 99);
  ::KillTimer(nullptr, guard);
  EXPECT_NE(dialog_->m_hWnd, nullptr);
  EXPECT_STREQ(PrinterAddressText, L"127.0.0.9");
}

// The profile buttons open the standard file dialogs, whose library loads
// with the first of them; cancelled, nothing else happens (no box, no file).
TEST_F(MainDialogTest, ProfileButtonsOpenTheFileDialogs) {
  const struct {
    int button;
    const wchar_t* caption;
  } dialogs[] = {{IDC_SAVE_PROFILE, L"Save"}, {IDC_LOAD_PROFILE, L"Open"}};
  for (const auto& dialog : dialogs) {
    DialogCloser closer(dialog.caption, IDCANCEL);
    Click(hwnd_, dialog.button);
    EXPECT_EQ(closer.Seen().size(), 1u) << dialog.caption;
  }
  EXPECT_NE(::GetModuleHandleW(L"comdlg32.dll"), nullptr);
}

namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\Setwright";

// The folder the profile dialogs remember for the user; empty when none.
std::wstring RememberedProfileFolder() {
  wchar_t folder[MAX_PATH] = {};
  DWORD size = sizeof(folder);
  ::RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, L"ProfileFolder", RRF_RT_REG_SZ, nullptr, folder, &size);
  return folder;
}

bool SameFolder(const std::wstring& a, const std::wstring& b) {
  auto bare = [](std::wstring path) {
    while (path.size() > 3 && path.back() == L'\\') path.pop_back();
    return path;
  };
  return ::lstrcmpiW(bare(a).c_str(), bare(b).c_str()) == 0;
}

// What a file dialog showed when it opened; with a file name to choose, the
// dialog is given it before it is closed with OK.
struct FileDialogSeen {
  std::wstring folder;
  bool readOnlyBox = true;
  std::vector<std::wstring> types;
  std::wstring choose;
};

// Cancels a file dialog that did not take the name it was given, so a
// failing test does not wait for ever.
void CALLBACK CancelFileDialog(HWND dialog, UINT, UINT_PTR, DWORD) {
  ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

void LookAtFileDialog(HWND dialog, void* context) {
  auto* seen = static_cast<FileDialogSeen*>(context);
  wchar_t folder[MAX_PATH] = {};
  ::SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
  seen->folder = folder;
  const HWND readOnly = ::GetDlgItem(dialog, chx1);
  seen->readOnlyBox = readOnly != nullptr && ::IsWindowVisible(readOnly);
  seen->types = ComboItems(dialog, cmb1);
  if (!seen->choose.empty()) {
    // The file name field: an edit, or a combo box with an edit.
    const HWND name = ::GetDlgItem(dialog, edt1) ? ::GetDlgItem(dialog, edt1) : ::GetDlgItem(dialog, cmb13);
    ::SetWindowTextW(name, seen->choose.c_str());
    ::SetTimer(dialog, 1, 5000, CancelFileDialog);
  }
}

}  // namespace

// Save and Load open in the user's Documents folder the first time and in
// the folder of the last profile saved or loaded after that, remembered for
// the user under the program's own key; one file type, no read-only box.
TEST_F(MainDialogTest, ProfileDialogsOpenInDocumentsThenInTheLastFolder) {
  ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey, L"ProfileFolder");
  wchar_t documents[MAX_PATH] = {};
  ASSERT_EQ(::SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, 0, documents), S_OK);
  const std::wstring folder = testing_ends::ScratchDir() + L"profiles";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  // Each dialog opened in turn: the file name to save (none: cancelled),
  // where the dialog opens, the folder remembered after it.
  const struct {
    int button;
    const wchar_t* caption;
    std::wstring choose;
    std::wstring opensIn;
    std::wstring remembered;
  } steps[] = {
      {IDC_SAVE_PROFILE, L"Save", L"", documents, L""},
      {IDC_LOAD_PROFILE, L"Open", L"", documents, L""},
      {IDC_SAVE_PROFILE, L"Save", folder + L"\\shop.ini", documents, folder},
      {IDC_SAVE_PROFILE, L"Save", L"", folder, folder},
      {IDC_LOAD_PROFILE, L"Open", L"", folder, folder},
  };
  for (const auto& step : steps) {
    MessageBoxCatcher boxes;
    FileDialogSeen seen;
    seen.choose = step.choose;
    DialogCloser closer(step.caption, step.choose.empty() ? IDCANCEL : IDOK, LookAtFileDialog, &seen);
    Click(hwnd_, step.button);
    ASSERT_EQ(closer.Seen().size(), 1u) << step.caption;
    EXPECT_TRUE(SameFolder(seen.folder, step.opensIn)) << step.caption << " opened in " << seen.folder;
    EXPECT_FALSE(seen.readOnlyBox) << step.caption;
    EXPECT_EQ(seen.types, std::vector<std::wstring>{L"Setwright profile (*.ini)"}) << step.caption;
    EXPECT_EQ(boxes.Count(), step.choose.empty() ? 0u : 1u);  // the saved profile's SUCCESS
    EXPECT_TRUE(SameFolder(RememberedProfileFolder(), step.remembered)) << RememberedProfileFolder();
  }
  // A remembered folder that is gone: Documents again.
  ::DeleteFileW((folder + L"\\shop.ini").c_str());
  ::RemoveDirectoryW(folder.c_str());
  FileDialogSeen seen;
  {
    DialogCloser closer(L"Open", IDCANCEL, LookAtFileDialog, &seen);
    Click(hwnd_, IDC_LOAD_PROFILE);
  }
  EXPECT_TRUE(SameFolder(seen.folder, documents)) << seen.folder;
  ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey, L"ProfileFolder");
}
