// The native program as a user runs it: its exit codes, the serve loop over
// a loopback connection, and what its output shows of secrets and of
// control characters a client sends.
#include <gtest/gtest.h>

#include <cstring>

#include "settings/Encoders.h"
#include "tests/emulator/native/Program.h"

using namespace vprinter_test;

namespace {

TEST(Cli, UsageErrorsGiveOneLineAndExitCode2) {
  for (const char* args : {"serve --tcp 127.0.77.1:9100 --bogus", "serve", "serve --tcp nonsense", "frobnicate",
                           "serve --pipe usb", "decode /nonexistent/capture", "--model '' decode"}) {
    SCOPED_TRACE(args);
    const Result r = RunProgram(args);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_TRUE(r.out.empty());
  }
}

// A negative number is refused before it could wrap round into a huge
// unsigned limit; the line names the option and the value.
TEST(Cli, NegativeNumbersAreRefused) {
  for (const char* option : {"--timeout", "--exit-after-jobs", "--accept-bytes", "--reset-after-bytes",
                             "--reply-delay"}) {
    for (const char* form : {" -1", "=-1", " -0.5"}) {
      const std::string args = std::string("serve --tcp 127.0.77.1:9100 ") + option + form;
      SCOPED_TRACE(args);
      const Result r = RunProgram(args);
      EXPECT_EQ(r.code, 2);
      EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
      EXPECT_NE(r.err.find(option), std::string::npos) << r.err;
      EXPECT_NE(r.err.find("0 or more"), std::string::npos) << r.err;
      EXPECT_TRUE(r.out.empty());
    }
  }
}

TEST(Cli, PortInUseGivesExitCode2) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  inet_pton(AF_INET, "127.0.77.2", &at.sin_addr);
  socklen_t length = sizeof(at);
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof(at)), 0);
  ASSERT_EQ(listen(fd, 1), 0);
  getsockname(fd, reinterpret_cast<sockaddr*>(&at), &length);
  const Result r = RunProgram("serve --tcp 127.0.77.2:" + std::to_string(ntohs(at.sin_port)) + " --timeout 5");
  close(fd);
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("cannot listen"), std::string::npos) << r.err;
}

TEST(Cli, DecodeOfRandomBytesNeverCrashes) {
  char path[] = "/tmp/vprandom.XXXXXX";
  const int fd = mkstemp(path);
  std::vector<unsigned char> bytes(1 << 20);
  unsigned state = 1;
  for (unsigned char& b : bytes) b = static_cast<unsigned char>((state = state * 1103515245 + 12345) >> 16);
  ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  close(fd);
  const Result r = RunProgram("decode -", path);
  unlink(path);
  EXPECT_EQ(r.code, 0) << r.err;
  const std::vector<Json> lines = JsonLines(r.out);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2]["event"], "job_end");
  EXPECT_EQ(lines[lines.size() - 2]["bytes"], bytes.size());
  EXPECT_EQ(lines.back()["event"], "state");
}

// A job over TCP, then a second one that is cut with a reset.
TEST(Cli, ServeTcpDecodesEachConnectionAndResetsOnRequest) {
  ScratchDir record;
  const std::string port = std::to_string(TestPort());
  ServingPrinter printer({"--tcp", "127.0.77.1:" + port, "--exit-after-jobs", "2", "--timeout", "20",
                          "--reset-after-bytes", "100000", "--record", record.Path()});
  ASSERT_TRUE(printer.Listening()) << printer.Output();

  const Bytes bid = {0x1F, 0x42, 0x01, 0x10, 0x10, 0x43};
  {
    Client client("127.0.77.1", TestPort());
    ASSERT_TRUE(client.Connected());
    ASSERT_TRUE(client.SendAll(bid));
    client.EndSending();
    EXPECT_TRUE(client.ReadToClose(5000));  // the printer closes in turn
  }
  {
    Client client("127.0.77.1", TestPort());
    ASSERT_TRUE(client.Connected());
    std::vector<unsigned char> large(8 << 20, 0x55);
    ssize_t sent = 0, n = 0;
    while (sent < static_cast<ssize_t>(large.size()) &&
           (n = send(client.Fd(), large.data() + sent, large.size() - sent, MSG_NOSIGNAL)) > 0) {
      sent += n;
    }
    EXPECT_LT(n, 0);  // the reset ends the send
    EXPECT_EQ(errno, ECONNRESET);
  }

  EXPECT_EQ(printer.Wait(10000), 0);
  const std::vector<Json> lines = JsonLines(printer.Output());
  const std::vector<Json> commands = EventsOf(lines, "command");
  const std::vector<Json> ends = EventsOf(lines, "job_end");
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(commands[0]["cmd"], "bid");
  EXPECT_EQ(commands[0]["value"], 16);
  EXPECT_EQ(commands[0]["raw"], "1F 42 01 10");
  ASSERT_EQ(ends.size(), 2u);
  EXPECT_EQ(ends[0]["reason"], "closed");
  EXPECT_EQ(ends[1]["reason"], "reset_after_bytes");
  EXPECT_EQ(ends[1]["bytes"], 100000);
  EXPECT_EQ(lines.back()["settings"]["bid"]["direction"], "right");
  EXPECT_EQ(Slurp(record.Path() + "/job-1.bin"), std::string(bid.begin(), bid.end()));
}

