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

int BuildUserDefCommands(HWND page, commands::CommandBuffer& buffer) {
  commands::UserDefInput in;
  in.pageLength = IsTicked(page, IDC_USER_LENGTH_CHECK);
  in.pageLengthMm = ReadAnsiText(page, IDC_USER_LENGTH_MM);
  in.leftShift = IsTicked(page, IDC_USER_SHIFT_CHECK);
  in.leftShiftIndex = ComboIndex(page, IDC_USER_SHIFT);
  commands::Encoded encoded = commands::EncodeUserDefCommands(in);
  if (!encoded.Ok()) {
    ShowInputError(page, encoded.errorKey);
    return 0;
  }
  for (unsigned char byte : encoded.bytes) buffer.Put(byte);
  return buffer.Overflowed() ? 0 : static_cast<int>(buffer.Position());
}

void CUserDefTabDlg::OnSet(UINT, int, HWND) {
  if (!CheckPortReady()) return;
  if (!IsTicked(m_hWnd, IDC_USER_LENGTH_CHECK) && !IsTicked(m_hWnd, IDC_USER_SHIFT_CHECK)) return;
  commands::CommandBuffer buffer(commands::kPageBufferBytes);
  int length = BuildUserDefCommands(m_hWnd, buffer);
  if (length > 0) SendBytes(buffer.Data(), static_cast<size_t>(length), 1);
}

void CUserDefTabDlg::OnRestore(UINT, int, HWND) {
  std::vector<unsigned char> bytes = commands::EncodeRestoreFactory();
  SendBytes(bytes.data(), bytes.size(), 1);
}
