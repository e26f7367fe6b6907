// The platform-free parts of Setwright, built natively: the port and device
// name rules, number parsing and announcement decoding.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "common/Numbers.h"
#include "transport/Announcement.h"
#include "transport/PortNames.h"
#include "cmd/Csv.h"
#include "cmd/TargetRows.h"
#include "cmd/TargetText.h"

TEST(PortName, DropsExactlyOneTrailingColon) {
  wchar_t out[kPortNameChars];
  EXPECT_TRUE(TrimPortName(L"COM3:", out, kPortNameChars));
  EXPECT_STREQ(out, L"COM3");
  EXPECT_TRUE(TrimPortName(L"COM3", out, kPortNameChars));
  EXPECT_STREQ(out, L"COM3");
  EXPECT_TRUE(TrimPortName(L"LPT1::", out, kPortNameChars));
  EXPECT_STREQ(out, L"LPT1:");
  EXPECT_TRUE(TrimPortName(L":", out, kPortNameChars));
  EXPECT_STREQ(out, L"");
}

TEST(PortName, LongestNamesFitAndLongerOnesAreRefusedWhole) {
  wchar_t out[kPortNameChars];
  const std::wstring longest(31, L'P');
  EXPECT_TRUE(TrimPortName(longest.c_str(), out, kPortNameChars));
  EXPECT_EQ(std::wstring(out), longest);
  EXPECT_TRUE(TrimPortName((longest + L":").c_str(), out, kPortNameChars));
  EXPECT_EQ(std::wstring(out), longest);
  for (const std::wstring& name : {longest + L"P", longest + L"P:", std::wstring(259, L'X')}) {
    wmemset(out, L'#', kPortNameChars);
    EXPECT_FALSE(TrimPortName(name.c_str(), out, kPortNameChars));
    EXPECT_STREQ(out, L"");
  }
  EXPECT_FALSE(TrimPortName(nullptr, out, kPortNameChars));
}

TEST(PortName, SerialPathTakesNamesUpTo27Characters) {
  wchar_t path[kPortNameChars];
  EXPECT_TRUE(JoinText(L"\\\\.\\", L"COM3", path, kPortNameChars));
  EXPECT_STREQ(path, L"\\\\.\\COM3");
  EXPECT_TRUE(JoinText(L"\\\\.\\", std::wstring(27, L'C').c_str(), path, kPortNameChars));
  EXPECT_FALSE(JoinText(L"\\\\.\\", std::wstring(28, L'C').c_str(), path, kPortNameChars));
  EXPECT_STREQ(path, L"");
}

namespace {

const unsigned char kLocal[4] = {192, 168, 1, 20};

// marker + MAC + 4 skipped bytes + two addresses
std::string Announcement(const std::string& before = "") {
  std::string datagram = before + "KVFOUND";
  datagram += std::string("\x00\x1B\x2C\x00\x4D\x5E", 6);
  datagram += std::string("\x01\x02\x03\x04", 4);
  datagram += std::string("\x0A\x00\x00\x05", 4);
  datagram += std::string("\xC0\xA8\x00\x01", 4);
  return datagram;
}

bool Decode(const std::string& datagram, FoundPrinter* out) {
  return DecodeAnnouncement(reinterpret_cast<const unsigned char*>(datagram.data()),
                            datagram.size(), kLocal, out);
}

}  // namespace

TEST(Announcement, DecodesAddressesWithZeroBytesAndTheRawMac) {
  for (const std::string& before : {std::string(), std::string("hdr:")}) {
    FoundPrinter found;
    memset(&found, 0x55, sizeof(found));
    ASSERT_TRUE(Decode(Announcement(before), &found));
    EXPECT_STREQ(found.senderAddress, "192.168.1.20");
    EXPECT_STREQ(found.firstAddress, "10.0.0.5");
    EXPECT_STREQ(found.secondAddress, "192.168.0.1");
    EXPECT_EQ(memcmp(found.mac, "\x00\x1B\x2C\x00\x4D\x5E", 6), 0);
    for (size_t i = 6; i < sizeof(found.mac); ++i) ASSERT_EQ(found.mac[i], 0);
    EXPECT_EQ(found.firstAddress[8], 0);
    EXPECT_EQ(found.firstAddress[63], 0);
  }
}

