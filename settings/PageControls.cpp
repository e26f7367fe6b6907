#include "settings/PageControls.h"

#include <climits>

#include "common/AnsiText.h"
#include "settings/Encoders.h"
#include "settings/PageLists.h"
#include "transport/Device.h"

void ShowInputError(HWND page, const char* key) {
  wchar_t text[kMessageTextChars] = {};
  LookupText(key, text);
  ::MessageBoxW(page, text, L"ERROR", MB_OKCANCEL);
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

bool ReadSendableText(HWND page, int id, std::string* ansi) {
  return WideToAnsiExact(ReadWideText(page, id), ansi);
}

std::string ReadAnsiText(HWND page, int id) {
  const std::wstring text = ReadWideText(page, id);
  if (text.empty() || text.size() > INT_MAX) return std::string();
  const int length = static_cast<int>(text.size());
  int bytes = ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string result(static_cast<size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, &result[0], bytes, nullptr, nullptr);
  return result;
}

std::wstring AnsiToWide(const std::string& text) {
  if (text.empty() || text.size() > INT_MAX) return std::wstring();
  int length = static_cast<int>(text.size());
  int chars = ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (chars <= 0) return std::wstring();
  std::wstring result(static_cast<size_t>(chars), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, &result[0], chars);
  return result;
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

std::wstring Utf8ToWide(const std::string& text) {
  if (text.empty() || text.size() > INT_MAX) return std::wstring();
  int length = static_cast<int>(text.size());
  int chars = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
  if (chars <= 0) return std::wstring();
  std::wstring result(static_cast<size_t>(chars), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), length, &result[0], chars);
  return result;
}

std::string WideToUtf8(const std::wstring& text) {
  if (text.empty() || text.size() > INT_MAX) return std::string();
  int length = static_cast<int>(text.size());
  int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string result(static_cast<size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, &result[0], bytes, nullptr, nullptr);
  return result;
}

std::string ReadUtf8Text(HWND page, int id) { return WideToUtf8(ReadWideText(page, id)); }

void SetTextFromKey(HWND page, int id, const char* key, PageTextBuffer& buffer) {
  ::SetDlgItemTextW(page, id, LookupText(key, buffer));
}

bool IsAnsiLeadByte(unsigned char byte) { return ::IsDBCSLeadByte(byte) != FALSE; }

int SendBytes(const unsigned char* data, size_t length, int showSuccess) {
  if (!data || length == 0 || length > INT_MAX) return 0;
  return SendCommand(data, static_cast<int>(length), showSuccess);
}

int SendEncodedFrom(HWND page, const commands::Encoded& encoded, int showSuccess) {
  if (!encoded.Ok()) {
    ShowInputError(page, encoded.errorKey);
    return 0;
  }
  return SendBytes(encoded.bytes.data(), encoded.bytes.size(), showSuccess);
}
