// The setting pages' work with their controls: reading them, the input-error
// box, the check-box toggles, filling lists and texts, and the send.
#pragma once
#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>

#include "common/AnsiText.h"
#include "common/TextConvert.h"
#include "common/translation/Translation.h"

// Text buffer of one start-up step of a page: cleared once, reused for every
// lookup of the step.
using PageTextBuffer = wchar_t[kControlTextChars];

// Shows the text of key (behind lead, in UTF-8) in a box owned by the page,
// caption "ERROR", buttons OK and Cancel; the answer is ignored.
void ShowInputError(HWND page, const char* key, const std::string& lead = std::string());

// Click handler of a setting check box: flag = 1 - flag, then enables the
// listed controls when the flag is 1 and disables them when it is 0.
void ToggleControls(int& flag, HWND page, std::initializer_list<int> controls);

// Enables or disables the listed controls.
void EnableControls(HWND page, std::initializer_list<int> controls, bool enable);

// What a page reads its texts for: Set sends them in the ANSI code page, a
// profile holds them in UTF-8.
enum class TextUse { Send, Profile };
// A number field's whole text: for Send every character converted (so the
// check sees all of what the user typed).
std::string ReadNumberText(HWND page, int id, TextUse use);
// A text that is sent as it is (an SSID, a key, a name): for Send false when
// a character has no exact form in the code page, which the printer would
// otherwise receive as '?' or as a look-alike.
bool ReadFreeText(HWND page, int id, TextUse use, std::string* text);

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
// Sets a control's text from UTF-8.
void SetUtf8Text(HWND page, int id, const std::string& utf8);

// Sets a control's text from key through the step's shared buffer.
void SetTextFromKey(HWND page, int id, const char* key, PageTextBuffer& buffer);

// Whether a byte starts a two-byte character in the ANSI code page.
bool IsAnsiLeadByte(unsigned char byte);

namespace commands {
struct Encoded;
}
// Shows encoded's input error in a box owned by page and sends nothing, or
// sends its bytes through the send dispatch (SendCommand). Returns the
// send's result (0 after an input error).
int SendEncodedFrom(HWND page, const commands::Encoded& encoded, int showSuccess);

// Ticks or clears a setting box as a user does (a click when it differs).
void SetTicked(HWND page, int id, bool ticked);
// Chooses a list item as a user does (with the notification of a choice).
void ChooseItem(HWND page, int id, int index);
// A 32-bit address (first part in the top byte) of an address control.
uint32_t ReadAddress(HWND page, int id);
void WriteAddress(HWND page, int id, uint32_t address);
