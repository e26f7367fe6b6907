#include "settings/PanelTab.h"

#include "common/Globals.h"
#include "settings/Encoders.h"
#include "settings/PageControls.h"
#include "settings/PageLists.h"

namespace {

// The value controls, disabled until their box is ticked.
constexpr int kValueControls[] = {
    IDC_PANEL_PIN_ENABLE, IDC_PANEL_PIN_GROUP, IDC_PANEL_TOP_SIDE, IDC_PANEL_TOP_MM,
    IDC_PANEL_TABLE,      IDC_PANEL_LINE_FEED, IDC_PANEL_DIRECTION, IDC_PANEL_LENGTH_ENABLE,
    IDC_PANEL_PAGE_SIZE,  IDC_PANEL_COMPRESS,  IDC_PANEL_LEFT_DIRECTION, IDC_PANEL_LEFT_VALUE};

}  // namespace

void CPanelTabDlg::InitPage() {
  HWND page = m_hWnd;
  {
    PageTextBuffer text = {};
    FillList(page, IDC_PANEL_TABLE, pagelists::kDisableEnable, 0, text);
    FillList(page, IDC_PANEL_PIN_ENABLE, pagelists::kDisableEnable, 0, text);
    FillList(page, IDC_PANEL_PIN_GROUP, pagelists::kPinGroup, 0, text);
    FillList(page, IDC_PANEL_LINE_FEED, pagelists::kLineSpacing, 1, text);
    FillList(page, IDC_PANEL_DIRECTION, pagelists::kDirection, 0, text);
    FillList(page, IDC_PANEL_TOP_SIDE, pagelists::kTopSide, 0, text);
    FillList(page, IDC_PANEL_LENGTH_ENABLE, pagelists::kDisableEnable, 0, text);
    FillList(page, IDC_PANEL_PAGE_SIZE, pagelists::kPageSize, 0, text);
    FillList(page, IDC_PANEL_LEFT_DIRECTION, pagelists::kShiftDirection, 0, text);
    FillList(page, IDC_PANEL_COMPRESS, pagelists::kCompression, 0, text);
  }
  ::SetDlgItemTextW(page, IDC_PANEL_TOP_MM, L"0");
  ::SetDlgItemTextW(page, IDC_PANEL_LEFT_VALUE, L"0");
  for (int id : kValueControls) ::EnableWindow(GetDlgItem(id), FALSE);
  {
    PageTextBuffer text = {};
    SetTextFromKey(page, IDC_PANEL_TABLE_CHECK, "PO_IDC_CHECK_TABLE_AUTO", text);
    SetTextFromKey(page, IDC_PANEL_PIN_CHECK, "PO_IDC_CHECK_PIN_BROKEN", text);
    SetTextFromKey(page, IDC_PANEL_LINE_FEED_CHECK, "PO_IDC_CHECK_LINE_LENGTH", text);
    SetTextFromKey(page, IDC_PANEL_DIRECTION_CHECK, "PO_IDC_CHECK_PRINT_DIRECTION", text);
    SetTextFromKey(page, IDC_PANEL_TOP_CHECK, "PO_IDC_CHECK_PAGE_TOP", text);
    SetTextFromKey(page, IDC_PANEL_LENGTH_CHECK, "PO_IDC_CHECK_PAGE_LENGTH", text);
    SetTextFromKey(page, IDC_PANEL_SELF_TEST, "PO_GSTR_SELF_TEST", text);
    SetTextFromKey(page, IDC_PANEL_SET, "PO_GSTR_SET", text);
    SetTextFromKey(page, IDC_PANEL_COMPRESS_CHECK, "PO_GSTR_COMPRESS_RATIO", text);
    SetTextFromKey(page, IDC_PANEL_LEFT_CHECK, "PO_GSTR_LEFT_SPACE", text);
  }
}