TEST(Announcement, ZeroByteBeforeTheMarkerHidesIt) {
  FoundPrinter found;
  EXPECT_FALSE(Decode(Announcement(std::string("ab\0", 3)), &found));
  EXPECT_FALSE(Decode(std::string("KVFOUN"), &found));
  EXPECT_FALSE(Decode(std::string("KVFOUNd") + std::string(20, 'x'), &found));
  EXPECT_FALSE(Decode(std::string(), &found));
}

TEST(Announcement, MarkerNearTheEndReadsTheMissingBytesAsZero) {
  // A full 520-byte datagram with no terminator and the marker in its last bytes.
  std::string datagram(kAnnouncementDatagramBytes - 9, 'x');
  datagram += "KVFOUND";
  datagram += "\x11\x22";
  ASSERT_EQ(datagram.size(), kAnnouncementDatagramBytes);
  FoundPrinter found;
  ASSERT_TRUE(Decode(datagram, &found));
  EXPECT_EQ(memcmp(found.mac, "\x11\x22\0\0\0\0", 6), 0);
  EXPECT_STREQ(found.firstAddress, "0.0.0.0");
  EXPECT_STREQ(found.secondAddress, "0.0.0.0");

  // The marker cut by the end of the datagram is no marker.
  EXPECT_FALSE(Decode(std::string(kAnnouncementDatagramBytes - 3, 'x') + "KVF", &found));
}

TEST(Announcement, EveryPrefixOfADatagramDecodesSafely) {
  // Each shorter receive of the same bytes either decodes or is skipped,
  // never reading past what was received.
  const std::string full = Announcement("zz");
  for (size_t length = 0; length <= full.size(); ++length) {
    std::unique_ptr<unsigned char[]> exact(new unsigned char[length + 1]);
    memcpy(exact.get(), full.data(), length);
    FoundPrinter found;
    const bool decoded = DecodeAnnouncement(exact.get(), length, kLocal, &found);
    EXPECT_EQ(decoded, length >= 9) << length;
  }
}

TEST(PortEntries, InterfacePortsReplaceTheSpoolersComPorts) {
  std::vector<std::wstring> entries =
      BuildPortEntries({L"COM10", L"COM3"}, {L"LPT1:", L"COM1:", L"FILE:"});
  EXPECT_EQ(entries, (std::vector<std::wstring>{L"COM10:", L"COM3:", L"LPT1:", L"Ethernet"}));

  entries = BuildPortEntries({}, {L"COM1:", L"COM2:", L"LPT1:", L"nul:", L"COM"});
  EXPECT_EQ(entries, (std::vector<std::wstring>{L"LPT1:", L"COM1:", L"COM2:", L"Ethernet"}));

  // No spooler ports: interface ports are not listed, only the network entry.
  EXPECT_EQ(BuildPortEntries({L"COM3"}, {}), (std::vector<std::wstring>{L"Ethernet"}));
}

TEST(PortEntries, NameRulesAndFriendlyNames) {
  EXPECT_TRUE(IsComPortName(L"com12:"));
  EXPECT_FALSE(IsComPortName(L"COM3"));
  EXPECT_FALSE(IsComPortName(L""));
  EXPECT_TRUE(IsLptPortName(L"LPT1:"));
  EXPECT_FALSE(IsLptPortName(L"FILE:"));
  EXPECT_EQ(ComPortFromFriendlyName(L"USB Serial Port (COM3)"), L"COM3");
  EXPECT_EQ(ComPortFromFriendlyName(L"modem on com12 line"), L"com12");
  EXPECT_EQ(ComPortFromFriendlyName(L"Printer port"), L"");
}

TEST(UsbPath, SupportedPrinterIsRecognisedByOneConsistentCase) {
  EXPECT_EQ(IsSupportedUsbPath(L"\\\\?\\usb#vid_0fe6&pid_811e#5&1a2b#{a5dcbf10-6530}"), 1);
  EXPECT_EQ(IsSupportedUsbPath(L"\\\\?\\USB#VID_0FE6&PID_811E#5&1A2B"), 1);
  EXPECT_EQ(IsSupportedUsbPath(L"\\\\?\\USB#VID_0FE6&pid_811e#5"), 0);
  EXPECT_EQ(IsSupportedUsbPath(L"\\\\?\\usb#vid_0fe6&PID_811E#5"), 0);
  EXPECT_EQ(IsSupportedUsbPath(L"\\\\?\\usb#Vid_0fe6&Pid_811e#5"), 0);
  EXPECT_EQ(IsSupportedUsbPath(L"\\\\?\\usb#vid_0fe6&pid_8110#5"), 0);
  EXPECT_EQ(IsSupportedUsbPath(L"pid_811e vid_0fe6"), 1);  // order does not matter
  EXPECT_EQ(IsSupportedUsbPath(L""), 0);
  EXPECT_EQ(IsSupportedUsbPath(nullptr), 0);
}

