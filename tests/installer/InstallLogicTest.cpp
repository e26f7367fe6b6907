// The platform-free decisions of Spoolkit: route choice, names, bounded
// text building, quoting, the INF catalogue test, the file list, USB path
// matching and the model-name reply.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "installer/InstallLogic.h"

using namespace spoolkit;

TEST(RouteChoice, ListedModelsChooseByPortName) {
  EXPECT_EQ(chooseRoute(L"MQ7XX", L"USB001"), Route::NewInstallHardwareId);
  EXPECT_EQ(chooseRoute(L"MQ7XX", L"usb002"), Route::NewInstallHardwareId);
  EXPECT_EQ(chooseRoute(L"MQ7XX", L"KorvelUSB PORT:1"), Route::NewInstallCommandLine);
  EXPECT_EQ(chooseRoute(L"MQ8XX", L"usb port:3"), Route::NewInstallCommandLine);
  EXPECT_EQ(chooseRoute(L"MQ6XX", L"LPT1:"), Route::NewInstallCommandLine);
  // Only the two spellings count: "Usb001" names no USB.
  EXPECT_EQ(chooseRoute(L"MQ6XX", L"Usb001"), Route::NewInstallCommandLine);
  // Mixed spelling of the monitor port is not a monitor port.
  EXPECT_EQ(chooseRoute(L"MQ6XX", L"USB port:1"), Route::NewInstallHardwareId);
}

TEST(RouteChoice, OtherModelsTakeTheCommandLine) {
  EXPECT_EQ(chooseRoute(L"MQ6XXA", L"USB001"), Route::CommandLine);
  EXPECT_EQ(chooseRoute(L"mq7xx", L"USB001"), Route::CommandLine);
  EXPECT_EQ(chooseRoute(L"", L"USB001"), Route::CommandLine);
  EXPECT_EQ(chooseRoute(nullptr, L"USB001"), Route::CommandLine);
  EXPECT_EQ(chooseRoute(L"MQ7X", L"USB001"), Route::CommandLine);
}

TEST(SystemChoice, LanguageFolderAndEnvironment) {
  EXPECT_STREQ(languageFolder(true), L"CHN");
  EXPECT_STREQ(languageFolder(false), L"ENG");
  EXPECT_STREQ(environmentNameFor(true), L"Windows x64");
  EXPECT_STREQ(environmentNameFor(false), L"Windows NT x86");
}

TEST(MonitorNames, KorvelPortChoosesTheMakersMonitor) {
  EXPECT_STREQ(monitorNameFor(L"KorvelUSB PORT:"), L"KorvelUSB Printer Monitor");
  EXPECT_STREQ(spoolerPortNameFor(L"KorvelUSB PORT:"), "KorvelUSB PORT:");
  EXPECT_STREQ(monitorNameForA(L"KorvelUSB PORT:"), "KorvelUSB Printer Monitor");
  EXPECT_STREQ(monitorNameFor(L"USB001"), L"USB Printer Monitor");
  EXPECT_STREQ(spoolerPortNameFor(L"USB001"), "USB PORT:");
  EXPECT_STREQ(monitorNameFor(L"korvelusb port:"), L"USB Printer Monitor");
}

TEST(MonitorNames, QualifyingMonitors) {
  EXPECT_TRUE(monitorQualifies(L"Standard TCP/IP Port"));
  EXPECT_TRUE(monitorQualifies(L"KorvelUSB Printer Monitor"));
  EXPECT_TRUE(monitorQualifies(L"USB Printer Monitor"));
  EXPECT_FALSE(monitorQualifies(L"Local Port"));
  EXPECT_FALSE(monitorQualifies(L"usb printer monitor"));
  EXPECT_FALSE(monitorQualifies(L"TCP/ip"));
}

TEST(TextBuilding, JoinIsAllOrNothing) {
  wchar_t out[8];
  EXPECT_TRUE(joinText(out, 8, {L"abc", L"defg"}));
  EXPECT_STREQ(out, L"abcdefg");
  EXPECT_FALSE(joinText(out, 8, {L"abc", L"defgh"}));
  EXPECT_STREQ(out, L"");
  EXPECT_TRUE(joinText(out, 8, {L"", nullptr, L"x"}));
  EXPECT_STREQ(out, L"x");
  char narrow[4];
  EXPECT_FALSE(joinText(narrow, 4, {"ab", "cd"}));
  EXPECT_STREQ(narrow, "");
}

TEST(Quoting, WrapsEveryValueAndKeepsTheTerminator) {
  wchar_t buf[8] = L"a b";
  EXPECT_TRUE(quoteInPlace(buf, 8));
  EXPECT_STREQ(buf, L"\"a b\"");
  wchar_t empty[3] = L"";
  EXPECT_TRUE(quoteInPlace(empty, 3));
  EXPECT_STREQ(empty, L"\"\"");
  // Five characters need seven units plus the terminator.
  wchar_t tight[8] = L"abcde";
  EXPECT_TRUE(quoteInPlace(tight, 8));
  wchar_t over[8] = L"abcdef";
  EXPECT_FALSE(quoteInPlace(over, 8));
  EXPECT_STREQ(over, L"abcdef");
}

