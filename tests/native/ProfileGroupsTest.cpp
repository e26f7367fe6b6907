// The table of setting groups behind profiles: every group written and read
// back, values given from outside the file, the entries profiles know, what
// each send says about itself, and the other spellings list values accept.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/Profile.h"

namespace {

const std::string kHeader = "; Setwright profile (UTF-8)\n";

std::vector<profile::Send> SendsOf(const profile::Profile& p) {
  std::vector<profile::Send> sends;
  profile::Error e;
  EXPECT_TRUE(profile::BuildSends(p, {}, ~0u, &sends, &e)) << e.Text();
  return sends;
}

// Each row a profile as Format writes it: reading it and writing it again
// gives the same text, and the bytes of what was read and of what was
// written back are the same.
struct RoundTrip {
  profile::Group group;
  std::string text;
};

const RoundTrip kRoundTrips[] = {
    {profile::kPanelGroup,
     "\n[Panel]\nPinBroken = Enable, 1-12 Pin Broken\nPageTop = Front, 0\nTableAuto = Disable\n"
     "LineSpacing = 1/12 inch\nPrintDirection = Bindirectional\nPageLength = Disable, 3 inch\n"
     "LeftSpace = Shift Left, 60\nCompression = 50%\n"},
    {profile::kPanelGroup, "\n[Panel]\nPageTop = Rear, 007\n"},
    {profile::kBidGroup, "\n[BID]\nBID = Shift Right, 0\n"},
    {profile::kAddressGroup, "\n[Ethernet]\nAddress = 223.1.1.1, 255.255.0.0, 0.0.0.0\n"},
    {profile::kDhcpGroup, "\n[Ethernet]\nDHCP = Disable\n"},
    {profile::kMacGroup, "\n[Ethernet]\nMAC = 255, 0, 01, 2, 3, 4\n"},
    {profile::kDuplexGroup, "\n[Ethernet]\nDuplexMode = 100Mbps Full Duplex\n"},
    {profile::kWifiGroup, "\n[WiFi]\nWiFi = \"guest\", STA, Open\n"},
    {profile::kWifiGroup, "\n[WiFi]\nWiFi = \"a, \"\"b\"\"\", AP, WEP, SHARE, \"k,1\"\n"},
    {profile::kWifiGroup, "\n[WiFi]\nWiFi = \" x \", STA, WPA-PSK, TPIK, \"12345678\"\n"},
    {profile::kWifiGroup, "\n[WiFi]\nWiFi = \"shop\", STA, WPA2-PSK, AES\n"},  // saved without its key
    {profile::kBluetoothGroup, "\n[Bluetooth]\nBluetooth = \"name of fifteen\", \"12345678901234\"\n"},
    {profile::kBluetoothGroup, "\n[Bluetooth]\nBluetooth = \"till\"\n"},
    {profile::kSerialGroup, "\n[Serial]\nSerial = 4800, 7 bits, Odd, 2 bits, Hardware\n"},
    {profile::kUserDefineGroup, "\n[UserDefine]\nPageLength = 4623\nLeftShift = 0\n"},
    {profile::kUserDefineGroup, "\n[UserDefine]\nLeftShift = 120\n"},
};

TEST(ProfileGroups, EveryGroupReadsBackAsItWasWritten) {
  for (const RoundTrip& row : kRoundTrips) {
    SCOPED_TRACE(row.text);
    profile::Profile first, second;
    profile::Error e;
    ASSERT_TRUE(profile::Parse(kHeader + row.text, {}, &first, &e)) << e.Text();
    EXPECT_TRUE(profile::IsGiven(first, row.group));
    const std::string written = profile::Format(first, true);
    EXPECT_EQ(written, kHeader + row.text);
    ASSERT_TRUE(profile::Parse(written, {}, &second, &e)) << e.Text();
    EXPECT_EQ(profile::Format(second, true), written);
    std::vector<profile::Send> a, b;
    const bool held = profile::BuildSends(first, {}, ~0u, &a, &e);
    EXPECT_EQ(profile::BuildSends(second, {}, ~0u, &b, &e), held);
    if (!held) continue;  // a key or PIN left out: checked, not applied
    ASSERT_EQ(a.size(), 1u);
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(a[0].bytes, b[0].bytes);
    EXPECT_EQ(a[0].values, b[0].values);
    EXPECT_EQ(a[0].line, 4);  // the header, a blank line, the section
  }
}

// A profile made by the pages (no lines) writes what a file would hold.
TEST(ProfileGroups, AProfileFromThePagesIsWrittenAndReadBack) {
  profile::Profile pages;
  pages.given[profile::kWifiGroup] = pages.secretHeld[profile::kWifiGroup] = true;
  pages.wifi.ssid = "caf\xC3\xA9";
  pages.wifi.security = commands::WifiSecurity::Wpa;
  pages.wifi.wpaType = 1;
  pages.wifi.pskKey = "k\"ey";
  pages.given[profile::kAddressGroup] = true;
  pages.address.address = 0x0A000002;
  pages.userDef.leftShift = true;
  pages.userDef.leftShiftIndex = 3;
  const std::string text = profile::Format(pages, true);
  EXPECT_EQ(text, kHeader + "\n[Ethernet]\nAddress = 10.0.0.2, 255.255.255.0, 192.168.1.1\n"
                            "\n[WiFi]\nWiFi = \"caf\xC3\xA9\", STA, WPA2-PSK, AES, \"k\"\"ey\"\n"
                            "\n[UserDefine]\nLeftShift = 30\n");
  profile::Profile read;
  profile::Error e;
  ASSERT_TRUE(profile::Parse(text, {}, &read, &e)) << e.Text();
  const std::vector<profile::Send> made = SendsOf(pages), back = SendsOf(read);
  ASSERT_EQ(made.size(), 3u);
  ASSERT_EQ(back.size(), 3u);
  for (size_t i = 0; i < made.size(); ++i) EXPECT_EQ(made[i].bytes, back[i].bytes) << made[i].group;
}

// ---------------------------------------------------------------------------
// Overrides.

struct OverrideCase {
  const char* name;
  std::string file;
  std::vector<profile::Override> overrides;
  const char* result;  // the profile as Format writes it (without the header), or the error's text
};

const std::string kBase =
    "[BID]\nBID = Shift Left, 1\n[Ethernet]\nAddress = 10.0.0.2, 255.0.0.0, 10.0.0.1\n"
    "[WiFi]\nWiFi = \"shop\", STA, WPA-PSK, AES, \"secret12\"\n";

const OverrideCase kOverrides[] = {
    {"replaces the file's entry", kBase, {{"Ethernet", "Address", "10.0.0.3, 255.0.0.0, 10.0.0.1", "row 2, column 1"}},
     "\n[BID]\nBID = Shift Left, 1\n\n[Ethernet]\nAddress = 10.0.0.3, 255.0.0.0, 10.0.0.1\n"
     "\n[WiFi]\nWiFi = \"shop\", STA, WPA-PSK, AES, \"secret12\"\n"},
    {"adds an entry and a section, names in any case", "[BID]\nBID = Shift Left, 1\n",
     {{"ethernet", "mac", "1,2,3,4,5,6", "r1"}, {"SERIAL", "Serial", "9600, 8 bits, None, 1 bit, None", "r2"}},
     "\n[BID]\nBID = Shift Left, 1\n\n[Ethernet]\nMAC = 1, 2, 3, 4, 5, 6\n"
     "\n[Serial]\nSerial = 9600, 8 bits, None, 1 bit, None\n"},
    {"a WiFi entry without its key drops the file's key", kBase, {{"WiFi", "WiFi", "\"back\", AP, Open", "r"}},
     "\n[BID]\nBID = Shift Left, 1\n\n[Ethernet]\nAddress = 10.0.0.2, 255.0.0.0, 10.0.0.1\n"
     "\n[WiFi]\nWiFi = \"back\", AP, Open\n"},
    {"a value out of range", kBase, {{"BID", "BID", "Shift Left, 17", "row 5, column BID.BID"}},
     "row 5, column BID.BID: BID value must not be more than 16"},
    {"a value not in its list", kBase, {{"Serial", "Serial", "300, 8 bits, None, 1 bit, None", "row 3"}},
     "row 3: Serial: \"300\" is not one of: 4800, 9600, 19200, 38400, 57600, 115200"},
    {"an unknown section", kBase, {{"Printer", "Name", "x", "row 2, column Printer.Name"}},
     "row 2, column Printer.Name: unknown section [Printer] (known: Panel, BID, Ethernet, WiFi, Bluetooth, "
     "Serial, UserDefine)"},
    {"an unknown entry", kBase, {{"Ethernet", "Port", "9100", "c"}}, "c: unknown entry \"Port\" in [Ethernet]"},
    {"an empty value", kBase, {{"BID", "BID", " ", "c"}}, "c: BID: the value is missing"},
    {"the same entry twice", kBase, {{"BID", "BID", "Shift Left, 2", "a"}, {"BID", "bid", "Shift Left, 3", "b"}},
     "b: entry bid is given twice in [BID]"},
    {"DHCP beside the file's address", kBase, {{"Ethernet", "DHCP", "Enable", "row 4, column Ethernet.DHCP"}},
     "row 4, column Ethernet.DHCP: Address and DHCP exclude each other (the page is in one mode)"},
    {"an address beside the file's DHCP", "[Ethernet]\nDHCP = Enable\n",
     {{"Ethernet", "Address", "10.0.0.3, 255.0.0.0, 10.0.0.1", "row 6, column Ethernet.Address"}},
     "row 6, column Ethernet.Address: Address and DHCP exclude each other (the page is in one mode)"},
    {"an address the printer refuses", "", {{"Ethernet", "Address", "127.0.0.9, 255.0.0.0, 10.0.0.1", "o"}},
     "o: Address: the first part must not be 127"},
    {"a key out of its place stays hidden", kBase, {{"WiFi", "WiFi", "\"shop\", \"secret12\", Open", "o"}},
     "o: WiFi: \"****************\" is not one of: STA, AP"},
    {"a PIN the code page cannot carry", "", {{"Bluetooth", "Bluetooth", "\"till\", \"12\xC3\xA9\"", "o"}},
     "o: the Bluetooth PIN has characters the system code page (1252) cannot send"},
};

// A stand-in code page: ASCII only.
bool ToAscii(const std::string& utf8, std::string* out) {
  for (unsigned char c : utf8) {
    if (c >= 0x80) return false;
  }
  *out = utf8;
  return true;
}

TEST(ProfileOverrides, ReplaceOrAddEntriesUnderTheFilesRulesAndNameTheirOrigin) {
  const profile::TextCodec ascii = {&ToAscii, nullptr, 1252};
  for (const OverrideCase& c : kOverrides) {
    SCOPED_TRACE(c.name);
    profile::Profile p;
    profile::Error e;
    if (profile::Parse(c.file, ascii, c.overrides, &p, &e)) {
      EXPECT_EQ(profile::Format(p, true), kHeader + c.result);
    } else {
      EXPECT_EQ(e.Text(), c.result);
      EXPECT_EQ(e.line, 0);
    }
  }
}

TEST(ProfileOverrides, SendsTellWhichGroupsAnOverrideGave) {
  profile::Profile p;
  profile::Error e;
  ASSERT_TRUE(profile::Parse("[Panel]\nTableAuto = Enable\n[BID]\nBID = Shift Left, 1\n", {},
                             {{"Panel", "Compression", "Auto", "o1"}, {"Ethernet", "MAC", "1,2,3,4,5,6", "o2"}}, &p,
                             &e))
      << e.Text();
  const std::vector<profile::Send> sends = SendsOf(p);
  ASSERT_EQ(sends.size(), 3u);
  EXPECT_EQ(sends[0].group, "Panel");
  EXPECT_TRUE(sends[0].fromOverride);
  EXPECT_EQ(sends[0].line, 2);
  EXPECT_EQ(sends[0].values, "TableAuto = Enable; Compression = Auto");
  EXPECT_FALSE(sends[1].fromOverride);
  EXPECT_TRUE(sends[2].fromOverride);
  EXPECT_EQ(sends[2].line, 0);
}

// ---------------------------------------------------------------------------
// What profiles know, and what a send says about itself.

TEST(ProfileGroups, KnownEntriesIgnoreCase) {
  const struct {
    const char* section;
    const char* entry;
    bool known;
  } rows[] = {{"Ethernet", "Address", true}, {"ethernet", "address", true}, {"ETHERNET", "MAC", true},
              {"Panel", "PageLength", true}, {"UserDefine", "PageLength", true}, {"UserDefine", "LeftShift", true},
              {"WiFi", "WiFi", true},        {"Bluetooth", "Bluetooth", true},  {"Serial", "Serial", true},
              {"BID", "BID", true},          {"Ethernet", "Port", false},       {"Panel", "LeftShift", false},
              {"Printer", "Address", false}, {"Ethernet.Address", "", false},   {"", "", false}};
  for (const auto& row : rows) {
    EXPECT_EQ(profile::IsKnownEntry(row.section, row.entry), row.known) << row.section << "." << row.entry;
  }
}

TEST(ProfileGroups, EachSendCarriesItsGroupsTraits) {
  const std::string every =
      "[Panel]\nCompression = Off\n[BID]\nBID = Shift Left, 1\n"
      "[Ethernet]\nAddress = 10.0.0.2, 255.0.0.0, 10.0.0.1\nMAC = 0, 1, 2, 3, 4, 5\nDuplexMode = Auto Detect\n"
      "[WiFi]\nWiFi = \"shop\", STA, WEP, OPEN, \"k3y\"\n[Bluetooth]\nBluetooth = \"till\", \"1234\"\n"
      "[Serial]\nSerial = 9600, 8 bits, None, 1 bit, None\n[UserDefine]\nLeftShift = 10\n";
  const struct {
    const char* group;
    profile::Page page;
    bool perPrinter;
    profile::Reach reach;
    const char* values;
  } expected[] = {
      {"Panel", profile::kPanel, false, profile::Reach::None, "Compression = Off"},
      {"BID", profile::kBid, false, profile::Reach::None, "BID = Shift Left, 1"},
      {"Ethernet.Address", profile::kEthernet, true, profile::Reach::Network,
       "Address = 10.0.0.2, 255.0.0.0, 10.0.0.1"},
      {"Ethernet.MAC", profile::kEthernet, true, profile::Reach::None, "MAC = 0, 1, 2, 3, 4, 5"},
      {"Ethernet.DuplexMode", profile::kEthernet, false, profile::Reach::None, "DuplexMode = Auto Detect"},
      {"WiFi", profile::kWifi, false, profile::Reach::Network, "WiFi = \"shop\", STA, WEP, OPEN, \"******\""},
      {"Bluetooth", profile::kBluetooth, false, profile::Reach::None, "Bluetooth = \"till\", \"********\""},
      {"Serial", profile::kSerial, false, profile::Reach::Serial, "Serial = 9600, 8 bits, None, 1 bit, None"},
      {"UserDefine", profile::kUserDefine, false, profile::Reach::None, "LeftShift = 10"},
  };
  profile::Profile p;
  profile::Error e;
  ASSERT_TRUE(profile::Parse(every, {}, &p, &e)) << e.Text();
  std::vector<profile::Send> sends = SendsOf(p);
  ASSERT_EQ(sends.size(), sizeof(expected) / sizeof(expected[0]));
  for (size_t i = 0; i < sends.size(); ++i) {
    SCOPED_TRACE(expected[i].group);
    EXPECT_EQ(sends[i].group, expected[i].group);
    EXPECT_EQ(sends[i].page, expected[i].page);
    EXPECT_EQ(sends[i].perPrinter, expected[i].perPrinter);
    EXPECT_EQ(sends[i].reach, expected[i].reach);
    EXPECT_EQ(sends[i].values, expected[i].values);
    EXPECT_FALSE(sends[i].fromOverride);
  }
  // DHCP changes how the printer is reached too.
  ASSERT_TRUE(profile::Parse("[Ethernet]\nDHCP = Enable\n", {}, &p, &e)) << e.Text();
  sends = SendsOf(p);
  ASSERT_EQ(sends.size(), 1u);
  EXPECT_EQ(sends[0].group, "Ethernet.DHCP");
  EXPECT_EQ(sends[0].reach, profile::Reach::Network);
  EXPECT_FALSE(sends[0].perPrinter);
}

// ---------------------------------------------------------------------------
// Other spellings.

TEST(ProfileGroups, CorrectSpellingsOfMisspeltListTextsAreAcceptedAndThePagesTextWritten) {
  const struct {
    const char* given;
    const char* written;
    unsigned char code;
  } rows[] = {{"Bidirectional", "Bindirectional", 0}, {"bidirectional", "Bindirectional", 0},
              {"Bindirectional", "Bindirectional", 0}, {"Unidirectional", "Undirectional", 1},
              {"UNIDIRECTIONAL", "Undirectional", 1}, {"Undirectional", "Undirectional", 1}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.given);
    profile::Profile p;
    profile::Error e;
    ASSERT_TRUE(profile::Parse(std::string("[Panel]\nPrintDirection = ") + row.given + "\n", {}, &p, &e))
        << e.Text();
    EXPECT_EQ(profile::Format(p, false), kHeader + "\n[Panel]\nPrintDirection = " + row.written + "\n");
    EXPECT_EQ(SendsOf(p)[0].bytes, (std::vector<unsigned char>{0x10, 0x42, row.code, 0x10, 0x43}));
  }
  // The refusal lists the page's texts.
  profile::Profile p;
  profile::Error e;
  EXPECT_FALSE(profile::Parse("[Panel]\nPrintDirection = Sideways\n", {}, &p, &e));
  EXPECT_EQ(e.Text(), "line 2: PrintDirection: \"Sideways\" is not one of: Bindirectional, Undirectional");
}

}  // namespace
