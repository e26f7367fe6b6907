#include "emulator/core/Describe.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace vprinter {
namespace {

void AddText(std::string& text, const std::string& piece) {
  if (!text.empty()) text += ", ";
  text += piece;
}

std::string OneDecimal(double value) {
  char buffer[32];
  snprintf(buffer, sizeof(buffer), "%.1f", value);
  return buffer;
}

// mm as the rounded one-decimal number the output carries.
double MmOf(unsigned dots) { return std::round(dots * 254.0 / 360.0) / 10.0; }

std::string Dotted(const uint8_t* bytes, size_t count, bool hex) {
  std::string out;
  char piece[8];
  for (size_t i = 0; i < count; ++i) {
    snprintf(piece, sizeof(piece), hex ? "%02X" : "%u", bytes[i]);
    if (i > 0) out += hex ? ":" : ".";
    out += piece;
  }
  return out;
}

// Generic fields: Byte (named, boolean or numeric), Word, Ipv4, Mac.
void DescribeFields(const Frame& frame, Description& d) {
  size_t position = 2;
  for (uint8_t f = 0; f < frame.layout->fieldCount; ++f) {
    const FieldLayout& field = frame.layout->fields[f];
    const uint8_t* at = frame.bytes + position;
    switch (field.arg) {
      case Arg::Const:
        position += 1;
        break;
      case Arg::Byte:
      case Arg::Word: {
        const unsigned value = field.arg == Arg::Byte ? at[0] : (at[0] << 8) | at[1];
        position += field.arg == Arg::Byte ? 1 : 2;
        if (value < field.min || value > field.max) d.ok = false;
        const char* name = ValueNameOf(field, value);
        if (field.boolean) {
          d.fields[field.name] = value != 0;
          AddText(d.text, std::string(field.name) + (value != 0 ? " yes" : " no"));
        } else if (name != nullptr && field.numericNames) {
          d.fields[field.name] = std::atoi(name);
          AddText(d.text, std::string(field.name) + " " + name);
        } else if (name != nullptr) {
          d.fields[field.name] = name;
          AddText(d.text, name);
        } else {
          if (field.nameCount > 0) d.ok = false;  // a value no list item sends
          d.fields[field.name] = value;
          AddText(d.text, std::string(field.name) + " " + std::to_string(value));
        }
        break;
      }
      case Arg::Ipv4:
        d.fields[field.name] = Dotted(at, 4, false);
        AddText(d.text, Dotted(at, 4, false));
        position += 4;
        break;
      case Arg::Mac:
        d.fields[field.name] = Dotted(at, 6, true);
        AddText(d.text, Dotted(at, 6, true));
        position += 6;
        break;
      case Arg::Counted:
        position += 1 + at[0];
        break;
      case Arg::Block:
        position = kBlockCommandBytes;
        break;
    }
  }
}

// mm: the whole millimetres a page converts to these dots, or -1 when none
// does (then the nearest tenth is shown and the command is not ok).
void DescribeMillimetres(Description& d, unsigned dots, int mm, const char* side) {
  const double shown = mm >= 0 ? mm : MmOf(dots);
  d.fields["mm"] = shown;
  if (mm < 0) d.ok = false;
  d.text = (side != nullptr ? std::string(side) + ", " : std::string()) + std::to_string(dots) +
           " dots = " + OneDecimal(shown) + " mm";
}

void DescribePinBroken(const Frame& frame, Description& d) {
  const uint8_t enabled = frame.bytes[2], group = frame.bytes[3];
  d.fields = Json::object();
  d.fields["enabled"] = enabled != 0;
  if (enabled == 0) {
    d.ok = group == 0;
    d.text = "disabled";
    if (group != 0) d.fields["group"] = group;
    return;
  }
  d.ok = enabled == 1 && (group == 1 || group == 2);
  const char* name = group == 2 ? "1-12" : group == 1 ? "13-24" : nullptr;
  if (name != nullptr) {
    d.fields["group"] = name;
    d.text = std::string("enabled, pins ") + name;
  } else {
    d.fields["group"] = group;
    d.text = "enabled, group " + std::to_string(group);
  }
}

void DescribeLinkMode(const Frame& frame, Description& d) {
  static const struct {
    uint8_t bytes[3];
    const char* name;
  } kModes[] = {{{1, 1, 1}, "100Mbps Full Duplex"},
                {{1, 1, 0}, "100Mbps Half Duplex"},
                {{1, 0, 1}, "10Mbps Full Duplex"},
                {{1, 0, 0}, "10Mbps Half Duplex"},
                {{0, 0, 0}, "Auto Detect"}};
  d.fields = Json::object();
  for (const auto& mode : kModes) {
    if (memcmp(mode.bytes, frame.bytes + 2, 3) == 0) {
      d.fields["mode"] = mode.name;
      d.text = mode.name;
      return;
    }
  }
  d.ok = false;
  d.fields["mode"] = HexBytes(frame.bytes + 2, 3);
  d.text = "unknown mode " + HexBytes(frame.bytes + 2, 3);
}

void DescribeWifi(const Frame& frame, Description& d) {
  const uint8_t* p = frame.bytes + 2;
  const size_t ssidLength = p[0];
  const std::string ssid = Latin1ToUtf8(p + 1, ssidLength);
  p += 1 + ssidLength;
  const uint8_t a = p[0], b = p[1];
  const size_t keyLength = p[2];
  const uint8_t mode = p[3 + keyLength];
  d.fields = Json::object();
  d.fields["ssid"] = ssid;
  d.ok = ssidLength > 0 && frame.size <= 324;
  d.text = "\"" + EscapeControls(ssid) + "\"";
  if (a == 0 && b == 0) {
    d.fields["security"] = "open";
    if (keyLength != 0) d.ok = false;
    AddText(d.text, "open");
  } else if ((a == 2 || a == 3) && b <= 1) {
    const char* type = a == 2 ? "WPA-PSK" : "WPA2-PSK";
    const char* cipher = b == 1 ? "AES" : "TPIK";
    d.fields["security"] = type;
    d.fields["cipher"] = cipher;
    if (keyLength == 0) d.ok = false;
    AddText(d.text, std::string(type) + " " + cipher);
  } else if ((a == 0 && b == 1) || (a == 1 && b == 0)) {
    const char* auth = a == 0 ? "OPEN" : "SHARE";
    d.fields["security"] = "WEP";
    d.fields["auth"] = auth;
    if (keyLength == 0) d.ok = false;
    AddText(d.text, std::string("WEP ") + auth);
  } else {
    d.ok = false;
    d.fields["security"] = HexBytes(p, 2);
    AddText(d.text, "unknown security " + HexBytes(p, 2));
  }
  d.fields["key_length"] = keyLength;
  AddText(d.text, "key " + std::to_string(keyLength) + " bytes");
  if (mode <= 1) {
    d.fields["mode"] = mode == 0 ? "STA" : "AP";
    AddText(d.text, mode == 0 ? "STA" : "AP");
  } else {
    d.ok = false;
    d.fields["mode"] = mode;
    AddText(d.text, "mode " + std::to_string(mode));
  }
}

// 32 bytes: name (1..15 bytes) and a zero byte, the PIN (4..14 digits), zeros.
void DescribeBluetooth(const Frame& frame, Description& d, bool showSecrets) {
  const uint8_t* block = frame.bytes;
  size_t end = 2;
  while (end < 2 + 16 && end < kBlockCommandBytes && block[end] != 0) ++end;
  d.fields = Json::object();
  if (end >= 2 + 16 || block[end] != 0) {
    d.ok = false;
    d.fields["name"] = Latin1ToUtf8(block + 2, 16);
    d.text = "name without end";
    return;
  }
  const std::string name = Latin1ToUtf8(block + 2, end - 2);
  size_t pinEnd = end + 1;
  bool digits = true;
  while (pinEnd < kBlockCommandBytes && block[pinEnd] != 0) {
    if (block[pinEnd] < '0' || block[pinEnd] > '9') digits = false;
    ++pinEnd;
  }
  bool zeros = true;
  for (size_t i = pinEnd; i < kBlockCommandBytes; ++i) zeros = zeros && block[i] == 0;
  const size_t pinLength = pinEnd - end - 1;
  const std::string pin = showSecrets ? Latin1ToUtf8(block + end + 1, pinLength) : MaskedText(pinLength);
  d.ok = end > 2 && digits && zeros && pinLength >= 4 && pinLength <= 14;
  d.fields["name"] = name;
  d.fields["pin"] = pin;
  d.text = "name \"" + EscapeControls(name) + "\", pin " + EscapeControls(pin);
}

// Where the secret bytes of a Wi-Fi or Bluetooth command lie, for the bytes
// that arrived of it (`size` may stop short of the whole command): the key
// of a Wi-Fi command, the PIN of a Bluetooth command. secret[i] is set for
// each such byte.
void MarkSecrets(const CommandLayout* layout, const uint8_t* bytes, size_t size, std::vector<bool>& secret) {
  secret.assign(size, false);
  if (layout == nullptr) return;
  if (layout->meaning == Meaning::Wifi) {
    // Prefix, letter, SSID length and SSID, two security bytes, key length.
    if (size < 3) return;
    const size_t keyLengthAt = 3 + static_cast<size_t>(bytes[2]) + 2;
    if (size <= keyLengthAt) return;
    const size_t keyEnd = keyLengthAt + 1 + bytes[keyLengthAt];
    for (size_t i = keyLengthAt + 1; i < keyEnd && i < size; ++i) secret[i] = true;
  } else if (layout->meaning == Meaning::Bluetooth) {
    // The PIN follows the name's zero byte; a name without one (at most 16
    // bytes are read as the name) leaves no telling where the PIN starts, so
    // everything past those 16 is treated as PIN. Zero bytes are padding and
    // stay visible.
    size_t pinAt = 2 + 16;
    for (size_t i = 2; i < 2 + 16 && i < size; ++i) {
      if (bytes[i] == 0) {
        pinAt = i + 1;
        break;
      }
    }
    for (size_t i = pinAt; i < size; ++i) secret[i] = bytes[i] != 0;
  }
}

// HexBytes with every marked byte shown as "**".
std::string HexWithSecrets(const uint8_t* bytes, size_t size, const std::vector<bool>& secret) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(size * 3);
  for (size_t i = 0; i < size; ++i) {
    if (i > 0) out += ' ';
    if (i < secret.size() && secret[i]) {
      out += "**";
    } else {
      out += kDigits[bytes[i] >> 4];
      out += kDigits[bytes[i] & 15];
    }
  }
  return out;
}