TEST(Quoting, RefusesWhatCouldLeaveItsQuotedArgument) {
  for (const wchar_t* bad : {L"x\" & calc & \"", L"a\rb", L"a\nb", L"\"", L"Shop%OS%", L"%CMDCMDLINE%",
                             L"100%", L"Shop\\", L"C:\\a\\\\", L"\\"}) {
    wchar_t buf[64];
    ASSERT_TRUE(copyText(buf, 64, bad));
    EXPECT_TRUE(hasUnsafeCommandChar(buf));
    EXPECT_FALSE(quoteInPlace(buf, 64));
    EXPECT_STREQ(buf, bad);
  }
  for (const wchar_t* good : {L"Printer & Co 'x' ^|<>", L"C:\\a\\b.inf", L"\\\\server\\queue", L""}) {
    EXPECT_FALSE(hasUnsafeCommandChar(good)) << good;
  }
}

TEST(Quoting, InstallCommandAndItsCapacity) {
  wchar_t cmd[513];
  ASSERT_TRUE(buildInstallCommand(cmd, 513, L"\"P\"", L"\"C:\\a.inf\"", L"\"USB001\"", L"\"D\""));
  EXPECT_STREQ(cmd,
               L"rundll32 printui.dll,PrintUIEntry /if /b \"P\" /f \"C:\\a.inf\"  /r \"USB001\" /m \"D\"");
  wchar_t line[520];
  ASSERT_TRUE(buildProcessCommandLine(line, 520, cmd));
  EXPECT_EQ(std::wstring(line).rfind(L"cmd /C rundll32 ", 0), 0u);
  // A command of 512 characters fits the 520-unit process command line; 513 does not.
  std::wstring longCmd(512, L'x');
  EXPECT_TRUE(buildProcessCommandLine(line, 520, longCmd.c_str()));
  longCmd += L'x';
  EXPECT_FALSE(buildProcessCommandLine(line, 520, longCmd.c_str()));
  EXPECT_STREQ(line, L"");
}

TEST(Paths, DirectoryAndInfDirectory) {
  wchar_t out[260];
  ASSERT_TRUE(directoryOf(L"C:\\Program Files\\Setup\\setup.exe", out, 260));
  EXPECT_STREQ(out, L"C:\\Program Files\\Setup\\");
  ASSERT_TRUE(directoryOf(L"setup.exe", out, 260));
  EXPECT_STREQ(out, L"");
  EXPECT_FALSE(directoryOf(L"C:\\abc\\x", out, 5));
  ASSERT_TRUE(windowsInfDirectory(L"C:\\windows\\system32", out, 260));
  EXPECT_STREQ(out, L"C:\\windows\\inf");
  ASSERT_TRUE(windowsInfDirectory(L"D:\\WINNT\\System32\\x", out, 260));
  EXPECT_STREQ(out, L"D:\\WINNT\\inf");
  EXPECT_FALSE(windowsInfDirectory(L"C:\\windows\\system32", out, 10));
}

namespace {
std::vector<unsigned char> Bytes(const std::string& s) { return {s.begin(), s.end()}; }
std::vector<unsigned char> Utf16le(const std::string& s, bool bom = true) {
  std::vector<unsigned char> out;
  if (bom) out = {0xFF, 0xFE};
  for (unsigned char c : s) {
    out.push_back(c);
    out.push_back(0);
  }
  return out;
}
bool Matches(const std::vector<unsigned char>& data, const char* name = "KV Printer") {
  std::wstring wide(name, name + std::strlen(name));
  return infContentMatches(data.data(), data.size(), name, wide.c_str());
}
const std::string kGood =
    "[Version]\r\nSignature=\"$Windows NT$\"\r\nCatalogFile=KV Printer.CAT\r\n"
    "DriverVer=08/17/2016, 2.2.0.0\r\n";
}  // namespace

TEST(InfCatalogue, EightBitText) {
  EXPECT_TRUE(Matches(Bytes(kGood)));
  EXPECT_FALSE(Matches(Bytes(kGood), "Other"));
  std::string lowerCat = kGood;
  lowerCat.replace(lowerCat.find(".CAT"), 4, ".cat");
  EXPECT_FALSE(Matches(Bytes(lowerCat)));
  std::string noSpace = kGood;
  noSpace.replace(noSpace.find(", 2.2"), 2, ",");
  EXPECT_FALSE(Matches(Bytes(noSpace)));
  std::string onlyCat = "CatalogFile=KV Printer.CAT\r\n";
  EXPECT_FALSE(Matches(Bytes(onlyCat)));
  // The 8-bit test ends at the first zero byte.
  std::string cut = "CatalogFile=KV Printer.CAT\r\n" + std::string(1, '\0') + kGood.substr(0, 0) +
                    "DriverVer=08/17/2016, 2.2.0.0";
  EXPECT_FALSE(Matches(Bytes(cut)));
}

