#include "settings/BluetoothTab.h"

#include "settings/Encoders.h"
#include "settings/PageFrame.h"

LRESULT CBuleToothDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  CenterWindow(::GetParent(m_hWnd));
  HWND page = m_hWnd;
  ::SetDlgItemTextW(page, IDC_BT_NAME, L"bluetooth");
  ::SetDlgItemTextW(page, IDC_BT_PIN, L"5291");
  {
    PageTextBuffer text = {};
    SetTextFromKey(page, IDC_BT_NAME_LABEL, "PO_IDC_STATIC_BLUETOOTH_DEV_NAME", text);
    SetTextFromKey(page, IDC_BT_PIN_LABEL, "PO_IDC_STATIC_BLUETOOTH_PIN", text);
    SetTextFromKey(page, IDC_BT_SET, "PO_GSTR_SET", text);
  }
  return TRUE;
}

LRESULT CBuleToothDlg::OnEnd(WORD, WORD id, HWND, BOOL&) {
  EndDialog(id);
  return 0;
}

LRESULT CBuleToothDlg::OnSet(WORD, WORD, HWND, BOOL&) {
  HWND page = m_hWnd;
  std::string name = ReadAnsiText(page, IDC_BT_NAME);
  std::string pin = ReadAnsiText(page, IDC_BT_PIN);
  commands::Encoded encoded = commands::EncodeBluetoothCommand(name, pin, IsAnsiLeadByte);
  if (!encoded.Ok()) {
    ShowInputError(page, encoded.errorKey);
    return 0;
  }
  SendBytes(encoded.bytes.data(), encoded.bytes.size(), 1);
  return 0;
}
