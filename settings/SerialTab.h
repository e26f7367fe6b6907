// Serial page: the printer's own serial interface settings.
#pragma once
#include "app/Framework.h"
#include "resources/pages.h"
#include "settings/CommandFrame.h"

class CSerialDlg : public CDialogImpl<CSerialDlg> {
 public:
  enum { IDD = IDD_SERIAL_TAB };

  BEGIN_MSG_MAP(CSerialDlg)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    COMMAND_ID_HANDLER(IDOK, OnEnd)
    COMMAND_ID_HANDLER(IDCANCEL, OnEnd)
    COMMAND_HANDLER(IDC_SERIAL_SET, BN_CLICKED, OnSet)
  END_MSG_MAP()

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnEnd(WORD, WORD id, HWND, BOOL&);
  LRESULT OnSet(WORD, WORD, HWND, BOOL&);
};

// Writes the serial interface command (7 bytes) into buffer; returns 7.
int BuildSerialCommand(HWND page, commands::CommandBuffer& buffer);
