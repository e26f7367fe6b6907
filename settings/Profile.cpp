#include "settings/Profile.h"

#include "common/TextConvert.h"
#include "settings/PageLists.h"

namespace profile {

const char* const kPageNames[kPageCount] = {"Panel",     "BID",    "Ethernet",  "WiFi",
                                            "Bluetooth", "Serial", "UserDefine"};

namespace {

using commands::WifiSecurity;

// ---------------------------------------------------------------------------
// The descriptors: a field is one comma-separated value of an entry, an
// entry one "Name = values" line, a group one send.

enum class Kind { Choice, Text, Address };

struct Field {
  Kind kind = Kind::Text;
  const pagelists::List* list = nullptr;           // Choice: the page's list
  int (*index)(const Profile&) = nullptr;          // Choice: the chosen item
  void (*choose)(Profile&, int) = nullptr;
  std::string& (*text)(Profile&) = nullptr;        // Text
  uint32_t& (*address)(Profile&) = nullptr;        // Address
  // A text sent as it is: converted to the code page when the group is
  // built, named so in messages, written in quotes.
  const char* noun = nullptr;
  bool secret = false;            // never shown; may be left out (the last field)
  const char* standIn = nullptr;  // a secret left out is checked as this
  size_t maxBytes = 0;            // in the code page; 0: the encoder's own limits
  const char* maxUnit = nullptr;  // counted as characters of this unit ("digits")
  // A field that applies only in some cases (and the reason when it
  // applies but is not given); an alternative takes the place of the field
  // before it.
  bool (*applies)(const Profile&) = nullptr;
  const char* missing = nullptr;
  bool alternative = false;
  const char* keys[2] = {};  // the encoder's input errors about this value

