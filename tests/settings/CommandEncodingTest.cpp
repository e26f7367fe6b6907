// Byte-exact encodings of the page commands, the number checks and the
// read-back reply parser, without any window.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/Bytes.h"
#include "settings/CommandFrame.h"
#include "settings/Encoders.h"

using namespace commands;

namespace {

const Bytes kClosing = {0x10, 0x43};

// CP936-like lead bytes (0x81..0xFE), as IsDBCSLeadByte reports them there.
bool Cp936Lead(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

}  // namespace

TEST(CommandFrame, NumberFieldAcceptsOnlyDigitsAndNeverOverflows) {
  EXPECT_EQ(ReadNumberField("007", 100).status, NumberStatus::Ok);
  EXPECT_EQ(ReadNumberField("007", 100).value, 7u);
  EXPECT_EQ(ReadNumberField("100", 100).value, 100u);
  for (const char* bad : {"", "12a", " 12", "12 ", "-1", "+1", "1.5"}) {
    EXPECT_EQ(ReadNumberField(bad, 100).status, NumberStatus::NotNumber) << '"' << bad << '"';
  }
  EXPECT_EQ(ReadNumberField("101", 100).status, NumberStatus::OutOfRange);
  // Far beyond any integer: out of range, not wrapped into a small value.
  EXPECT_EQ(ReadNumberField("4294967296", 100).status, NumberStatus::OutOfRange);
  EXPECT_EQ(ReadNumberField(std::string(300, '9'), 4294967295u).status, NumberStatus::OutOfRange);
  EXPECT_EQ(ReadNumberField("4294967295", 4294967295u).value, 4294967295u);
  EXPECT_TRUE(IsAllDigits(""));
  EXPECT_FALSE(IsAllDigits("1\xB2"));
}

TEST(CommandFrame, MillimetreConversionsRoundAndTruncate) {
  EXPECT_EQ(MillimetresToDotsRounded(0), 0);
  EXPECT_EQ(MillimetresToDotsRounded(100), 1417);
  EXPECT_EQ(MillimetresToDotsRounded(5), 71);
  EXPECT_EQ(MillimetresToDotsRounded(300), 4252);
  EXPECT_EQ(MillimetresToDotsTruncated(5), 70);
  EXPECT_EQ(MillimetresToDotsTruncated(297), 4209);
  EXPECT_EQ(MillimetresToDotsTruncated(300), 4251);
  EXPECT_EQ(MillimetresToDotsTruncated(4623), 65522);
  EXPECT_GT(MillimetresToDotsTruncated(4624), 65535);
}

TEST(CommandFrame, BufferNeverWritesPastItsCapacity) {
  CommandBuffer buffer(3);
  AppendPrefix(buffer, kUs, 'w');
  AppendWord(buffer, 0x1234);
  EXPECT_TRUE(buffer.Overflowed());
  EXPECT_EQ(buffer.Position(), 3u);
  EXPECT_EQ(buffer.Written(), (Bytes{0x1F, 'w', 0x12}));
}

TEST(PanelEncoding, SingleSettingsAndTheirEdgeValues) {
  PanelInput direction;
  direction.direction = true;
  direction.directionIndex = 1;
  EXPECT_EQ(EncodePanelCommands(direction).bytes, (Bytes{0x10, 0x42, 0x01, 0x10, 0x43}));

  PanelInput top;
  top.pageTop = true;
  top.pageTopSide = 1;
  top.pageTopMm = "100";
  EXPECT_EQ(EncodePanelCommands(top).bytes, (Bytes{0x10, 0x44, 0x01, 0x05, 0x89, 0x10, 0x43}));
  top.pageTopMm = "0";
  EXPECT_EQ(EncodePanelCommands(top).bytes, (Bytes{0x10, 0x44, 0x01, 0x00, 0x00, 0x10, 0x43}));
  top.pageTopMm = "101";
  EXPECT_STREQ(EncodePanelCommands(top).errorKey, "PO_GSTR_PAGETOP_NUMBER_OVER_ERR");
  top.pageTopMm = "99999999999999999999";
  EXPECT_STREQ(EncodePanelCommands(top).errorKey, "PO_GSTR_PAGETOP_NUMBER_OVER_ERR");
  top.pageTopMm = "";
  EXPECT_STREQ(EncodePanelCommands(top).errorKey, "PO_GSTR_PAGETOP_NUMBER_ERR");

  PanelInput pin;
  pin.pinBroken = true;
  pin.pinGroup = 1;  // ignored while "Disable" is chosen
  EXPECT_EQ(EncodePanelCommands(pin).bytes, Join({{0x1F, 0x45, 0x00, 0x00}, kClosing}));
  pin.pinEnable = 1;
  pin.pinGroup = 0;
  EXPECT_EQ(EncodePanelCommands(pin).bytes, Join({{0x1F, 0x45, 0x01, 0x02}, kClosing}));
  pin.pinGroup = 1;
  EXPECT_EQ(EncodePanelCommands(pin).bytes, Join({{0x1F, 0x45, 0x01, 0x01}, kClosing}));

  PanelInput length;
  length.pageLength = true;
  length.pageSizeIndex = 11;
  EXPECT_EQ(EncodePanelCommands(length).bytes, Join({{0x10, 0x45, 0xFF}, kClosing}));
  length.pageLengthEnable = 1;
  EXPECT_EQ(EncodePanelCommands(length).bytes, Join({{0x10, 0x45, 0x0B}, kClosing}));

  PanelInput left;
  left.leftSpace = true;
  left.leftSpaceDirection = 1;
  left.leftSpaceValue = "60";
  EXPECT_EQ(EncodePanelCommands(left).bytes, Join({{0x1F, 0x71, 0x01, 0x3C}, kClosing}));
  left.leftSpaceValue = "61";
  EXPECT_STREQ(EncodePanelCommands(left).errorKey, "PO_GSTR_LEFT_SPACE_NUMBER_OVER_ERR");
  left.leftSpaceValue = "6O";
  EXPECT_STREQ(EncodePanelCommands(left).errorKey, "PO_GSTR_LEFT_SPACE_NUMBER_ERR");

  // The first two line-feed items carry each other's codes.
  PanelInput lineFeed;
  lineFeed.lineFeed = true;
  const unsigned char codes[] = {0x01, 0x00, 0x02, 0x03};
  for (int index = 0; index < 4; ++index) {
    lineFeed.lineFeedIndex = index;
    EXPECT_EQ(EncodePanelCommands(lineFeed).bytes, Join({{0x10, 0x41, codes[index]}, kClosing}));
  }
  EXPECT_EQ(EncodeSelfTest().bytes, (Bytes{0x1F, 0x48}));
}

TEST(PanelEncoding, AllEightSettingsInTheirFixedOrder) {
  PanelInput all;
  all.pinBroken = all.pageTop = all.tableAuto = all.lineFeed = all.direction = all.pageLength =
      all.leftSpace = all.compression = true;
  all.pinEnable = 1;
  all.pageTopMm = "100";
  all.tableAutoIndex = 1;
  all.leftSpaceValue = "5";
  all.compressionIndex = 5;
  Encoded encoded = EncodePanelCommands(all);
  ASSERT_TRUE(encoded.Ok());
  EXPECT_EQ(encoded.bytes, (Bytes{0x1F, 0x45, 0x01, 0x02,        // pin broken
                                  0x10, 0x44, 0x00, 0x05, 0x89,  // page top
                                  0x1F, 0x46, 0x01,              // table auto
                                  0x10, 0x41, 0x00,              // line feed 1/6 inch
                                  0x10, 0x42, 0x00,              // direction
                                  0x10, 0x45, 0xFF,              // page length
                                  0x1F, 0x71, 0x00, 0x05,        // left space
                                  0x10, 0x48, 0x05,              // compression auto
                                  0x10, 0x43}));
  EXPECT_EQ(encoded.bytes.size(), 30u);

  // A bad value late in the order drops everything appended before it.
  all.leftSpaceValue = "x";
  encoded = EncodePanelCommands(all);
  EXPECT_STREQ(encoded.errorKey, "PO_GSTR_LEFT_SPACE_NUMBER_ERR");
  EXPECT_TRUE(encoded.bytes.empty());
  // The first bad value in the order is the one reported.
  all.pageTopMm = "500";
  EXPECT_STREQ(EncodePanelCommands(all).errorKey, "PO_GSTR_PAGETOP_NUMBER_OVER_ERR");
}

TEST(BidAndUserDefEncoding, ValuesLimitsAndOrder) {
  EXPECT_EQ(EncodeBidCommands({"16", 1}).bytes, (Bytes{0x1F, 0x42, 0x01, 0x10, 0x10, 0x43}));
  EXPECT_EQ(EncodeBidCommands({"0", 0}).bytes, (Bytes{0x1F, 0x42, 0x00, 0x00, 0x10, 0x43}));
  EXPECT_STREQ(EncodeBidCommands({"17", 0}).errorKey, "PO_GSTR_BID_NUMBER_OVER_ERR");
  EXPECT_STREQ(EncodeBidCommands({"", 0}).errorKey, "PO_GSTR_BID_NUMBER_ERR");
  EXPECT_STREQ(EncodeBidCommands({"18446744073709551632", 0}).errorKey,
               "PO_GSTR_BID_NUMBER_OVER_ERR");

  UserDefInput user;
  user.pageLength = true;
  user.pageLengthMm = "297";
  EXPECT_EQ(EncodeUserDefCommands(user).bytes, (Bytes{0x10, 0x47, 0x10, 0x71, 0x10, 0x43}));
  user.pageLengthMm = "5";
  EXPECT_EQ(EncodeUserDefCommands(user).bytes, (Bytes{0x10, 0x47, 0x00, 0x46, 0x10, 0x43}));
  user.pageLengthMm = "4623";
  EXPECT_EQ(EncodeUserDefCommands(user).bytes, (Bytes{0x10, 0x47, 0xFF, 0xF2, 0x10, 0x43}));
  // Dot counts beyond two bytes are refused instead of wrapped.
  for (const char* tooLong : {"4624", "65535", "99999999999"}) {
    Encoded refused = EncodeUserDefCommands(user = UserDefInput{true, tooLong, true, 3});
    EXPECT_STREQ(refused.errorKey, "PO_GSTR_USER_PAGE_LENGTH_OVER_ERR") << tooLong;
    EXPECT_TRUE(refused.bytes.empty());
  }
  user = UserDefInput{true, "12a", true, 3};
  EXPECT_STREQ(EncodeUserDefCommands(user).errorKey, "PO_GSTR_USER_PAGE_LENGTH_NUMBER_ERR");

  user = UserDefInput{false, "", true, 12};
  EXPECT_EQ(EncodeUserDefCommands(user).bytes, (Bytes{0x1F, 0x62, 0x0C, 0x10, 0x43}));
  user = UserDefInput{true, "297", true, 0};
  EXPECT_EQ(EncodeUserDefCommands(user).bytes,
            (Bytes{0x10, 0x47, 0x10, 0x71, 0x1F, 0x62, 0x00, 0x10, 0x43}));
  EXPECT_EQ(EncodeRestoreFactory().bytes, (Bytes{0x1F, 0x72, 0x10, 0x43}));
}

TEST(SerialEncoding, DefaultsAndAllChanged) {
  EXPECT_EQ(EncodeSerialCommand({1, 1, 0, 0, 0}).bytes, (Bytes{0x1F, 0x4B, 0x01, 0x01, 0x00, 0x00, 0x00}));
  EXPECT_EQ(EncodeSerialCommand({5, 0, 2, 1, 2}).bytes, (Bytes{0x1F, 0x4B, 0x05, 0x00, 0x02, 0x01, 0x02}));
}

TEST(EthernetEncoding, AddressMacDuplexAndDhcp) {
  EXPECT_EQ(EncodeAddressCommands({0xC0A80157, 0xFFFFFF00, 0xC0A80101}).bytes,
            (Bytes{0x1F, 0x69, 0xC0, 0xA8, 0x01, 0x57, 0x1F, 0x25, 0x00, 0xFF,
                   0xFF, 0xFF, 0x00, 0x1F, 0x25, 0x01, 0xC0, 0xA8, 0x01, 0x01}));
  EXPECT_EQ(CheckPrinterAddress(0xDF010101), AddressCheck::Ok);  // 223.1.1.1
  EXPECT_EQ(CheckPrinterAddress(0xE0000001), AddressCheck::InvalidFirstPart);
  EXPECT_EQ(CheckPrinterAddress(0), AddressCheck::InvalidFirstPart);
  EXPECT_EQ(CheckPrinterAddress(0x7F000001), AddressCheck::Loopback);
  // A refused first part sends nothing; the message names the part.
  const struct {
    uint32_t address;
    const char* key;
    const char* lead;
  } refused[] = {{0xE0000001, "PO_GSTR_INVALID_IP_FIRST_PART", "224"},
                 {0, "PO_GSTR_INVALID_IP_FIRST_PART", "0"},
                 {0x7F000001, "PO_GSTR_INVALID_IP_FIRST_PART_127", ""}};
  for (const auto& r : refused) {
    Encoded encoded = EncodeAddressCommands({r.address, 0xFFFFFF00, 0xC0A80101});
    EXPECT_STREQ(encoded.errorKey, r.key);
    EXPECT_EQ(encoded.errorLead, r.lead);
    EXPECT_TRUE(encoded.bytes.empty());
  }

  EXPECT_EQ(ReadMacField("255").value, 255u);
  EXPECT_EQ(ReadMacField("0").status, NumberStatus::Ok);
  for (const char* bad : {"256", "1234", "12x", "", "-1", " 1"}) {
    EXPECT_NE(ReadMacField(bad).status, NumberStatus::Ok) << '"' << bad << '"';
    MacInput mac;
    mac.parts[3] = bad;
    EXPECT_STREQ(EncodeMacCommand(mac).errorKey, "PO_GSTR_MAC_NUMBER_ERR") << '"' << bad << '"';
  }
  EXPECT_EQ(EncodeMacCommand({{"0", "17", "34", "170", "187", "255"}}).bytes,
            (Bytes{0x1F, 0x6D, 0x00, 0x11, 0x22, 0xAA, 0xBB, 0xFF}));

  // Every list item, and an index off the list as auto detect.
  const Bytes modes[6] = {{1, 1, 1}, {1, 1, 0}, {1, 0, 1}, {1, 0, 0}, {0, 0, 0}, {0, 0, 0}};
  for (int index = 0; index < 6; ++index) {
    EXPECT_EQ(EncodeDuplexCommand({index}).bytes, Join({{0x1F, 0x70}, modes[index]})) << index;
  }
  EXPECT_EQ(EncodeDhcpCommand({1}).bytes, (Bytes{0x1F, 0x62, 0x44, 0x01}));
  EXPECT_EQ(EncodeDhcpCommand({0}).bytes, (Bytes{0x1F, 0x62, 0x44, 0x00}));
  EXPECT_EQ(EncodeReadNetworkRequest().bytes, (Bytes{0x1F, 0x73}));
}

TEST(EthernetReply, DhcpAddressFormAndShortReplies) {
  auto parse = [](const std::string& text) {
    return ParseNetworkReply(reinterpret_cast<const unsigned char*>(text.data()), text.size());
  };
  EXPECT_TRUE(parse("dhcp").dhcp);
  EXPECT_TRUE(parse("DhCp-192.168.0.1").dhcp);
  EXPECT_FALSE(parse("DHC").dhcp);

  NetworkReply full = parse("192.168.0.20-9100-255.255.255.0-192.168.0.1");
  EXPECT_FALSE(full.dhcp);
  ASSERT_EQ(full.count, 4);
  EXPECT_EQ(full.pieces[0], "192.168.0.20");
  EXPECT_EQ(full.pieces[1], "9100");
  EXPECT_EQ(full.pieces[2], "255.255.255.0");
  EXPECT_EQ(full.pieces[3], "192.168.0.1");

  EXPECT_EQ(parse("192.168.0.20").count, 0);
  NetworkReply two = parse("10.0.0.1-9100-255.0.0.0");
  EXPECT_EQ(two.count, 2);
  EXPECT_EQ(two.pieces[1], "9100");
  // The gateway is everything after the third separator.
  EXPECT_EQ(parse("a-b-c-d-e").pieces[3], "d-e");

  // The text ends at the first zero byte, and never beyond the length given.
  const unsigned char withZero[] = {'1', '-', '2', '-', '3', '-', '4', 0, '-', 'x'};
  EXPECT_EQ(ParseNetworkReply(withZero, sizeof withZero).pieces[3], "4");
  EXPECT_EQ(ParseNetworkReply(withZero, 3).count, 1);

  uint32_t address = 0;
  EXPECT_TRUE(ParseDottedAddress("192.168.0.20", &address));
  EXPECT_EQ(address, 0xC0A80014u);
  for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1..2.3", "1.2.3.4 ", "a.b.c.d"}) {
    EXPECT_FALSE(ParseDottedAddress(bad, &address)) << bad;
  }
  for (const char* dotted : {"0.0.0.0", "192.168.0.20", "255.255.255.255", "10.0.0.1"}) {
    ASSERT_TRUE(ParseDottedAddress(dotted, &address)) << dotted;
    EXPECT_EQ(DottedAddress(address), dotted);
  }
}

