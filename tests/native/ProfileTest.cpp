// Profiles without a window: the round trip of a profile that uses every
// group, and the bad inputs that must refuse a profile whole, with the
// line that is wrong.
#include <gtest/gtest.h>

#include <string>

#include "settings/Profile.h"

namespace {

const char kEveryGroup[] =
    "[Panel]\n"
    "PinBroken = Enable, 13-24 Pin Broken\n"
    "PageTop = Rear, 100\n"
    "TableAuto = Enable\n"
    "LineSpacing = 1/8 inch\n"
    "PrintDirection = Undirectional\n"
    "PageLength = Enable, A4\n"
    "LeftSpace = Shift Right, 20\n"
    "Compression = Auto\n"
    "[BID]\nBID = Shift Left, 16\n"
    "[Ethernet]\nAddress = 192.168.1.87, 255.255.255.0, 192.168.1.1\n"
    "MAC = 0, 1, 2, 3, 4, 255\nDuplexMode = Auto Detect\n"
    "[WiFi]\nWiFi = \"shop, \"\"north\"\"\", AP, WPA2-PSK, AES, \"secret12\"\n"
    "[Bluetooth]\nBluetooth = \"till 1\", \"0042\"\n"
    "[Serial]\nSerial = 115200, 7 bits, Even, 2 bits, XON/XOFF\n"
    "[UserDefine]\nPageLength = 297\nLeftShift = 120\n";

profile::Profile MustParse(const std::string& text) {
  profile::Profile p;
  profile::Error e;
  EXPECT_TRUE(profile::Parse(text, {}, &p, &e)) << e.Text();
  return p;
}

TEST(Profile, FormatThenParseGivesTheSameFileAndTheSameBytes) {
  profile::Profile first = MustParse(kEveryGroup);
  std::string saved = profile::Format(first, true);
  profile::Profile second = MustParse(saved);
  EXPECT_EQ(profile::Format(second, true), saved);

  std::vector<profile::Send> a, b;
  profile::Error e;
  ASSERT_TRUE(profile::BuildSends(first, {}, ~0u, &a, &e)) << e.Text();
  ASSERT_TRUE(profile::BuildSends(second, {}, ~0u, &b, &e)) << e.Text();
  ASSERT_EQ(a.size(), 9u);  // Panel, BID, address, MAC, duplex, Wi-Fi, Bluetooth, Serial, User Define
  for (size_t i = 0; i < a.size(); ++i) EXPECT_EQ(a[i].bytes, b[i].bytes) << a[i].group;
  EXPECT_EQ(a[0].group, "Panel");
  EXPECT_EQ(a[8].group, "UserDefine");
}

TEST(Profile, SecretsAreWrittenOnlyWhenAskedFor) {
  std::string without = profile::Format(MustParse(kEveryGroup), false);
  EXPECT_EQ(without.find("secret12"), std::string::npos);
  EXPECT_EQ(without.find("0042"), std::string::npos);
  // Still a valid profile, but one that cannot be applied without its key.
  profile::Profile p = MustParse(without);
  std::vector<profile::Send> sends;
  profile::Error e;
  EXPECT_FALSE(profile::BuildSends(p, {}, ~0u, &sends, &e));
  EXPECT_NE(e.message.find("key"), std::string::npos);
  // --only leaves the pages that need them out.
  EXPECT_TRUE(profile::BuildSends(p, {}, 1u << profile::kPanel, &sends, &e)) << e.Text();
  EXPECT_EQ(sends.size(), 1u);
}

TEST(Profile, NamesAndListValuesIgnoreCaseAndSpaces) {
  profile::Profile p = MustParse("[panel]\n  pagetop=  rear ,  007 \n");
  EXPECT_TRUE(p.panel.pageTop);
  EXPECT_EQ(p.panel.pageTopSide, 1);
  EXPECT_EQ(p.panel.pageTopMm, "007");
}

struct BadCase {
  const char* name;
  std::string text;
  int line;
  const char* reason;  // part of the message
};

TEST(Profile, BadProfilesAreRefusedWithTheirLine) {
  const BadCase cases[] = {
      {"unknown section", "[Panel]\n[Printer]\n", 2, "unknown section"},
      {"unknown entry", "[Panel]\nPageTop = Rear, 1\nPageBottom = 1\n", 3, "unknown entry"},
      {"entry before any section", "PageTop = Rear, 1\n", 1, "before the first section"},
      {"not Name = value", "[Panel]\nPageTop\n", 2, "Name = value"},
      {"value not in list", "[Panel]\nLineSpacing = 1/7 inch\n", 2, "is not one of"},
      {"missing value", "[BID]\nBID =\n", 2, "missing"},
      {"missing field", "[BID]\nBID = Shift Left\n", 2, "expected 2"},
      {"empty field", "[Ethernet]\nMAC = 1,,3,4,5,6\n", 2, "missing"},
      {"duplicate entry", "[BID]\nBID = Shift Left, 1\nbid = Shift Left, 2\n", 3, "twice"},
      {"duplicate section", "[BID]\n[Serial]\n[BID]\n", 3, "twice"},
      {"number over the page limit", "[Panel]\nPageTop = Rear, 101\n", 2, "100"},
      {"not a number", "[UserDefine]\nPageLength = 12a\n", 2, "number"},
      {"BID over 16", "[BID]\nBID = Shift Left, 17\n", 2, ""},
      {"MAC part over 255", "[Ethernet]\nMAC = 0, 0, 0, 0, 0, 256\n", 2, "MAC"},
      {"loopback printer address", "[Ethernet]\nAddress = 127.0.0.1, 255.0.0.0, 127.0.0.1\n", 2, "127"},
      {"malformed address", "[Ethernet]\nAddress = 192.168.1, 255.255.255.0, 192.168.1.1\n", 2, "IPv4"},
      {"both modes", "[Ethernet]\nAddress = 10.0.0.2, 255.0.0.0, 10.0.0.1\nDHCP = Enable\n", 3, "exclude"},
      {"empty SSID", "[WiFi]\nWiFi = \"\", STA, Open\n", 2, "SSID"},
      {"SSID over 255 bytes", "[WiFi]\nWiFi = \"" + std::string(256, 's') + "\", STA, Open\n", 2, "255"},
      {"letters in the PIN", "[Bluetooth]\nBluetooth = \"till\", \"12a4\"\n", 2, "digits"},
      // The page cuts these; a profile is refused instead.
      {"name over 15 bytes", "[Bluetooth]\nBluetooth = \"abcdefghijklmnop\", \"1\"\n", 2, "16 bytes"},
      {"PIN over 14 digits", "[Bluetooth]\nBluetooth = \"till\", \"123456789012345\"\n", 2, "at most 14"},
      {"unclosed quote", "[Bluetooth]\nBluetooth = \"till\n", 2, "quote"},
      {"bad UTF-8", "[Bluetooth]\nBluetooth = \"t\xC3\x28ll\"\n", 2, "UTF-8"},
      {"overlong UTF-8", "[Bluetooth]\nBluetooth = \"\xC0\xAF\"\n", 2, "UTF-8"},
      {"binary file", std::string("\x7F" "ELF\x02\x01\x01\0\0\0", 10), 1, "not a text file"},
      {"too large", std::string(profile::kMaxProfileBytes + 1, ';'), 0, "larger"},
  };
  for (const BadCase& c : cases) {
    profile::Profile p;
    profile::Error e;
    EXPECT_FALSE(profile::Parse(c.text, {}, &p, &e)) << c.name;
    EXPECT_EQ(e.line, c.line) << c.name << ": " << e.Text();
    EXPECT_NE(e.message.find(c.reason), std::string::npos) << c.name << ": " << e.Text();
  }
}

// A stand-in code page: ASCII and "é" (byte 0xE9).
bool ToFakeAnsi(const std::string& utf8, std::string* out) {
  std::string bytes;
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (utf8.compare(i, 2, "é") == 0) {
      bytes += '\xE9';
      ++i;
    } else if (static_cast<unsigned char>(utf8[i]) < 0x80) {
      bytes += utf8[i];
    } else {
      return false;
    }
  }
  *out = bytes;
  return true;
}
const profile::TextCodec kFakeCodec = {&ToFakeAnsi, nullptr, 1252};

