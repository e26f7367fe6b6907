// Wi-Fi page: SSID, security and the radio's role.
#pragma once
#include "settings/PageBase.h"
#include "resources/pages.h"

class CWifiTabDlg : public CPageDlg<CWifiTabDlg> {
 public:
  enum { IDD = IDD_WIFI_TAB };

  BEGIN_MSG_MAP(CWifiTabDlg)
    COMMAND_HANDLER_EX(IDC_WIFI_SET, BN_CLICKED, OnSet)
    COMMAND_HANDLER_EX(IDC_WIFI_RADIO_OPEN, BN_CLICKED, OnChooseSecurity)
    COMMAND_HANDLER_EX(IDC_WIFI_RADIO_WPA, BN_CLICKED, OnChooseSecurity)
    COMMAND_HANDLER_EX(IDC_WIFI_RADIO_WEP, BN_CLICKED, OnChooseSecurity)
    CHAIN_MSG_MAP(CPageDlg<CWifiTabDlg>)
  END_MSG_MAP()

  // Profiles: the page's groups into a profile, and a profile's groups
  // onto the page as a user would set them (nothing is sent).
  void SaveProfile(profile::Profile& out) const;
  void LoadProfile(const profile::Profile& in);

 private:
  friend class CPageDlg<CWifiTabDlg>;
  void InitPage();
  void OnSet(UINT, int, HWND);

  // Set was pressed (or a profile set the page): a profile saves the page.
  bool chosen_ = false;
  void OnChooseSecurity(UINT, int id, HWND);
};

// The page's controls as the encoder's input, for Set and for a profile;
// false when a text cannot be sent (TextUse::Send only).
bool ReadWifiInput(HWND page, TextUse use, commands::WifiInput* in);
