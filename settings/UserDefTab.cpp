#include "settings/UserDefTab.h"

LRESULT CUserDefTabDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  CenterWindow(::GetParent(m_hWnd));
  return TRUE;
}
