#include "common/TextConvert.h"

#include "common/translation/Translation.h"

namespace {

constexpr unsigned long kReplacement = 0xFFFD;

// The length of the valid UTF-8 sequence at s[i] and its code point, or 0
// when none starts there (a stray continuation byte, an overlong form, a
// surrogate, a value beyond U+10FFFF, a sequence cut short).
size_t SequenceAt(const unsigned char* s, size_t n, size_t i, unsigned long* code) {
  const unsigned c = s[i];
  const size_t len = c < 0x80 ? 1 : (c >= 0xC2 && c <= 0xDF) ? 2 : (c >= 0xE0 && c <= 0xEF) ? 3
                   : (c >= 0xF0 && c <= 0xF4) ? 4 : 0;
  if (len == 0 || i + len > n) return 0;
  unsigned long value = len == 1 ? c : c & (0x3F >> (len - 1));
  for (size_t k = 1; k < len; ++k) {
    if ((s[i + k] & 0xC0) != 0x80) return 0;
    value = (value << 6) | (s[i + k] & 0x3F);
  }
  if ((c == 0xE0 && s[i + 1] < 0xA0) || (c == 0xED && s[i + 1] >= 0xA0) ||
      (c == 0xF0 && s[i + 1] < 0x90) || (c == 0xF4 && s[i + 1] >= 0x90)) {
    return 0;
  }
  *code = value;
  return len;
}

void AppendUtf8(unsigned long c, std::string* out) {
  if (c < 0x80) {
    *out += static_cast<char>(c);
  } else if (c < 0x800) {
    *out += static_cast<char>(0xC0 | (c >> 6));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *out += static_cast<char>(0xE0 | (c >> 12));
    *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *out += static_cast<char>(0xF0 | (c >> 18));
    *out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string WideToUtf8(const wchar_t* text, size_t length) {
  std::string out;
  out.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    unsigned long c = static_cast<unsigned long>(text[i]);
    if (c >= 0xD800 && c <= 0xDBFF) {
      const unsigned long low = i + 1 < length ? static_cast<unsigned long>(text[i + 1]) : 0;
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      } else {
        c = kReplacement;
      }
    } else if ((c >= 0xDC00 && c <= 0xDFFF) || c > 0x10FFFF) {
      c = kReplacement;
    }
    AppendUtf8(c, &out);
  }
  return out;
}

}  // namespace

std::string WideToUtf8(const std::wstring& text) { return WideToUtf8(text.data(), text.size()); }

std::string WideToUtf8(const wchar_t* text) {
  return text ? WideToUtf8(text, std::char_traits<wchar_t>::length(text)) : std::string();
}

std::wstring Utf8ToWide(const std::string& text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    unsigned long c = kReplacement;
    const size_t len = SequenceAt(s, text.size(), i, &c);
    i += len ? len : 1;
    if (c >= 0x10000 && sizeof(wchar_t) == 2) {
      out += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<wchar_t>(c);
    }
  }
  return out;
}

bool IsValidUtf8(const std::string& text, size_t* badAt) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  for (size_t i = 0; i < text.size();) {
    unsigned long c = 0;
    const size_t len = SequenceAt(s, text.size(), i, &c);
    if (len == 0) {
      if (badAt) *badAt = i;
      return false;
    }
    i += len;
  }
  return true;
}

std::string EnglishText(const char* key) {
  if (const wchar_t* text = FindDefaultText(key)) return WideToUtf8(text);
  return key ? std::string(key) : std::string();
}
