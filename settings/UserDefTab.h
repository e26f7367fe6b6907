// User Define page: page length in millimetres, left shift, factory settings.
#pragma once
#include "settings/PageBase.h"
#include "resources/pages.h"

class CUserDefTabDlg : public CPageDlg<CUserDefTabDlg> {
 public:
  enum { IDD = IDD_USERDEF_TAB };

  BEGIN_MSG_MAP(CUserDefTabDlg)
    COMMAND_HANDLER_EX(IDC_USER_SET, BN_CLICKED, OnSet)
    COMMAND_HANDLER_EX(IDC_USER_RESTORE, BN_CLICKED, OnRestore)
    COMMAND_HANDLER_EX(IDC_USER_LENGTH_CHECK, BN_CLICKED, OnToggle)
    COMMAND_HANDLER_EX(IDC_USER_SHIFT_CHECK, BN_CLICKED, OnToggle)
    CHAIN_MSG_MAP(CPageDlg<CUserDefTabDlg>)
  END_MSG_MAP()

  // Profiles: the page's groups into a profile, and a profile's groups
  // onto the page as a user would set them (nothing is sent).
  void SaveProfile(profile::Profile& out) const;
  void LoadProfile(const profile::Profile& in);

 private:
  friend class CPageDlg<CUserDefTabDlg>;
  void InitPage();
  void OnSet(UINT, int, HWND);
  void OnRestore(UINT, int, HWND);
  void OnToggle(UINT, int id, HWND);

  int lengthFlag_ = 0;
  int shiftFlag_ = 0;
};

// The page's controls as the encoder's input, for Set and for a profile.
bool ReadUserDefInput(HWND page, TextUse use, commands::UserDefInput* in);