void CPanelTabDlg::OnToggle(UINT, int id, HWND) {
  HWND page = m_hWnd;
  switch (id) {
    case IDC_PANEL_PIN_CHECK:
      ToggleControls(pinFlag_, page, {IDC_PANEL_PIN_ENABLE, IDC_PANEL_PIN_GROUP});
      break;
    case IDC_PANEL_TOP_CHECK:
      ToggleControls(topFlag_, page, {IDC_PANEL_TOP_SIDE, IDC_PANEL_TOP_MM});
      break;
    case IDC_PANEL_TABLE_CHECK:
      ToggleControls(tableFlag_, page, {IDC_PANEL_TABLE});
      break;
    case IDC_PANEL_LINE_FEED_CHECK:
      ToggleControls(lineFeedFlag_, page, {IDC_PANEL_LINE_FEED});
      break;
    case IDC_PANEL_DIRECTION_CHECK:
      ToggleControls(directionFlag_, page, {IDC_PANEL_DIRECTION});
      break;
    case IDC_PANEL_LENGTH_CHECK:
      ToggleControls(lengthFlag_, page, {IDC_PANEL_LENGTH_ENABLE, IDC_PANEL_PAGE_SIZE});
      break;
    case IDC_PANEL_COMPRESS_CHECK:
      ToggleControls(compressFlag_, page, {IDC_PANEL_COMPRESS});
      break;
    case IDC_PANEL_LEFT_CHECK:
      ToggleControls(leftFlag_, page, {IDC_PANEL_LEFT_DIRECTION, IDC_PANEL_LEFT_VALUE});
      break;
    default:
      break;
  }
}

bool ReadPanelInput(HWND page, TextUse use, commands::PanelInput* out) {
  commands::PanelInput& in = *out;
  in.pinBroken = IsTicked(page, IDC_PANEL_PIN_CHECK);
  in.pinEnable = ComboIndex(page, IDC_PANEL_PIN_ENABLE);
  in.pinGroup = ComboIndex(page, IDC_PANEL_PIN_GROUP);
  in.pageTop = IsTicked(page, IDC_PANEL_TOP_CHECK);
  in.pageTopSide = ComboIndex(page, IDC_PANEL_TOP_SIDE);
  in.pageTopMm = ReadNumberText(page, IDC_PANEL_TOP_MM, use);
  in.tableAuto = IsTicked(page, IDC_PANEL_TABLE_CHECK);
  in.tableAutoIndex = ComboIndex(page, IDC_PANEL_TABLE);
  in.lineFeed = IsTicked(page, IDC_PANEL_LINE_FEED_CHECK);
  in.lineFeedIndex = ComboIndex(page, IDC_PANEL_LINE_FEED);
  in.direction = IsTicked(page, IDC_PANEL_DIRECTION_CHECK);
  in.directionIndex = ComboIndex(page, IDC_PANEL_DIRECTION);
  in.pageLength = IsTicked(page, IDC_PANEL_LENGTH_CHECK);
  in.pageLengthEnable = ComboIndex(page, IDC_PANEL_LENGTH_ENABLE);
  in.pageSizeIndex = ComboIndex(page, IDC_PANEL_PAGE_SIZE);
  in.leftSpace = IsTicked(page, IDC_PANEL_LEFT_CHECK);
  in.leftSpaceValue = ReadNumberText(page, IDC_PANEL_LEFT_VALUE, use);
  in.leftSpaceDirection = ComboIndex(page, IDC_PANEL_LEFT_DIRECTION);
  in.compression = IsTicked(page, IDC_PANEL_COMPRESS_CHECK);
  in.compressionIndex = ComboIndex(page, IDC_PANEL_COMPRESS);
  return true;
}

void CPanelTabDlg::OnSet(UINT, int, HWND) {
  if (!CheckPortReady()) return;
  const int boxes[] = {IDC_PANEL_PIN_CHECK,       IDC_PANEL_TOP_CHECK,    IDC_PANEL_TABLE_CHECK,
                       IDC_PANEL_LINE_FEED_CHECK, IDC_PANEL_DIRECTION_CHECK, IDC_PANEL_LENGTH_CHECK,
                       IDC_PANEL_COMPRESS_CHECK,  IDC_PANEL_LEFT_CHECK};
  bool any = false;
  for (int id : boxes) any = any || IsTicked(m_hWnd, id);
  if (any) EncodeAndSend(ReadPanelInput, commands::EncodePanelCommands);
}

void CPanelTabDlg::OnSelfTest(UINT, int, HWND) {
  if (CheckPortReady()) SendEncoded(commands::EncodeSelfTest());
}
