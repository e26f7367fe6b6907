// Bluetooth page: device name and PIN.
#pragma once
#include "app/Framework.h"
#include "resources/pages.h"

class CBuleToothDlg : public CDialogImpl<CBuleToothDlg> {
 public:
  enum { IDD = IDD_BLUETOOTH_TAB };

  BEGIN_MSG_MAP(CBuleToothDlg)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  END_MSG_MAP()

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
};