TEST(Numbers, DecimalTextLikeTheRuntimesWtoi) {
  EXPECT_EQ(ParseDecimal(L"  -12x"), -12);
  EXPECT_EQ(ParseDecimal(L"+7"), 7);
  EXPECT_EQ(ParseDecimal(L"abc"), 0);
  EXPECT_EQ(ParseDecimal(nullptr), 0);
  EXPECT_EQ(ParseDecimal(L"99999999999999"), 2147483647);
  EXPECT_EQ(ParseDecimal(L"-99999999999999"), -2147483647 - 1);
}

TEST(Numbers, DigitsUpToALimit) {
  unsigned value = 77;
  EXPECT_TRUE(ParseDigits(L"999999", 999999, &value));
  EXPECT_EQ(value, 999999u);
  EXPECT_TRUE(ParseDigits(L"", 999999, &value));
  EXPECT_EQ(value, 0u);
  value = 77;
  for (const wchar_t* bad : {L"1000000", L"99999999999999999999", L"12a", L"-1", L" 1"}) {
    EXPECT_FALSE(ParseDigits(bad, 999999, &value)) << bad;
    EXPECT_EQ(value, 77u) << bad;
  }
}

// A printer's address is read once, strictly: what is checked is what is
// reached. System parsers read a zero-led part as octal ("010" is 8).
TEST(StrictAddress, OnlyPlainDecimalDottedQuadsPass) {
  uint32_t value = 0;
  EXPECT_EQ(ParseStrictIpv4("192.168.1.20", &value), nullptr);
  EXPECT_EQ(value, 0xC0A80114u);
  EXPECT_EQ(ParseStrictIpv4("0.0.0.0", &value), nullptr);
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(ParseStrictIpv4("255.255.255.255", &value), nullptr);
  for (const char* bad : {"127.0.0.010", "192.168.001.10", "010.0.0.1", "00.1.2.3", "1.2.3.256",
                          "1.2.3", "1.2.3.4.5", "1.2.3.4 ", " 1.2.3.4", "1.2.3.-4", "1.2.3.+4",
                          "1.2.3.0x4", "1..2.3", "1.2.3.4.", "1234.1.1.1", "", "printer"}) {
    value = 7;
    EXPECT_NE(ParseStrictIpv4(bad, &value), nullptr) << bad;
    EXPECT_EQ(value, 7u) << bad;
  }
  EXPECT_NE(std::string(ParseStrictIpv4("127.0.0.010", &value)).find("leading zeros"), std::string::npos);
  EXPECT_NE(ParseStrictIpv4(nullptr, &value), nullptr);
}

TEST(CommandLineTargets, SerialSettingsAndNamesAreReadStrictly) {
  cmdline::TargetText target;
  std::string why;
  ASSERT_TRUE(cmdline::ParseTargetText("com:COM7:19200,7,e,2", &target, &why)) << why;
  EXPECT_EQ(target.kind, cmdline::TargetKind::Com);
  EXPECT_EQ(target.name, "COM7");
  EXPECT_EQ(target.serial.baud, 19200u);
  EXPECT_EQ(target.serial.dataBits, 7u);
  EXPECT_EQ(target.serial.parity, 'E');
  EXPECT_EQ(target.serial.stopBits, 2u);
  ASSERT_TRUE(cmdline::ParseTargetText("com:com12", &target, &why));
  EXPECT_EQ(target.serial.baud, 9600u);
  ASSERT_TRUE(cmdline::ParseTargetText("ip:10.1.2.3", &target, &why));
  EXPECT_EQ(target.address, 0x0A010203u);
  for (const char* bad :
       {"com:COM7:-1,8,N,1", "com:COM7:+9600,8,N,1", "com:COM7:9600,8,N,1,", "com:COM7:9600,8,N",
        "com:COM7:09600,8,N,1", "com:COM7:4294967297,8,N,1", "com:COM7:9600,9,N,1",
        "com:COM7:9600,8,X,1", "com:COM7:9600,8,N,3", "com:COM7:9600, 8,N,1", "com:COM0",
        "com:PRN", "lpt:LPT", "ip:127.0.0.010", "ip:0.0.0.0", "ip:255.255.255.255", "queue:",
        "usb:", "tcp:1.2.3.4", "USB"}) {
    EXPECT_FALSE(cmdline::ParseTargetText(bad, &target, &why)) << bad;
    EXPECT_FALSE(why.empty()) << bad;
  }
}

