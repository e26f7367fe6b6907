// A farm of printers on 127.0.60.x: the roles it announces are the roles
// its printers play, each live printer keeps exactly what it was sent, a
// dead one's connect times out, a resetting one resets, a silent one never
// closes, and every event says which printer it is about.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>

#include "tests/emulator/native/Program.h"

using namespace vprinter_test;

namespace {

constexpr unsigned short kPort = 9100;

std::string FarmAddress(int i) { return "127.0.60." + std::to_string(i + 1); }

// The BID command of printer i: a value and direction of its own.
Bytes BidOf(int i) { return {0x1F, 0x42, static_cast<unsigned char>(i % 2), static_cast<unsigned char>(i % 17)}; }
Json BidSettingOf(int i) { return Json{{"direction", i % 2 ? "right" : "left"}, {"value", i % 17}}; }

// The roles the listening lines announce, by address.
std::map<std::string, std::string> Roles(const std::vector<Json>& lines) {
  std::map<std::string, std::string> roles;
  for (const Json& e : EventsOf(lines, "listening")) roles[e["printer"]] = e["role"];
  return roles;
}

// A farm that is up: every listening line is out.
std::unique_ptr<ServingPrinter> StartFarm(const std::string& first, int count, const std::vector<std::string>& more,
                                          const std::string& last) {
  std::vector<std::string> args{"--farm", first, std::to_string(count)};
  args.insert(args.end(), more.begin(), more.end());
  auto farm = std::make_unique<ServingPrinter>(args);
  farm->WaitFor("\"on\":\"tcp " + last + ":9100\"", 3000);
  return farm;
}

TEST(Farm, RefusedArgumentsGiveOneLineAndExitCode2) {
  const struct {
    const char* args;
    const char* says;
  } cases[] = {
      {"serve --farm 127.0.60.1", "--farm"},
      {"serve --farm 10.0.0.1 5", "loopback"},
      {"serve --farm 127.0.60.010 5", "leading zeros"},
      {"serve --farm 127.0.60 5", "four decimal parts"},
      {"serve --farm 127.0.60.256 5", "four decimal parts"},
      {"serve --farm 127.255.255.250 7", "leave 127.0.0.0/8"},
      {"serve --farm 127.0.60.1 0", "1 or more"},
      {"serve --farm 127.0.60.1 -3", "1 or more"},
      {"serve --farm 127.0.60.1 5x", "1 or more"},
      {"serve --farm 127.0.60.1 5 --farm-dead 60 --farm-reset 30 --farm-silent 20", "more than 100"},
      {"serve --farm 127.0.60.1 5 --farm-dead 101", "--farm-dead"},
      {"serve --farm 127.0.60.1 5 --farm-silent -1", "--farm-silent"},
      {"serve --tcp 127.0.60.1:19100 --farm-reset 10", "--farm-reset needs --farm"},
      {"serve --farm 127.0.60.1 5 --tcp 127.0.60.9:19100", "no --tcp"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const Result r = RunProgram(c.args);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
  }
}

// One address of the farm already taken: it does not start at all.
TEST(Farm, AnAddressInUseStopsTheStart) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_port = htons(kPort);
  inet_pton(AF_INET, "127.0.60.43", &at.sin_addr);
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof(at)), 0);
  ASSERT_EQ(listen(fd, 1), 0);
  const Result r = RunProgram("serve --farm 127.0.60.41 5 --timeout 5");
  close(fd);
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("cannot listen on 127.0.60.43:9100"), std::string::npos) << r.err;
  EXPECT_EQ(r.out.find("listening"), std::string::npos) << r.out;
}

