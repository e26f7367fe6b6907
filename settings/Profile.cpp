#include "settings/Profile.h"

#include <cstring>

#include "common/translation/Translation.h"
#include "settings/PageLists.h"

namespace profile {

const char* const kPageNames[kPageCount] = {"Panel",     "BID",    "Ethernet",  "WiFi",
                                            "Bluetooth", "Serial", "UserDefine"};

namespace {

// Panel entries in the order the page sends them.
enum PanelEntry { kEntryPinBroken, kEntryPageTop, kEntryTableAuto, kEntryLineSpacing, kEntryPrintDirection, kEntryPageLength,
                  kEntryLeftSpace, kEntryCompression, kPanelEntryCount };
const char* const kPanelEntries[kPanelEntryCount] = {"PinBroken",   "PageTop",       "TableAuto",
                                                     "LineSpacing", "PrintDirection", "PageLength",
                                                     "LeftSpace",   "Compression"};

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

// Strict UTF-8 (no overlong forms, no surrogates, at most U+10FFFF).
bool IsValidUtf8(const std::string& text, size_t* badAt) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  size_t n = text.size();
  for (size_t i = 0; i < n;) {
    unsigned c = s[i];
    size_t len = c < 0x80 ? 1 : (c >= 0xC2 && c <= 0xDF) ? 2 : (c >= 0xE0 && c <= 0xEF) ? 3
               : (c >= 0xF0 && c <= 0xF4) ? 4 : 0;
    if (len == 0 || i + len > n) {
      *badAt = i;
      return false;
    }
    for (size_t k = 1; k < len; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) {
        *badAt = i;
        return false;
      }
    }
    if ((c == 0xE0 && s[i + 1] < 0xA0) || (c == 0xED && s[i + 1] >= 0xA0) ||
        (c == 0xF0 && s[i + 1] < 0x90) || (c == 0xF4 && s[i + 1] >= 0x90)) {
      *badAt = i;
      return false;
    }
    i += len;
  }
  return true;
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

struct Field {
  std::string text;
  bool quoted = false;
};

// Splits an entry's value at commas outside quotes.
bool SplitFields(const std::string& value, std::vector<Field>* fields, std::string* why) {
  size_t i = 0, n = value.size();
  while (true) {
    while (i < n && (value[i] == ' ' || value[i] == '\t')) ++i;
    Field field;
    if (i < n && value[i] == '"') {
      field.quoted = true;
      ++i;
      bool closed = false;
      while (i < n) {
        if (value[i] == '"') {
          if (i + 1 < n && value[i + 1] == '"') {
            field.text += '"';
            i += 2;
            continue;
          }
          closed = true;
          ++i;
          break;
        }
        field.text += value[i++];
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
      field.text = Trim(value.substr(i, end - i));
      if (field.text.find('"') != std::string::npos) {
        *why = "a quote inside an unquoted value";
        return false;
      }
      i = end;
    }
    fields->push_back(field);
    if (i >= n) return true;
    ++i;  // the comma
  }
}

// One "**" a byte: the length stays visible, the value does not.
std::string Masked(const std::string& value) {
  std::string masked;
  masked.reserve(value.size() * 2);
  for (size_t i = 0; i < value.size(); ++i) masked += "**";
  return masked;
}

// An entry's name as a message shows it. [WiFi] and [Bluetooth] hold one
// entry each; any other text before "=" there may be a key or a PIN written
// on a line of its own, so it is masked.
std::string EntryName(int page, const std::string& name, bool quoted = false) {
  if ((page == kWifi || page == kBluetooth) && !SameName(name, kPageNames[page])) {
    return "\"" + Masked(name) + "\"";
  }
  return quoted ? "\"" + name + "\"" : name;
}

std::string CodePageName(const TextCodec& codec) {
  return codec.codePage ? "the system code page (" + std::to_string(codec.codePage) + ")"
                        : std::string("the system code page");
}

// A text in the codec's code page; false with the reason when a character
// has no exact form there. what names the text in the reason.
bool ToCodePage(const TextCodec& codec, const std::string& utf8, const std::string& what,
                std::string* ansi, std::string* why) {
  if (!codec.toAnsi) {
    *ansi = utf8;
    return true;
  }
  if (codec.toAnsi(utf8, ansi)) return true;
  *why = what + " has characters " + CodePageName(codec) + " cannot send";
  return false;
}

// The Wi-Fi group as the encoder takes it. A profile without its key is
// checked with a stand-in key. The key is never named by its text.
bool WifiInputOf(const Profile& p, const TextCodec& codec, commands::WifiInput* in, std::string* why) {
  if (!ToCodePage(codec, p.ssid, "the SSID \"" + p.ssid + "\"", &in->ssid, why)) return false;
  in->security = p.security;
  in->wpaType = p.wpaType;
  in->wpaCipher = p.wpaCipher;
  in->wepAuth = p.wepAuth;
  in->mode = p.wifiMode;
  if (p.security != commands::WifiSecurity::Open) {
    std::string key;
    if (!ToCodePage(codec, p.hasKey ? p.key : "0", "the Wi-Fi key", &key, why)) return false;
    (p.security == commands::WifiSecurity::Wpa ? in->pskKey : in->wepKey) = key;
  }
  return true;
}

// The Bluetooth name and PIN as the encoder takes them. The page cuts a
// longer name or PIN to what the command carries; a profile is refused
// instead, so that what is applied is what the file says. A profile
// without its PIN is checked with a stand-in PIN, and the PIN is never
// named by its text.
bool BluetoothTextsOf(const Profile& p, const TextCodec& codec, std::string* name, std::string* pin,
                      std::string* why) {
  const std::string named = "the Bluetooth device name \"" + p.btName + "\"";
  if (!ToCodePage(codec, p.btName, named, name, why)) return false;
  if (name->size() > commands::kBluetoothNameMaxBytes) {
    *why = named + " has " + std::to_string(name->size()) + " bytes" +
           (codec.toAnsi ? " in " + CodePageName(codec) : std::string()) + "; the printer takes at most " +
           std::to_string(commands::kBluetoothNameMaxBytes);
    return false;
  }
  if (!ToCodePage(codec, p.hasPin ? p.btPin : "0000", "the Bluetooth PIN", pin, why)) return false;
  if (pin->size() > commands::kBluetoothPinMaxDigits) {
    *why = "the Bluetooth PIN has " + std::to_string(pin->size()) + " characters; the printer takes at most " +
           std::to_string(commands::kBluetoothPinMaxDigits) + " digits";
    return false;
  }
  return true;
}

class Reader {
 public:
  Reader(const TextCodec& codec, Profile* out, Error* error)
      : codec_(codec), p_(*out), error_(*error) {}

  bool Fail(int line, const std::string& message) {
    error_.line = line;
    error_.message = message;
    return false;
  }

  bool Entry(int page, const std::string& name, const std::string& value, int line);
  bool CheckValues();

 private:
  // The value's fields, count between min and max, each non-empty.
  bool Fields(const std::string& entry, const std::string& value, size_t min, size_t max,
              std::vector<Field>* fields);
  bool Choose(const std::string& entry, const Field& field, const pagelists::List& list,
              int* index);
  bool Seen(int page, const std::string& name, int line);
  // A value as an error message shows it: on the Wi-Fi and Bluetooth lines
  // a value out of its place may be the key or the PIN, so it is masked.
  std::string Shown(const std::string& value) const {
    return "\"" + (page_ == kWifi || page_ == kBluetooth ? Masked(value) : value) + "\"";
  }
  bool CheckEncoded(const commands::Encoded& encoded, int line) {
    return encoded.Ok() || Fail(line, EnglishText(encoded.errorKey));
  }

  const TextCodec& codec_;
  Profile& p_;
  Error& error_;
  int line_ = 0;
  int page_ = -1;
  std::vector<std::string> seen_;
};

bool Reader::Fields(const std::string& entry, const std::string& value, size_t min, size_t max,
                    std::vector<Field>* fields) {
  std::string why;
  if (!SplitFields(value, fields, &why)) return Fail(line_, entry + ": " + why);
  if (fields->size() < min || fields->size() > max) {
    std::string count = min == max ? std::to_string(min)
                                   : std::to_string(min) + " to " + std::to_string(max);
    return Fail(line_, entry + ": expected " + count + " values separated by commas, found " +
                           std::to_string(fields->size()));
  }
  for (size_t i = 0; i < fields->size(); ++i) {
    if ((*fields)[i].text.empty() && !(*fields)[i].quoted) {
      return Fail(line_, entry + ": value " + std::to_string(i + 1) + " is missing");
    }
  }
  return true;
}

bool Reader::Choose(const std::string& entry, const Field& field, const pagelists::List& list,
                    int* index) {
  std::string allowed;
  for (size_t i = 0; i < list.count; ++i) {
    std::string text = ItemText(list.items[i]);
    if (SameName(text, field.text)) {
      *index = static_cast<int>(i);
      return true;
    }
    allowed += (i ? ", " : "") + text;
  }
  return Fail(line_, entry + ": " + Shown(field.text) + " is not one of: " + allowed);
}

bool Reader::Seen(int page, const std::string& name, int line) {
  std::string id = std::to_string(page) + "/";
  for (char c : name) id += Fold(c);
  for (const std::string& s : seen_) {
    if (s == id) {
      return Fail(line, "entry " + EntryName(page, name) + " is given twice in [" + kPageNames[page] + "]");
    }
  }
  seen_.push_back(id);
  return true;
}

bool Reader::Entry(int page, const std::string& name, const std::string& value, int line) {
  line_ = line;
  page_ = page;
  if (!Seen(page, name, line)) return false;
  std::vector<Field> f;
  auto unknown = [&]() {
    return Fail(line, "unknown entry " + EntryName(page, name, true) + " in [" + kPageNames[page] + "]");
  };
  switch (page) {
    case kPanel: {
      int which = -1;
      for (int i = 0; i < kPanelEntryCount; ++i) {
        if (SameName(name, kPanelEntries[i])) which = i;
      }
      if (which < 0) return unknown();
      commands::PanelInput& in = p_.panel;
      p_.panelLines[which] = line;
      switch (which) {
        case kEntryPinBroken:
          in.pinBroken = true;
          return Fields(name, value, 2, 2, &f) && Choose(name, f[0], pagelists::kDisableEnable, &in.pinEnable) &&
                 Choose(name, f[1], pagelists::kPinGroup, &in.pinGroup);
        case kEntryPageTop:
          in.pageTop = true;
          if (!Fields(name, value, 2, 2, &f) || !Choose(name, f[0], pagelists::kTopSide, &in.pageTopSide)) return false;
          in.pageTopMm = f[1].text;
          return true;
        case kEntryTableAuto:
          in.tableAuto = true;
          return Fields(name, value, 1, 1, &f) && Choose(name, f[0], pagelists::kDisableEnable, &in.tableAutoIndex);
        case kEntryLineSpacing:
          in.lineFeed = true;
          return Fields(name, value, 1, 1, &f) && Choose(name, f[0], pagelists::kLineSpacing, &in.lineFeedIndex);
        case kEntryPrintDirection:
          in.direction = true;
          return Fields(name, value, 1, 1, &f) && Choose(name, f[0], pagelists::kDirection, &in.directionIndex);
        case kEntryPageLength:
          in.pageLength = true;
          return Fields(name, value, 2, 2, &f) &&
                 Choose(name, f[0], pagelists::kDisableEnable, &in.pageLengthEnable) &&
                 Choose(name, f[1], pagelists::kPageSize, &in.pageSizeIndex);
        case kEntryLeftSpace:
          in.leftSpace = true;
          if (!Fields(name, value, 2, 2, &f) ||
              !Choose(name, f[0], pagelists::kShiftDirection, &in.leftSpaceDirection)) return false;
          in.leftSpaceValue = f[1].text;
          return true;
        case kEntryCompression:
          in.compression = true;
          return Fields(name, value, 1, 1, &f) && Choose(name, f[0], pagelists::kCompression, &in.compressionIndex);
      }
      return unknown();
    }
    case kBid:
      if (!SameName(name, "BID")) return unknown();
      p_.bid = {true, line};
      if (!Fields(name, value, 2, 2, &f) || !Choose(name, f[0], pagelists::kShiftDirection, &p_.bidDirection)) return false;
      p_.bidValue = f[1].text;
      return true;
    case kEthernet:
      if (SameName(name, "Address")) {
        p_.address = {true, line};
        if (!Fields(name, value, 3, 3, &f)) return false;
        p_.ip = f[0].text;
        p_.mask = f[1].text;
        p_.gateway = f[2].text;
        return true;
      }
      if (SameName(name, "DHCP")) {
        p_.dhcp = {true, line};
        return Fields(name, value, 1, 1, &f) && Choose(name, f[0], pagelists::kDhcp, &p_.dhcpIndex);
      }
      if (SameName(name, "MAC")) {
        p_.mac = {true, line};
        if (!Fields(name, value, 6, 6, &f)) return false;
        for (int i = 0; i < 6; ++i) p_.macFields[i] = f[i].text;
        return true;
      }
      if (SameName(name, "DuplexMode")) {
        p_.duplex = {true, line};
        return Fields(name, value, 1, 1, &f) && Choose(name, f[0], pagelists::kDuplex, &p_.duplexIndex);
      }
      return unknown();
    case kWifi: {
      if (!SameName(name, "WiFi")) return unknown();
      p_.wifi = {true, line};
      if (!Fields(name, value, 3, 5, &f) || !Choose(name, f[1], pagelists::kWifiMode, &p_.wifiMode)) return false;
      p_.ssid = f[0].text;
      const std::string& security = f[2].text;
      size_t keyAt = 0;
      if (SameName(security, "Open")) {
        p_.security = commands::WifiSecurity::Open;
        if (f.size() != 3) return Fail(line, name + ": an open network takes no further values");
      } else if (SameName(security, "WEP")) {
        p_.security = commands::WifiSecurity::Wep;
        if (f.size() < 4) return Fail(line, name + ": WEP needs its authentication (OPEN or SHARE)");
        if (!Choose(name, f[3], pagelists::kWepAuth, &p_.wepAuth)) return false;
        keyAt = 4;
      } else {
        p_.security = commands::WifiSecurity::Wpa;
        if (!Choose(name, f[2], pagelists::kWpaType, &p_.wpaType)) {
          return Fail(line, name + ": " + Shown(security) + " is not one of: Open, WPA-PSK, WPA2-PSK, WEP");
        }
        if (f.size() < 4) return Fail(line, name + ": WPA needs its cipher (AES or TPIK)");
        if (!Choose(name, f[3], pagelists::kWpaCipher, &p_.wpaCipher)) return false;
        keyAt = 4;
      }
      p_.hasKey = keyAt != 0 && f.size() > keyAt;
      if (p_.hasKey) p_.key = f[keyAt].text;
      return true;
    }
    case kBluetooth:
      if (!SameName(name, "Bluetooth")) return unknown();
      p_.bluetooth = {true, line};
      if (!Fields(name, value, 1, 2, &f)) return false;
      p_.btName = f[0].text;
      p_.hasPin = f.size() == 2;
      if (p_.hasPin) p_.btPin = f[1].text;
      return true;
    case kSerial: {
      if (!SameName(name, "Serial")) return unknown();
      p_.serial = {true, line};
      const pagelists::List* lists[5] = {&pagelists::kBaud, &pagelists::kDataBits, &pagelists::kParity,
                                         &pagelists::kStopBits, &pagelists::kHandshake};
      if (!Fields(name, value, 5, 5, &f)) return false;
      for (int i = 0; i < 5; ++i) {
        if (!Choose(name, f[i], *lists[i], &p_.serialIndex[i])) return false;
      }
      return true;
    }
    case kUserDefine:
      if (SameName(name, "PageLength")) {
        p_.userDef.pageLength = true;
        p_.userDefLines[0] = line;
        if (!Fields(name, value, 1, 1, &f)) return false;
        p_.userDef.pageLengthMm = f[0].text;
        return true;
      }
      if (SameName(name, "LeftShift")) {
        p_.userDef.leftShift = true;
        p_.userDefLines[1] = line;
        return Fields(name, value, 1, 1, &f) && Choose(name, f[0], pagelists::kLeftShift, &p_.userDef.leftShiftIndex);
      }
      return unknown();
  }
  return unknown();
}

// Every value an encoder checks, checked by that encoder.
bool Reader::CheckValues() {
  for (int i = 0; i < kPanelEntryCount; ++i) {
    if (!p_.panelLines[i]) continue;
    commands::PanelInput one = p_.panel;
    one.pinBroken = i == kEntryPinBroken;
    one.pageTop = i == kEntryPageTop;
    one.tableAuto = i == kEntryTableAuto;
    one.lineFeed = i == kEntryLineSpacing;
    one.direction = i == kEntryPrintDirection;
    one.pageLength = i == kEntryPageLength;
    one.leftSpace = i == kEntryLeftSpace;
    one.compression = i == kEntryCompression;
    if (!CheckEncoded(commands::EncodePanelCommands(one), p_.panelLines[i])) return false;
  }
  if (p_.bid.present &&
      !CheckEncoded(commands::EncodeBidCommands(p_.bidValue, p_.bidDirection), p_.bid.line)) {
    return false;
  }
  if (p_.address.present && p_.dhcp.present) {
    return Fail(p_.dhcp.line, "Address and DHCP exclude each other (the page is in one mode)");
  }
  if (p_.address.present) {
    const std::string* texts[3] = {&p_.ip, &p_.mask, &p_.gateway};
    uint32_t values[3] = {};
    for (int i = 0; i < 3; ++i) {
      if (!commands::ParseDottedAddress(*texts[i], &values[i])) {
        return Fail(p_.address.line, "Address: \"" + *texts[i] + "\" is not an IPv4 address");
      }
    }
    switch (commands::CheckPrinterAddress(values[0])) {
      case commands::AddressCheck::InvalidFirstPart:
        return Fail(p_.address.line, "Address: the first part must be 1 to 223");
      case commands::AddressCheck::Loopback:
        return Fail(p_.address.line, "Address: the first part must not be 127");
      case commands::AddressCheck::Ok:
        break;
    }
  }
  if (p_.mac.present) {
    for (const std::string& field : p_.macFields) {
      if (commands::ReadMacField(field).status != commands::NumberStatus::Ok) {
        return Fail(p_.mac.line, EnglishText(commands::kMacNumberErr));
      }
    }
  }
  std::string why;
  if (p_.wifi.present) {
    commands::WifiInput in;
    if (!WifiInputOf(p_, codec_, &in, &why)) return Fail(p_.wifi.line, why);
    if (!CheckEncoded(commands::EncodeWifiCommand(in), p_.wifi.line)) return false;
  }
  if (p_.bluetooth.present) {
    std::string name, pin;
    if (!BluetoothTextsOf(p_, codec_, &name, &pin, &why)) return Fail(p_.bluetooth.line, why);
    if (!CheckEncoded(commands::EncodeBluetoothCommand(name, pin, codec_.isLeadByte), p_.bluetooth.line)) {
      return false;
    }
  }
  for (int i = 0; i < 2; ++i) {
    if (!p_.userDefLines[i]) continue;
    commands::UserDefInput one = p_.userDef;
    one.pageLength = i == 0;
    one.leftShift = i == 1;
    if (!CheckEncoded(commands::EncodeUserDefCommands(one), p_.userDefLines[i])) return false;
  }
  return true;
}

}  // namespace

std::string WideToUtf8(const wchar_t* text) {
  std::string out;
  for (; text && *text; ++text) {
    unsigned long c = static_cast<unsigned long>(*text);
    if (c >= 0xD800 && c <= 0xDBFF) {
      unsigned long low = static_cast<unsigned long>(text[1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++text;
      } else {
        c = 0xFFFD;
      }
    } else if ((c >= 0xDC00 && c <= 0xDFFF) || c > 0x10FFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string Error::Text() const {
  return line > 0 ? "line " + std::to_string(line) + ": " + message : message;
}

std::string EnglishText(const char* key) {
  for (size_t i = 0; key && i < DefaultTextTableRows; ++i) {
    if (std::strcmp(DefaultTextTable[i].key, key) == 0) return WideToUtf8(DefaultTextTable[i].text);
  }
  if (key && std::strcmp(key, commands::kBluetoothPinFormatErr) == 0) {
    return "The PIN may hold digits only";
  }
  return key ? std::string(key) : std::string();
}

bool Parse(const std::string& text, const TextCodec& codec, Profile* out, Error* error) {
  Profile p;
  Error e;
  if (text.size() > kMaxProfileBytes) {
    e.message = "the file is larger than " + std::to_string(kMaxProfileBytes / 1024) + " KiB";
    *error = e;
    return false;
  }
  Reader reader(codec, &p, &e);
  size_t start = 0;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) start = 3;
  int lineNo = 0;
  int page = -1;
  bool sections[kPageCount] = {};
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    ++lineNo;
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    for (unsigned char c : line) {
      if (c < 0x20 && c != '\t') {
        reader.Fail(lineNo, "not a text file (control byte " + std::to_string(c) + ")");
        *error = e;
        return false;
      }
    }
    size_t badAt = 0;
    if (!IsValidUtf8(line, &badAt)) {
      reader.Fail(lineNo, "not UTF-8 text (column " + std::to_string(badAt + 1) + ")");
      *error = e;
      return false;
    }
    std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#') {
      if (end == text.size()) break;
      continue;
    }
    bool ok = true;
    if (trimmed[0] == '[') {
      if (trimmed.back() != ']') {
        ok = reader.Fail(lineNo, "a section name must end with ]");
      } else {
        std::string name = Trim(trimmed.substr(1, trimmed.size() - 2));
        page = -1;
        for (int i = 0; i < kPageCount; ++i) {
          if (SameName(name, kPageNames[i])) page = i;
        }
        if (page < 0) {
          ok = reader.Fail(lineNo, "unknown section [" + name + "] (known: Panel, BID, Ethernet, WiFi, "
                                   "Bluetooth, Serial, UserDefine)");
        } else if (sections[page]) {
          ok = reader.Fail(lineNo, "section [" + std::string(kPageNames[page]) + "] is given twice");
        } else {
          sections[page] = true;
        }
      }
    } else {
      size_t equals = trimmed.find('=');
      if (equals == std::string::npos) {
        ok = reader.Fail(lineNo, "expected Name = value");
      } else if (page < 0) {
        ok = reader.Fail(lineNo, "an entry before the first section");
      } else {
        std::string name = Trim(trimmed.substr(0, equals));
        std::string value = Trim(trimmed.substr(equals + 1));
        if (name.empty()) {
          ok = reader.Fail(lineNo, "an entry without a name");
        } else if (value.empty()) {
          ok = reader.Fail(lineNo, EntryName(page, name) + ": the value is missing");
        } else {
          ok = reader.Entry(page, name, value, lineNo);
        }
      }
    }
    if (!ok) {
      *error = e;
      return false;
    }
    if (end == text.size()) break;
  }
  if (!reader.CheckValues()) {
    *error = e;
    return false;
  }
  *out = p;
  return true;
}

std::string Format(const Profile& p, bool secrets) {
  std::string out = "; Setwright profile (UTF-8)\n";
  auto section = [&](Page page) { out += std::string("\n[") + kPageNames[page] + "]\n"; };
  auto entry = [&](const char* name, const std::vector<std::string>& fields) {
    out += name;
    out += " = ";
    for (size_t i = 0; i < fields.size(); ++i) out += (i ? ", " : "") + fields[i];
    out += "\n";
  };
  const commands::PanelInput& in = p.panel;
  if (in.AnyTicked()) {
    section(kPanel);
    using namespace pagelists;
    if (in.pinBroken) entry("PinBroken", {ItemText(kDisableEnable, in.pinEnable), ItemText(kPinGroup, in.pinGroup)});
    if (in.pageTop) entry("PageTop", {ItemText(kTopSide, in.pageTopSide), Bare(in.pageTopMm)});
    if (in.tableAuto) entry("TableAuto", {ItemText(kDisableEnable, in.tableAutoIndex)});
    if (in.lineFeed) entry("LineSpacing", {ItemText(pagelists::kLineSpacing, in.lineFeedIndex)});
    if (in.direction) entry("PrintDirection", {ItemText(kDirection, in.directionIndex)});
    if (in.pageLength) {
      entry("PageLength", {ItemText(kDisableEnable, in.pageLengthEnable), ItemText(kPageSize, in.pageSizeIndex)});
    }
    if (in.leftSpace) entry("LeftSpace", {ItemText(kShiftDirection, in.leftSpaceDirection), Bare(in.leftSpaceValue)});
    if (in.compression) entry("Compression", {ItemText(pagelists::kCompression, in.compressionIndex)});
  }
  if (p.bid.present) {
    section(kBid);
    entry("BID", {ItemText(pagelists::kShiftDirection, p.bidDirection), Bare(p.bidValue)});
  }
  if (p.address.present || p.dhcp.present || p.mac.present || p.duplex.present) {
    section(kEthernet);
    if (p.address.present) entry("Address", {Bare(p.ip), Bare(p.mask), Bare(p.gateway)});
    if (p.dhcp.present) entry("DHCP", {ItemText(pagelists::kDhcp, p.dhcpIndex)});
    if (p.mac.present) {
      std::vector<std::string> fields;
      for (const std::string& f : p.macFields) fields.push_back(Bare(f));
      entry("MAC", fields);
    }
    if (p.duplex.present) entry("DuplexMode", {ItemText(pagelists::kDuplex, p.duplexIndex)});
  }
  if (p.wifi.present) {
    section(kWifi);
    std::vector<std::string> fields = {Quote(p.ssid), ItemText(pagelists::kWifiMode, p.wifiMode)};
    if (p.security == commands::WifiSecurity::Open) {
      fields.push_back("Open");
    } else if (p.security == commands::WifiSecurity::Wpa) {
      fields.push_back(ItemText(pagelists::kWpaType, p.wpaType));
      fields.push_back(ItemText(pagelists::kWpaCipher, p.wpaCipher));
    } else {
      fields.push_back("WEP");
      fields.push_back(ItemText(pagelists::kWepAuth, p.wepAuth));
    }
    if (secrets && p.hasKey && p.security != commands::WifiSecurity::Open) fields.push_back(Quote(p.key));
    entry("WiFi", fields);
  }
  if (p.bluetooth.present) {
    section(kBluetooth);
    std::vector<std::string> fields = {Quote(p.btName)};
    if (secrets && p.hasPin) fields.push_back(Quote(p.btPin));
    entry("Bluetooth", fields);
  }
  if (p.serial.present) {
    section(kSerial);
    const pagelists::List* lists[5] = {&pagelists::kBaud, &pagelists::kDataBits, &pagelists::kParity,
                                       &pagelists::kStopBits, &pagelists::kHandshake};
    std::vector<std::string> fields;
    for (int i = 0; i < 5; ++i) fields.push_back(ItemText(*lists[i], p.serialIndex[i]));
    entry("Serial", fields);
  }
  if (p.userDef.pageLength || p.userDef.leftShift) {
    section(kUserDefine);
    if (p.userDef.pageLength) entry("PageLength", {Bare(p.userDef.pageLengthMm)});
    if (p.userDef.leftShift) entry("LeftShift", {ItemText(pagelists::kLeftShift, p.userDef.leftShiftIndex)});
  }
  return out;
}

bool BuildSends(const Profile& p, const TextCodec& codec, unsigned only,
                std::vector<Send>* sends, Error* error) {
  auto wanted = [&](Page page) { return (only & (1u << page)) != 0; };
  auto add = [&](Page page, const char* group, int line, const commands::Encoded& encoded) {
    if (!encoded.Ok()) {
      error->line = line;
      error->message = EnglishText(encoded.errorKey);
      return false;
    }
    sends->push_back(Send{page, group, line, encoded.bytes});
    return true;
  };
  auto bytes = [](std::vector<unsigned char> b) {
    commands::Encoded e;
    e.bytes = std::move(b);
    return e;
  };
  sends->clear();
  if (wanted(kPanel) && p.panel.AnyTicked()) {
    int line = 0;
    for (int l : p.panelLines) {
      if (l && (!line || l < line)) line = l;
    }
    if (!add(kPanel, "Panel", line, commands::EncodePanelCommands(p.panel))) return false;
  }
  if (wanted(kBid) && p.bid.present &&
      !add(kBid, "BID", p.bid.line, commands::EncodeBidCommands(p.bidValue, p.bidDirection))) {
    return false;
  }
  if (wanted(kEthernet)) {
    if (p.address.present) {
      uint32_t a = 0, m = 0, g = 0;
      commands::ParseDottedAddress(p.ip, &a);
      commands::ParseDottedAddress(p.mask, &m);
      commands::ParseDottedAddress(p.gateway, &g);
      if (!add(kEthernet, "Ethernet.Address", p.address.line, bytes(commands::EncodeAddressCommands(a, m, g)))) return false;
    }
    if (p.dhcp.present &&
        !add(kEthernet, "Ethernet.DHCP", p.dhcp.line, bytes(commands::EncodeDhcpCommand(p.dhcpIndex)))) {
      return false;
    }
    if (p.mac.present) {
      unsigned char mac[6] = {};
      for (int i = 0; i < 6; ++i) mac[i] = static_cast<unsigned char>(commands::ReadMacField(p.macFields[i]).value);
      commands::CountedBlock block;
      commands::AppendMacCommand(mac, block, 0);
      add(kEthernet, "Ethernet.MAC", p.mac.line, bytes(std::vector<unsigned char>(block.bytes, block.bytes + block.count)));
    }
    if (p.duplex.present) {
      commands::CountedBlock block;
      commands::BuildDuplexCommand(p.duplexIndex, block, 0);
      add(kEthernet, "Ethernet.DuplexMode", p.duplex.line,
          bytes(std::vector<unsigned char>(block.bytes, block.bytes + block.count)));
    }
  }
  if (wanted(kWifi) && p.wifi.present) {
    if (!p.hasKey && p.security != commands::WifiSecurity::Open) {
      error->line = p.wifi.line;
      error->message = "WiFi: the profile holds no key (save it with keys to apply it)";
      return false;
    }
    commands::WifiInput in;
    std::string why;
    if (!WifiInputOf(p, codec, &in, &why)) {
      error->line = p.wifi.line;
      error->message = why;
      return false;
    }
    if (!add(kWifi, "WiFi", p.wifi.line, commands::EncodeWifiCommand(in))) return false;
  }
  if (wanted(kBluetooth) && p.bluetooth.present) {
    if (!p.hasPin) {
      error->line = p.bluetooth.line;
      error->message = "Bluetooth: the profile holds no PIN (save it with keys to apply it)";
      return false;
    }
    std::string name, pin, why;
    if (!BluetoothTextsOf(p, codec, &name, &pin, &why)) {
      error->line = p.bluetooth.line;
      error->message = why;
      return false;
    }
    if (!add(kBluetooth, "Bluetooth", p.bluetooth.line,
             commands::EncodeBluetoothCommand(name, pin, codec.isLeadByte))) {
      return false;
    }
  }
  if (wanted(kSerial) && p.serial.present) {
    const int* s = p.serialIndex;
    add(kSerial, "Serial", p.serial.line, bytes(commands::EncodeSerialCommand(s[0], s[1], s[2], s[3], s[4])));
  }
  if (wanted(kUserDefine) && (p.userDef.pageLength || p.userDef.leftShift)) {
    int line = p.userDefLines[0] ? p.userDefLines[0] : p.userDefLines[1];
    if (!add(kUserDefine, "UserDefine", line, commands::EncodeUserDefCommands(p.userDef))) return false;
  }
  return true;
}

}  // namespace profile
