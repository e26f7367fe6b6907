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

// A text the code page cannot carry is refused rather than sent with '?'
// in its place; a name that is too long is cut by the encoder.
bool ReadBluetoothInput(HWND page, TextUse use, commands::BluetoothInput* in) {
  return ReadFreeText(page, IDC_BT_NAME, use, &in->name) && ReadFreeText(page, IDC_BT_PIN, use, &in->pin);
}

commands::Encoded EncodeForAnsiCodePage(const commands::BluetoothInput& in) {
  return commands::EncodeBluetoothCommand(in, IsAnsiLeadByte);
}

void CBuleToothDlg::OnSet(UINT, int, HWND) {
  chosen_ = true;
  EncodeAndSend(ReadBluetoothInput, EncodeForAnsiCodePage);
}
