// Panel page: mechanical print settings and the self test.
#pragma once
#include <string>

#include "settings/PageBase.h"
#include "settings/Encoders.h"
#include "resources/pages.h"

class CPanelTabDlg : public CPageDlg<CPanelTabDlg> {
 public:
  enum { IDD = IDD_PANEL_TAB };

  BEGIN_MSG_MAP(CPanelTabDlg)
    COMMAND_HANDLER_EX(IDC_PANEL_SET, BN_CLICKED, OnSet)
    COMMAND_HANDLER_EX(IDC_PANEL_SELF_TEST, BN_CLICKED, OnSelfTest)
    COMMAND_HANDLER_EX(IDC_PANEL_PIN_CHECK, BN_CLICKED, OnToggle)
    COMMAND_HANDLER_EX(IDC_PANEL_TOP_CHECK, BN_CLICKED, OnToggle)
    COMMAND_HANDLER_EX(IDC_PANEL_TABLE_CHECK, BN_CLICKED, OnToggle)
    COMMAND_HANDLER_EX(IDC_PANEL_LINE_FEED_CHECK, BN_CLICKED, OnToggle)
    COMMAND_HANDLER_EX(IDC_PANEL_DIRECTION_CHECK, BN_CLICKED, OnToggle)
    COMMAND_HANDLER_EX(IDC_PANEL_LENGTH_CHECK, BN_CLICKED, OnToggle)
    COMMAND_HANDLER_EX(IDC_PANEL_COMPRESS_CHECK, BN_CLICKED, OnToggle)
    COMMAND_HANDLER_EX(IDC_PANEL_LEFT_CHECK, BN_CLICKED, OnToggle)
    CHAIN_MSG_MAP(CPageDlg<CPanelTabDlg>)
  END_MSG_MAP()

  // Profiles: the page's groups into a profile, and a profile's groups
  // onto the page as a user would set them (nothing is sent).
  void SaveProfile(profile::Profile& out) const;
  void LoadProfile(const profile::Profile& in);

 private:
  friend class CPageDlg<CPanelTabDlg>;
  void InitPage();
  void OnSet(UINT, int, HWND);
  void OnSelfTest(UINT, int, HWND);
  void OnToggle(UINT, int id, HWND);

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

// The page's controls as the encoder's input, for Set and for a profile.
bool ReadPanelInput(HWND page, TextUse use, commands::PanelInput* in);
