// HexMasked, as the command line shows what it sends: the bytes of a
// buffer of commands in hex with every byte of a Wi-Fi key or a Bluetooth
// PIN as "**", whatever surrounds them and wherever the buffer ends.
#include <gtest/gtest.h>

#include "emulator/core/Describe.h"
#include "settings/Encoders.h"
#include "tests/emulator/native/Collect.h"
#include "tests/support/Bytes.h"

using namespace vprinter_test;

namespace {

std::string Masked(const Bytes& bytes) { return vprinter::HexMasked(bytes.data(), bytes.size()); }

Bytes Wifi(const char* ssid, const char* key) {
  commands::WifiInput input;
  input.ssid = ssid;
  input.security = commands::WifiSecurity::Wpa;
  input.wpaType = 1;
  input.pskKey = key;
  return commands::EncodeWifiCommand(input).bytes;
}

// `piece` n times over.
std::string Times(const std::string& piece, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += piece;
  return out;
}

TEST(HexMasked, KeyAndPinBytesAreStarsAndEverythingElseIsPlainHex) {
  const Bytes pageTop = {0x10, 0x44, 0x01, 0x05, 0x89};
  const struct {
    const char* what;
    Bytes bytes;
    std::string hex;
  } cases[] = {
      {"no secret", pageTop, "10 44 01 05 89"},
      {"wifi key", Wifi("ab", "k1"), "1F 77 02 61 62 03 01 02 ** ** 00"},
      {"an SSID that looks like a command", Wifi("\x1F\x77", "k"), "1F 77 02 1F 77 03 01 01 ** 00"},
      {"bluetooth pin, padding visible", commands::EncodeBluetoothCommand("bt", "5291", nullptr).bytes,
       "1F 4A 62 74 00 ** ** ** **" + Times(" 00", 23)},
      {"commands and garbage around them", Join({{'x'}, pageTop, Wifi("ab", "k1"), {0x10, 0x99}, pageTop}),
       "78 10 44 01 05 89 1F 77 02 61 62 03 01 02 ** ** 00 10 99 10 44 01 05 89"},
      // A buffer that ends inside a command: masked past its header.
      {"cut inside the key", {0x1F, 0x77, 0x02, 'a', 'b', 0x03, 0x00, 0x05, 's', 'e'},
       "1F 77 02 61 62 03 00 05 ** **"},
      {"cut before the key", {0x1F, 0x77, 0x02, 'a', 'b', 0x03}, "1F 77 02 61 62 03"},
      {"cut inside the pin", {0x1F, 0x4A, 'b', 't', 0x00, '5', '2'}, "1F 4A 62 74 00 ** **"},
      // A name without its zero byte: past the 16 name bytes all is PIN.
      {"bluetooth name without end", Join({{0x1F, 0x4A}, Bytes(16, 'n'), {'9', '9'}, Bytes(12, 0)}),
       "1F 4A" + Times(" 6E", 16) + " ** **" + Times(" 00", 12)},
      {"nothing", {}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Masked(c.bytes), c.hex);
  }
}

}  // namespace
