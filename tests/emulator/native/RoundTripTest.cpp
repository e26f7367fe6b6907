// The encoders' own bytes, decoded by the virtual printer, give back the
// values they were built from: one table over every command the pages send.
#include <gtest/gtest.h>

#include "settings/Encoders.h"
#include "tests/emulator/native/Collect.h"

using namespace commands;
using namespace vprinter_test;

namespace {

Bytes Of(const Encoded& encoded) {
  EXPECT_TRUE(encoded.Ok()) << encoded.errorKey;
  return encoded.bytes;
}

PanelInput Panel(void (*set)(PanelInput&)) {
  PanelInput input;
  set(input);
  return input;
}

Bytes Mac(const unsigned char (&mac)[6]) {
  MacInput input;
  for (int i = 0; i < 6; ++i) input.parts[i] = std::to_string(mac[i]);
  return Of(EncodeMacCommand(input));
}

Bytes Duplex(int index) { return Of(EncodeDuplexCommand({index})); }

Bytes Wifi(const char* ssid, WifiSecurity security, int type, int cipher, const char* key, int mode) {
  WifiInput input;
  input.ssid = ssid;
  input.security = security;
  input.wpaType = type;
  input.wpaCipher = cipher;
  input.wepAuth = type;
  input.pskKey = input.wepKey = key;
  input.mode = mode;
  return Of(EncodeWifiCommand(input));
}

struct Case {
  const char* what;
  Bytes bytes;
  // The commands expected, in order, each with the fields it must carry.
  std::vector<Json> commands;
};

std::vector<Case> Cases() {
  const unsigned char mac[6] = {0, 0x1B, 0x2C, 0xFF, 7, 0x80};
  const std::string ssid255(255, 's');
  return {
      {"page top rear 100 mm",
       Of(EncodePanelCommands(Panel([](PanelInput& p) { p.pageTop = true, p.pageTopSide = 1, p.pageTopMm = "100"; }))),
       {{{"cmd", "page_top"}, {"side", "rear"}, {"dots", 1417}, {"mm", 100.0}}, {{"cmd", "close"}}}},
      {"page top front 0 mm",
       Of(EncodePanelCommands(Panel([](PanelInput& p) { p.pageTop = true, p.pageTopMm = "0"; }))),
       {{{"cmd", "page_top"}, {"side", "front"}, {"dots", 0}, {"mm", 0.0}}, {{"cmd", "close"}}}},
      {"all eight panel boxes",
       Of(EncodePanelCommands(Panel([](PanelInput& p) {
         p.pinBroken = p.pageTop = p.tableAuto = p.lineFeed = p.direction = p.pageLength = p.leftSpace =
             p.compression = true;
         p.pinEnable = 1, p.pinGroup = 1, p.pageTopMm = "5", p.tableAutoIndex = 1, p.lineFeedIndex = 0,
         p.directionIndex = 1, p.pageLengthEnable = 1, p.pageSizeIndex = 11, p.leftSpaceValue = "60",
         p.leftSpaceDirection = 1, p.compressionIndex = 5;
       }))),
       {{{"cmd", "pin_broken"}, {"enabled", true}, {"group", "13-24"}},
        {{"cmd", "page_top"}, {"dots", 71}, {"mm", 5.0}},
        {{"cmd", "table_auto"}, {"enabled", true}},
        {{"cmd", "line_spacing"}, {"spacing", "1/3 inch"}},
        {{"cmd", "print_direction"}, {"direction", "unidirectional"}},
        {{"cmd", "page_length"}, {"size", "14 inch"}},
        {{"cmd", "left_space"}, {"direction", "right"}, {"value", 60}},
        {{"cmd", "print_compression"}, {"ratio", "auto"}},
        {{"cmd", "close"}}}},
      {"panel defaults where ticked",
       Of(EncodePanelCommands(Panel([](PanelInput& p) { p.pinBroken = p.lineFeed = p.pageLength = true; }))),
       {{{"cmd", "pin_broken"}, {"enabled", false}},
        {{"cmd", "line_spacing"}, {"spacing", "1/6 inch"}},
        {{"cmd", "page_length"}, {"size", "disabled"}},
        {{"cmd", "close"}}}},
      {"pin broken 1-12", Of(EncodePanelCommands(Panel([](PanelInput& p) { p.pinBroken = true, p.pinEnable = 1; }))),
       {{{"cmd", "pin_broken"}, {"enabled", true}, {"group", "1-12"}}, {{"cmd", "close"}}}},
      {"self test", Of(EncodeSelfTest()), {{{"cmd", "self_test"}}}},
      {"bid right 16", Of(EncodeBidCommands({"16", 1})),
       {{{"cmd", "bid"}, {"direction", "right"}, {"value", 16}}, {{"cmd", "close"}}}},
      {"user page 297 mm and shift 120", Of(EncodeUserDefCommands(UserDefInput{true, "297", true, 12})),
       {{{"cmd", "user_page_length"}, {"dots", 4209}, {"mm", 297.0}},
        {{"cmd", "left_shift"}, {"index", 12}, {"value", 120}},
        {{"cmd", "close"}}}},
      {"user page 5 mm truncates to 70 dots", Of(EncodeUserDefCommands(UserDefInput{true, "5", false, 0})),
       {{{"cmd", "user_page_length"}, {"dots", 70}, {"mm", 5.0}}, {{"cmd", "close"}}}},
      {"user page longest", Of(EncodeUserDefCommands(UserDefInput{true, "4623", false, 0})),
       {{{"cmd", "user_page_length"}, {"mm", 4623.0}}, {{"cmd", "close"}}}},
      {"factory restore", Of(EncodeRestoreFactory()), {{{"cmd", "factory_restore"}}, {{"cmd", "close"}}}},
      {"serial defaults", Of(EncodeSerialCommand({1, 1, 0, 0, 0})),
       {{{"cmd", "serial"}, {"baud", 9600}, {"data_bits", 8}, {"parity", "none"}, {"stop_bits", 1}, {"handshake", "none"}}}},
      {"serial 115200 7E2 hardware", Of(EncodeSerialCommand({5, 0, 2, 1, 2})),
       {{{"cmd", "serial"}, {"baud", 115200}, {"data_bits", 7}, {"parity", "even"}, {"stop_bits", 2}, {"handshake", "hardware"}}}},
      {"address, mask, gateway", Of(EncodeAddressCommands({0xDF010101, 0xFFFF0000, 0xC0A80001})),
       {{{"cmd", "ip_address"}, {"address", "223.1.1.1"}},
        {{"cmd", "subnet_mask"}, {"address", "255.255.0.0"}},
        {{"cmd", "gateway"}, {"address", "192.168.0.1"}}}},
      {"mac", Mac(mac), {{{"cmd", "mac_address"}, {"address", "00:1B:2C:FF:07:80"}}}},
      {"link 100 full", Duplex(0), {{{"cmd", "link_mode"}, {"mode", "100Mbps Full Duplex"}}}},
      {"link 10 half", Duplex(3), {{{"cmd", "link_mode"}, {"mode", "10Mbps Half Duplex"}}}},
      {"link auto", Duplex(4), {{{"cmd", "link_mode"}, {"mode", "Auto Detect"}}}},
      {"dhcp enable", Of(EncodeDhcpCommand({1})), {{{"cmd", "dhcp"}, {"enabled", true}}}},
      {"dhcp disable", Of(EncodeDhcpCommand({0})), {{{"cmd", "dhcp"}, {"enabled", false}}}},
      {"read network settings", Of(EncodeReadNetworkRequest()), {{{"cmd", "read_network_settings"}}}},
      {"wifi open STA", Wifi("shop", WifiSecurity::Open, 0, 0, "", 0),
       {{{"cmd", "wifi"}, {"ssid", "shop"}, {"security", "open"}, {"key_length", 0}, {"mode", "STA"}}}},
      {"wifi WPA2 AES AP", Wifi("shop", WifiSecurity::Wpa, 1, 0, "12345678", 1),
       {{{"cmd", "wifi"}, {"ssid", "shop"}, {"security", "WPA2-PSK"}, {"cipher", "AES"}, {"key_length", 8}, {"mode", "AP"}}}},
      {"wifi WPA TPIK", Wifi("x", WifiSecurity::Wpa, 0, 1, "k", 0),
       {{{"cmd", "wifi"}, {"security", "WPA-PSK"}, {"cipher", "TPIK"}, {"key_length", 1}}}},
      {"wifi WEP share", Wifi("x", WifiSecurity::Wep, 1, 0, "abcde", 0),
       {{{"cmd", "wifi"}, {"security", "WEP"}, {"auth", "SHARE"}, {"key_length", 5}}}},
      {"wifi longest ssid", Wifi(ssid255.c_str(), WifiSecurity::Wep, 0, 0, "123456789012345678901234567890123456789012345678901234567890", 0),
       {{{"cmd", "wifi"}, {"ssid", ssid255}, {"security", "WEP"}, {"auth", "OPEN"}, {"key_length", 60}}}},
      {"bluetooth defaults", Of(EncodeBluetoothCommand({"bluetooth", "5291"}, nullptr)),
       {{{"cmd", "bluetooth"}, {"name", "bluetooth"}, {"pin", "5291"}}}},
      {"bluetooth 16-digit pin", Of(EncodeBluetoothCommand({"printer", "1234567890123456"}, nullptr)),
       {{{"cmd", "bluetooth"}, {"name", "printer"}, {"pin", "12345678901234"}}}},
      {"bluetooth long name, short pin", Of(EncodeBluetoothCommand({"abcdefghijklmnopqrst", "7"}, nullptr)),
       {{{"cmd", "bluetooth"}, {"name", "abcdefghijklmno"}, {"pin", "0007"}}}},
  };
}

TEST(RoundTrip, EveryPageCommandDecodesToTheValuesItWasBuiltFrom) {
  vprinter::SessionOptions inClear;  // the PIN as it arrived
  inClear.showSecrets = true;
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.what);
    const Collect sink = DecodeJob(c.bytes, 0, inClear);
    const std::vector<Json> commands = sink.Of("command");
    EXPECT_TRUE(sink.Of("unframed").empty());
    EXPECT_TRUE(sink.Of("truncated").empty());
    ASSERT_EQ(commands.size(), c.commands.size());
    for (size_t i = 0; i < commands.size(); ++i) {
      EXPECT_TRUE(commands[i]["ok"].get<bool>()) << commands[i].dump();
      for (auto& field : c.commands[i].items()) {
        EXPECT_EQ(commands[i][field.key()], field.value()) << field.key() << " in " << commands[i].dump();
      }
    }
    // The Wi-Fi key never shows.
    for (const Json& command : commands) EXPECT_FALSE(command.contains("key"));
  }
}

