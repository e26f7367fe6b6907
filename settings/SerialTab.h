// Serial page: the printer's own serial interface settings.
#pragma once
#include "settings/PageBase.h"
#include "resources/pages.h"

class CSerialDlg : public CPageDlg<CSerialDlg> {
 public:
  enum { IDD = IDD_SERIAL_TAB };

  BEGIN_MSG_MAP(CSerialDlg)
    COMMAND_HANDLER_EX(IDC_SERIAL_SET, BN_CLICKED, OnSet)
    CHAIN_MSG_MAP(CPageDlg<CSerialDlg>)
  END_MSG_MAP()

  // Profiles: the page's groups into a profile, and a profile's groups
  // onto the page as a user would set them (nothing is sent).
  void SaveProfile(profile::Profile& out) const;
  void LoadProfile(const profile::Profile& in);

 private:
  friend class CPageDlg<CSerialDlg>;
  void InitPage();
  void OnSet(UINT, int, HWND);

  // Set was pressed (or a profile set the page): a profile saves the page.
  bool chosen_ = false;
};

// The page's controls as the encoder's input, for Set and for a profile.
bool ReadSerialInput(HWND page, TextUse use, commands::SerialInput* in);