  bool AppliesTo(const Profile& p) const { return !applies || applies(p); }
  Field When(bool (*condition)(const Profile&), const char* reason, bool instead = false) const {
    Field f = *this;
    f.applies = condition;
    f.missing = reason;
    f.alternative = instead;
    return f;
  }
};

template <auto Input, auto Member>
Field Pick(const pagelists::List& list) {
  Field f;
  f.kind = Kind::Choice;
  f.list = &list;
  f.index = [](const Profile& p) { return (p.*Input).*Member; };
  f.choose = [](Profile& p, int i) { (p.*Input).*Member = i; };
  return f;
}

// A number as typed, checked by the encoder; keys: the errors it gives.
Field Typed(std::string& (*at)(Profile&), const char* key1 = nullptr, const char* key2 = nullptr) {
  Field f;
  f.text = at;
  f.keys[0] = key1;
  f.keys[1] = key2;
  return f;
}

template <auto Input, auto Member>
std::string& TextOf(Profile& p) {
  return (p.*Input).*Member;
}

template <auto Input, auto Member>
Field Dotted() {
  Field f;
  f.kind = Kind::Address;
  f.address = [](Profile& p) -> uint32_t& { return (p.*Input).*Member; };
  return f;
}

// A free text sent as it is (an SSID, a name; a key or a PIN when secret).
Field Sent(std::string& (*at)(Profile&), const char* noun, bool secret = false,
           const char* standIn = nullptr) {
  Field f;
  f.text = at;
  f.noun = noun;
  f.secret = secret;
  f.standIn = standIn;
  return f;
}

Field Limited(Field f, size_t maxBytes, const char* unit = nullptr) {
  f.maxBytes = maxBytes;
  f.maxUnit = unit;
  return f;
}

template <size_t I>
std::string& MacPart(Profile& p) {
  return p.mac.parts[I];
}

// The Wi-Fi security as one list: "Open", the WPA types, "WEP".
constexpr pagelists::Item kSecurityItems[] = {
    {nullptr, L"Open"}, {nullptr, L"WPA-PSK"}, {nullptr, L"WPA2-PSK"}, {nullptr, L"WEP"}};
const pagelists::List kSecurity = {kSecurityItems, 4};

Field Security() {
  Field f;
  f.kind = Kind::Choice;
  f.list = &kSecurity;
  f.index = [](const Profile& p) {
    return p.wifi.security == WifiSecurity::Open ? 0 : p.wifi.security == WifiSecurity::Wpa ? 1 + p.wifi.wpaType : 3;
  };
  f.choose = [](Profile& p, int i) {
    p.wifi.security = i == 0 ? WifiSecurity::Open : i == 3 ? WifiSecurity::Wep : WifiSecurity::Wpa;
    if (p.wifi.security == WifiSecurity::Wpa) p.wifi.wpaType = i - 1;
  };
  return f;
}
bool IsWpa(const Profile& p) { return p.wifi.security == WifiSecurity::Wpa; }
bool IsWep(const Profile& p) { return p.wifi.security == WifiSecurity::Wep; }
bool IsKeyed(const Profile& p) { return p.wifi.security != WifiSecurity::Open; }
std::string& WifiKey(Profile& p) { return IsWpa(p) ? p.wifi.pskKey : p.wifi.wepKey; }

struct EntryDef {
  Entry id;
  const char* name;
  bool& (*given)(Profile&);
  std::vector<Field> fields;
  const char* tooMany = nullptr;  // the reason when more values than apply are given
};

template <auto Input, auto Member>
bool& Tick(Profile& p) {
  return (p.*Input).*Member;
}
template <Group G>
bool& GivenFlag(Profile& p) {
  return p.given[G];
}

struct GroupDef {
  Group id;
  const char* name;  // as sends and targets files name it
  Page page;
  std::vector<EntryDef> entries;
  commands::Encoded (*encode)(const Profile& wire, commands::LeadBytePredicate isLeadByte);
  bool perPrinter = false;
  Reach reach = Reach::None;
  // The profile's own messages for some of the encoder's errors.
  std::vector<std::pair<const char*, const char*>> messages = {};
  Group excludes = kGroupCount;  // a group that cannot be given with this one
  const char* excludeMessage = nullptr;
  const char* noSecret = nullptr;  // the reason an apply needs the secret left out
};

using In = Profile;
using PI = commands::PanelInput;
using UI = commands::UserDefInput;
namespace pl = pagelists;

const std::vector<GroupDef>& Groups() {
  static const std::vector<GroupDef> kGroups = {
      {kPanelGroup, "Panel", kPanel,
       {{kPinBrokenEntry, "PinBroken", &Tick<&In::panel, &PI::pinBroken>,
         {Pick<&In::panel, &PI::pinEnable>(pl::kDisableEnable), Pick<&In::panel, &PI::pinGroup>(pl::kPinGroup)}},
        {kPageTopEntry, "PageTop", &Tick<&In::panel, &PI::pageTop>,
         {Pick<&In::panel, &PI::pageTopSide>(pl::kTopSide),
          Typed(&TextOf<&In::panel, &PI::pageTopMm>, commands::kPageTopNumberErr, commands::kPageTopOverErr)}},
        {kTableAutoEntry, "TableAuto", &Tick<&In::panel, &PI::tableAuto>,
         {Pick<&In::panel, &PI::tableAutoIndex>(pl::kDisableEnable)}},
        {kLineSpacingEntry, "LineSpacing", &Tick<&In::panel, &PI::lineFeed>,
         {Pick<&In::panel, &PI::lineFeedIndex>(pl::kLineSpacing)}},
        {kPrintDirectionEntry, "PrintDirection", &Tick<&In::panel, &PI::direction>,
         {Pick<&In::panel, &PI::directionIndex>(pl::kDirection)}},
        {kPageLengthEntry, "PageLength", &Tick<&In::panel, &PI::pageLength>,
         {Pick<&In::panel, &PI::pageLengthEnable>(pl::kDisableEnable),
          Pick<&In::panel, &PI::pageSizeIndex>(pl::kPageSize)}},
        {kLeftSpaceEntry, "LeftSpace", &Tick<&In::panel, &PI::leftSpace>,
         {Pick<&In::panel, &PI::leftSpaceDirection>(pl::kShiftDirection),
          Typed(&TextOf<&In::panel, &PI::leftSpaceValue>, commands::kLeftSpaceNumberErr,
                commands::kLeftSpaceOverErr)}},
        {kCompressionEntry, "Compression", &Tick<&In::panel, &PI::compression>,
         {Pick<&In::panel, &PI::compressionIndex>(pl::kCompression)}}},
       [](const Profile& w, commands::LeadBytePredicate) { return commands::EncodePanelCommands(w.panel); }},
      {kBidGroup, "BID", kBid,
       {{kBidEntry, "BID", &GivenFlag<kBidGroup>,
         {Pick<&In::bid, &commands::BidInput::directionIndex>(pl::kShiftDirection),
          Typed(&TextOf<&In::bid, &commands::BidInput::value>)}}},
       [](const Profile& w, commands::LeadBytePredicate) { return commands::EncodeBidCommands(w.bid); }},
      {kAddressGroup, "Ethernet.Address", kEthernet,
       {{kAddressEntry, "Address", &GivenFlag<kAddressGroup>,
         {Dotted<&In::address, &commands::AddressInput::address>(),
          Dotted<&In::address, &commands::AddressInput::mask>(),
          Dotted<&In::address, &commands::AddressInput::gateway>()}}},
       [](const Profile& w, commands::LeadBytePredicate) { return commands::EncodeAddressCommands(w.address); },
       true, Reach::Network,
       {{commands::kAddressFirstPartErr, "Address: the first part must be 1 to 223"},
        {commands::kAddressLoopbackErr, "Address: the first part must not be 127"}}},
      {kDhcpGroup, "Ethernet.DHCP", kEthernet,
       {{kDhcpEntry, "DHCP", &GivenFlag<kDhcpGroup>, {Pick<&In::dhcp, &commands::DhcpInput::index>(pl::kDhcp)}}},
       [](const Profile& w, commands::LeadBytePredicate) { return commands::EncodeDhcpCommand(w.dhcp); },
       false, Reach::Network, {}, kAddressGroup,
       "Address and DHCP exclude each other (the page is in one mode)"},
      {kMacGroup, "Ethernet.MAC", kEthernet,
       {{kMacEntry, "MAC", &GivenFlag<kMacGroup>,
         {Typed(&MacPart<0>), Typed(&MacPart<1>), Typed(&MacPart<2>), Typed(&MacPart<3>),
          Typed(&MacPart<4>), Typed(&MacPart<5>)}}},
       [](const Profile& w, commands::LeadBytePredicate) { return commands::EncodeMacCommand(w.mac); }, true},
      {kDuplexGroup, "Ethernet.DuplexMode", kEthernet,
       {{kDuplexModeEntry, "DuplexMode", &GivenFlag<kDuplexGroup>,
         {Pick<&In::duplex, &commands::DuplexInput::index>(pl::kDuplex)}}},
       [](const Profile& w, commands::LeadBytePredicate) { return commands::EncodeDuplexCommand(w.duplex); }},
      {kWifiGroup, "WiFi", kWifi,
       {{kWifiEntry, "WiFi", &GivenFlag<kWifiGroup>,
         {Sent(&TextOf<&In::wifi, &commands::WifiInput::ssid>, "the SSID"),
          Pick<&In::wifi, &commands::WifiInput::mode>(pl::kWifiMode), Security(),
          Pick<&In::wifi, &commands::WifiInput::wpaCipher>(pl::kWpaCipher)
              .When(IsWpa, "WPA needs its cipher (AES or TPIK)"),
          Pick<&In::wifi, &commands::WifiInput::wepAuth>(pl::kWepAuth)
              .When(IsWep, "WEP needs its authentication (OPEN or SHARE)", true),
          Sent(&WifiKey, "the Wi-Fi key", true, "0").When(IsKeyed, nullptr)},
         "an open network takes no further values"}},
       [](const Profile& w, commands::LeadBytePredicate) { return commands::EncodeWifiCommand(w.wifi); },
       false, Reach::Network, {}, kGroupCount, nullptr,
       "WiFi: the profile holds no key (save it with keys to apply it)"},
      // The page cuts a longer name or PIN to what the command carries; a
      // profile is refused instead, so that what is applied is what it says.
      {kBluetoothGroup, "Bluetooth", kBluetooth,
       {{kBluetoothEntry, "Bluetooth", &GivenFlag<kBluetoothGroup>,
         {Limited(Sent(&TextOf<&In::bluetooth, &commands::BluetoothInput::name>, "the Bluetooth device name"),
                  commands::kBluetoothNameMaxBytes),
          Limited(Sent(&TextOf<&In::bluetooth, &commands::BluetoothInput::pin>, "the Bluetooth PIN", true, "0000"),
                  commands::kBluetoothPinMaxDigits, "digits")}}},
       [](const Profile& w, commands::LeadBytePredicate lead) { return commands::EncodeBluetoothCommand(w.bluetooth, lead); },
       false, Reach::None, {}, kGroupCount, nullptr,
       "Bluetooth: the profile holds no PIN (save it with keys to apply it)"},
      {kSerialGroup, "Serial", kSerial,
       {{kSerialEntry, "Serial", &GivenFlag<kSerialGroup>,
         {Pick<&In::serial, &commands::SerialInput::baud>(pl::kBaud),
          Pick<&In::serial, &commands::SerialInput::dataBits>(pl::kDataBits),
          Pick<&In::serial, &commands::SerialInput::parity>(pl::kParity),
          Pick<&In::serial, &commands::SerialInput::stopBits>(pl::kStopBits),
          Pick<&In::serial, &commands::SerialInput::handshake>(pl::kHandshake)}}},
       [](const Profile& w, commands::LeadBytePredicate) { return commands::EncodeSerialCommand(w.serial); },
       false, Reach::Serial},
      {kUserDefineGroup, "UserDefine", kUserDefine,
       {{kUserPageLengthEntry, "PageLength", &Tick<&In::userDef, &UI::pageLength>,
         {Typed(&TextOf<&In::userDef, &UI::pageLengthMm>, commands::kUserPageLengthNumberErr,
                commands::kUserPageLengthOverErr)}},
        {kUserLeftShiftEntry, "LeftShift", &Tick<&In::userDef, &UI::leftShift>,
         {Pick<&In::userDef, &UI::leftShiftIndex>(pl::kLeftShift)}}},
       [](const Profile& w, commands::LeadBytePredicate) { return commands::EncodeUserDefCommands(w.userDef); }},
  };
  return kGroups;
}

// ---------------------------------------------------------------------------
// Text helpers.

std::string ItemText(const pagelists::Item& item) {
  return item.key ? EnglishText(item.key) : WideToUtf8(item.fixed);
}

std::string ItemText(const pagelists::List& list, int index) {
  if (index < 0 || static_cast<size_t>(index) >= list.count) return std::string();
  return ItemText(list.items[index]);
}

char Fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

std::string Trim(const std::string& text) {
  size_t from = 0, to = text.size();
  while (from < to && (text[from] == ' ' || text[from] == '\t')) ++from;
  while (to > from && (text[to - 1] == ' ' || text[to - 1] == '\t')) --to;
  return text.substr(from, to - from);
}

// A value written in quotes when it could not be read back bare.
std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string Bare(const std::string& text) {
  bool plain = !text.empty() && text == Trim(text) && text.find_first_of(",\"") == std::string::npos;
  return plain ? text : Quote(text);
}

// One "**" a byte: the length stays visible, the value does not.
std::string Masked(const std::string& value) {
  std::string masked;
  masked.reserve(value.size() * 2);
  for (size_t i = 0; i < value.size(); ++i) masked += "**";
  return masked;
}

struct Value {
  std::string text;
  bool quoted = false;
};

// Splits an entry's value at commas outside quotes.
bool SplitValues(const std::string& value, std::vector<Value>* values, std::string* why) {
  size_t i = 0, n = value.size();
  while (true) {
    while (i < n && (value[i] == ' ' || value[i] == '\t')) ++i;
    Value one;
    if (i < n && value[i] == '"') {
      one.quoted = true;
      ++i;
      bool closed = false;
      while (i < n) {
        if (value[i] == '"') {
          if (i + 1 < n && value[i + 1] == '"') {
            one.text += '"';
            i += 2;
            continue;
          }
          closed = true;
          ++i;
          break;
        }
        one.text += value[i++];
      }
      if (!closed) {
        *why = "a quoted value has no closing quote";
        return false;
      }
      while (i < n && (value[i] == ' ' || value[i] == '\t')) ++i;
      if (i < n && value[i] != ',') {
        *why = "text after a closing quote";
        return false;
      }
    } else {
      size_t comma = value.find(',', i);
      size_t end = comma == std::string::npos ? n : comma;
      one.text = Trim(value.substr(i, end - i));
      if (one.text.find('"') != std::string::npos) {
        *why = "a quote inside an unquoted value";
        return false;
      }
      i = end;
    }
    values->push_back(one);
    if (i >= n) return true;
    ++i;  // the comma
  }
}

std::string CodePageName(const TextCodec& codec) {
  return codec.codePage ? "the system code page (" + std::to_string(codec.codePage) + ")"
                        : std::string("the system code page");
}

// ---------------------------------------------------------------------------
// Walking the table.

// A section whose entries hold a secret: any text out of its place there
// may be the secret, so messages mask it.
bool HoldsSecret(int page) {
  for (const GroupDef& g : Groups()) {
    for (const EntryDef& e : g.entries) {
      for (const Field& f : e.fields) {
        if (g.page == page && f.secret) return true;
      }
    }
  }
  return false;
}

const EntryDef* FindEntry(int page, const std::string& name, const GroupDef** group = nullptr) {
  for (const GroupDef& g : Groups()) {
    for (const EntryDef& e : g.entries) {
      if (g.page == page && SameName(name, e.name)) {
        if (group) *group = &g;
        return &e;
      }
    }
  }
  return nullptr;
}

int FindSection(const std::string& name) {
  for (int i = 0; i < kPageCount; ++i) {
    if (SameName(name, kPageNames[i])) return i;
  }
  return -1;
}

bool EntryGiven(const EntryDef& e, const Profile& p) { return e.given(const_cast<Profile&>(p)); }

// The group's place: its first line in the file; else the first override
// that gave one of its entries.
Place GroupPlace(const GroupDef& g, const Profile& p) {
  Place place;
  for (const EntryDef& e : g.entries) {
    if (!EntryGiven(e, p)) continue;
    const Place& at = p.places[e.id];
    if (at.line > 0 && (place.line == 0 || at.line < place.line)) place = at;
    if (place.line == 0 && place.origin.empty()) place = at;
  }
  return place;
}

bool FromOverride(const GroupDef& g, const Profile& p) {
  for (const EntryDef& e : g.entries) {
    if (EntryGiven(e, p) && !p.places[e.id].origin.empty()) return true;
  }
  return false;
}

enum class Secrets { Leave, Write, Mask };

// An entry's values as a file holds them.
std::string FormatValues(const EntryDef& e, const GroupDef& g, const Profile& p, Secrets secrets) {
  Profile& q = const_cast<Profile&>(p);  // the accessors only read here
  std::string out;
  for (const Field& f : e.fields) {
    if (!f.AppliesTo(p)) continue;
    std::string value;
    if (f.kind == Kind::Choice) {
      value = ItemText(*f.list, f.index(p));
    } else if (f.kind == Kind::Address) {
      value = commands::DottedAddress(f.address(q));
    } else if (f.secret) {
      if (secrets == Secrets::Leave || !p.secretHeld[g.id]) continue;
      value = Quote(secrets == Secrets::Mask ? Masked(f.text(q)) : f.text(q));
    } else {
      value = f.noun ? Quote(f.text(q)) : Bare(f.text(q));
    }
    out += (out.empty() ? "" : ", ") + value;
  }
  return out;
}

// ---------------------------------------------------------------------------
// Reading.

class Reader {
 public:
  Reader(Profile* out, Error* error) : p_(*out), error_(*error) {}

