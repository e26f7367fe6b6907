// What SetwrightCmd tells its user is true and it touches nothing it should
// not: the address it checked is the one it reaches, a usb: path is a device,
// the log never cuts an input and appends with times, resets are failures
// and a silent printer is counted apart.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/cmd/CmdRun.h"
#include "tests/support/TransportEnds.h"

namespace {

const char kBid[] = "[BID]\nBID = Shift Left, 9\n";

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(CmdTrust, RefusedInputsSendNothingAndTouchNoFile) {
  const std::wstring profile = WriteProfile(L"trust.ini", kBid);
  const std::wstring file = WriteProfile(L"not-a-printer.txt", "precious text");
  const std::wstring missing = testing_ends::ScratchDir() + L"created-by-nobody.bin";
  // 127.0.13.10 and 127.0.13.8 both listen: a zero-led part must reach neither.
  LoopbackPrinter ten("127.0.13.10");
  LoopbackPrinter eight("127.0.13.8");
  ASSERT_TRUE(ten.Listening() && eight.Listening());
  struct Case {
    const char* name;
    std::wstring arguments;
    const char* says;
  };
  const Case cases[] = {
      {"zero-led address", L"apply \"" + profile + L"\" --to ip:127.0.13.010", "leading zeros"},
      {"zero-led first part", L"send-hex \"10 43\" --to ip:0127.0.13.8", "leading zeros"},
      {"usb path of a file", L"send-hex \"41 42 43\" --to usb:" + file, "names a file"},
      {"usb path of nothing", L"send-hex \"41 42 43\" --to usb:" + missing, "no device"},
      {"negative baud", L"apply \"" + profile + L"\" --to com:COM7:-1,8,N,1", "-1,8,N,1"},
      {"baud with a sign", L"apply \"" + profile + L"\" --to com:COM7:+9600,8,N,1", "+9600"},
      {"log is the profile", L"apply \"" + profile + L"\" --to lpt:LPT5 --log \"" + profile + L"\"",
       "is the profile"},
  };
  for (const Case& c : cases) {
    testing_ends::TruncateLpt();
    const CmdResult result = RunCmd(c.arguments);
    EXPECT_EQ(result.exitCode, 1u) << c.name << "\n" << result.out;
    EXPECT_NE(result.out.find(c.says), std::string::npos) << c.name << "\n" << result.out;
    EXPECT_TRUE(testing_ends::ReadLptBytes().empty()) << c.name;
  }
  EXPECT_TRUE(ten.Finished(1, 200).empty());
  EXPECT_TRUE(eight.Finished(1, 200).empty());
  EXPECT_EQ(ReadText(file), "precious text");
  EXPECT_FALSE(Exists(missing));
  EXPECT_EQ(ReadText(profile), kBid);
}

TEST(CmdTrust, LogStandsAnywhereAppendsWithTimesAndKeepsItsName) {
  const std::wstring profile = WriteProfile(L"log.ini", kBid);
  // A name the ANSI code page cannot spell.
  const std::wstring log = testing_ends::ScratchDir() + L"setup-\x65e5\x5fd7.log";
  DeleteFileW(log.c_str());
  for (const std::wstring& arguments :
       {L"--log \"" + log + L"\" apply \"" + profile + L"\" --to lpt:LPT5",
        L"apply \"" + profile + L"\" --to lpt:LPT5 --log \"" + log + L"\""}) {
    testing_ends::TruncateLpt();
    const CmdResult result = RunCmd(arguments);
    EXPECT_EQ(result.exitCode, 0u) << result.out;
    EXPECT_EQ(testing_ends::ReadLptBytes(), (Bytes{0x1F, 0x42, 0x00, 0x09, 0x10, 0x43}));
  }
  const std::string text = ReadText(log);
  // Both runs are there, each line starting with its date and time.
  size_t results = 0;
  for (size_t at = text.find("lpt:LPT5\tBID\t6 bytes\tok"); at != std::string::npos;
       at = text.find("lpt:LPT5\tBID\t6 bytes\tok", at + 1)) {
    ++results;
  }
  EXPECT_EQ(results, 2u) << text;
  size_t lineStart = 0;
  while (lineStart < text.size()) {
    const std::string line = text.substr(lineStart, text.find('\n', lineStart) - lineStart);
    ASSERT_GE(line.size(), 25u) << line;
    EXPECT_TRUE(line[4] == '-' && line[7] == '-' && line[10] == ' ' && line[13] == ':' && line[19] == '.')
        << line;
    lineStart += line.size() + 1;
  }
  EXPECT_NE(text.find("10 43"), std::string::npos);  // the bytes of the send
}

// The Wi-Fi key and the Bluetooth PIN reach the printer and nothing else:
// not the dry run, not the log, not an error message.
TEST(CmdTrust, KeysAndPinsNeverShowInAnyOutput) {
  const std::wstring profile = WriteProfile(
      L"secrets.ini", "[WiFi]\nWiFi = \"shop\", STA, WPA2-PSK, AES, \"secret12\"\n[Bluetooth]\nBluetooth = \"till\", \"4711\"\n");
  const std::wstring misplaced =
      WriteProfile(L"misplaced.ini", "[WiFi]\nWiFi = \"shop\", STA, WPA2-PSK, \"secret12\"\n");
  const std::wstring log = testing_ends::ScratchDir() + L"secrets.log";
  DeleteFileW(log.c_str());
  testing_ends::TruncateLpt();
  std::string everything;
  for (const std::wstring& arguments :
       {L"apply \"" + profile + L"\" --dry-run --log \"" + log + L"\"",
        L"apply \"" + profile + L"\" --to lpt:LPT5 --log \"" + log + L"\"",
        L"apply \"" + misplaced + L"\" --to lpt:LPT5 --log \"" + log + L"\""}) {
    everything += RunCmd(arguments).out;
  }
  everything += ReadText(log);
  const Bytes sent = testing_ends::ReadLptBytes();
  const std::string wire(sent.begin(), sent.end());
  // LPT5 is written from its start by each send: the Bluetooth block, last, is there.
  ASSERT_NE(wire.find("4711"), std::string::npos);
  for (const char* secret : {"secret12", "73 65 63 72 65 74 31 32", "4711", "34 37 31 31"}) {
    EXPECT_EQ(everything.find(secret), std::string::npos) << secret << "\n" << everything;
  }
  EXPECT_NE(everything.find("** ** ** ** ** ** ** **"), std::string::npos) << everything;
}

TEST(CmdTrust, VersionAndHelpExitZeroUsageErrorsThree) {
  CmdResult result = RunCmd(L"--version");
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(result.out.rfind("SetwrightCmd ", 0), 0u) << result.out;
  result = RunCmd(L"--help");
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_NE(result.out.find("apply"), std::string::npos);
  EXPECT_EQ(RunCmd(L"apply").exitCode, 3u);
}

// A printer that never closes its side (here: one that never reads) took the
// bytes without a word: "unconfirmed", counted apart, exit 0. Printers that
// reset are failures, exit 2.
TEST(CmdTrust, UnconfirmedIsCountedApartAndResetsFail) {
  WSADATA wsa;
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
  SOCKET silent = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(9100);
  local.sin_addr.s_addr = inet_addr("127.0.13.20");
  ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&local), sizeof(local)), 0);
  ASSERT_EQ(listen(silent, 4), 0);
  LoopbackPrinter printer("127.0.13.1");
  ASSERT_TRUE(printer.Listening());
  CmdResult result = RunCmd(L"send-hex \"10 43\" --to ip:127.0.13.20 --to ip:127.0.13.1");
  EXPECT_EQ(result.exitCode, 0u) << result.out;
  EXPECT_NE(result.out.find("ip:127.0.13.20\tsend-hex\t2 bytes\tunconfirmed: "), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("ip:127.0.13.20\t1\t0\t1\tunconfirmed"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("ip:127.0.13.1\t1\t0\t0\tok"), std::string::npos) << result.out;
  closesocket(silent);
  WSACleanup();
  if (getenv("SW_RESET_PRINTERS") == nullptr) return;  // the native reset printers
  for (int round = 0; round < 5; ++round) {
    result = RunCmd(L"send-hex \"1F 42 00 09 10 43\" --to ip:127.0.0.7 --to ip:127.0.0.5");
    EXPECT_EQ(result.exitCode, 2u) << result.out;
    EXPECT_NE(result.out.find("ip:127.0.0.7\t1\t1\t0\tFAILED"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("ip:127.0.0.5\t1\t1\t0\tFAILED"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("reset by the printer"), std::string::npos) << result.out;
  }
}

}  // namespace
