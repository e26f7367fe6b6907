// Serial page: the printer's own serial interface settings.
#pragma once
#include "settings/PageBase.h"
#include "resources/pages.h"
#include "settings/CommandFrame.h"

class CSerialDlg : public CPageDlg<CSerialDlg> {
 public:
  enum { IDD = IDD_SERIAL_TAB };

  BEGIN_MSG_MAP(CSerialDlg)
    COMMAND_HANDLER_EX(IDC_SERIAL_SET, BN_CLICKED, OnSet)
    CHAIN_MSG_MAP(CPageDlg<CSerialDlg>)
  END_MSG_MAP()

 private:
  friend class CPageDlg<CSerialDlg>;
  void InitPage();
  void OnSet(UINT, int, HWND);
};

// Writes the serial interface command (7 bytes) into buffer; returns 7.
int BuildSerialCommand(HWND page, commands::CommandBuffer& buffer);