// Marks the secret bytes of every command found in a buffer.
class SecretFinder : public DecoderSink {
 public:
  explicit SecretFinder(size_t size) : secret(size, false) {}
  void OnCommand(const Frame& frame) override { Mark(frame.layout, frame.bytes, frame.size, frame.offset); }
  void OnUnframed(uint64_t, uint64_t, const uint8_t*, size_t) override {}
  void OnTruncated(const CommandLayout* layout, const uint8_t* bytes, size_t size, uint64_t offset) override {
    Mark(layout, bytes, size, offset);
  }
  std::vector<bool> secret;

 private:
  void Mark(const CommandLayout* layout, const uint8_t* bytes, size_t size, uint64_t offset) {
    MarkSecrets(layout, bytes, size, one_);
    for (size_t i = 0; i < size && offset + i < secret.size(); ++i) {
      if (one_[i]) secret[static_cast<size_t>(offset) + i] = true;
    }
  }
  std::vector<bool> one_;
};

// The whole millimetres (page top: 0..100) that give these dots, or -1.
int RoundedSource(unsigned dots) {
  const int guess = static_cast<int>(dots * 25.4 / 360.0);
  for (int mm = guess - 1; mm <= guess + 1; ++mm) {
    if (mm >= 0 && mm <= 100 && DotsRounded(mm) == static_cast<int>(dots)) return mm;
  }
  return -1;
}

