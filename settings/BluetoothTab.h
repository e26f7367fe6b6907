// Bluetooth page: device name and PIN.
#pragma once
#include "app/Framework.h"
#include "resources/pages.h"

class CBuleToothDlg : public CDialogImpl<CBuleToothDlg> {
 public:
  enum { IDD = IDD_BLUETOOTH_TAB };

  BEGIN_MSG_MAP(CBuleToothDlg)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    COMMAND_ID_HANDLER(IDOK, OnEnd)
    COMMAND_ID_HANDLER(IDCANCEL, OnEnd)
    COMMAND_HANDLER(IDC_BT_SET, BN_CLICKED, OnSet)
  END_MSG_MAP()

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnEnd(WORD, WORD id, HWND, BOOL&);
  LRESULT OnSet(WORD, WORD, HWND, BOOL&);
};
