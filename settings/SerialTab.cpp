#include "settings/SerialTab.h"

#include "settings/Encoders.h"
#include "settings/PageControls.h"
#include "settings/PageLists.h"

void CSerialDlg::InitPage() {
  HWND page = m_hWnd;
  FillFixedList(page, IDC_SERIAL_BAUD, pagelists::kBaud, 1);
  FillFixedList(page, IDC_SERIAL_DATA_BITS, pagelists::kDataBits, 1);
  FillFixedList(page, IDC_SERIAL_PARITY, pagelists::kParity, 0);
  FillFixedList(page, IDC_SERIAL_STOP_BITS, pagelists::kStopBits, 0);
  FillFixedList(page, IDC_SERIAL_HANDSHAKE, pagelists::kHandshake, 0);
  {
    PageTextBuffer text = {};
    SetTextFromKey(page, IDC_SERIAL_BAUD_LABEL, "PO_GSTR_BAUD_RATE", text);
    SetTextFromKey(page, IDC_SERIAL_DATA_BITS_LABEL, "PO_IDC_STATIC_SERIAL_NUMBER_BITS", text);
    SetTextFromKey(page, IDC_SERIAL_STOP_BITS_LABEL, "PO_GSTR_STOP_BITS", text);
    SetTextFromKey(page, IDC_SERIAL_HANDSHAKE_LABEL, "PO_IDC_STATIC_SERIAL_HAND_SHAKE", text);
    SetTextFromKey(page, IDC_SERIAL_PARITY_LABEL, "PO_GSTR_PARITY", text);
    SetTextFromKey(page, IDC_SERIAL_SET, "PO_GSTR_SET", text);
  }
}

bool ReadSerialInput(HWND page, TextUse, commands::SerialInput* in) {
  in->baud = ComboIndex(page, IDC_SERIAL_BAUD);
  in->dataBits = ComboIndex(page, IDC_SERIAL_DATA_BITS);
  in->parity = ComboIndex(page, IDC_SERIAL_PARITY);
  in->stopBits = ComboIndex(page, IDC_SERIAL_STOP_BITS);
  in->handshake = ComboIndex(page, IDC_SERIAL_HANDSHAKE);
  return true;
}

void CSerialDlg::OnSet(UINT, int, HWND) {
  chosen_ = true;
  EncodeAndSend(ReadSerialInput, commands::EncodeSerialCommand);
}
