// The setting pages' work with their controls: reading them, the input-error
// box, the check-box toggles, filling lists and texts, and the send.
#pragma once
#include <windows.h>

#include <initializer_list>
#include <string>

#include "common/translation/Translation.h"

// Text buffer of one start-up step of a page: cleared once, reused for every
// lookup of the step.
using PageTextBuffer = wchar_t[kControlTextChars];

// Shows the text of key in a box owned by the page, caption "ERROR",
// buttons OK and Cancel; the answer is ignored.
void ShowInputError(HWND page, const char* key);

// Click handler of a setting check box: flag = 1 - flag, then enables the
// listed controls when the flag is 1 and disables them when it is 0.
void ToggleControls(int& flag, HWND page, std::initializer_list<int> controls);

// Enables or disables the listed controls.
void EnableControls(HWND page, std::initializer_list<int> controls, bool enable);

// The control's whole text in the ANSI code page, every character
// converted (so a check sees all of what the user typed).
std::string ReadAnsiText(HWND page, int id);
// The same for a text that is sent as it is (an SSID, a key, a name): false
// when a character has no exact form in the code page, which the printer
// would otherwise receive as '?' or as a look-alike.
bool ReadSendableText(HWND page, int id, std::string* ansi);
// ANSI text to UTF-16.
std::wstring AnsiToWide(const std::string& text);

// The current-selection index of a drop-down list.
int ComboIndex(HWND page, int id);
bool IsTicked(HWND page, int id);

// Adds the text of key to a list; the step's shared buffer carries the text.
void AddComboItemFromKey(HWND page, int id, const char* key, PageTextBuffer& buffer);
void AddComboItem(HWND page, int id, const wchar_t* text);
void SelectComboItem(HWND page, int id, int index);
// Fills a list with the texts of keys, in order, and selects one item.
void FillComboFromKeys(HWND page, int id, std::initializer_list<const char*> keys, int selected,
                       PageTextBuffer& buffer);
// Fills a list with fixed texts, in order, and selects one item.
void FillCombo(HWND page, int id, std::initializer_list<const wchar_t*> items, int selected);
// Fills a list with a page list's items (keys through the step's shared
// buffer, fixed texts as they are) and selects one item.
namespace pagelists {
struct List;
}
void FillList(HWND page, int id, const pagelists::List& list, int selected, PageTextBuffer& buffer);
// The same for a list of fixed texts only.
void FillFixedList(HWND page, int id, const pagelists::List& list, int selected);
// The control's whole text in UTF-8, and UTF-8 text to UTF-16.
std::string ReadUtf8Text(HWND page, int id);
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);

// Sets a control's text from key through the step's shared buffer.
void SetTextFromKey(HWND page, int id, const char* key, PageTextBuffer& buffer);

// Whether a byte starts a two-byte character in the ANSI code page.
bool IsAnsiLeadByte(unsigned char byte);

// Sends bytes through the send dispatch.
int SendBytes(const unsigned char* data, size_t length, int showSuccess);

namespace commands {
struct Encoded;
}
// Shows encoded's input error in a box owned by page and sends nothing, or
// sends its bytes. Returns the send's result (0 after an input error).
int SendEncodedFrom(HWND page, const commands::Encoded& encoded, int showSuccess);
