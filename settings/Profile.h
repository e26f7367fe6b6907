// Settings profiles: UTF-8 INI text holding page values as the user sees
// them, one section per page and one entry per setting group. An entry that
// is present is a group that is sent (its box ticked, or its Set button
// pressed). Parsing checks every value with the pages' own lists and the
// encoders' own input checks; a profile with any error is refused whole.
// Platform-free: texts stay UTF-8 here; the caller's codec converts them to
// the ANSI code page for the encoders.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "settings/Encoders.h"

namespace profile {

// Larger files are refused before they are read.
constexpr size_t kMaxProfileBytes = 1024 * 1024;

// The seven pages in tab order.
enum Page { kPanel = 0, kBid, kEthernet, kWifi, kBluetooth, kSerial, kUserDefine, kPageCount };
extern const char* const kPageNames[kPageCount];  // the section names

// One setting group of a profile: present when its entry was given; line is
// where (0 when the profile was built from the pages).
struct Presence {
  bool present = false;
  int line = 0;
};

struct Profile {
  // [Panel]: one entry per check box. Values as the page holds them
  // (list indices, entry texts).
  commands::PanelInput panel;  // the ticks say which entries are present
  int panelLines[8] = {};      // in kPanelEntries order

  // [BID]
  Presence bid;
  int bidDirection = 0;
  std::string bidValue = "0";

  // [Ethernet]: the address group and the DHCP group exclude each other,
  // as the page's two modes do.
  Presence address;
  std::string ip = "192.168.1.87", mask = "255.255.255.0", gateway = "192.168.1.1";
  Presence dhcp;
  int dhcpIndex = 0;
  Presence mac;
  std::string macFields[6] = {"0", "0", "0", "0", "0", "0"};
  Presence duplex;
  int duplexIndex = 0;

  // [WiFi]: texts in UTF-8; the key only when the profile holds it.
  Presence wifi;
  std::string ssid;
  int wifiMode = 0;
  commands::WifiSecurity security = commands::WifiSecurity::Wep;
  int wpaType = 0, wpaCipher = 0, wepAuth = 0;
  bool hasKey = false;
  std::string key;

  // [Bluetooth]: the PIN only when the profile holds it.
  Presence bluetooth;
  std::string btName;
  bool hasPin = false;
  std::string btPin;

  // [Serial]: the five list indices.
  Presence serial;
  int serialIndex[5] = {1, 1, 0, 0, 0};

  // [UserDefine]
  commands::UserDefInput userDef;
  int userDefLines[2] = {};
};

// Text conversion for the encoders' checks and bytes: UTF-8 to the ANSI
// code page, and whether a byte starts a two-byte character there. A text
// the code page cannot carry exactly is refused, never sent changed.
struct TextCodec {
  // false when some character has no exact form in the code page.
  // null: the UTF-8 bytes are sent as they are.
  bool (*toAnsi)(const std::string& utf8, std::string* ansi) = nullptr;
  commands::LeadBytePredicate isLeadByte = nullptr;
  unsigned codePage = 0;  // named in messages; 0 when none is known
};

struct Error {
  int line = 0;         // 0: the file as a whole
  std::string message;  // English, UTF-8
  std::string Text() const;  // "line 12: ..." or the message alone
};

// Reads a whole profile. false with error set when anything is wrong:
// syntax, unknown section or entry, duplicates, a value not in its list,
// a missing value, bad UTF-8, control bytes, a value an encoder refuses, a
// text the code page cannot carry, or a value longer than its command
// carries (a Bluetooth name or PIN: the page cuts them, a profile does not).
// The Wi-Fi key and the Bluetooth PIN never appear in the message: a value
// of those entries that is not where it belongs shows as one '*' a byte.
bool Parse(const std::string& text, const TextCodec& codec, Profile* out, Error* error);

// Writes a profile; with secrets false the Wi-Fi key and Bluetooth PIN are
// left out. Parse(Format(p)) gives p back.
std::string Format(const Profile& profile, bool secrets);

// One send of an apply, in the order the pages send: Panel, BID, Ethernet
// address, DHCP, MAC, duplex, Wi-Fi, Bluetooth, Serial, User Define.
struct Send {
  Page page;
  std::string group;  // "Panel", "Ethernet.MAC", ...
  int line = 0;
  std::vector<unsigned char> bytes;
};

// The bytes of every present group of the chosen pages (onlyPages: bit per
// Page; ~0u for all). false with error when a group cannot be encoded (a
// missing Wi-Fi key or Bluetooth PIN included).
bool BuildSends(const Profile& profile, const TextCodec& codec, unsigned onlyPages,
                std::vector<Send>* sends, Error* error);

// The English text of a list item (its key's built-in text or its fixed
// text) in UTF-8, and of a translation key.
std::string EnglishText(const char* key);

// UTF-16 (or, where wchar_t has 32 bits, UTF-32) text to UTF-8; a surrogate
// pair is one character, an unpaired surrogate becomes U+FFFD.
std::string WideToUtf8(const wchar_t* text);

}  // namespace profile