TEST(WifiEncoding, OpenWpaWepAndLengthBounds) {
  WifiInput open;
  open.ssid = "shop";
  open.security = WifiSecurity::Open;
  EXPECT_EQ(EncodeWifiCommand(open).bytes, Join({{0x1F, 0x77, 0x04}, Text("shop"), {0, 0, 0, 0}}));

  WifiInput wpa;
  wpa.ssid = "shop";
  wpa.security = WifiSecurity::Wpa;
  wpa.wpaType = 1;
  wpa.pskKey = "12345678";
  wpa.mode = 1;
  Encoded encoded = EncodeWifiCommand(wpa);
  EXPECT_EQ(encoded.bytes, Join({{0x1F, 0x77, 0x04}, Text("shop"), {0x03, 0x01, 0x08},
                                 Text("12345678"), {0x01}}));
  EXPECT_EQ(encoded.bytes.size(), 19u);
  wpa.wpaType = 0;
  wpa.wpaCipher = 1;
  EXPECT_EQ(EncodeWifiCommand(wpa).bytes[7], 0x02);
  EXPECT_EQ(EncodeWifiCommand(wpa).bytes[8], 0x00);

  WifiInput wep;  // no choice ticked behaves as WEP
  wep.ssid = "shop";
  EXPECT_STREQ(EncodeWifiCommand(wep).errorKey, "PO_GSTR_WIFI_WEP_KEY_ERR");
  wep.wepKey = "abcde";
  wep.wepAuth = 1;
  EXPECT_EQ(EncodeWifiCommand(wep).bytes,
            Join({{0x1F, 0x77, 0x04}, Text("shop"), {0x01, 0x00, 0x05}, Text("abcde"), {0x00}}));
  wep.wepAuth = 0;
  EXPECT_EQ(EncodeWifiCommand(wep).bytes[7], 0x00);
  EXPECT_EQ(EncodeWifiCommand(wep).bytes[8], 0x01);

  WifiInput empty;
  empty.security = WifiSecurity::Open;
  EXPECT_STREQ(EncodeWifiCommand(empty).errorKey, "PO_GSTR_WIFI_SSID_EMPTY_ERR");
  wpa.pskKey.clear();
  EXPECT_STREQ(EncodeWifiCommand(wpa).errorKey, "PO_GSTR_WIFI_PSKKEY_ERR");

  // Length bytes are one byte wide and the command has 324 bytes of room.
  open.ssid.assign(255, 's');
  EXPECT_EQ(EncodeWifiCommand(open).bytes.size(), 262u);
  EXPECT_EQ(EncodeWifiCommand(open).bytes[2], 255);
  open.ssid.assign(256, 's');
  EXPECT_STREQ(EncodeWifiCommand(open).errorKey, "PO_GSTR_WIFI_SSID_TOO_LONG_ERR");
  wpa.ssid.assign(62, 's');
  wpa.pskKey.assign(255, 'k');
  EXPECT_EQ(EncodeWifiCommand(wpa).bytes.size(), 324u);  // 7 + 62 + 255
  wpa.ssid.assign(63, 's');
  EXPECT_STREQ(EncodeWifiCommand(wpa).errorKey, "PO_GSTR_WIFI_COMMAND_TOO_LONG_ERR");
  wpa.ssid = "s";
  wpa.pskKey.assign(256, 'k');
  EXPECT_STREQ(EncodeWifiCommand(wpa).errorKey, "PO_GSTR_WIFI_KEY_TOO_LONG_ERR");
  // The open choice ignores an over-long key.
  open.ssid = "s";
  open.pskKey.assign(1000, 'k');
  open.wepKey.assign(1000, 'k');
  EXPECT_TRUE(EncodeWifiCommand(open).Ok());
}

