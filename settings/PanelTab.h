// Panel page: mechanical print settings and the self test.
#pragma once
#include "app/Framework.h"
#include "resources/pages.h"

class CPanelTabDlg : public CDialogImpl<CPanelTabDlg> {
 public:
  enum { IDD = IDD_PANEL_TAB };

  BEGIN_MSG_MAP(CPanelTabDlg)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  END_MSG_MAP()

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
};
