#include "settings/BidTab.h"

#include "common/Globals.h"
#include "settings/Encoders.h"
#include "settings/PageControls.h"
#include "settings/PageLists.h"

void CBIDTabDlg::InitPage() {
  HWND page = m_hWnd;
  {
    PageTextBuffer text = {};
    FillList(page, IDC_BID_DIRECTION, pagelists::kShiftDirection, 0, text);
  }
  ::SetDlgItemTextW(page, IDC_BID_VALUE, L"0");
  EnableControls(page, {IDC_BID_VALUE, IDC_BID_DIRECTION}, false);
  {
    PageTextBuffer text = {};
    SetTextFromKey(page, IDC_BID_CHECK, "PO_IDC_CHECK_BID", text);
    SetTextFromKey(page, IDC_BID_SET, "PO_GSTR_SET", text);
  }
}

void CBIDTabDlg::OnToggle(UINT, int, HWND) {
  ToggleControls(bidFlag_, m_hWnd, {IDC_BID_VALUE, IDC_BID_DIRECTION});
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

void CBIDTabDlg::OnSet(UINT, int, HWND) {
  if (!CheckPortReady()) return;
  if (!IsTicked(m_hWnd, IDC_BID_CHECK)) return;
  commands::CommandBuffer buffer(commands::kPageBufferBytes);
  int length = BuildBidCommands(m_hWnd, buffer);
  if (length > 0) SendBytes(buffer.Data(), static_cast<size_t>(length), 1);
}
