#include "common/AnsiText.h"

#include <windows.h>

#include <climits>

#include "common/TextConvert.h"

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
  if (!ansi || !IsValidUtf8(utf8, nullptr)) return false;
  return WideToAnsiExact(Utf8ToWide(utf8), ansi);
}

std::string WideToAnsi(const std::wstring& text) {
  if (text.empty() || text.size() > INT_MAX) return std::string();
  const int length = static_cast<int>(text.size());
  int bytes = ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string result(static_cast<size_t>(bytes), '\0');
  bytes = ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, &result[0], bytes, nullptr, nullptr);
  result.resize(bytes > 0 ? static_cast<size_t>(bytes) : 0);
  return result;
}

std::wstring AnsiToWide(const std::string& text) {
  if (text.empty() || text.size() > INT_MAX) return std::wstring();
  const int length = static_cast<int>(text.size());
  int chars = ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (chars <= 0) return std::wstring();
  std::wstring result(static_cast<size_t>(chars), L'\0');
  chars = ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, &result[0], chars);
  result.resize(chars > 0 ? static_cast<size_t>(chars) : 0);
  return result;
}