int TruncatedSource(unsigned dots) {
  const int guess = static_cast<int>(dots * 25.4 / 360.0);
  for (int mm = guess - 1; mm <= guess + 2; ++mm) {
    if (mm >= 0 && DotsTruncated(mm) == static_cast<int>(dots)) return mm;
  }
  return -1;
}

}  // namespace

int DotsRounded(int mm) { return static_cast<int>(static_cast<double>(mm * 360) / 25.4 + 0.5); }

// The page rounds the inches to a float before it multiplies: the value is
// forced through memory, so a 32-bit build that computes in extended
// precision rounds as the page does.
int DotsTruncated(int mm) {
  volatile float inches = static_cast<float>(static_cast<double>(mm) / 25.4);
  return static_cast<int>(static_cast<double>(inches) * 360.0);
}

std::string HexBytes(const uint8_t* bytes, size_t size) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(size * 3);
  for (size_t i = 0; i < size; ++i) {
    if (i > 0) out += ' ';
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 15];
  }
  return out;
}

std::string CommandHex(const CommandLayout* layout, const uint8_t* bytes, size_t size, bool showSecrets) {
  if (showSecrets) return HexBytes(bytes, size);
  std::vector<bool> secret;
  MarkSecrets(layout, bytes, size, secret);
  return HexWithSecrets(bytes, size, secret);
}

