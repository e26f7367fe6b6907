// Bluetooth page: device name and PIN.
#pragma once
#include "settings/PageBase.h"
#include "resources/pages.h"

class CBuleToothDlg : public CPageDlg<CBuleToothDlg> {
 public:
  enum { IDD = IDD_BLUETOOTH_TAB };

  BEGIN_MSG_MAP(CBuleToothDlg)
    COMMAND_HANDLER_EX(IDC_BT_SET, BN_CLICKED, OnSet)
    CHAIN_MSG_MAP(CPageDlg<CBuleToothDlg>)
  END_MSG_MAP()

  // Profiles: the page's groups into a profile, and a profile's groups
  // onto the page as a user would set them (nothing is sent).
  void SaveProfile(profile::Profile& out) const;
  void LoadProfile(const profile::Profile& in);

 private:
  friend class CPageDlg<CBuleToothDlg>;
  void InitPage();
  void OnSet(UINT, int, HWND);

  // Set was pressed (or a profile set the page): a profile saves the page.
  bool chosen_ = false;
};

// The page's controls as the encoder's input, for Set and for a profile;
// false when a text cannot be sent (TextUse::Send only).
bool ReadBluetoothInput(HWND page, TextUse use, commands::BluetoothInput* in);
// The command in the system's ANSI code page (its lead bytes).
commands::Encoded EncodeForAnsiCodePage(const commands::BluetoothInput& in);
