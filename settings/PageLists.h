// The items of every drop-down list of the setting pages, in list order.
// An item is either a translation key (its text follows the user's language)
// or a fixed text that is never translated. The pages fill their lists from
// here and profiles read and write the same items, so a list exists once.
// Platform-free.
#pragma once
#include <cstddef>

namespace pagelists {

struct Item {
  const char* key;       // translation key, or null
  const wchar_t* fixed;  // fixed text when key is null
  // Another spelling a profile accepts for the item (the correct one where
  // the page's text is misspelt); profiles write the page's text.
  const char* alias = nullptr;
};

struct List {
  const Item* items;
  size_t count;
  const Item* begin() const { return items; }
  const Item* end() const { return items + count; }
};

extern const List kDisableEnable;   // Panel: table auto, pin broken, page length
extern const List kPinGroup;
extern const List kLineSpacing;
extern const List kDirection;
extern const List kTopSide;
extern const List kPageSize;
extern const List kShiftDirection;  // Panel left space and BID
extern const List kCompression;
extern const List kDuplex;
extern const List kDhcp;            // fixed "Disable", "Enable"
extern const List kWifiMode;
extern const List kWpaType;
extern const List kWpaCipher;
extern const List kWepAuth;
extern const List kBaud;
extern const List kDataBits;
extern const List kParity;
extern const List kStopBits;
extern const List kHandshake;
extern const List kLeftShift;       // User Define

}  // namespace pagelists
