// Serial page: the printer's serial interface settings.
#pragma once
#include "app/Framework.h"
#include "resources/pages.h"

class CSerialDlg : public CDialogImpl<CSerialDlg> {
 public:
  enum { IDD = IDD_SERIAL_TAB };

  BEGIN_MSG_MAP(CSerialDlg)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  END_MSG_MAP()

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
};
