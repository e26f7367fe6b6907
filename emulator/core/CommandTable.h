// The printer's command set as data: for each command its prefix byte and
// letter, the layout of its argument bytes, the names of its fields and of
// their values, and the ranges a setting page can send. The stream decoder
// frames commands from this table alone; the describer turns the fields into
// named values. No operating-system headers.
#pragma once
#include <cstddef>
#include <cstdint>

namespace vprinter {

constexpr uint8_t kDle = 0x10;
constexpr uint8_t kUs = 0x1F;

// How one argument field is laid out on the wire.
enum class Arg : uint8_t {
  Byte,     // one byte
  Word,     // two bytes, high byte first
  Counted,  // a length byte, then that many bytes
  Block,    // the rest of a fixed 32-byte command (30 bytes after the letter)
  Const,    // one byte that must have the value `min` (selects a command variant)
  Ipv4,     // four address bytes in dotted order
  Mac,      // six bytes
};

struct ValueName {
  uint8_t value;
  const char* name;
};

struct FieldLayout {
  const char* name;  // field name in the output (unused for Const)
  Arg arg;
  uint16_t min;  // valid range of the value (Byte, Word) or of the length (Counted)
  uint16_t max;
  const ValueName* names = nullptr;  // Byte: the value names a page shows
  uint8_t nameCount = 0;
  bool numericNames = false;  // the names are numbers ("9600") and print as such
  bool boolean = false;       // Byte 0/1 printed as false/true
};

// Command-specific meaning that the field layout alone cannot give (derived
// values such as millimetres, or rules across fields). Declared in Describe.h.
enum class Meaning : uint8_t {
  None,
  PageTop,
  PageLength,
  UserPageLength,
  PinBroken,
  LeftShift,
  IpAddress,
  NetworkAddress,
  LinkMode,
  Wifi,
  Bluetooth,
};

struct CommandLayout {
  uint8_t prefix;
  uint8_t letter;
  const char* name;
  const FieldLayout* fields;
  uint8_t fieldCount;
  Meaning meaning;
};

// The longest command: Wi-Fi with a 255-byte SSID and a 255-byte key.
constexpr size_t kMaxCommandBytes = 2 + 1 + 255 + 2 + 1 + 255 + 1;
constexpr size_t kBlockCommandBytes = 32;

const CommandLayout* Commands();
size_t CommandCount();

// True for the two prefix bytes.
inline bool IsPrefix(uint8_t byte) { return byte == kDle || byte == kUs; }

// The name shown for a Byte field's value, or nullptr if it has none.
const char* ValueNameOf(const FieldLayout& field, unsigned value);

}  // namespace vprinter
