// User Define page: page length in millimetres, left shift, factory settings.
#pragma once
#include "app/Framework.h"
#include "resources/pages.h"
#include "settings/CommandFrame.h"

class CUserDefTabDlg : public CDialogImpl<CUserDefTabDlg> {
 public:
  enum { IDD = IDD_USERDEF_TAB };

  BEGIN_MSG_MAP(CUserDefTabDlg)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    COMMAND_ID_HANDLER(IDOK, OnEnd)
    COMMAND_ID_HANDLER(IDCANCEL, OnEnd)
    COMMAND_HANDLER(IDC_USER_SET, BN_CLICKED, OnSet)
    COMMAND_HANDLER(IDC_USER_RESTORE, BN_CLICKED, OnRestore)
    COMMAND_HANDLER(IDC_USER_LENGTH_CHECK, BN_CLICKED, OnToggle)
    COMMAND_HANDLER(IDC_USER_SHIFT_CHECK, BN_CLICKED, OnToggle)
  END_MSG_MAP()

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnEnd(WORD, WORD id, HWND, BOOL&);
  LRESULT OnSet(WORD, WORD, HWND, BOOL&);
  LRESULT OnRestore(WORD, WORD, HWND, BOOL&);
  LRESULT OnToggle(WORD, WORD id, HWND, BOOL&);

  int lengthFlag_ = 0;
  int shiftFlag_ = 0;
};

// Reads the ticked settings into buffer (64 bytes); the number of bytes, or
// 0 after an input error box.
int BuildUserDefCommands(HWND page, commands::CommandBuffer& buffer);