TEST(Profile, TextTheCodePageCannotCarryIsRefusedWithItsLine) {
  profile::Profile p;
  profile::Error e;
  EXPECT_FALSE(profile::Parse("[WiFi]\n\nWiFi = \"café-北京\", STA, Open\n", kFakeCodec, &p, &e));
  EXPECT_EQ(e.Text(), "line 3: the SSID \"café-北京\" has characters the system code page (1252) cannot send");
  // A name's length counts bytes of the code page: eight "é" are 16 bytes of UTF-8.
  ASSERT_TRUE(profile::Parse("[WiFi]\nWiFi = \"café\", STA, Open\n[Bluetooth]\nBluetooth = \"éééééééé\", \"1\"\n",
                             kFakeCodec, &p, &e)) << e.Text();
  std::vector<profile::Send> sends;
  ASSERT_TRUE(profile::BuildSends(p, kFakeCodec, ~0u, &sends, &e)) << e.Text();
  EXPECT_EQ(sends[0].bytes, (std::vector<unsigned char>{0x1F, 0x77, 4, 'c', 'a', 'f', 0xE9, 0, 0, 0, 0}));
  EXPECT_EQ(sends[1].bytes[9], 0xE9);
}

// Wherever a Wi-Fi or Bluetooth line goes wrong, the key and the PIN stay
// out of the message; a value out of its place shows as one "**" a byte.
TEST(Profile, NoErrorShowsTheKeyOrThePin) {
  const std::string wifi = "[WiFi]\nWiFi = \"shop\", ", bt = "[Bluetooth]\nBluetooth = \"till\", ";
  const std::string masked[] = {wifi + "\"secret12\", Open\n", wifi + "AP, \"secret12\"\n",
                                wifi + "AP, WEP, \"secret12\"\n", wifi + "AP, WPA-PSK, \"secret12\"\n",
                                "[WiFi]\nsecret12 = 1\n", "[Bluetooth]\nsecret12 =\n"};
  const std::string leftOut[] = {wifi + "AP, Open, \"secret12\"\n", wifi + "AP, WEP, OPEN, \"secret12é北\"\n",
                                  wifi + "AP, WEP, OPEN, \"secret12" + std::string(250, 'x') + "\"\n",
                                  bt + "\"secret12\"\n", bt + "\"secret12北\"\n", bt + "\"123456789012345\"\n"};
  for (const std::string& text : masked) {
    profile::Profile p;
    profile::Error e;
    ASSERT_FALSE(profile::Parse(text, kFakeCodec, &p, &e)) << text;
    EXPECT_NE(e.Text().find("line 2: "), std::string::npos) << e.Text();
    EXPECT_NE(e.message.find("\"****************\""), std::string::npos) << e.Text();
    EXPECT_EQ(e.message.find("secret"), std::string::npos) << e.Text();
  }
  for (const std::string& text : leftOut) {
    profile::Profile p;
    profile::Error e;
    ASSERT_FALSE(profile::Parse(text, kFakeCodec, &p, &e)) << text;
    EXPECT_EQ(e.line, 2) << e.Text();
    for (const char* secret : {"secret", "12345", "xxxx"}) EXPECT_EQ(e.message.find(secret), std::string::npos) << e.Text();
  }
}

}  // namespace
