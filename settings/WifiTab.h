// Wi-Fi page.
#pragma once
#include "app/Framework.h"
#include "resources/pages.h"

class CWifiTabDlg : public CDialogImpl<CWifiTabDlg> {
 public:
  enum { IDD = IDD_WIFI_TAB };

  BEGIN_MSG_MAP(CWifiTabDlg)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  END_MSG_MAP()

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
};
