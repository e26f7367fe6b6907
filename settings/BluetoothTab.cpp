#include "settings/BluetoothTab.h"

LRESULT CBuleToothDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  CenterWindow(::GetParent(m_hWnd));
  return TRUE;
}
