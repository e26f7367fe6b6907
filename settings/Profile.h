// Settings profiles: UTF-8 INI text holding page values as the user sees
// them, one section per page and one "Name = values" entry per setting
// group (on the Panel and User Define pages, per setting box). An entry that
// is present is a group that is sent (its box ticked, or its Set button
// pressed). One table of group descriptors drives reading, checking, writing
// and building the bytes; a profile is checked by building it, with the
// pages' own lists and the encoders' own input checks, and one with any
// error is refused whole. Platform-free: texts stay UTF-8 here; the caller's
// codec converts them to the ANSI code page for the encoders.
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

// The setting groups in the order an apply sends them, one send each (one
// Set button, or the Panel's and User Define's ticked boxes together).
enum Group {
  kPanelGroup = 0, kBidGroup, kAddressGroup, kDhcpGroup, kMacGroup, kDuplexGroup,
  kWifiGroup, kBluetoothGroup, kSerialGroup, kUserDefineGroup, kGroupCount
};

// The entries, one "Name = values" line each, in the order a profile is written.
enum Entry {
  kPinBrokenEntry = 0, kPageTopEntry, kTableAutoEntry, kLineSpacingEntry, kPrintDirectionEntry,
  kPageLengthEntry, kLeftSpaceEntry, kCompressionEntry, kBidEntry, kAddressEntry, kDhcpEntry,
  kMacEntry, kDuplexModeEntry, kWifiEntry, kBluetoothEntry, kSerialEntry, kUserPageLengthEntry,
  kUserLeftShiftEntry, kEntryCount
};

// Where an entry was given: a line of the file, or a value from outside it.
struct Place {
  int line = 0;        // 0: not from the file (built from the pages, or an override)
  std::string origin;  // an override's origin; empty for the file and the pages
};

// A profile holds the encoders' inputs, with texts in UTF-8 (building
// converts them to the code page), and which entries are given.
struct Profile {
  commands::PanelInput panel;  // its ticks say which [Panel] entries are given
  commands::BidInput bid;
  commands::AddressInput address;
  commands::DhcpInput dhcp;
  commands::MacInput mac;
  commands::DuplexInput duplex;
  commands::WifiInput wifi;  // the key of the chosen security only
  commands::BluetoothInput bluetooth;
  commands::SerialInput serial;
  commands::UserDefInput userDef;  // its ticks say which [UserDefine] entries are given

  // The groups whose input has no ticks of its own: given or not.
  bool given[kGroupCount] = {};
  // The Wi-Fi key or the Bluetooth PIN is in the profile (a profile saved
  // without secrets leaves them out).
  bool secretHeld[kGroupCount] = {};
  Place places[kEntryCount];
};

// Whether any entry of the group is given.
bool IsGiven(const Profile& profile, Group group);
// Whether the profile would hold a Wi-Fi key or a Bluetooth PIN when saved
// with secrets.
bool HasSecrets(const Profile& profile);

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
  int line = 0;         // 0: the file as a whole, or an override
  std::string origin;   // set for an override's error
  std::string message;  // English, UTF-8
  std::string Text() const;  // "origin: ...", "line 12: ..." or the message alone
};

// A value given outside the file (a cell of a targets file): applied after
// the file's entries, replacing the entry or adding it, checked by the same
// rules; origin names it in errors ("row 5, column Ethernet.Address").
struct Override {
  std::string section, entry, value, origin;
};

// Reads a whole profile. false with error set when anything is wrong:
// syntax, unknown section or entry, duplicates, a value not in its list,
// a missing value, bad UTF-8, control bytes, a value an encoder refuses, a
// text the code page cannot carry, or a value longer than its command
// carries (a Bluetooth name or PIN: the page cuts them, a profile does not).
// Every group is built to check it (a missing key or PIN checked with a
// stand-in). The Wi-Fi key and the Bluetooth PIN never appear in the
// message: a value of those entries that is not where it belongs shows as
// "**" a byte.
bool Parse(const std::string& text, const TextCodec& codec, Profile* out, Error* error);
bool Parse(const std::string& text, const TextCodec& codec, const std::vector<Override>& overrides,
           Profile* out, Error* error);

// True when section.entry names an entry profiles know (case-insensitive,
// as in files).
bool IsKnownEntry(const std::string& section, const std::string& entry);

// Writes a profile; with secrets false the Wi-Fi key and Bluetooth PIN are
// left out. Parse(Format(p)) gives p back.
std::string Format(const Profile& profile, bool secrets);

// How the printer is reached changes when the group is applied.
enum class Reach { None, Network, Serial };

// One send of an apply, in group order.
struct Send {
  Page page;
  std::string group;  // "Panel", "Ethernet.MAC", ...
  int line = 0;       // the group's first line in the file; 0 when none
  std::vector<unsigned char> bytes;
  bool perPrinter = false;  // Ethernet.Address and Ethernet.MAC: must differ from printer to printer
  Reach reach = Reach::None;
  // The group's entries as the file writes them ("Name = values", joined by
  // "; "), secrets as "**" a byte: for comparing and reporting.
  std::string values;
  bool fromOverride = false;  // an entry of the group was given by an override
};

// The bytes of every given group of the chosen pages (onlyPages: bit per
// Page; ~0u for all). false with error when a group cannot be encoded (a
// missing Wi-Fi key or Bluetooth PIN included).
bool BuildSends(const Profile& profile, const TextCodec& codec, unsigned onlyPages,
                std::vector<Send>* sends, Error* error);

}  // namespace profile
