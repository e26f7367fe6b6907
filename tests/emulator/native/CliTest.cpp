// The native program as a user runs it: its exit codes and the serve loop
// over a loopback connection.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "tests/emulator/native/Collect.h"

using namespace vprinter_test;

namespace {

struct Result {
  int code;
  std::string out, err;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs the program through the shell with output captured in files.
Result RunProgram(const std::string& args, const std::string& stdinFile = "/dev/null") {
  char dir[] = "/tmp/vptest.XXXXXX";
  const std::string d = mkdtemp(dir);
  const std::string command = std::string(VPRINTER_EXE) + " " + args + " <" + stdinFile + " >" + d +
                              "/out 2>" + d + "/err";
  const int status = system(command.c_str());
  Result result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(d + "/out"), Slurp(d + "/err")};
  system(("rm -rf " + d).c_str());
  return result;
}

std::vector<Json> JsonLines(const std::string& text) {
  std::vector<Json> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(Json::parse(line));
  return lines;
}

int Connect(unsigned short port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  for (int i = 0; i < 100; ++i) {
    if (connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof(to)) == 0) return fd;
    usleep(50000);
  }
  close(fd);
  return -1;
}

TEST(Cli, UsageErrorsGiveOneLineAndExitCode2) {
  for (const char* args : {"serve --tcp 127.0.0.1:9100 --bogus", "serve", "serve --tcp nonsense", "frobnicate",
                           "serve --pipe usb", "decode /nonexistent/capture", "--model '' decode"}) {
    SCOPED_TRACE(args);
    const Result r = RunProgram(args);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_TRUE(r.out.empty());
  }
}

TEST(Cli, PortInUseGivesExitCode2) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof(at);
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof(at)), 0);
  ASSERT_EQ(listen(fd, 1), 0);
  getsockname(fd, reinterpret_cast<sockaddr*>(&at), &length);
  const Result r = RunProgram("serve --tcp 127.0.0.1:" + std::to_string(ntohs(at.sin_port)) + " --timeout 5");
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
  const unsigned short port = 19100 + getpid() % 500;
  char dir[] = "/tmp/vpserve.XXXXXX";
  const std::string d = mkdtemp(dir);
  const std::string command = std::string(VPRINTER_EXE) + " serve --tcp 127.0.0.1:" + std::to_string(port) +
                              " --exit-after-jobs 2 --timeout 20 --reset-after-bytes 100000 --record " + d +
                              " >" + d + "/out 2>&1 &";
  ASSERT_EQ(system(command.c_str()), 0);

  int fd = Connect(port);
  ASSERT_GE(fd, 0);
  const unsigned char bid[] = {0x1F, 0x42, 0x01, 0x10, 0x10, 0x43};
  ASSERT_EQ(send(fd, bid, sizeof(bid), 0), 6);
  shutdown(fd, SHUT_WR);
  char ignored;
  EXPECT_EQ(recv(fd, &ignored, 1, 0), 0);  // the printer closes in turn
  close(fd);

  fd = Connect(port);
  ASSERT_GE(fd, 0);
  std::vector<unsigned char> large(8 << 20, 0x55);
  ssize_t sent = 0, n = 0;
  while (sent < static_cast<ssize_t>(large.size()) &&
         (n = send(fd, large.data() + sent, large.size() - sent, MSG_NOSIGNAL)) > 0) {
    sent += n;
  }
  EXPECT_LT(n, 0);  // the reset ends the send
  EXPECT_EQ(errno, ECONNRESET);
  close(fd);

  for (int i = 0; i < 100 && Slurp(d + "/out").find("\"state\"") == std::string::npos; ++i) usleep(100000);
  const std::vector<Json> lines = JsonLines(Slurp(d + "/out"));
  std::vector<Json> commands, ends;
  for (const Json& e : lines) {
    if (e["event"] == "command") commands.push_back(e);
    if (e["event"] == "job_end") ends.push_back(e);
  }
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(commands[0]["cmd"], "bid");
  EXPECT_EQ(commands[0]["value"], 16);
  EXPECT_EQ(commands[0]["raw"], "1F 42 01 10");
  ASSERT_EQ(ends.size(), 2u);
  EXPECT_EQ(ends[0]["reason"], "closed");
  EXPECT_EQ(ends[1]["reason"], "reset_after_bytes");
  EXPECT_EQ(ends[1]["bytes"], 100000);
  EXPECT_EQ(lines.back()["settings"]["bid"]["direction"], "right");
  EXPECT_EQ(Slurp(d + "/job-1.bin"), std::string(reinterpret_cast<const char*>(bid), sizeof(bid)));
  system(("rm -rf " + d).c_str());
}

}  // namespace
