#include "settings/NetTab.h"

LRESULT CNetTabDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  CenterWindow(::GetParent(m_hWnd));
  return TRUE;
}