  bool Fail(const Place& place, const std::string& message) {
    error_.line = place.line;
    error_.origin = place.origin;
    error_.message = message;
    return false;
  }

  // One entry of the file (or an override of one), read into the profile.
  bool Read(int page, const std::string& name, const std::string& value, const Place& place);

 private:
  bool Choose(const std::string& entry, const Value& value, const pagelists::List& list, int* index);
  bool Store(const EntryDef& e, const GroupDef& g, const std::string& name, const std::vector<Value>& values);
  // A value as an error message shows it: masked where it may be a secret.
  std::string Shown(const std::string& value) const {
    return "\"" + (HoldsSecret(page_) ? Masked(value) : value) + "\"";
  }
  std::string EntryName(const std::string& name, bool quoted = false) const {
    if (HoldsSecret(page_) && !FindEntry(page_, name)) return "\"" + Masked(name) + "\"";
    return quoted ? "\"" + name + "\"" : name;
  }

  Profile& p_;
  Error& error_;
  Place place_;
  int page_ = -1;
  std::vector<std::string> seen_;  // "page/ENTRY" of the file's entries, and "+page/ENTRY" of overrides
};

bool Reader::Choose(const std::string& entry, const Value& value, const pagelists::List& list, int* index) {
  std::string allowed;
  for (size_t i = 0; i < list.count; ++i) {
    const std::string text = ItemText(list.items[i]);
    if (SameName(text, value.text) || (list.items[i].alias && SameName(list.items[i].alias, value.text))) {
      *index = static_cast<int>(i);
      return true;
    }
    allowed += (i ? ", " : "") + text;
  }
  return Fail(place_, entry + ": " + Shown(value.text) + " is not one of: " + allowed);
}

bool Reader::Read(int page, const std::string& name, const std::string& value, const Place& place) {
  place_ = place;
  page_ = page;
  if (value.empty()) return Fail(place, EntryName(name) + ": the value is missing");
  std::string id = (place.origin.empty() ? "" : "+") + std::to_string(page) + "/";
  for (char c : name) id += Fold(c);
  for (const std::string& s : seen_) {
    if (s == id) {
      return Fail(place, "entry " + EntryName(name) + " is given twice in [" + kPageNames[page] + "]");
    }
  }
  seen_.push_back(id);
  const GroupDef* g = nullptr;
  const EntryDef* e = FindEntry(page, name, &g);
  if (!e) return Fail(place, "unknown entry " + EntryName(name, true) + " in [" + kPageNames[page] + "]");
  e->given(p_) = true;
  p_.places[e->id] = place;
  p_.secretHeld[g->id] = false;

  std::vector<Value> values;
  std::string why;
  if (!SplitValues(value, &values, &why)) return Fail(place, name + ": " + why);
  size_t min = 0, max = 0;
  for (const Field& f : e->fields) {
    if (!f.alternative) ++max;
    if (!f.applies && !f.secret) ++min;
  }
  if (values.size() < min || values.size() > max) {
    std::string count = min == max ? std::to_string(min) : std::to_string(min) + " to " + std::to_string(max);
    return Fail(place, name + ": expected " + count + " values separated by commas, found " +
                           std::to_string(values.size()));
  }
  for (size_t i = 0; i < values.size(); ++i) {
    if (values[i].text.empty() && !values[i].quoted) {
      return Fail(place, name + ": value " + std::to_string(i + 1) + " is missing");
    }
  }
  return Store(*e, *g, name, values);
}

// The values into the fields that apply, in order: a field's choice may
// decide which fields follow (the Wi-Fi security).
bool Reader::Store(const EntryDef& e, const GroupDef& g, const std::string& name,
                   const std::vector<Value>& values) {
  size_t at = 0;
  for (const Field& f : e.fields) {
    if (!f.AppliesTo(p_)) continue;
    if (at >= values.size()) {
      if (f.secret) break;
      return Fail(place_, name + ": " + f.missing);
    }
    const Value& v = values[at++];
    if (f.kind == Kind::Choice) {
      int index = 0;
      if (!Choose(name, v, *f.list, &index)) return false;
      f.choose(p_, index);
    } else if (f.kind == Kind::Address) {
      if (!commands::ParseDottedAddress(v.text, &f.address(p_))) {
        return Fail(place_, std::string(e.name) + ": \"" + v.text + "\" is not an IPv4 address");
      }
    } else {
      f.text(p_) = v.text;
      if (f.secret) p_.secretHeld[g.id] = true;
    }
  }
  if (at < values.size()) return Fail(place_, name + ": " + e.tooMany);
  return true;
}

// ---------------------------------------------------------------------------
// Building: the texts in the code page, then the group's encoder. A
// profile is checked by building every group.

class Builder {
 public:
  Builder(const Profile& p, const TextCodec& codec, bool standIns, Error* error)
      : p_(p), wire_(p), codec_(codec), standIns_(standIns), error_(*error) {}

