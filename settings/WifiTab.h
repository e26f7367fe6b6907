// Wi-Fi page: SSID, security and the radio's role.
#pragma once
#include "app/Framework.h"
#include "resources/pages.h"

class CWifiTabDlg : public CDialogImpl<CWifiTabDlg> {
 public:
  enum { IDD = IDD_WIFI_TAB };

  BEGIN_MSG_MAP(CWifiTabDlg)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    COMMAND_ID_HANDLER(IDOK, OnEnd)
    COMMAND_ID_HANDLER(IDCANCEL, OnEnd)
    COMMAND_HANDLER(IDC_WIFI_SET, BN_CLICKED, OnSet)
    COMMAND_HANDLER(IDC_WIFI_RADIO_OPEN, BN_CLICKED, OnChooseSecurity)
    COMMAND_HANDLER(IDC_WIFI_RADIO_WPA, BN_CLICKED, OnChooseSecurity)
    COMMAND_HANDLER(IDC_WIFI_RADIO_WEP, BN_CLICKED, OnChooseSecurity)
  END_MSG_MAP()

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnEnd(WORD, WORD id, HWND, BOOL&);
  LRESULT OnSet(WORD, WORD, HWND, BOOL&);
  LRESULT OnChooseSecurity(WORD, WORD id, HWND, BOOL&);
};
