#include "settings/PanelTab.h"

#include "common/Globals.h"
#include "settings/Encoders.h"
#include "settings/PageControls.h"

namespace {

// The value controls, disabled until their box is ticked.
constexpr int kValueControls[] = {
    IDC_PANEL_PIN_ENABLE, IDC_PANEL_PIN_GROUP, IDC_PANEL_TOP_SIDE, IDC_PANEL_TOP_MM,
    IDC_PANEL_TABLE,      IDC_PANEL_LINE_FEED, IDC_PANEL_DIRECTION, IDC_PANEL_LENGTH_ENABLE,
    IDC_PANEL_PAGE_SIZE,  IDC_PANEL_COMPRESS,  IDC_PANEL_LEFT_DIRECTION, IDC_PANEL_LEFT_VALUE};

constexpr const char* kPageSizeKeys[] = {
    "PO_GSTR_3_INCH",   "PO_GSTR_11_3_INCH", "PO_GSTR_3_5_INCH", "PO_GSTR_4_INCH",
    "PO_GSTR_5_INCH",   "PO_GSTR_5_5_INCH",  "PO_GSTR_6_INCH",   "PO_GSTR_7_INCH",
    "PO_GSTR_11_INCH",  "PO_GSTR_A4_INCH",   "PO_GSTR_12_INCH",  "PO_GSTR_14_INCH"};

}  // namespace

void CPanelTabDlg::InitPage() {
  HWND page = m_hWnd;
  {
    PageTextBuffer text = {};
    FillComboFromKeys(page, IDC_PANEL_TABLE, {"PO_GSTR_DISABLE", "PO_GSTR_ENABLE"}, 0, text);
    FillComboFromKeys(page, IDC_PANEL_PIN_ENABLE, {"PO_GSTR_DISABLE", "PO_GSTR_ENABLE"}, 0, text);
    FillComboFromKeys(page, IDC_PANEL_PIN_GROUP,
                      {"PO_GSTR_1_12_PIN", "PO_GSTR_13_24_PIN"}, 0, text);
    FillComboFromKeys(page, IDC_PANEL_LINE_FEED,
                      {"PO_GSTR_1_3_INCH", "PO_GSTR_1_6_INCH", "PO_GSTR_1_8_INCH", "PO_GSTR_1_12_INCH"},
                      1, text);
    FillComboFromKeys(page, IDC_PANEL_DIRECTION,
                      {"PO_GSTR_BINDIRECTIONAL", "PO_GSTR_UNIDIRECTIONAL"}, 0, text);
    FillComboFromKeys(page, IDC_PANEL_TOP_SIDE, {"PO_GSTR_FRONT", "PO_GSTR_REAR"}, 0, text);
    FillComboFromKeys(page, IDC_PANEL_LENGTH_ENABLE,
                      {"PO_GSTR_DISABLE", "PO_GSTR_ENABLE"}, 0, text);
    for (const char* key : kPageSizeKeys) AddComboItemFromKey(page, IDC_PANEL_PAGE_SIZE, key, text);
    SelectComboItem(page, IDC_PANEL_PAGE_SIZE, 0);
    FillComboFromKeys(page, IDC_PANEL_LEFT_DIRECTION,
                      {"PO_GSTR_BID_SHIFT_LEFT", "PO_GSTR_BID_SHIFT_RIGHT"}, 0, text);
    AddComboItemFromKey(page, IDC_PANEL_COMPRESS, "PO_GSTR_OFF", text);
    for (const wchar_t* ratio : {L"80%", L"75%", L"60%", L"50%"}) {
      AddComboItem(page, IDC_PANEL_COMPRESS, ratio);
    }
    AddComboItemFromKey(page, IDC_PANEL_COMPRESS, "PO_GSTR_AUTO", text);
    SelectComboItem(page, IDC_PANEL_COMPRESS, 0);
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

int BuildPanelCommands(HWND page, commands::CommandBuffer& buffer) {
  commands::PanelInput in;
  in.pinBroken = IsTicked(page, IDC_PANEL_PIN_CHECK);
  in.pinEnable = ComboIndex(page, IDC_PANEL_PIN_ENABLE);
  in.pinGroup = ComboIndex(page, IDC_PANEL_PIN_GROUP);
  in.pageTop = IsTicked(page, IDC_PANEL_TOP_CHECK);
  in.pageTopSide = ComboIndex(page, IDC_PANEL_TOP_SIDE);
  in.pageTopMm = ReadAnsiText(page, IDC_PANEL_TOP_MM);
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
  in.leftSpaceValue = ReadAnsiText(page, IDC_PANEL_LEFT_VALUE);
  in.leftSpaceDirection = ComboIndex(page, IDC_PANEL_LEFT_DIRECTION);
  in.compression = IsTicked(page, IDC_PANEL_COMPRESS_CHECK);
  in.compressionIndex = ComboIndex(page, IDC_PANEL_COMPRESS);

  commands::Encoded encoded = commands::EncodePanelCommands(in);
  if (!encoded.Ok()) {
    ShowInputError(page, encoded.errorKey);
    return 0;
  }
  for (unsigned char byte : encoded.bytes) buffer.Put(byte);
  return buffer.Overflowed() ? 0 : static_cast<int>(buffer.Position());
}

void CPanelTabDlg::OnSet(UINT, int, HWND) {
  if (!CheckPortReady()) return;
  const int boxes[] = {IDC_PANEL_PIN_CHECK,       IDC_PANEL_TOP_CHECK,    IDC_PANEL_TABLE_CHECK,
                       IDC_PANEL_LINE_FEED_CHECK, IDC_PANEL_DIRECTION_CHECK, IDC_PANEL_LENGTH_CHECK,
                       IDC_PANEL_COMPRESS_CHECK,  IDC_PANEL_LEFT_CHECK};
  bool any = false;
  for (int id : boxes) any = any || IsTicked(m_hWnd, id);
  if (!any) return;
  commands::CommandBuffer buffer(commands::kPageBufferBytes);
  int length = BuildPanelCommands(m_hWnd, buffer);
  if (length > 0) SendBytes(buffer.Data(), static_cast<size_t>(length), 1);
}

void CPanelTabDlg::OnSelfTest(UINT, int, HWND) {
  if (!CheckPortReady()) return;
  std::vector<unsigned char> bytes = commands::EncodeSelfTest();
  SendBytes(bytes.data(), bytes.size(), 1);
}
