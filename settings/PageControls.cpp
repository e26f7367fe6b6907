#include "settings/PageControls.h"

#include <commctrl.h>

#include <climits>

#include "settings/Encoders.h"
#include "settings/PageLists.h"
#include "transport/Device.h"

void ShowInputError(HWND page, const char* key, const std::string& lead) {
  wchar_t text[kMessageTextChars] = {};
  LookupText(key, text);
  ::MessageBoxW(page, (Utf8ToWide(lead) + text).c_str(), L"ERROR", MB_OKCANCEL);
}

void EnableControls(HWND page, std::initializer_list<int> controls, bool enable) {
  for (int id : controls) ::EnableWindow(::GetDlgItem(page, id), enable ? TRUE : FALSE);
}

void ToggleControls(int& flag, HWND page, std::initializer_list<int> controls) {
  flag = 1 - flag;
  EnableControls(page, controls, flag == 1);
}

namespace {

// The control's whole text.
std::wstring ReadWideText(HWND page, int id) {
  HWND control = ::GetDlgItem(page, id);
  int length = control ? ::GetWindowTextLengthW(control) : 0;
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  length = ::GetWindowTextW(control, &text[0], length + 1);
  text.resize(length > 0 ? static_cast<size_t>(length) : 0);
  return text;
}

}  // namespace

std::string ReadNumberText(HWND page, int id, TextUse use) {
  const std::wstring text = ReadWideText(page, id);
  return use == TextUse::Send ? WideToAnsi(text) : WideToUtf8(text);
}

bool ReadFreeText(HWND page, int id, TextUse use, std::string* text) {
  if (use == TextUse::Send) return WideToAnsiExact(ReadWideText(page, id), text);
  *text = WideToUtf8(ReadWideText(page, id));
  return true;
}

void SetUtf8Text(HWND page, int id, const std::string& utf8) {
  ::SetDlgItemTextW(page, id, Utf8ToWide(utf8).c_str());
}

int ComboIndex(HWND page, int id) {
  return static_cast<int>(::SendDlgItemMessageW(page, id, CB_GETCURSEL, 0, 0));
}

bool IsTicked(HWND page, int id) { return ::IsDlgButtonChecked(page, id) == BST_CHECKED; }

void AddComboItem(HWND page, int id, const wchar_t* text) {
  ::SendDlgItemMessageW(page, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

void AddComboItemFromKey(HWND page, int id, const char* key, PageTextBuffer& buffer) {
  AddComboItem(page, id, LookupText(key, buffer));
}

void SelectComboItem(HWND page, int id, int index) {
  ::SendDlgItemMessageW(page, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void FillComboFromKeys(HWND page, int id, std::initializer_list<const char*> keys, int selected,
                       PageTextBuffer& buffer) {
  for (const char* key : keys) AddComboItemFromKey(page, id, key, buffer);
  SelectComboItem(page, id, selected);
}

void FillCombo(HWND page, int id, std::initializer_list<const wchar_t*> items, int selected) {
  for (const wchar_t* item : items) AddComboItem(page, id, item);
  SelectComboItem(page, id, selected);
}

void FillList(HWND page, int id, const pagelists::List& list, int selected, PageTextBuffer& buffer) {
  for (const pagelists::Item& item : list) {
    if (item.key) {
      AddComboItemFromKey(page, id, item.key, buffer);
    } else {
      AddComboItem(page, id, item.fixed);
    }
  }
  SelectComboItem(page, id, selected);
}

void FillFixedList(HWND page, int id, const pagelists::List& list, int selected) {
  for (const pagelists::Item& item : list) AddComboItem(page, id, item.fixed ? item.fixed : L"");
  SelectComboItem(page, id, selected);
}

void SetTextFromKey(HWND page, int id, const char* key, PageTextBuffer& buffer) {
  ::SetDlgItemTextW(page, id, LookupText(key, buffer));
}

bool IsAnsiLeadByte(unsigned char byte) { return ::IsDBCSLeadByte(byte) != FALSE; }

int SendEncodedFrom(HWND page, const commands::Encoded& encoded, int showSuccess) {
  if (!encoded.Ok()) {
    ShowInputError(page, encoded.errorKey, encoded.errorLead);
    return 0;
  }
  const std::vector<unsigned char>& bytes = encoded.bytes;
  if (bytes.empty() || bytes.size() > INT_MAX) return 0;
  return SendCommand(bytes.data(), static_cast<int>(bytes.size()), showSuccess);
}

void SetTicked(HWND page, int id, bool ticked) {
  if (IsTicked(page, id) != ticked) ::SendMessageW(::GetDlgItem(page, id), BM_CLICK, 0, 0);
}

void ChooseItem(HWND page, int id, int index) {
  HWND combo = ::GetDlgItem(page, id);
  ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  ::SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

uint32_t ReadAddress(HWND page, int id) {
  DWORD address = 0;
  ::SendDlgItemMessageW(page, id, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
  return address;
}

void WriteAddress(HWND page, int id, uint32_t address) {
  ::SendDlgItemMessageW(page, id, IPM_SETADDRESS, 0, static_cast<LPARAM>(address));
}