namespace {
bool KnownForTest(const std::string& section, const std::string& entry) {
  return (section == "Ethernet" && (entry == "Address" || entry == "MAC")) || (section == "WiFi" && entry == "WiFi");
}
bool SecretForTest(const std::string& section, const std::string&) { return section == "WiFi"; }
const cmdline::EntryRules kRulesForTest{KnownForTest, SecretForTest};
}  // namespace

// Targets files as spreadsheets write them: quoting, CRLF, a byte-order
// mark; each bad file refused with where it goes wrong.
TEST(TargetsFile, ReadsRowsWithTheirOwnValues) {
  const std::string text =
      "\xEF\xBB\xBFtarget,Ethernet.Address,WiFi.WiFi\r\n"
      "ip:10.0.0.1,\"10.0.0.1, 255.0.0.0, 10.0.0.254\",\r\n"
      "\r\n"
      "ip:10.0.0.2,,\"\"\"shop, \"\"\"\"north\"\"\"\"\"\", AP, Open\"\r\n";
  std::vector<std::string> columns;
  std::vector<cmdline::TargetRow> rows;
  std::string why;
  ASSERT_TRUE(cmdline::ReadTargetRows(text, kRulesForTest, &columns, &rows, &why)) << why;
  EXPECT_EQ(columns, (std::vector<std::string>{"Ethernet.Address", "WiFi.WiFi"}));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].target, "ip:10.0.0.1");
  EXPECT_EQ(rows[0].values.at("Ethernet.Address"), "10.0.0.1, 255.0.0.0, 10.0.0.254");
  EXPECT_EQ(rows[0].values.count("WiFi.WiFi"), 0u);  // an empty cell keeps the profile's entry
  EXPECT_EQ(rows[1].row, 2u);
  EXPECT_EQ(rows[1].line, 4u);
  EXPECT_EQ(rows[1].values.at("WiFi.WiFi"), "\"shop, \"\"north\"\"\", AP, Open");
  EXPECT_EQ(rows[1].secretColumns, (std::vector<std::string>{"WiFi.WiFi"}));
  EXPECT_EQ(cmdline::CsvField("a,\"b\""), "\"a,\"\"b\"\"\"");
  EXPECT_EQ(cmdline::CsvField("plain"), "plain");
}

TEST(TargetsFile, BadFilesAreRefusedWithRowAndColumn) {
  std::string big = "target\n";
  for (int i = 0; i <= 100000; ++i) big += "ip:10.0." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1) + "\n";
  const struct {
    const char* name;
    std::string text;
    const char* says;
  } cases[] = {
      {"no target column", "address\nip:10.0.0.1\n", "no \"target\" column"},
      {"unknown entry", "target,Ethernet.Adress\nip:10.0.0.1,x\n", "column 2 (\"Ethernet.Adress\")"},
      {"not Section.Entry", "target,Address\nip:10.0.0.1,x\n", "column 2"},
      {"duplicate target", "target\nip:10.0.0.1\nip:10.0.0.2\nip:10.0.0.1\n", "row 3 (line 4), column target"},
      {"empty target", "target,Ethernet.MAC\n,1\n", "row 1 (line 2), column target"},
      {"field count", "target,Ethernet.MAC\nip:10.0.0.1,1,2\n", "line 2: 3 fields"},
      {"quote inside a field", "target\nip:10.\"0.0.1\n", "line 2, field 1"},
      {"unclosed quote", "target\n\"ip:10.0.0.1\n", "never closed"},
      {"text after a quote", "target\n\"ip:10.0.0.1\"x\n", "after the closing quote"},
      {"not UTF-8", "target\nip:10.0.0.1\xff\n", "line 2: not UTF-8"},
      {"empty file", "", "empty"},
      {"too many rows", big, "more than 100000 rows"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> columns;
    std::vector<cmdline::TargetRow> rows;
    std::string why;
    EXPECT_FALSE(cmdline::ReadTargetRows(c.text, kRulesForTest, &columns, &rows, &why)) << c.name;
    EXPECT_NE(why.find(c.says), std::string::npos) << c.name << ": " << why;
    EXPECT_TRUE(rows.empty()) << c.name;
  }
}