TEST(BluetoothEncoding, NamePinAndFixedLength) {
  Encoded defaults = EncodeBluetoothCommand("bluetooth", "5291", nullptr);
  Bytes expected = Join({{0x1F, 0x4A}, Text("bluetooth"), {0}, Text("5291")});
  expected.resize(32, 0);
  EXPECT_EQ(defaults.bytes, expected);

  Encoded longName = EncodeBluetoothCommand("abcdefghijklmnopqrst", "12345678901234", nullptr);
  ASSERT_EQ(longName.bytes.size(), 32u);
  EXPECT_EQ(Bytes(longName.bytes.begin() + 2, longName.bytes.begin() + 17), Text("abcdefghijklmno"));
  EXPECT_EQ(longName.bytes[17], 0);
  EXPECT_EQ(Bytes(longName.bytes.begin() + 18, longName.bytes.end()), Text("12345678901234"));

  Encoded shortPin = EncodeBluetoothCommand("a", "7", nullptr);
  Bytes shortExpected = Join({{0x1F, 0x4A, 'a', 0}, Text("0007")});
  shortExpected.resize(32, 0);
  EXPECT_EQ(shortPin.bytes, shortExpected);

  Encoded longPin = EncodeBluetoothCommand("a", "1234567890123456", nullptr);
  Bytes longPinExpected = Join({{0x1F, 0x4A, 'a', 0}, Text("12345678901234")});
  longPinExpected.resize(32, 0);
  EXPECT_EQ(longPin.bytes, longPinExpected);

  EXPECT_STREQ(EncodeBluetoothCommand("", "1", nullptr).errorKey,
               "PO_GSTR_BLUETOOTH_DEV_NAME_EMPTY_ERR");
  EXPECT_STREQ(EncodeBluetoothCommand("a", "", nullptr).errorKey, "PO_GSTR_BLUETOOTH_PIN_EMPTY_ERR");
  EXPECT_STREQ(EncodeBluetoothCommand("a", "12a4", nullptr).errorKey, "PO_GSTR_MQP_PIN_FORMAT_ERR");
}

