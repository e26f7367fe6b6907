// Ethernet page: address, MAC, duplex, DHCP and the read-back over USB.
#pragma once
#include "app/Framework.h"
#include "resources/pages.h"

class CNetTabDlg : public CDialogImpl<CNetTabDlg> {
 public:
  enum { IDD = IDD_NET_TAB };

  BEGIN_MSG_MAP(CNetTabDlg)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  END_MSG_MAP()

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
};