TEST(InfCatalogue, Utf16LittleEndianText) {
  EXPECT_TRUE(Matches(Utf16le(kGood)));
  EXPECT_TRUE(Matches(Utf16le(kGood, false)));
  std::string lowerCat = kGood;
  lowerCat.replace(lowerCat.find(".CAT"), 4, ".cat");
  EXPECT_FALSE(Matches(Utf16le(lowerCat)));
  // A unit whose low byte is 0x1A (U+011A) before the lines does not end the text.
  std::vector<unsigned char> withSub = {0xFF, 0xFE, 0x1A, 0x01, ';', 0, '\r', 0, '\n', 0};
  std::vector<unsigned char> rest = Utf16le(kGood, false);
  withSub.insert(withSub.end(), rest.begin(), rest.end());
  EXPECT_TRUE(Matches(withSub));
  // Shifted by one byte the units no longer line up.
  std::vector<unsigned char> odd = {' '};
  odd.insert(odd.end(), rest.begin(), rest.end());
  EXPECT_FALSE(Matches(odd));
}

namespace {
std::vector<unsigned char> Cat(std::initializer_list<std::vector<unsigned char>> parts) {
  std::vector<unsigned char> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
}  // namespace

// The bounds of the catalogue search: only the first `size` bytes are read
// (the buffer has no terminator), the 8-bit text ends at its first zero
// byte, the UTF-16LE text at its first zero unit on an even offset and at
// its last whole unit, and a line counts in UTF-16LE only on an even offset.
TEST(InfCatalogue, SearchBounds) {
  const std::vector<unsigned char> good8 = Bytes(kGood);  // ends "2.2.0.0\r\n"
  const std::vector<unsigned char> good16 = Utf16le(kGood, false);
  const std::vector<unsigned char> catLine16 = Utf16le("CatalogFile=KV Printer.CAT\r\n", false);
  const std::vector<unsigned char> verLine16 = Utf16le("DriverVer=08/17/2016, 2.2.0.0\r\n", false);
  struct Case {
    const char* what;
    std::vector<unsigned char> data;
    size_t size;
    bool match;
  };
  const Case cases[] = {
      {"nothing", {0}, 0, false},
      {"text shorter than either line", Bytes("CatalogFile="), 12, false},
      {"8-bit, up to the version line's last character", good8, good8.size() - 2, true},
      {"8-bit, one character short", good8, good8.size() - 3, false},
      {"8-bit, the bytes after size are not read", Bytes(kGood.substr(0, kGood.size() - 3) + "0"),
       kGood.size() - 3, false},
      {"8-bit, the version line before the catalogue line", Bytes(kGood.substr(kGood.find("DriverVer")) + kGood),
       kGood.size() * 2 - kGood.find("DriverVer"), true},
      {"UTF-16LE, up to the version line's last unit", good16, good16.size() - 4, true},
      {"UTF-16LE, the last unit cut in half", good16, good16.size() - 5, false},
      {"UTF-16LE, a lone byte after the last unit", Cat({good16, {'x'}}), good16.size() + 1, true},
      {"UTF-16LE, a zero unit ends the text", Cat({catLine16, {0, 0}, verLine16}),
       catLine16.size() + 2 + verLine16.size(), false},
      {"UTF-16LE, two zero bytes on an odd offset do not end it",
       Cat({{'A', 0, 0, 'A'}, catLine16, verLine16}), 4 + catLine16.size() + verLine16.size(), true},
      {"UTF-16LE, a line on an odd offset only", Cat({{' '}, catLine16, verLine16, {' '}}),
       1 + catLine16.size() + verLine16.size() + 1, false},
      {"UTF-16LE, a line first on an odd offset, then on an even one",
       Cat({{' '}, catLine16, {' '}, catLine16, verLine16}),
       2 + 2 * catLine16.size() + verLine16.size(), true},
  };
  for (const Case& c : cases) {
    ASSERT_LE(c.size, c.data.size()) << c.what;
    EXPECT_EQ(infContentMatches(c.data.data(), c.size, "KV Printer", L"KV Printer"), c.match) << c.what;
  }
}

TEST(FileList, CommaFirstAndLastAndBounded) {
  wchar_t list[260] = L"";
  ASSERT_TRUE(appendListEntry(list, 260, L"a.inf"));
  ASSERT_TRUE(appendListEntry(list, 260, L"b.cat"));
  ASSERT_TRUE(closeList(list, 260));
  EXPECT_STREQ(list, L",a.inf,b.cat,");
  wchar_t small[8] = L"";
  ASSERT_TRUE(appendListEntry(small, 8, L"abcde"));  // ",abcde"
  EXPECT_FALSE(appendListEntry(small, 8, L"x"));     // ",abcde,x" needs 9
  EXPECT_STREQ(small, L",abcde");
  EXPECT_TRUE(closeList(small, 8));
  EXPECT_FALSE(closeList(small, 8));
}

TEST(UsbPath, IdsInOneCase) {
  EXPECT_TRUE(usbPathMatches(L"\\\\?\\usb#vid_0fe6&pid_811e#5&1&0&2#{a5dcbf10}"));
  EXPECT_TRUE(usbPathMatches(L"\\\\?\\USB#VID_0FE6&PID_811E#X"));
  EXPECT_FALSE(usbPathMatches(L"\\\\?\\usb#Vid_0fe6&Pid_811e#X"));
  EXPECT_FALSE(usbPathMatches(L"\\\\?\\usb#VID_0FE6&pid_811e#X"));
  EXPECT_FALSE(usbPathMatches(L"\\\\?\\usb#vid_0fe6&pid_8111#X"));
}

TEST(ModelReply, NameFromByteSix) {
  unsigned char reply[64] = {};
  reply[4] = 6;
  std::memcpy(reply + 6, "MQ7XX", 5);
  char name[64];
  ASSERT_TRUE(decodeModelReply(reply, 64, name, 64));
  EXPECT_STREQ(name, "MQ7XX");
  // N - 1 bytes only.
  reply[4] = 3;
  ASSERT_TRUE(decodeModelReply(reply, 64, name, 64));
  EXPECT_STREQ(name, "MQ");
  // Never past the 64-byte reply.
  std::memset(reply + 6, 'A', 58);
  reply[4] = 255;
  ASSERT_TRUE(decodeModelReply(reply, 64, name, 64));
  EXPECT_EQ(std::strlen(name), 58u);
}

TEST(ModelReply, NoNameLeavesTheBuffer) {
  unsigned char reply[64] = {};
  std::memcpy(reply + 6, "MQ7XX", 5);
  char name[64] = "keep";
  reply[4] = 1;
  EXPECT_FALSE(decodeModelReply(reply, 64, name, 64));
  reply[4] = 0;
  EXPECT_FALSE(decodeModelReply(reply, 64, name, 64));
  EXPECT_STREQ(name, "keep");
}

// The name's bounds: N - 1 bytes, the reply's capacity (the bytes beyond
// it are there but not read), the name's capacity, and the first zero byte.
TEST(ModelReply, NameBounds) {
  struct Case {
    const char* what;
    unsigned char n;
    std::string bytes;  // from byte 6 on
    size_t replyCap;
    size_t nameCap;
    bool ok;
    const char* name;
  };
  const Case cases[] = {
      {"N - 1 bytes", 4, "MQ7XX", 64, 64, true, "MQ7"},
      {"a zero ends the name", 10, std::string("MQ\0XXABCDE", 10), 64, 64, true, "MQ"},
      {"a zero first", 6, std::string("\0MQ7X", 5), 64, 64, true, ""},
      {"the name's capacity", 6, "MQ7XX", 64, 3, true, "MQ"},
      {"a name capacity of one", 6, "MQ7XX", 64, 1, true, ""},
      {"the reply's capacity", 6, "MQ7XX", 8, 64, true, "MQ"},
      {"a reply one byte past byte 6", 6, "MQ7XX", 7, 64, true, "M"},
      {"a reply of six bytes", 6, "MQ7XX", 6, 64, false, "keep"},
  };
  for (const Case& c : cases) {
    unsigned char reply[64] = {};
    reply[4] = c.n;
    std::memcpy(reply + 6, c.bytes.data(), c.bytes.size());
    char name[64] = "keep";
    EXPECT_EQ(decodeModelReply(reply, c.replyCap, name, c.nameCap), c.ok) << c.what;
    EXPECT_STREQ(name, c.name) << c.what;
  }
}

TEST(SerialName, TrailingColonOnly) {
  wchar_t port[32];
  ASSERT_TRUE(portWithoutColon(L"COM1:", port, 32));
  EXPECT_STREQ(port, L"COM1");
  ASSERT_TRUE(portWithoutColon(L"COM1", port, 32));
  EXPECT_STREQ(port, L"COM1");
  ASSERT_TRUE(portWithoutColon(L"CO:M1", port, 32));
  EXPECT_STREQ(port, L"CO:M1");
  EXPECT_FALSE(portWithoutColon(std::wstring(32, L'C').c_str(), port, 32));
  EXPECT_TRUE(portWithoutColon((std::wstring(31, L'C') + L":").c_str(), port, 32));
}