// Values a page can never send are framed but marked not ok.
TEST(RoundTrip, ValuesNoPageSendsAreNotOk) {
  const std::vector<std::pair<const char*, Bytes>> cases = {
      {"page top 1418 dots", {0x10, 0x44, 0x01, 0x05, 0x8A}},
      {"page top 5 dots (no whole mm)", {0x10, 0x44, 0x00, 0x00, 0x05}},
      {"bid 17", {0x1F, 0x42, 0x00, 0x11}},
      {"left space 61", {0x1F, 0x71, 0x00, 0x3D}},
      {"page size 12", {0x10, 0x45, 0x0C}},
      {"pin broken disabled with a group", {0x1F, 0x45, 0x00, 0x01}},
      {"link mode 00 01 01", {0x1F, 0x70, 0x00, 0x01, 0x01}},
      {"ip 127.0.0.1", {0x1F, 0x69, 127, 0, 0, 1}},
      {"ip 224.0.0.1", {0x1F, 0x69, 224, 0, 0, 1}},
      {"network address selector 2", {0x1F, 0x25, 0x02, 1, 2, 3, 4}},
      {"wifi open with a key", {0x1F, 0x77, 0x01, 'a', 0x00, 0x00, 0x01, 'k', 0x00}},
      {"wifi wpa without key", {0x1F, 0x77, 0x01, 'a', 0x02, 0x01, 0x00, 0x00}},
      {"bluetooth pin with a letter",
       {0x1F, 0x4A, 'a', 0, '1', '2', '3', 'x', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    const std::vector<Json> commands = DecodeJob(c.second).Of("command");
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_FALSE(commands[0]["ok"].get<bool>()) << commands[0].dump();
  }
}

}  // namespace
