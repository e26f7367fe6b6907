// One event loop serves every connection: clients that send nothing or
// read nothing, a delayed reply and a thousand connections at once hold up
// no one; a stop signal still ends with the state line.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include "tests/emulator/native/Program.h"

using namespace vprinter_test;

namespace {

using Clock = std::chrono::steady_clock;

int MsSince(Clock::time_point start) {
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

const Bytes kBid = {0x1F, 0x42, 0x01, 0x10};
const Bytes kNetworkRequest = {0x1F, 0x73};
const Bytes kModelQuery = {0x1F, 0x1B, 0x1A, 0x04, 0x01, 0x00};

// One job: sends, half-closes, and reads until the printer closes; the
// time that took in ms, or -1 when the printer did not close within waitMs.
int ServedWithinMs(const char* address, const Bytes& bytes, int waitMs) {
  const Clock::time_point start = Clock::now();
  Client client(address, TestPort());
  if (!client.Connected() || !client.SendAll(bytes)) return -1;
  client.EndSending();
  return client.ReadToClose(waitMs) ? MsSince(start) : -1;
}

// One client connects and sends nothing; another sends a request and never
// reads the reply. A third client is still served at once, and --timeout
// still ends the program.
TEST(Serve, ClientsThatSendOrReadNothingHoldUpNoOther) {
  ServingPrinter printer({"--tcp", "127.0.77.3:" + std::to_string(TestPort()), "--timeout", "3"});
  ASSERT_TRUE(printer.Listening()) << printer.Output();
  Client idle("127.0.77.3", TestPort());
  ASSERT_TRUE(idle.Connected());
  Client deaf("127.0.77.3", TestPort());
  ASSERT_TRUE(deaf.SendAll(kModelQuery));
  ASSERT_TRUE(printer.WaitFor("\"reply\"", 2000));

  const int ms = ServedWithinMs("127.0.77.3", kBid, 2000);
  EXPECT_GE(ms, 0);
  EXPECT_LT(ms, 1000);
  EXPECT_EQ(printer.Wait(6000), 0);  // the timeout, with both clients still there
  const std::vector<Json> lines = JsonLines(printer.Output());
  std::vector<std::string> reasons;
  for (const Json& end : EventsOf(lines, "job_end")) reasons.push_back(end["reason"]);
  std::sort(reasons.begin(), reasons.end());
  EXPECT_EQ(reasons, (std::vector<std::string>{"closed", "stopped", "stopped"}));
  EXPECT_EQ(lines.back()["settings"]["bid"]["value"], 16);
}

// --reply-delay waits on a timer: meanwhile another connection is served.
TEST(Serve, ReplyDelayHoldsUpOnlyItsOwnReply) {
  ServingPrinter printer({"--tcp", "127.0.77.4:" + std::to_string(TestPort()), "--reply-delay", "1500",
                          "--timeout", "20", "--exit-after-jobs", "2"});
  ASSERT_TRUE(printer.Listening()) << printer.Output();
  const Clock::time_point start = Clock::now();
  Client asking("127.0.77.4", TestPort());
  ASSERT_TRUE(asking.SendAll(kNetworkRequest));
  asking.EndSending();
  ASSERT_TRUE(printer.WaitFor("read_network_settings", 1000));

  const int ms = ServedWithinMs("127.0.77.4", kBid, 3000);
  EXPECT_GE(ms, 0);
  EXPECT_LT(ms, 1000);
  Bytes reply;
  EXPECT_TRUE(asking.ReadToClose(5000, &reply));
  EXPECT_GE(MsSince(start), 1400);
  EXPECT_EQ(std::string(reply.begin(), reply.end()), std::string("192.168.1.87-9100-255.255.255.0-192.168.1.1") + '\0');
  EXPECT_EQ(printer.Wait(5000), 0);
}

// A thousand clients are connected at once, then each sends a job: every
// one is served and none is reset.
TEST(Serve, AThousandConnectionsAtOnceAreAllServed) {
  constexpr int kClients = 1000;
  ServingPrinter printer({"--tcp", "127.0.77.5:" + std::to_string(TestPort()), "--exit-after-jobs",
                          std::to_string(kClients), "--timeout", "60"});
  ASSERT_TRUE(printer.Listening()) << printer.Output();
  std::vector<std::unique_ptr<Client>> clients;
  for (int i = 0; i < kClients; ++i) {
    clients.push_back(std::make_unique<Client>("127.0.77.5", TestPort()));
    ASSERT_TRUE(clients.back()->Connected()) << i;
  }
  for (auto& client : clients) {
    ASSERT_TRUE(client->SendAll(kBid));
    client->EndSending();
  }
  int closed = 0;
  for (auto& client : clients) closed += client->ReadToClose(10000) ? 1 : 0;
  EXPECT_EQ(closed, kClients);
  EXPECT_EQ(printer.Wait(10000), 0);
  const std::vector<Json> lines = JsonLines(printer.Output());
  const std::vector<Json> ends = EventsOf(lines, "job_end");
  ASSERT_EQ(ends.size(), static_cast<size_t>(kClients));
  for (const Json& end : ends) ASSERT_EQ(end["reason"], "closed") << end;
  EXPECT_EQ(EventsOf(lines, "command").size(), static_cast<size_t>(kClients));
}

// SIGTERM and SIGINT end the program as its other ends do: open jobs end
// as "stopped" and the final state line follows.
TEST(Serve, StopSignalsEndWithTheStateLine) {
  for (const int signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal);
    ServingPrinter printer({"--tcp", "127.0.77.6:" + std::to_string(TestPort()), "--timeout", "30"});
    ASSERT_TRUE(printer.Listening()) << printer.Output();
    ASSERT_GE(ServedWithinMs("127.0.77.6", kBid, 3000), 0);
    Client open("127.0.77.6", TestPort());
    ASSERT_TRUE(printer.WaitFor("\"job\":2", 2000));
    printer.Signal(signal);
    EXPECT_EQ(printer.Wait(3000), 0);
    const std::vector<Json> lines = JsonLines(printer.Output());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back()["event"], "state");
    EXPECT_EQ(lines.back()["settings"]["bid"]["value"], 16);
    const std::vector<Json> ends = EventsOf(lines, "job_end");
    ASSERT_EQ(ends.size(), 2u);
    EXPECT_EQ(ends[1]["reason"], "stopped");
  }
}

}  // namespace
