// User-defined page: page length, left shift, factory settings.
#pragma once
#include "app/Framework.h"
#include "resources/pages.h"

class CUserDefTabDlg : public CDialogImpl<CUserDefTabDlg> {
 public:
  enum { IDD = IDD_USERDEF_TAB };

  BEGIN_MSG_MAP(CUserDefTabDlg)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  END_MSG_MAP()

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
};
