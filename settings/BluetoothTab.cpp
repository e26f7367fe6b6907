#include "settings/BluetoothTab.h"

#include "settings/Encoders.h"
#include "settings/PageControls.h"

void CBuleToothDlg::InitPage() {
  HWND page = m_hWnd;
  ::SetDlgItemTextW(page, IDC_BT_NAME, L"bluetooth");
  ::SetDlgItemTextW(page, IDC_BT_PIN, L"5291");
  {
    PageTextBuffer text = {};
    SetTextFromKey(page, IDC_BT_NAME_LABEL, "PO_IDC_STATIC_BLUETOOTH_DEV_NAME", text);
    SetTextFromKey(page, IDC_BT_PIN_LABEL, "PO_IDC_STATIC_BLUETOOTH_PIN", text);
    SetTextFromKey(page, IDC_BT_SET, "PO_GSTR_SET", text);
  }
}

void CBuleToothDlg::OnSet(UINT, int, HWND) {
  chosen_ = true;
  HWND page = m_hWnd;
  // A text the code page cannot carry is refused rather than sent with '?'
  // in its place; a name that is too long is cut by the encoder.
  std::string name, pin;
  if (!ReadSendableText(page, IDC_BT_NAME, &name) || !ReadSendableText(page, IDC_BT_PIN, &pin)) {
    ShowInputError(page, commands::kTextNotSendableErr);
    return;
  }
  SendEncoded(commands::EncodeBluetoothCommand(name, pin, IsAnsiLeadByte));
}