// A capture with a Wi-Fi key, a Bluetooth PIN, and a Wi-Fi command cut
// short inside its key, decoded in each output form.
class Secrets : public ::testing::Test {
 protected:
  static constexpr const char* kKey = "Zq8kp-secret";
  static constexpr const char* kPin = "918273";
  void SetUp() override {
    commands::WifiInput wifi;
    wifi.ssid = "shop";
    wifi.security = commands::WifiSecurity::Wpa;
    wifi.pskKey = kKey;
    const Bytes whole = commands::EncodeWifiCommand(wifi).bytes;
    Bytes bytes = whole;
    const Bytes bluetooth = commands::EncodeBluetoothCommand("bt", kPin, nullptr).bytes;
    bytes.insert(bytes.end(), bluetooth.begin(), bluetooth.end());
    bytes.insert(bytes.end(), whole.begin(), whole.end() - 4);  // ends inside the key
    capture_ = dir_.Write("capture.bin", bytes);
  }
  Result Decode(const std::string& options) { return RunProgram(options + " decode " + capture_); }
  // Neither the key nor the PIN, as text or as hex, anywhere in `out`.
  static void ExpectNoSecret(const std::string& out) {
    for (const std::string& secret : {std::string(kKey), std::string(kPin), std::string(kKey).substr(0, 6)}) {
      EXPECT_EQ(out.find(secret), std::string::npos) << secret << " in\n" << out;
      const std::string hex = vprinter::HexBytes(reinterpret_cast<const uint8_t*>(secret.data()), 3);
      EXPECT_EQ(out.find(hex), std::string::npos) << hex << " in\n" << out;
    }
  }
  ScratchDir dir_;
  std::string capture_;
};

TEST_F(Secrets, MaskedInJsonTextRawAndState) {
  const Result json = Decode("");
  ASSERT_EQ(json.code, 0) << json.err;
  ExpectNoSecret(json.out);
  const std::vector<Json> lines = JsonLines(json.out);
  const std::vector<Json> commands = EventsOf(lines, "command");
  ASSERT_EQ(commands.size(), 2u);
  // The length stays visible: "**" per byte.
  EXPECT_NE(commands[0]["raw"].get<std::string>().find("0C ** ** ** ** ** ** ** ** ** ** ** ** 00"),
            std::string::npos) << commands[0];
  EXPECT_EQ(commands[1]["pin"], "************");
  EXPECT_EQ(lines.back()["settings"]["bluetooth"]["pin"], "************");
  const std::vector<Json> truncated = EventsOf(lines, "truncated");
  ASSERT_EQ(truncated.size(), 1u);
  EXPECT_NE(truncated[0]["raw"].get<std::string>().find("0C ** ** **"), std::string::npos) << truncated[0];

  const Result text = Decode("--text");
  ASSERT_EQ(text.code, 0) << text.err;
  ExpectNoSecret(text.out);
  EXPECT_NE(text.out.find("pin ************"), std::string::npos) << text.out;
}

TEST_F(Secrets, ShownInClearWithShowSecrets) {
  const Result json = Decode("--show-secrets");
  ASSERT_EQ(json.code, 0) << json.err;
  const std::vector<Json> lines = JsonLines(json.out);
  const std::vector<Json> commands = EventsOf(lines, "command");
  ASSERT_EQ(commands.size(), 2u);
  const std::string keyHex = vprinter::HexBytes(reinterpret_cast<const uint8_t*>(kKey), strlen(kKey));
  EXPECT_NE(commands[0]["raw"].get<std::string>().find(keyHex), std::string::npos) << commands[0];
  EXPECT_EQ(commands[1]["pin"], kPin);
  EXPECT_EQ(lines.back()["settings"]["bluetooth"]["pin"], kPin);

  const Result text = Decode("--text --show-secrets");
  EXPECT_NE(text.out.find(std::string("pin ") + kPin), std::string::npos) << text.out;
}

// An SSID and a Bluetooth name full of control characters: each readable
// line stays one line with the characters written as \xNN, and the JSON
// lines carry none of them raw.
TEST(Cli, ControlCharactersFromAClientAreEscaped) {
  commands::WifiInput wifi;
  wifi.ssid = "a\x1b[31m\nstate: forged\r\x7f\x9b\\";
  wifi.security = commands::WifiSecurity::Open;
  Bytes bytes = commands::EncodeWifiCommand(wifi).bytes;
  const Bytes bluetooth = commands::EncodeBluetoothCommand("b\x1b]0;x\x07", "1234", nullptr).bytes;
  bytes.insert(bytes.end(), bluetooth.begin(), bluetooth.end());
  ScratchDir dir;
  const std::string capture = dir.Write("capture.bin", bytes);

  const Result text = RunProgram("--text decode " + capture);
  ASSERT_EQ(text.code, 0) << text.err;
  EXPECT_NE(text.out.find("\"a\\x1b[31m\\x0astate: forged\\x0d\\x7f\\x9b\\\\\""), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("name \"b\\x1b]0;x\\x07\""), std::string::npos) << text.out;
  // job start, two commands, job end, and the state of two settings.
  EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n'), 4 + 3) << text.out;
  EXPECT_EQ(text.out.find("\nstate: forged"), std::string::npos);
  for (const char raw : {'\x1b', '\x07', '\x7f', '\r'}) EXPECT_EQ(text.out.find(raw), std::string::npos);
  EXPECT_EQ(text.out.find("\xc2\x9b"), std::string::npos);

  const Result json = RunProgram("decode " + capture);
  for (const char raw : {'\x1b', '\x07', '\x7f', '\r'}) EXPECT_EQ(json.out.find(raw), std::string::npos);
  EXPECT_EQ(json.out.find("\xc2\x9b"), std::string::npos);
  const std::vector<Json> commands = EventsOf(JsonLines(json.out), "command");
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(commands[0]["ssid"], "a\x1b[31m\nstate: forged\r\x7f\xc2\x9b\\");  // Latin-1 0x9B as U+009B
}

}  // namespace
