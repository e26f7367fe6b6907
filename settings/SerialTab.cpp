#include "settings/SerialTab.h"

#include "settings/Encoders.h"
#include "settings/PageControls.h"

namespace {

struct SerialList {
  int id;
  std::initializer_list<const wchar_t*> items;
  int defaultIndex;
};

}  // namespace

void CSerialDlg::InitPage() {
  HWND page = m_hWnd;
  const SerialList lists[] = {
      {IDC_SERIAL_BAUD, {L"4800", L"9600", L"19200", L"38400", L"57600", L"115200"}, 1},
      {IDC_SERIAL_DATA_BITS, {L"7 bits", L"8 bits"}, 1},
      {IDC_SERIAL_PARITY, {L"None", L"Odd", L"Even"}, 0},
      {IDC_SERIAL_STOP_BITS, {L"1 bit", L"2 bits"}, 0},
      {IDC_SERIAL_HANDSHAKE, {L"None", L"XON/XOFF", L"Hardware"}, 0},
  };
  for (const SerialList& list : lists) {
    for (const wchar_t* item : list.items) AddComboItem(page, list.id, item);
    SelectComboItem(page, list.id, list.defaultIndex);
  }
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
  commands::CommandBuffer buffer(commands::kPageBufferBytes);
  int length = BuildSerialCommand(m_hWnd, buffer);
  SendBytes(buffer.Data(), static_cast<size_t>(length), 1);
}