std::string HexMasked(const uint8_t* data, size_t size) {
  SecretFinder finder(size);
  Decoder decoder(finder);
  decoder.Feed(data, size);
  decoder.Finish();
  return HexWithSecrets(data, size, finder.secret);
}

std::string MaskedText(size_t bytes) { return std::string(bytes * 2, '*'); }

std::string EscapeControls(const std::string& utf8) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(utf8.size());
  auto escape = [&out](unsigned code) {
    out += "\\x";
    out += kDigits[(code >> 4) & 15];
    out += kDigits[code & 15];
  };
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x20 || c == 0x7F) {
      escape(c);
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
      escape(static_cast<unsigned char>(utf8[++i]));  // U+0080..U+009F
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string JsonLine(const Json& event) {
  const std::string dumped = event.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  std::string out;
  out.reserve(dumped.size());
  static const char kDigits[] = "0123456789abcdef";
  for (size_t i = 0; i < dumped.size(); ++i) {
    const auto c = static_cast<unsigned char>(dumped[i]);
    unsigned code = 0;
    if (c == 0x7F) {
      code = c;
    } else if (c == 0xC2 && i + 1 < dumped.size() && static_cast<unsigned char>(dumped[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(dumped[i + 1]) <= 0x9F) {
      code = static_cast<unsigned char>(dumped[++i]);
    } else {
      out += static_cast<char>(c);
      continue;
    }
    // Only inside strings can these occur, where \u00XX is their JSON form.
    out += "\\u00";
    out += kDigits[code >> 4];
    out += kDigits[code & 15];
  }
  return out;
}

std::string Latin1ToUtf8(const uint8_t* bytes, size_t size) {
  std::string out;
  out.reserve(size);
  for (size_t i = 0; i < size; ++i) {
    const uint8_t c = bytes[i];
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string Spoken(const char* name) {
  std::string out(name);
  for (char& c : out) {
    if (c == '_') c = ' ';
  }
  return out;
}

Description Describe(const Frame& frame, bool showSecrets) {
  Description d;
  DescribeFields(frame, d);
  switch (frame.layout->meaning) {
    case Meaning::None:
      break;
    case Meaning::PageTop: {
      const unsigned dots = (frame.bytes[3] << 8) | frame.bytes[4];
      const char* side = ValueNameOf(frame.layout->fields[0], frame.bytes[2]);
      DescribeMillimetres(d, dots, RoundedSource(dots), side != nullptr ? side : "side ?");
      break;
    }
    case Meaning::UserPageLength: {
      const unsigned dots = (frame.bytes[2] << 8) | frame.bytes[3];
      DescribeMillimetres(d, dots, TruncatedSource(dots), nullptr);
      break;
    }
    case Meaning::PageLength:
      break;
    case Meaning::PinBroken:
      DescribePinBroken(frame, d);
      break;
    case Meaning::LeftShift:
      d.fields["value"] = frame.bytes[2] * 10;
      d.text = std::to_string(frame.bytes[2] * 10);
      break;
    case Meaning::IpAddress: {
      const uint8_t first = frame.bytes[2];
      if (first == 0 || first > 223 || first == 127) d.ok = false;
      break;
    }
    case Meaning::NetworkAddress:
      break;
    case Meaning::LinkMode:
      DescribeLinkMode(frame, d);
      break;
    case Meaning::Wifi:
      DescribeWifi(frame, d);
      break;
    case Meaning::Bluetooth:
      DescribeBluetooth(frame, d, showSecrets);
      break;
  }
  return d;
}

}  // namespace vprinter
