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

bool ReadBidInput(HWND page, TextUse use, commands::BidInput* in) {
  in->value = ReadNumberText(page, IDC_BID_VALUE, use);
  in->directionIndex = ComboIndex(page, IDC_BID_DIRECTION);
  return true;
}

void CBIDTabDlg::OnSet(UINT, int, HWND) {
  if (CheckPortReady() && IsTicked(m_hWnd, IDC_BID_CHECK)) EncodeAndSend(ReadBidInput, commands::EncodeBidCommands);
}
