#include "settings/PanelTab.h"

LRESULT CPanelTabDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  CenterWindow(::GetParent(m_hWnd));
  return TRUE;
}
