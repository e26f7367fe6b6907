// Ethernet page: address, MAC, duplex, DHCP and the read-back over USB.
#pragma once
#include "settings/PageBase.h"
#include "resources/pages.h"

class CNetTabDlg : public CPageDlg<CNetTabDlg> {
 public:
  enum { IDD = IDD_NET_TAB };

  BEGIN_MSG_MAP(CNetTabDlg)
    COMMAND_HANDLER_EX(IDC_NET_SET_ADDRESS, BN_CLICKED, OnSetAddress)
    COMMAND_HANDLER_EX(IDC_NET_SET_MAC, BN_CLICKED, OnSetMac)
    COMMAND_HANDLER_EX(IDC_NET_SET_DUPLEX, BN_CLICKED, OnSetDuplex)
    COMMAND_HANDLER_EX(IDC_NET_SET_DHCP, BN_CLICKED, OnSaveDhcp)
    COMMAND_HANDLER_EX(IDC_NET_GET_IP, BN_CLICKED, OnGetIp)
    COMMAND_HANDLER_EX(IDC_NET_RADIO_IP, BN_CLICKED, OnRadioIp)
    COMMAND_HANDLER_EX(IDC_NET_RADIO_DHCP, BN_CLICKED, OnRadioDhcp)
    CHAIN_MSG_MAP(CPageDlg<CNetTabDlg>)
  END_MSG_MAP()

  // Profiles: the page's groups into a profile, and a profile's groups
  // onto the page as a user would set them (nothing is sent).
  void SaveProfile(profile::Profile& out) const;
  void LoadProfile(const profile::Profile& in);

 private:
  friend class CPageDlg<CNetTabDlg>;
  void InitPage();
  void OnSetAddress(UINT, int, HWND);
  void OnSetMac(UINT, int, HWND);
  void OnSetDuplex(UINT, int, HWND);
  void OnSaveDhcp(UINT, int, HWND);
  void OnGetIp(UINT, int, HWND);
  void OnRadioIp(UINT, int, HWND);
  void OnRadioDhcp(UINT, int, HWND);

  // Ticks the mode's radio button, clears the other and applies its enable rule.
  void ApplyMode(bool dhcp);
  void ShowReply(const unsigned char* reply, size_t length);

  // Which Set buttons were pressed (or set by a profile): address, DHCP,
  // MAC, duplex. A profile saves only these groups.
  bool chosen_[4] = {};
};

// The page's controls as the encoders' inputs, for Set and for a profile.
bool ReadAddressInput(HWND page, TextUse use, commands::AddressInput* in);
bool ReadDhcpInput(HWND page, TextUse use, commands::DhcpInput* in);
bool ReadMacInput(HWND page, TextUse use, commands::MacInput* in);
bool ReadDuplexInput(HWND page, TextUse use, commands::DuplexInput* in);
