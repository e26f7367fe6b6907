// Drives the setting pages inside a real main dialog, as a user would:
// clicks, list choices with the notification a user's choice sends, typing.
// The transport is chosen through the main dialog's own controls.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/Globals.h"
#include "app/MainDlg.h"
#include "transport/PortNames.h"
#include "tests/support/Bytes.h"
#include "tests/support/PrinterEnds.h"

namespace pages_test {


enum PageIndex { kPanel = 0, kBid, kNet, kWifi, kBluetooth, kSerial, kUserDef };

inline void Click(HWND window, int id) {
  ::SendMessageW(::GetDlgItem(window, id), BM_CLICK, 0, 0);
}

inline void Choose(HWND page, int id, int index) {
  HWND combo = ::GetDlgItem(page, id);
  ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  ::SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

inline void Type(HWND page, int id, const std::wstring& text) {
  ::SetDlgItemTextW(page, id, text.c_str());
}

inline std::wstring TextOf(HWND page, int id) {
  wchar_t text[600] = {};
  ::GetDlgItemTextW(page, id, text, 600);
  return text;
}

inline bool Enabled(HWND page, int id) { return ::IsWindowEnabled(::GetDlgItem(page, id)) != FALSE; }
inline bool Ticked(HWND page, int id) { return ::IsDlgButtonChecked(page, id) == BST_CHECKED; }

inline std::vector<std::wstring> ComboItems(HWND page, int id) {
  std::vector<std::wstring> items;
  HWND combo = ::GetDlgItem(page, id);
  int count = static_cast<int>(::SendMessageW(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    wchar_t text[300] = {};
    if (::SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) < 300) {
      ::SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    }
    items.emplace_back(text);
  }
  return items;
}

// Chooses entry in a dialog's drop-down list as a user does (with the
// notification a user's choice sends).
inline void ShowEntry(HWND dialog, int listId, const wchar_t* entry) {
  HWND list = ::GetDlgItem(dialog, listId);
  const LRESULT index = ::SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(entry));
  ASSERT_GE(index, 0) << "no entry";
  ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(listId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

// Types a finished address into the main dialog's printer address field.
inline void TypeAddress(HWND dialog, BYTE a, BYTE b, BYTE c, BYTE d) {
  HWND address = ::GetDlgItem(dialog, IDC_PRINTER_ADDRESS);
  ::SendMessageW(address, IPM_SETADDRESS, 0, MAKEIPADDRESS(a, b, c, d));
  ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_PRINTER_ADDRESS, EN_CHANGE),
                 reinterpret_cast<LPARAM>(address));
}

// The caption of tab `index` of a tab control.
inline std::wstring TabCaption(HWND tab, int index) {
  wchar_t text[128] = {};
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = 128;
  ::SendMessageW(tab, TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item));
  return text;
}

inline int ComboSelection(HWND page, int id) {
  return static_cast<int>(::SendDlgItemMessageW(page, id, CB_GETCURSEL, 0, 0));
}

inline DWORD AddressOf(HWND page, int id) {
  DWORD address = 0;
  ::SendDlgItemMessageW(page, id, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
  return address;
}

// The main dialog with its seven pages, the transport set to LPT5.
class PagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
    ::InitCommonControlsEx(&controls);
    lpt5_ = std::make_unique<testing_ends::PortsEntry>(L"LPT5:");
    com5_ = std::make_unique<testing_ends::PortsEntry>(L"COM5:");
    dialog_ = std::make_unique<CMainDlg>();
    ASSERT_NE(dialog_->Create(nullptr), nullptr);
    MainDialog = dialog_.get();
    MainWindow = dialog_->m_hWnd;
    UsePort(L"LPT5:");
    testing_ends::TruncateLpt();
  }

  void TearDown() override {
    dialog_.reset();
    MainDialog = nullptr;
    MainWindow = nullptr;
    CurrentSelection = nullptr;
    delete StoredSerialSettings;
    StoredSerialSettings = nullptr;
  }

  HWND Page(int index) const { return dialog_->Page(index); }

  // Chooses a port list entry and the "Port:" choice, as the user does.
  void UsePort(const wchar_t* entry) {
    ShowEntry(dialog_->m_hWnd, IDC_PORT_LIST, entry);
    Click(dialog_->m_hWnd, IDC_RADIO_PORT);
  }

  // "Ethernet" with the network printer's address.
  void UseNetwork(BYTE a, BYTE b, BYTE c, BYTE d) {
    UsePort(kEthernetEntry);
    TypeAddress(dialog_->m_hWnd, a, b, c, d);
  }

  // Points the transport at a USB device path (a stand-in pipe). Wine lists
  // no USB printer, so the dialog's USB choice stays disabled; a selection
  // of the test's own takes its place (the dialog refreshes only its own
  // selection before a send).
  void UseUsb(const std::wstring& path) {
    usb_ = TransportSelection{};
    usb_.kind = Usb;
    wcsncpy(usb_.name, path.c_str(), kTransportNameChars - 1);
    CurrentSelection = &usb_;
  }

  // Runs an action and returns what reached LPT5 during it.
  template <class Action>
  Bytes AtLpt(Action action) {
    testing_ends::TruncateLpt();
    action();
    return testing_ends::ReadLptBytes();
  }

  std::unique_ptr<testing_ends::PortsEntry> lpt5_;
  std::unique_ptr<testing_ends::PortsEntry> com5_;
  std::unique_ptr<CMainDlg> dialog_;
  TransportSelection usb_{};
};

}  // namespace pages_test
