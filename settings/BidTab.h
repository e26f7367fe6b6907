// BID page: the BID value and its direction.
#pragma once
#include "settings/PageBase.h"
#include "resources/pages.h"

class CBIDTabDlg : public CPageDlg<CBIDTabDlg> {
 public:
  enum { IDD = IDD_BID_TAB };

  BEGIN_MSG_MAP(CBIDTabDlg)
    COMMAND_HANDLER_EX(IDC_BID_SET, BN_CLICKED, OnSet)
    COMMAND_HANDLER_EX(IDC_BID_CHECK, BN_CLICKED, OnToggle)
    CHAIN_MSG_MAP(CPageDlg<CBIDTabDlg>)
  END_MSG_MAP()

  // Profiles: the page's groups into a profile, and a profile's groups
  // onto the page as a user would set them (nothing is sent).
  void SaveProfile(profile::Profile& out) const;
  void LoadProfile(const profile::Profile& in);

 private:
  friend class CPageDlg<CBIDTabDlg>;
  void InitPage();
  void OnSet(UINT, int, HWND);
  void OnToggle(UINT, int, HWND);

  int bidFlag_ = 0;
};

// The page's controls as the encoder's input, for Set and for a profile.
bool ReadBidInput(HWND page, TextUse use, commands::BidInput* in);
