// Text lookup by translation key: the gettext catalogue of the domain
// "PrinterConfig" first, the built-in English table second.
#pragma once
#include <cstddef>
#include <string>

constexpr size_t kMessageTextChars = 520;  // message boxes, main dialog, port config
constexpr size_t kControlTextChars = 260;  // tab page control texts

// Binds the domain to the "Lang" directory beside the program file.
void InitTranslation();

// Looks up key and writes its text, zero-terminated, into buffer (capacity
// wide characters). A key with neither a translation nor a built-in text
// leaves the buffer as it was. Never writes past capacity. Returns buffer.
wchar_t* LookupText(const char* key, wchar_t* buffer, size_t capacity);

template <size_t N>
inline wchar_t* LookupText(const char* key, wchar_t (&buffer)[N]) {
  return LookupText(key, buffer, N);
}

// UTF-8 text to the system's ANSI code page (unrepresentable characters
// become the code page's default character).
std::string Utf8ToAnsi(const char* text);

struct TextTableRow {
  const char* key;
  const wchar_t* text;
};

// The built-in English texts, searched first row to last.
extern const TextTableRow DefaultTextTable[];
extern const size_t DefaultTextTableRows;

// The English text of key in the built-in table, or null.
const wchar_t* FindDefaultText(const char* key);
