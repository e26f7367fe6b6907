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

int BuildSerialCommand(HWND page, commands::CommandBuffer& buffer) {
  std::vector<unsigned char> bytes = commands::EncodeSerialCommand(
      ComboIndex(page, IDC_SERIAL_BAUD), ComboIndex(page, IDC_SERIAL_DATA_BITS),
      ComboIndex(page, IDC_SERIAL_PARITY), ComboIndex(page, IDC_SERIAL_STOP_BITS),
      ComboIndex(page, IDC_SERIAL_HANDSHAKE));
  for (unsigned char byte : bytes) buffer.Put(byte);
  return static_cast<int>(buffer.Position());
}

void CSerialDlg::OnSet(UINT, int, HWND) {
  chosen_ = true;
  commands::CommandBuffer buffer(commands::kPageBufferBytes);
  int length = BuildSerialCommand(m_hWnd, buffer);
  SendBytes(buffer.Data(), static_cast<size_t>(length), 1);
}