TEST(BluetoothEncoding, NameCutKeepsDoubleByteCharactersWhole) {
  // Two two-byte characters: the whole name goes, not half of it.
  const std::string twoChars = "\xD6\xD0\xCE\xC4";
  Encoded encoded = EncodeBluetoothCommand(twoChars, "1234", Cp936Lead);
  EXPECT_EQ(Bytes(encoded.bytes.begin() + 2, encoded.bytes.begin() + 7),
            Join({Text(twoChars), {0}}));
  // "a" and eight two-byte characters (17 bytes): cut after 7 of them (15
  // bytes), not inside the eighth.
  std::string mixed = "a";
  for (int i = 0; i < 8; ++i) mixed += "\xD6\xD0";
  EXPECT_EQ(CutBluetoothName(mixed, Cp936Lead), mixed.substr(0, 15));
  // Eight two-byte characters (16 bytes): 7 fit (14 bytes); the PIN follows the zero.
  std::string eight;
  for (int i = 0; i < 8; ++i) eight += "\xD6\xD0";
  EXPECT_EQ(CutBluetoothName(eight, Cp936Lead).size(), 14u);
  encoded = EncodeBluetoothCommand(eight, "12345678901234", Cp936Lead);
  ASSERT_EQ(encoded.bytes.size(), 32u);
  EXPECT_EQ(encoded.bytes[16], 0);
  EXPECT_EQ(Bytes(encoded.bytes.begin() + 17, encoded.bytes.begin() + 31), Text("12345678901234"));
  // In a single-byte code page the same bytes are 16 characters: cut at 15.
  EXPECT_EQ(CutBluetoothName(eight, nullptr).size(), 15u);
}