// The addresses follow each other in numeric order, across the end of a
// part, and each announces itself once.
TEST(Farm, AddressesCountOnFromTheFirst) {
  const struct {
    const char* first;
    int count;
    std::vector<std::string> addresses;
  } cases[] = {
      {"127.0.61.254", 4, {"127.0.61.254", "127.0.61.255", "127.0.62.0", "127.0.62.1"}},
      {"127.0.62.9", 1, {"127.0.62.9"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    const Result r = RunProgram(std::string("serve --farm ") + c.first + " " + std::to_string(c.count) +
                                " --timeout 0.2");
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<Json> lines = JsonLines(r.out);
    std::vector<std::string> listening, states;
    for (const Json& e : EventsOf(lines, "listening")) {
      listening.push_back(e["printer"]);
      EXPECT_EQ(e["on"], "tcp " + e["printer"].get<std::string>() + ":9100");
      EXPECT_EQ(e["role"], "live");
    }
    for (const Json& e : EventsOf(lines, "state")) states.push_back(e["printer"]);
    EXPECT_EQ(listening, c.addresses);
    EXPECT_EQ(states, c.addresses);  // one final state per printer, in the same order
  }
}

// Each share takes its rounded part of the farm, spread over it, and the
// same arguments give the same roles on every run.
TEST(Farm, SharesAreExactSpreadAndTheSameEachRun) {
  const struct {
    int count, dead, reset, silent;
    int wantDead, wantReset, wantSilent;
  } cases[] = {
      {20, 10, 10, 10, 2, 2, 2},
      {20, 0, 0, 0, 0, 0, 0},
      {20, 50, 0, 50, 10, 0, 10},
      {20, 100, 0, 0, 20, 0, 0},
      {7, 10, 5, 0, 1, 0, 0},  // 0.7 rounds to 1, 0.35 to 0
  };
  for (const auto& c : cases) {
    const std::string args = "serve --farm 127.0.60.101 " + std::to_string(c.count) + " --farm-dead " +
                             std::to_string(c.dead) + " --farm-reset " + std::to_string(c.reset) + " --farm-silent " +
                             std::to_string(c.silent) + " --timeout 0.2";
    SCOPED_TRACE(args);
    const Result first = RunProgram(args), second = RunProgram(args);
    ASSERT_EQ(first.code, 0) << first.err;
    const std::map<std::string, std::string> roles = Roles(JsonLines(first.out));
    EXPECT_EQ(roles, Roles(JsonLines(second.out)));
    ASSERT_EQ(roles.size(), static_cast<size_t>(c.count));
    std::map<std::string, int> counts;
    for (const auto& role : roles) ++counts[role.second];
    EXPECT_EQ(counts["dead"], c.wantDead);
    EXPECT_EQ(counts["reset"], c.wantReset);
    EXPECT_EQ(counts["silent"], c.wantSilent);
    EXPECT_EQ(counts["live"], c.count - c.wantDead - c.wantReset - c.wantSilent);
    // Not the first ones in address order: the misbehaving printers of a
    // part of the farm are not all at its start.
    const int misbehaving = c.wantDead + c.wantReset + c.wantSilent;
    if (misbehaving > 0 && misbehaving < c.count) {
      int atStart = 0;
      for (int i = 0; i < misbehaving; ++i) atStart += roles.at("127.0.60." + std::to_string(101 + i)) != "live";
      EXPECT_LT(atStart, misbehaving);
    }
  }
}

// Twenty printers: every role played as announced, every event tagged with
// its printer, the final state one per printer.
TEST(Farm, EachPrinterPlaysItsRoleAndKeepsItsOwnState) {
  constexpr int kCount = 20;
  auto farm = StartFarm("127.0.60.1", kCount,
                        {"--farm-dead", "10", "--farm-reset", "10", "--farm-silent", "10", "--timeout", "30"},
                        FarmAddress(kCount - 1));
  ASSERT_TRUE(farm->Listening()) << farm->Output();
  const std::map<std::string, std::string> roles = Roles(JsonLines(farm->Output()));
  ASSERT_EQ(roles.size(), static_cast<size_t>(kCount));

  // Every printer but the dead ones gets its own BID value; the clients
  // stay open until each ending has been seen.
  std::vector<std::unique_ptr<Client>> clients(kCount);
  for (int i = 0; i < kCount; ++i) {
    if (roles.at(FarmAddress(i)) == "dead") continue;
    clients[i] = std::make_unique<Client>(FarmAddress(i).c_str(), kPort);
    ASSERT_TRUE(clients[i]->Connected()) << FarmAddress(i);
    ASSERT_TRUE(clients[i]->SendAll(BidOf(i)));
    clients[i]->EndSending();
  }
  const std::map<std::string, Client::Ending> endingOf = {
      {"live", Client::Ending::Closed}, {"reset", Client::Ending::Reset}, {"silent", Client::Ending::StillOpen}};
  for (int i = 0; i < kCount; ++i) {
    const std::string& role = roles.at(FarmAddress(i));
    SCOPED_TRACE(FarmAddress(i) + " " + role);
    if (role == "dead") {
      EXPECT_EQ(ConnectWithin(FarmAddress(i).c_str(), kPort, 300), Connecting::TimedOut);
    } else {
      EXPECT_EQ(clients[i]->AwaitEnd(role == "silent" ? 300 : 3000), endingOf.at(role));
    }
  }
  farm->Signal(SIGTERM);
  EXPECT_EQ(farm->Wait(5000), 0);
  const std::vector<Json> lines = JsonLines(farm->Output());

  // Every event names a printer of the farm, and a job's events name the
  // printer that job was sent to.
  for (const Json& e : lines) {
    ASSERT_TRUE(e.contains("printer")) << e;
    ASSERT_EQ(roles.count(e["printer"]), 1u) << e;
  }
  std::map<std::string, std::vector<std::string>> reasons;
  for (const Json& e : EventsOf(lines, "job_end")) reasons[e["printer"]].push_back(e["reason"]);
  for (const Json& e : EventsOf(lines, "command")) {
    const int i = std::stoi(e["printer"].get<std::string>().substr(9)) - 1;
    EXPECT_EQ(e["value"], i % 17) << e;
  }

  const std::vector<Json> states = EventsOf(lines, "state");
  ASSERT_EQ(states.size(), static_cast<size_t>(kCount));
  for (int i = 0; i < kCount; ++i) {
    const std::string& role = roles.at(FarmAddress(i));
    SCOPED_TRACE(FarmAddress(i) + " " + role);
    EXPECT_EQ(states[i]["printer"], FarmAddress(i));
    const Json& settings = states[i]["settings"];
    const std::map<std::string, std::vector<std::string>> wantReasons = {
        {"live", {"closed"}}, {"reset", {"reset"}}, {"silent", {"stopped"}}, {"dead", {}}};
    EXPECT_EQ(reasons[FarmAddress(i)], wantReasons.at(role));
    if (role == "dead") {
      EXPECT_EQ(settings, Json::object());
    } else if (role != "reset") {
      // Exactly what it was sent: its own value and nothing else.
      EXPECT_EQ(settings, (Json{{"bid", BidSettingOf(i)}}));
    }
  }
}

// --state-every-job: after each job the state of that printer only;
// --exit-after-jobs counts the jobs of all printers together.
TEST(Farm, StateAfterEachJobIsThatPrintersAndJobsCountAcrossTheFarm) {
  auto farm = StartFarm("127.0.60.31", 3, {"--state-every-job", "--exit-after-jobs", "3", "--timeout", "20"},
                        "127.0.60.33");
  ASSERT_TRUE(farm->Listening()) << farm->Output();
  for (int i = 0; i < 3; ++i) {
    Client client(("127.0.60." + std::to_string(31 + i)).c_str(), kPort);
    ASSERT_TRUE(client.SendAll(BidOf(i)));
    client.EndSending();
    ASSERT_EQ(client.AwaitEnd(3000), Client::Ending::Closed);
  }
  EXPECT_EQ(farm->Wait(5000), 0);
  const std::vector<Json> lines = JsonLines(farm->Output());
  std::vector<Json> afterJobs;
  for (size_t k = 1; k < lines.size(); ++k) {
    if (lines[k]["event"] == "state" && lines[k - 1]["event"] == "job_end") {
      EXPECT_EQ(lines[k]["printer"], lines[k - 1]["printer"]);
      afterJobs.push_back(lines[k]);
    }
  }
  ASSERT_EQ(afterJobs.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(afterJobs[i]["printer"], "127.0.60." + std::to_string(31 + i));
    EXPECT_EQ(afterJobs[i]["settings"], (Json{{"bid", BidSettingOf(i)}}));
  }
  // Each printer counts its own jobs; the final states follow, one each.
  for (const Json& e : EventsOf(lines, "job_start")) EXPECT_EQ(e["job"], 1) << e;
  EXPECT_EQ(EventsOf(lines, "state").size(), 6u);
  EXPECT_EQ(lines.back()["printer"], "127.0.60.33");
}

// Readable lines start with the printer's address; recorded jobs are named
// after their printer, whose job numbers are its own.
TEST(Farm, TextLinesAndRecordedJobsNameThePrinter) {
  ScratchDir record;
  auto farm = std::make_unique<ServingPrinter>(
      std::vector<std::string>{"--farm", "127.0.60.51", "2", "--text", "--record", record.Path(), "--timeout", "20"});
  ASSERT_TRUE(farm->WaitFor("[127.0.60.52] listening on tcp 127.0.60.52:9100 (live)", 3000)) << farm->Output();
  for (const char* address : {"127.0.60.51", "127.0.60.52"}) {
    Client client(address, kPort);
    ASSERT_TRUE(client.SendAll(BidOf(address[10] - '0')));
    client.EndSending();
    ASSERT_EQ(client.AwaitEnd(3000), Client::Ending::Closed);
  }
  farm->Signal(SIGTERM);
  EXPECT_EQ(farm->Wait(5000), 0);
  std::istringstream lines(farm->Output());
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("  ", 0) == 0) continue;  // the settings under a state line
    EXPECT_TRUE(line.rfind("[127.0.60.51] ", 0) == 0 || line.rfind("[127.0.60.52] ", 0) == 0) << line;
  }
  for (int i : {1, 2}) {
    const std::string recorded = Slurp(record.Path() + "/127.0.60.5" + std::to_string(i) + "-job-1.bin");
    EXPECT_EQ(Bytes(recorded.begin(), recorded.end()), BidOf(i)) << i;
  }
}

}  // namespace