  // The group's send; false with the error that stops it.
  bool Add(const GroupDef& g, Send* send);

 private:
  bool Fail(const Place& place, const std::string& message) {
    error_.line = place.line;
    error_.origin = place.origin;
    error_.message = message;
    return false;
  }
  bool Convert(const GroupDef& g, const EntryDef& e, const Field& f);

  const Profile& p_;
  Profile wire_;  // the profile with its texts in the code page
  const TextCodec& codec_;
  bool standIns_;
  Error& error_;
};

bool Builder::Convert(const GroupDef& g, const EntryDef& e, const Field& f) {
  const Place& place = p_.places[e.id];
  std::string& text = f.text(wire_);
  if (f.secret && !p_.secretHeld[g.id]) {
    if (!standIns_) return Fail(place, g.noSecret);
    text = f.standIn;
  }
  const std::string named = f.secret ? f.noun : std::string(f.noun) + " \"" + text + "\"";
  std::string ansi = text;
  if (codec_.toAnsi && !codec_.toAnsi(text, &ansi)) {
    return Fail(place, named + " has characters " + CodePageName(codec_) + " cannot send");
  }
  if (f.maxBytes && ansi.size() > f.maxBytes) {
    const std::string most = "; the printer takes at most " + std::to_string(f.maxBytes);
    if (f.maxUnit) {
      return Fail(place, named + " has " + std::to_string(ansi.size()) + " characters" + most + " " + f.maxUnit);
    }
    return Fail(place, named + " has " + std::to_string(ansi.size()) + " bytes" +
                           (codec_.toAnsi ? " in " + CodePageName(codec_) : std::string()) + most);
  }
  text = ansi;
  return true;
}

bool Builder::Add(const GroupDef& g, Send* send) {
  Place place = GroupPlace(g, p_);
  if (g.excludes != kGroupCount && IsGiven(p_, g.excludes)) {
    const Place other = GroupPlace(Groups()[g.excludes], p_);
    return Fail(place.origin.empty() && !other.origin.empty() ? other : place, g.excludeMessage);
  }
  for (const EntryDef& e : g.entries) {
    if (!EntryGiven(e, p_)) continue;
    for (const Field& f : e.fields) {
      if (f.noun && f.AppliesTo(p_) && !Convert(g, e, f)) return false;
    }
  }
  commands::Encoded encoded = g.encode(wire_, codec_.isLeadByte);
  if (!encoded.Ok()) {
    for (const auto& [key, message] : g.messages) {
      if (key == encoded.errorKey) return Fail(place, message);
    }
    for (const EntryDef& e : g.entries) {
      for (const Field& f : e.fields) {
        if (EntryGiven(e, p_) && (f.keys[0] == encoded.errorKey || f.keys[1] == encoded.errorKey)) {
          place = p_.places[e.id];
        }
      }
    }
    return Fail(place, encoded.errorLead + EnglishText(encoded.errorKey));
  }
  send->page = g.page;
  send->group = g.name;
  send->line = place.line;
  send->bytes = std::move(encoded.bytes);
  send->perPrinter = g.perPrinter;
  send->reach = g.reach;
  send->fromOverride = FromOverride(g, p_);
  send->values.clear();
  for (const EntryDef& e : g.entries) {
    if (!EntryGiven(e, p_)) continue;
    send->values += (send->values.empty() ? "" : "; ") + std::string(e.name) + " = " +
                    FormatValues(e, g, p_, Secrets::Mask);
  }
  return true;
}

bool Build(const Profile& p, const TextCodec& codec, unsigned onlyPages, bool standIns,
           std::vector<Send>* sends, Error* error) {
  Builder builder(p, codec, standIns, error);
  sends->clear();
  for (const GroupDef& g : Groups()) {
    if ((onlyPages & (1u << g.page)) == 0 || !IsGiven(p, g.id)) continue;
    Send send{};
    if (!builder.Add(g, &send)) return false;
    sends->push_back(std::move(send));
  }
  return true;
}

}  // namespace

bool IsGiven(const Profile& p, Group group) {
  for (const EntryDef& e : Groups()[group].entries) {
    if (EntryGiven(e, p)) return true;
  }
  return false;
}

bool HasSecrets(const Profile& p) {
  for (const GroupDef& g : Groups()) {
    for (const EntryDef& e : g.entries) {
      for (const Field& f : e.fields) {
        if (f.secret && EntryGiven(e, p) && f.AppliesTo(p)) return true;
      }
    }
  }
  return false;
}

std::string Error::Text() const {
  if (!origin.empty()) return origin + ": " + message;
  return line > 0 ? "line " + std::to_string(line) + ": " + message : message;
}

bool IsKnownEntry(const std::string& section, const std::string& entry) {
  const int page = FindSection(section);
  return page >= 0 && FindEntry(page, entry) != nullptr;
}

bool Parse(const std::string& text, const TextCodec& codec, Profile* out, Error* error) {
  return Parse(text, codec, {}, out, error);
}

bool Parse(const std::string& text, const TextCodec& codec, const std::vector<Override>& overrides,
           Profile* out, Error* error) {
  Profile p;
  Error e;
  Reader reader(&p, &e);
  auto refuse = [&]() {
    *error = e;
    return false;
  };
  if (text.size() > kMaxProfileBytes) {
    reader.Fail(Place{}, "the file is larger than " + std::to_string(kMaxProfileBytes / 1024) + " KiB");
    return refuse();
  }
  size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  int lineNo = 0;
  int page = -1;
  bool sections[kPageCount] = {};
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    Place here;
    here.line = ++lineNo;
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    for (unsigned char c : line) {
      if (c < 0x20 && c != '\t') {
        reader.Fail(here, "not a text file (control byte " + std::to_string(c) + ")");
        return refuse();
      }
    }
    size_t badAt = 0;
    if (!IsValidUtf8(line, &badAt)) {
      reader.Fail(here, "not UTF-8 text (column " + std::to_string(badAt + 1) + ")");
      return refuse();
    }
    const std::string trimmed = Trim(line);
    bool ok = true;
    if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#') {
      // a blank line or a comment
    } else if (trimmed[0] == '[') {
      if (trimmed.back() != ']') {
        ok = reader.Fail(here, "a section name must end with ]");
      } else {
        const std::string name = Trim(trimmed.substr(1, trimmed.size() - 2));
        page = FindSection(name);
        if (page < 0) {
          ok = reader.Fail(here, "unknown section [" + name + "] (known: Panel, BID, Ethernet, WiFi, "
                                 "Bluetooth, Serial, UserDefine)");
        } else if (sections[page]) {
          ok = reader.Fail(here, "section [" + std::string(kPageNames[page]) + "] is given twice");
        } else {
          sections[page] = true;
        }
      }
    } else {
      const size_t equals = trimmed.find('=');
      if (equals == std::string::npos) {
        ok = reader.Fail(here, "expected Name = value");
      } else if (page < 0) {
        ok = reader.Fail(here, "an entry before the first section");
      } else {
        const std::string name = Trim(trimmed.substr(0, equals));
        ok = name.empty() ? reader.Fail(here, "an entry without a name")
                          : reader.Read(page, name, Trim(trimmed.substr(equals + 1)), here);
      }
    }
    if (!ok) return refuse();
    if (end == text.size()) break;
  }
  for (const Override& o : overrides) {
    Place from;
    from.origin = o.origin;
    const int section = FindSection(o.section);
    if (section < 0) {
      reader.Fail(from, "unknown section [" + o.section + "] (known: Panel, BID, Ethernet, WiFi, "
                        "Bluetooth, Serial, UserDefine)");
      return refuse();
    }
    if (!reader.Read(section, Trim(o.entry), Trim(o.value), from)) return refuse();
  }
  std::vector<Send> sends;
  if (!Build(p, codec, ~0u, true, &sends, &e)) return refuse();
  *out = std::move(p);
  return true;
}

std::string Format(const Profile& p, bool secrets) {
  std::string out = "; Setwright profile (UTF-8)\n";
  int section = -1;
  for (const GroupDef& g : Groups()) {
    for (const EntryDef& e : g.entries) {
      if (!EntryGiven(e, p)) continue;
      if (section != g.page) out += std::string("\n[") + kPageNames[g.page] + "]\n";
      section = g.page;
      out += std::string(e.name) + " = " + FormatValues(e, g, p, secrets ? Secrets::Write : Secrets::Leave) + "\n";
    }
  }
  return out;
}

bool BuildSends(const Profile& p, const TextCodec& codec, unsigned onlyPages, std::vector<Send>* sends,
                Error* error) {
  return Build(p, codec, onlyPages, false, sends, error);
}

}  // namespace profile
