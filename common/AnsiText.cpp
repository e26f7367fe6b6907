#include "common/AnsiText.h"

#include <windows.h>

#include <climits>

namespace {

// Code pages that spell every Unicode character. WideCharToMultiByte refuses
// WC_NO_BEST_FIT_CHARS and a used-default flag for them; an unpaired
// surrogate is the one thing they cannot carry, and WC_ERR_INVALID_CHARS
// makes the call fail on it instead of writing U+FFFD.
bool SpellsAllOfUnicode(unsigned codePage) { return codePage == CP_UTF8 || codePage == 54936; }

}  // namespace

bool WideToCodePageExact(unsigned codePage, const wchar_t* text, size_t length, std::string* out) {
  if (!out || (length > 0 && !text) || length > INT_MAX) return false;
  if (length == 0) {
    out->clear();
    return true;
  }
  const bool whole = SpellsAllOfUnicode(codePage);
  const DWORD flags = whole ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  const int units = static_cast<int>(length);
  BOOL usedDefault = FALSE;
  int bytes = ::WideCharToMultiByte(codePage, flags, text, units, nullptr, 0, nullptr,
                                    whole ? nullptr : &usedDefault);
  if (bytes <= 0 || usedDefault) return false;
  std::string result(static_cast<size_t>(bytes), '\0');
  usedDefault = FALSE;
  bytes = ::WideCharToMultiByte(codePage, flags, text, units, &result[0], bytes, nullptr,
                                whole ? nullptr : &usedDefault);
  if (bytes <= 0 || usedDefault) return false;
  result.resize(static_cast<size_t>(bytes));
  *out = std::move(result);
  return true;
}

unsigned AnsiCodePage() { return ::GetACP(); }

bool WideToAnsiExact(const std::wstring& text, std::string* ansi) {
  return WideToCodePageExact(AnsiCodePage(), text.data(), text.size(), ansi);
}

bool Utf8ToAnsiExact(const std::string& utf8, std::string* ansi) {
  if (!ansi || utf8.size() > INT_MAX) return false;
  if (utf8.empty()) {
    ansi->clear();
    return true;
  }
  const int length = static_cast<int>(utf8.size());
  int units = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, nullptr, 0);
  if (units <= 0) return false;
  std::wstring wide(static_cast<size_t>(units), L'\0');
  units = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, &wide[0], units);
  if (units <= 0) return false;
  wide.resize(static_cast<size_t>(units));
  return WideToAnsiExact(wide, ansi);
}
