// BID page: the BID value and its direction.
#pragma once
#include "app/Framework.h"
#include "resources/pages.h"
#include "settings/CommandFrame.h"

class CBIDTabDlg : public CDialogImpl<CBIDTabDlg> {
 public:
  enum { IDD = IDD_BID_TAB };

  BEGIN_MSG_MAP(CBIDTabDlg)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    COMMAND_ID_HANDLER(IDOK, OnEnd)
    COMMAND_ID_HANDLER(IDCANCEL, OnEnd)
    COMMAND_HANDLER(IDC_BID_SET, BN_CLICKED, OnSet)
    COMMAND_HANDLER(IDC_BID_CHECK, BN_CLICKED, OnToggle)
  END_MSG_MAP()

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnEnd(WORD, WORD id, HWND, BOOL&);
  LRESULT OnSet(WORD, WORD, HWND, BOOL&);
  LRESULT OnToggle(WORD, WORD, HWND, BOOL&);

  int bidFlag_ = 0;
};

// Reads the BID value into buffer (64 bytes); the number of bytes (6), or 0
// after an input error box.
int BuildBidCommands(HWND page, commands::CommandBuffer& buffer);
