// Ethernet page: address, MAC, duplex, DHCP and the read-back over USB.
#pragma once
#include "app/Framework.h"
#include "resources/pages.h"
#include "settings/CommandFrame.h"

class CNetTabDlg : public CDialogImpl<CNetTabDlg> {
 public:
  enum { IDD = IDD_NET_TAB };

  BEGIN_MSG_MAP(CNetTabDlg)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    COMMAND_ID_HANDLER(IDOK, OnEnd)
    COMMAND_ID_HANDLER(IDCANCEL, OnEnd)
    COMMAND_HANDLER(IDC_NET_SET_ADDRESS, BN_CLICKED, OnSetAddress)
    COMMAND_HANDLER(IDC_NET_SET_MAC, BN_CLICKED, OnSetMac)
    COMMAND_HANDLER(IDC_NET_SET_DUPLEX, BN_CLICKED, OnSetDuplex)
    COMMAND_HANDLER(IDC_NET_SET_DHCP, BN_CLICKED, OnSaveDhcp)
    COMMAND_HANDLER(IDC_NET_GET_IP, BN_CLICKED, OnGetIp)
    COMMAND_HANDLER(IDC_NET_RADIO_IP, BN_CLICKED, OnRadioIp)
    COMMAND_HANDLER(IDC_NET_RADIO_DHCP, BN_CLICKED, OnRadioDhcp)
  END_MSG_MAP()

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnEnd(WORD, WORD id, HWND, BOOL&);
  LRESULT OnSetAddress(WORD, WORD, HWND, BOOL&);
  LRESULT OnSetMac(WORD, WORD, HWND, BOOL&);
  LRESULT OnSetDuplex(WORD, WORD, HWND, BOOL&);
  LRESULT OnSaveDhcp(WORD, WORD, HWND, BOOL&);
  LRESULT OnGetIp(WORD, WORD, HWND, BOOL&);
  LRESULT OnRadioIp(WORD, WORD, HWND, BOOL&);
  LRESULT OnRadioDhcp(WORD, WORD, HWND, BOOL&);

  // Ticks the mode's radio button, clears the other and applies its enable rule.
  void ApplyMode(bool dhcp);
  void ShowReply(const unsigned char* reply, size_t length);
};

// Reads the six MAC entries and writes the MAC command (8 bytes) at `start`
// of the block. Returns false after an input error box (nothing written).
bool BuildMacCommand(HWND page, commands::CountedBlock& block, size_t start);
