// BID page.
#pragma once
#include "app/Framework.h"
#include "resources/pages.h"

class CBIDTabDlg : public CDialogImpl<CBIDTabDlg> {
 public:
  enum { IDD = IDD_BID_TAB };

  BEGIN_MSG_MAP(CBIDTabDlg)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  END_MSG_MAP()

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
};
