#include "settings/BidTab.h"

LRESULT CBIDTabDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  CenterWindow(::GetParent(m_hWnd));
  return TRUE;
}
