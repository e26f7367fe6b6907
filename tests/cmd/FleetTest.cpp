// A fleet in one command: each row's own values reach its own printer, a
// value meant for one printer is never sent to two, and printers that are
// dead, reset or silent among live ones end up in the report as what they
// are; a retry reaches exactly the ones that did not get through.
#include <gtest/gtest.h>

#include <cstdlib>
#include <algorithm>
#include <string>

#include "tests/cmd/CmdRun.h"
#include "tests/support/TransportEnds.h"

namespace {

const char kProfile[] =
    "[BID]\nBID = Shift Left, 5\n"
    "[Ethernet]\nAddress = 192.168.7.9, 255.255.255.0, 192.168.7.1\n";
const Bytes kBid = {0x1F, 0x42, 0x00, 0x05, 0x10, 0x43};

// The address command group for a.b.c.d/24 with gateway a.b.c.1.
bool HasAddress(const Bytes& bytes, unsigned char last) {
  const Bytes ip = {0x1F, 0x69, 192, 168, 7, last};
  return std::search(bytes.begin(), bytes.end(), ip.begin(), ip.end()) != bytes.end();
}

TEST(Fleet, EachRowsValuesReachItsOwnPrinterAddressLast) {
  LoopbackPrinter first("127.0.50.1"), second("127.0.50.2");
  ASSERT_TRUE(first.Listening() && second.Listening());
  const std::wstring profile = WriteProfile(L"fleet.ini", kProfile);
  const std::wstring targets = WriteProfile(
      L"shops.csv",
      "\xEF\xBB\xBFtarget,Ethernet.Address\r\n"
      "ip:127.0.50.1,\"192.168.7.21, 255.255.255.0, 192.168.7.1\"\r\n"
      "ip:127.0.50.2,\"192.168.7.22, 255.255.255.0, 192.168.7.1\"\r\n");
  const CmdResult result = RunCmd(L"apply \"" + profile + L"\" --targets \"" + targets + L"\" --jobs 2");
  EXPECT_EQ(result.exitCode, 0u) << result.out;
  for (auto [printer, last] : {std::pair<LoopbackPrinter*, int>{&first, 21}, {&second, 22}}) {
    const std::vector<Bytes> jobs = printer->Finished(2);
    ASSERT_EQ(jobs.size(), 2u) << last;
    EXPECT_EQ(jobs[0], kBid);  // the address changes how it is reached: it goes last
    EXPECT_TRUE(HasAddress(jobs[1], static_cast<unsigned char>(last))) << last;
  }
}

TEST(Fleet, OnePrintersValueIsNeverSentToTwo) {
  LoopbackPrinter first("127.0.50.1"), second("127.0.50.2");
  const std::wstring profile = WriteProfile(L"fleet.ini", kProfile);
  const std::wstring bidOnly = WriteProfile(L"bid.ini", "[BID]\nBID = Shift Left, 5\n");
  const std::wstring sameMac = WriteProfile(
      L"mac.csv", "target,Ethernet.MAC\nip:127.0.50.1,\"1, 2, 3, 4, 5, 6\"\nip:127.0.50.2,\"1,2,3,4,5,6\"\n");
  struct {
    const char* name;
    std::wstring arguments;
    const char* says;
  } cases[] = {
      {"profile address to two", L"apply \"" + profile + L"\" --to ip:127.0.50.1 --to ip:127.0.50.2",
       "Ethernet.Address"},
      {"two rows, one MAC", L"apply \"" + bidOnly + L"\" --targets \"" + sameMac + L"\"",
       "Ethernet.MAC"},
      {"jobs over the limit", L"apply \"" + profile + L"\" --to ip:127.0.50.1 --jobs 257", "jobs"},
  };
  for (const auto& c : cases) {
    const CmdResult result = RunCmd(c.arguments);
    EXPECT_EQ(result.exitCode, std::string(c.name) == "jobs over the limit" ? 3u : 1u) << c.name << result.out;
    EXPECT_NE(result.out.find(c.says), std::string::npos) << c.name << result.out;
  }
  EXPECT_TRUE(first.Finished(1, 300).empty());
  EXPECT_TRUE(second.Finished(1, 300).empty());
}

// Live, silent (never closes), dead (never accepts) and, with the native
// reset printers, resetting targets in one run; then a retry.
TEST(Fleet, ReportTellsEachPrinterAndRetryTakesTheRest) {
  LoopbackPrinter live("127.0.50.1");
  SilentPrinter silent("127.0.50.3", false);
  SilentPrinter dead("127.0.50.4", true);
  ASSERT_TRUE(live.Listening() && silent.Listening() && dead.Listening());
  const bool resets = getenv("SW_RESET_PRINTERS") != nullptr;
  std::string rows = "target,Ethernet.Address\n";
  for (const char* target : {"ip:127.0.50.1", "ip:127.0.50.3", "ip:127.0.50.4"}) {
    rows += std::string(target) + ",\"192.168.7." + std::to_string(30 + rows.size() % 50) + ", 255.255.255.0, 192.168.7.1\"\n";
  }
  if (resets) rows += "ip:127.0.0.7,\"192.168.7.99, 255.255.255.0, 192.168.7.1\"\n";
  const std::wstring profile = WriteProfile(L"fleet.ini", kProfile);
  const std::wstring targets = WriteProfile(L"mixed.csv", rows);
  const std::wstring report = testing_ends::ScratchDir() + L"report.jsonl";
  CmdResult result = RunCmd(L"apply \"" + profile + L"\" --targets \"" + targets + L"\" --report \"" + report +
                            L"\" --connect-timeout 1 --timeout 2");
  EXPECT_EQ(result.exitCode, 2u) << result.out;
  const std::string text = ReadText(report);
  auto record = [&](const std::string& target) {
    const size_t at = text.find("{\"target\":\"" + target + "\"");
    return at == std::string::npos ? std::string() : text.substr(at, text.find('\n', at) - at);
  };
  EXPECT_NE(record("ip:127.0.50.1").find("\"status\":\"confirmed\""), std::string::npos) << text;
  EXPECT_NE(record("ip:127.0.50.3").find("\"status\":\"unconfirmed\""), std::string::npos) << text;
  const std::string deadRecord = record("ip:127.0.50.4");
  EXPECT_NE(deadRecord.find("\"status\":\"failed\""), std::string::npos) << text;
  EXPECT_NE(deadRecord.find("no answer within 1 s"), std::string::npos) << deadRecord;
  EXPECT_NE(deadRecord.find("{\"group\":\"Ethernet.Address\",\"status\":\"skipped\""), std::string::npos) << deadRecord;
  if (resets) {
    EXPECT_NE(record("ip:127.0.0.7").find("\"status\":\"failed\""), std::string::npos) << text;
    EXPECT_NE(record("ip:127.0.0.7").find("reset by the printer"), std::string::npos) << text;
  }
  EXPECT_NE(text.find("{\"summary\":true,\"targets\":" + std::to_string(resets ? 4 : 3) + ",\"confirmed\":1,\"unconfirmed\":1"),
            std::string::npos) << text;
  ASSERT_EQ(live.Finished(2).size(), 2u);

  // The retry goes to every target not confirmed, with its own values, and
  // never to the live printer again.
  result = RunCmd(L"apply \"" + profile + L"\" --retry \"" + report + L"\" --report-format csv --report \"" + report +
                  L".csv\" --connect-timeout 1 --timeout 2");
  EXPECT_EQ(result.exitCode, 2u) << result.out;
  EXPECT_EQ(result.out.find("ip:127.0.50.1"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("ip:127.0.50.3\tBID"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("ip:127.0.50.4\tBID"), std::string::npos) << result.out;
  const std::string csv = ReadText(report + L".csv");
  EXPECT_EQ(csv.rfind("target,status,reason,bytes,ms,row,groups,Ethernet.Address\r\n", 0), 0u) << csv;
  EXPECT_NE(csv.find("ip:127.0.50.4,failed,"), std::string::npos) << csv;
  EXPECT_EQ(live.Finished(3, 500).size(), 2u);
}

}  // namespace
