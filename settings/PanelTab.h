// Panel page: mechanical print settings and the self test.
#pragma once
#include "app/Framework.h"
#include "resources/pages.h"
#include "settings/CommandFrame.h"

class CPanelTabDlg : public CDialogImpl<CPanelTabDlg> {
 public:
  enum { IDD = IDD_PANEL_TAB };

  BEGIN_MSG_MAP(CPanelTabDlg)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    COMMAND_ID_HANDLER(IDOK, OnEnd)
    COMMAND_ID_HANDLER(IDCANCEL, OnEnd)
    COMMAND_HANDLER(IDC_PANEL_SET, BN_CLICKED, OnSet)
    COMMAND_HANDLER(IDC_PANEL_SELF_TEST, BN_CLICKED, OnSelfTest)
    COMMAND_HANDLER(IDC_PANEL_PIN_CHECK, BN_CLICKED, OnToggle)
    COMMAND_HANDLER(IDC_PANEL_TOP_CHECK, BN_CLICKED, OnToggle)
    COMMAND_HANDLER(IDC_PANEL_TABLE_CHECK, BN_CLICKED, OnToggle)
    COMMAND_HANDLER(IDC_PANEL_LINE_FEED_CHECK, BN_CLICKED, OnToggle)
    COMMAND_HANDLER(IDC_PANEL_DIRECTION_CHECK, BN_CLICKED, OnToggle)
    COMMAND_HANDLER(IDC_PANEL_LENGTH_CHECK, BN_CLICKED, OnToggle)
    COMMAND_HANDLER(IDC_PANEL_COMPRESS_CHECK, BN_CLICKED, OnToggle)
    COMMAND_HANDLER(IDC_PANEL_LEFT_CHECK, BN_CLICKED, OnToggle)
  END_MSG_MAP()

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnEnd(WORD, WORD id, HWND, BOOL&);
  LRESULT OnSet(WORD, WORD, HWND, BOOL&);
  LRESULT OnSelfTest(WORD, WORD, HWND, BOOL&);
  LRESULT OnToggle(WORD, WORD id, HWND, BOOL&);

  // One flag per setting box, in the order of the handlers above.
  int pinFlag_ = 0;
  int topFlag_ = 0;
  int tableFlag_ = 0;
  int lineFeedFlag_ = 0;
  int directionFlag_ = 0;
  int lengthFlag_ = 0;
  int compressFlag_ = 0;
  int leftFlag_ = 0;
};

// Reads the ticked settings of the page into buffer (64 bytes) and returns
// the number of bytes, or 0 after an input error box.
int BuildPanelCommands(HWND page, commands::CommandBuffer& buffer);
