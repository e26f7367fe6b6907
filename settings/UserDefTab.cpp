#include "settings/UserDefTab.h"

#include "common/Globals.h"
#include "settings/Encoders.h"
#include "settings/PageControls.h"
#include "settings/PageLists.h"

void CUserDefTabDlg::InitPage() {
  HWND page = m_hWnd;
  FillFixedList(page, IDC_USER_SHIFT, pagelists::kLeftShift, 0);
  ::SetDlgItemTextW(page, IDC_USER_LENGTH_MM, L"0");
  EnableControls(page, {IDC_USER_LENGTH_MM, IDC_USER_SHIFT}, false);
  {
    PageTextBuffer text = {};
    SetTextFromKey(page, IDC_USER_LENGTH_CHECK, "PO_IDC_CHECK_PAGE_LENGTH", text);
    SetTextFromKey(page, IDC_USER_SET, "PO_GSTR_SET", text);
    SetTextFromKey(page, IDC_USER_RESTORE, "PO_GSTR_SET_DEFAULT", text);
    SetTextFromKey(page, IDC_USER_SHIFT_CHECK, "PO_GSTR_IDC_CHECK_SET_SHIFT_LEFT", text);
  }
}

void CUserDefTabDlg::OnToggle(UINT, int id, HWND) {
  if (id == IDC_USER_LENGTH_CHECK) {
    ToggleControls(lengthFlag_, m_hWnd, {IDC_USER_LENGTH_MM});
  } else {
    ToggleControls(shiftFlag_, m_hWnd, {IDC_USER_SHIFT});
  }
}

bool ReadUserDefInput(HWND page, TextUse use, commands::UserDefInput* in) {
  in->pageLength = IsTicked(page, IDC_USER_LENGTH_CHECK);
  in->pageLengthMm = ReadNumberText(page, IDC_USER_LENGTH_MM, use);
  in->leftShift = IsTicked(page, IDC_USER_SHIFT_CHECK);
  in->leftShiftIndex = ComboIndex(page, IDC_USER_SHIFT);
  return true;
}

void CUserDefTabDlg::OnSet(UINT, int, HWND) {
  if (!CheckPortReady()) return;
  if (IsTicked(m_hWnd, IDC_USER_LENGTH_CHECK) || IsTicked(m_hWnd, IDC_USER_SHIFT_CHECK)) {
    EncodeAndSend(ReadUserDefInput, commands::EncodeUserDefCommands);
  }
}

void CUserDefTabDlg::OnRestore(UINT, int, HWND) { SendEncoded(commands::EncodeRestoreFactory()); }
