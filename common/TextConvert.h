// Text between the encodings Setwright meets: UTF-8 (profiles, the command
// line, catalogues) and UTF-16 (the window's controls), and the built-in
// English text of a translation key. Platform-free: the same conversion
// runs in the program and in the native tests. The ANSI code page, which
// needs the system, is in AnsiText.h.
#pragma once
#include <cstddef>
#include <string>

// UTF-16 (UTF-32 where wchar_t has 32 bits) to UTF-8: a surrogate pair is one
// four-byte character, an unpaired surrogate becomes U+FFFD.
std::string WideToUtf8(const std::wstring& text);
std::string WideToUtf8(const wchar_t* text);  // zero-terminated; null gives ""

// UTF-8 to UTF-16 (UTF-32 where wchar_t has 32 bits): a character beyond the
// basic plane becomes a surrogate pair; each byte that starts no valid
// sequence becomes U+FFFD.
std::wstring Utf8ToWide(const std::string& text);

// Strict UTF-8: no overlong forms, no surrogates, nothing beyond U+10FFFF.
// false with the offset of the first byte that starts no valid sequence.
bool IsValidUtf8(const std::string& text, size_t* badAt);

// The built-in English text of a translation key in UTF-8; the key itself
// when the table has no text for it (and "" for null).
std::string EnglishText(const char* key);
