// Text in the system's ANSI code page: converted exactly or not at all for
// what is sent as it is, converted as Windows does for the rest.
// The printer receives the code page's bytes: a character the code page has
// no form for would arrive as the default character ('?'), or as a
// look-alike through Windows' best-fit mapping ("ｓ" as "s"), and the
// printer would hold a name nobody typed. Such text is refused instead.
#pragma once
#include <cstddef>
#include <string>

// UTF-16 text (length units) in codePage, every character exactly; false
// (out untouched) when one has no exact form there. Where the code page
// spells all of Unicode (UTF-8, GB18030) only an unpaired surrogate fails.
bool WideToCodePageExact(unsigned codePage, const wchar_t* text, size_t length, std::string* out);

// The same in the system's ANSI code page.
bool WideToAnsiExact(const std::wstring& text, std::string* ansi);

// UTF-8 text in the system's ANSI code page; false also for invalid UTF-8.
bool Utf8ToAnsiExact(const std::string& utf8, std::string* ansi);

// The system's ANSI code page (GetACP()).
unsigned AnsiCodePage();

// UTF-16 text in the system's ANSI code page, every character converted
// (one with no form there as Windows' best fit or default character).
std::string WideToAnsi(const std::wstring& text);

// Text in the system's ANSI code page to UTF-16.
std::wstring AnsiToWide(const std::string& text);
