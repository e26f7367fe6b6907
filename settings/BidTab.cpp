#include "settings/BidTab.h"

#include "app/MainDlg.h"
#include "settings/Encoders.h"
#include "settings/PageFrame.h"

LRESULT CBIDTabDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  CenterWindow(::GetParent(m_hWnd));
  HWND page = m_hWnd;
  {
    PageTextBuffer text = {};
    FillComboFromKeys(page, IDC_BID_DIRECTION,
                      {"PO_GSTR_BID_SHIFT_LEFT", "PO_GSTR_BID_SHIFT_RIGHT"}, 0, text);
  }
  ::SetDlgItemTextW(page, IDC_BID_VALUE, L"0");
  EnableControls(page, {IDC_BID_VALUE, IDC_BID_DIRECTION}, false);
  {
    PageTextBuffer text = {};
    SetTextFromKey(page, IDC_BID_CHECK, "PO_IDC_CHECK_BID", text);
    SetTextFromKey(page, IDC_BID_SET, "PO_GSTR_SET", text);
  }
  return TRUE;
}

LRESULT CBIDTabDlg::OnEnd(WORD, WORD id, HWND, BOOL&) {
  EndDialog(id);
  return 0;
}

LRESULT CBIDTabDlg::OnToggle(WORD, WORD, HWND, BOOL&) {
  ToggleControls(bidFlag_, m_hWnd, {IDC_BID_VALUE, IDC_BID_DIRECTION});
  return 0;
}

int BuildBidCommands(HWND page, commands::CommandBuffer& buffer) {
  commands::Encoded encoded = commands::EncodeBidCommands(ReadAnsiText(page, IDC_BID_VALUE),
                                                          ComboIndex(page, IDC_BID_DIRECTION));
  if (!encoded.Ok()) {
    ShowInputError(page, encoded.errorKey);
    return 0;
  }
  for (unsigned char byte : encoded.bytes) buffer.Put(byte);
  return buffer.Overflowed() ? 0 : static_cast<int>(buffer.Position());
}

LRESULT CBIDTabDlg::OnSet(WORD, WORD, HWND, BOOL&) {
  if (!MainDialog || !MainDialog->CheckPortReady()) return 0;
  if (!IsTicked(m_hWnd, IDC_BID_CHECK)) return 0;
  commands::CommandBuffer buffer(commands::kPageBufferBytes);
  int length = BuildBidCommands(m_hWnd, buffer);
  if (length > 0) SendBytes(buffer.Data(), static_cast<size_t>(length), 1);
  return 0;
}
