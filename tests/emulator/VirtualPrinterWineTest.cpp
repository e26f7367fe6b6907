// The virtual printer (VirtualPrinter.exe of this build) at the other end of
// Setwright's real transports: the network send, the USB read-back of Get
// IP through its named pipe, and a send it cuts with a reset; and a
// thousand connections at once, all served by its event loop.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "emulator/core/Describe.h"
#include "resources/pages.h"
#include "settings/Encoders.h"
#include "tests/support/CapturedProgram.h"
#include "tests/support/PageDriver.h"
#include "tests/support/MessageBoxCatcher.h"
#include "transport/Device.h"

using namespace pages_test;
using vprinter::Json;

namespace {

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// VirtualPrinter.exe started with the given arguments; ended when the
// object goes if it still runs.
class VirtualPrinter {
 public:
  explicit VirtualPrinter(const std::string& args)
      : program_(testing_ends::WindowsPathOf(VPRINTER_EXE_UNIX), Widen(args)) {
    // Ready once it says where it listens.
    for (int i = 0; i < 200 && program_.Started() && !Listening(); ++i) Sleep(50);
  }

  bool Listening() const { return program_.Started() && Output().find("listening") != std::string::npos; }
  std::string Output() const { return program_.Output(); }
  // Waits for the program to end (it ends after its jobs) and returns its lines.
  std::vector<Json> Events(DWORD waitMs = 15000) {
    EXPECT_EQ(program_.Wait(waitMs), 0u);
    std::vector<Json> events;
    std::istringstream in(Output());
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty()) events.push_back(Json::parse(line, nullptr, false));
    }
    return events;
  }

 private:
  testing_ends::CapturedProgram program_;
};

std::vector<Json> Of(const std::vector<Json>& events, const char* kind) {
  std::vector<Json> out;
  for (const Json& e : events) {
    if (e.is_object() && e["event"] == kind) out.push_back(e);
  }
  return out;
}

class VirtualPrinterTest : public PagesTest {};

TEST_F(VirtualPrinterTest, NetworkSendDecodesToTheSettingsSent) {
  VirtualPrinter printer("serve --tcp 127.0.81.1:9100 --exit-after-jobs 1 --timeout 30");
  ASSERT_TRUE(printer.Listening()) << printer.Output();
  UseNetwork(127, 0, 81, 1);
  commands::PanelInput panel;
  panel.pageTop = panel.direction = panel.pinBroken = true;
  panel.pageTopSide = 1;
  panel.pageTopMm = "100";
  panel.directionIndex = 1;
  panel.pinEnable = 1;
  const commands::Encoded bytes = commands::EncodePanelCommands(panel);
  ASSERT_TRUE(bytes.Ok());
  MessageBoxCatcher boxes;
  EXPECT_EQ(SendCommand(bytes.bytes.data(), static_cast<int>(bytes.bytes.size()), 1), 1);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].caption, L"SUCCESS");

  const std::vector<Json> events = printer.Events();
  const std::vector<Json> commands = Of(events, "command");
  ASSERT_EQ(commands.size(), 4u) << printer.Output();
  EXPECT_EQ(commands[0]["cmd"], "pin_broken");
  EXPECT_EQ(commands[0]["group"], "1-12");
  EXPECT_EQ(commands[1]["cmd"], "page_top");
  EXPECT_EQ(commands[1]["raw"], "10 44 01 05 89");
  EXPECT_EQ(commands[1]["mm"], 100.0);
  EXPECT_EQ(commands[2]["cmd"], "print_direction");
  EXPECT_EQ(commands[2]["direction"], "unidirectional");
  EXPECT_EQ(commands[3]["cmd"], "close");
  for (const Json& c : commands) {
    EXPECT_TRUE(c["ok"].get<bool>());
    EXPECT_EQ(c["source"].get<std::string>().rfind("tcp 127.", 0), 0u);
  }
  const std::vector<Json> ends = Of(events, "job_end");
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0]["bytes"], bytes.bytes.size());
  EXPECT_EQ(ends[0]["reason"], "closed");
  EXPECT_EQ(events.back()["settings"]["page_top"]["side"], "rear");
}

TEST_F(VirtualPrinterTest, GetIpThroughThePipeFillsTheEthernetPage) {
  const std::string name = "usb#vid_0fe6&pid_811e#vp" + std::to_string(GetCurrentProcessId());
  VirtualPrinter printer("serve --pipe " + name +
                         " --reply-network 10.20.30.40-9101-255.255.0.0-10.20.0.1 --exit-after-jobs 1 --timeout 30");
  ASSERT_TRUE(printer.Listening()) << printer.Output();
  UseUsb(L"\\\\.\\pipe\\" + Widen(name));
  HWND net = Page(kNet);
  Click(net, IDC_NET_RADIO_DHCP);
  MessageBoxCatcher boxes;
  Click(net, IDC_NET_GET_IP);
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_EQ(AddressOf(net, IDC_NET_IP), static_cast<DWORD>(MAKEIPADDRESS(10, 20, 30, 40)));
  EXPECT_EQ(TextOf(net, IDC_NET_PORT), L"9101");
  EXPECT_EQ(AddressOf(net, IDC_NET_MASK), static_cast<DWORD>(MAKEIPADDRESS(255, 255, 0, 0)));
  EXPECT_EQ(AddressOf(net, IDC_NET_GATEWAY), static_cast<DWORD>(MAKEIPADDRESS(10, 20, 0, 1)));
  EXPECT_TRUE(Ticked(net, IDC_NET_RADIO_IP));

  const std::vector<Json> events = printer.Events();
  const std::vector<Json> commands = Of(events, "command");
  ASSERT_EQ(commands.size(), 1u) << printer.Output();
  EXPECT_EQ(commands[0]["cmd"], "read_network_settings");
  const std::vector<Json> replies = Of(events, "reply");
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_TRUE(replies[0]["sent"].get<bool>());
}

// 16 MB cannot sit in the socket buffers: the reset comes while the sender
// is still sending.
TEST_F(VirtualPrinterTest, SendCutWithAResetEndsInSetFail) {
  VirtualPrinter printer("serve --tcp 127.0.81.2:9100 --reset-after-bytes 65536 --exit-after-jobs 1 --timeout 30");
  ASSERT_TRUE(printer.Listening()) << printer.Output();
  UseNetwork(127, 0, 81, 2);
  std::vector<unsigned char> large(16u << 20, 0x55);
  MessageBoxCatcher boxes;
  EXPECT_EQ(SendCommand(large.data(), static_cast<int>(large.size()), 1), 0);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].caption, L"ERROR");
  EXPECT_EQ(boxes.Boxes()[0].text, L"Set fail");

  const std::vector<Json> ends = Of(printer.Events(), "job_end");
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0]["reason"], "reset_after_bytes");
  EXPECT_EQ(ends[0]["bytes"], 65536);
}

// A thousand clients connect at once, then each sends a job and reads until
// the printer closes: every one is served and none is reset.
TEST(VirtualPrinterLoad, AThousandConnectionsAtOnceAreAllServed) {
  constexpr int kClients = 1000;
  VirtualPrinter printer("serve --tcp 127.0.81.3:9100 --exit-after-jobs 1000 --timeout 120");
  ASSERT_TRUE(printer.Listening()) << printer.Output();
  WSADATA wsa{};
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(9100);
  inet_pton(AF_INET, "127.0.81.3", &to.sin_addr);
  std::vector<SOCKET> clients;
  struct Closer {
    std::vector<SOCKET>& sockets;
    ~Closer() {
      for (SOCKET s : sockets) closesocket(s);
      WSACleanup();
    }
  } closer{clients};
  // All connects under way together, then each must complete within 30 s.
  std::vector<WSAPOLLFD> pending;
  for (int i = 0; i < kClients; ++i) {
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    ASSERT_NE(s, INVALID_SOCKET);
    clients.push_back(s);
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    if (connect(s, reinterpret_cast<sockaddr*>(&to), sizeof(to)) != 0) {
      ASSERT_EQ(WSAGetLastError(), WSAEWOULDBLOCK) << i;
    }
    pending.push_back(WSAPOLLFD{s, POLLWRNORM, 0});
  }
  int connected = 0;
  for (const DWORD start = GetTickCount(); !pending.empty() && GetTickCount() - start < 30000;) {
    if (WSAPoll(pending.data(), static_cast<ULONG>(pending.size()), 1000) <= 0) continue;
    for (size_t i = pending.size(); i-- > 0;) {
      if (pending[i].revents == 0) continue;
      if ((pending[i].revents & (POLLERR | POLLHUP)) == 0) ++connected;
      pending.erase(pending.begin() + static_cast<long>(i));
    }
  }
  ASSERT_EQ(connected, kClients);
  for (SOCKET s : clients) {
    u_long blocking = 0;
    ioctlsocket(s, FIONBIO, &blocking);
  }
  const char bid[] = {0x1F, 0x42, 0x01, 0x10};
  int resets = 0, closed = 0;
  for (SOCKET s : clients) {
    if (send(s, bid, sizeof(bid), 0) != static_cast<int>(sizeof(bid))) ++resets;
    shutdown(s, SD_SEND);
  }
  for (SOCKET s : clients) {
    const DWORD waitMs = 20000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&waitMs), sizeof(waitMs));
    char ignored[16];
    const int n = recv(s, ignored, sizeof(ignored), 0);
    if (n == 0) ++closed;
    if (n < 0 && WSAGetLastError() == WSAECONNRESET) ++resets;
  }
  EXPECT_EQ(resets, 0);
  EXPECT_EQ(closed, kClients);
  const std::vector<Json> ends = Of(printer.Events(30000), "job_end");
  EXPECT_EQ(ends.size(), static_cast<size_t>(kClients));
  for (const Json& end : ends) ASSERT_EQ(end["reason"], "closed") << end;
}

}  // namespace

namespace {

// The millimetres the printer's decoder reads back from each command.
class MillimetreSink : public vprinter::DecoderSink {
 public:
  void OnCommand(const vprinter::Frame& frame) override {
    const vprinter::Description d = vprinter::Describe(frame);
    if (d.fields.contains("mm")) {
      mm.push_back(d.ok ? d.fields["mm"].get<double>() : -1.0);
    }
  }
  void OnUnframed(uint64_t, uint64_t, const uint8_t*, size_t) override { mm.push_back(-2.0); }
  void OnTruncated(const vprinter::CommandLayout*, const uint8_t*, size_t, uint64_t) override { mm.push_back(-3.0); }
  std::vector<double> mm;
};

}  // namespace

// The decoder of this build (the code of VirtualPrinter.exe) reads every
// page top and every user page length the pages can send back as the
// millimetres typed: its rounding is the pages' rounding, also where a
// 32-bit build computes in extended precision.
TEST(VirtualPrinterRounding, EveryMillimetreThePagesSendReadsBack) {
  struct {
    int limit;
    commands::Encoded (*encode)(int mm);
  } kinds[] = {
      {100,
       [](int mm) {
         commands::PanelInput in;
         in.pageTop = true;
         in.pageTopMm = std::to_string(mm);
         return commands::EncodePanelCommands(in);
       }},
      {4623,
       [](int mm) {
         commands::UserDefInput in;
         in.pageLength = true;
         in.pageLengthMm = std::to_string(mm);
         return commands::EncodeUserDefCommands(in);
       }},
  };
  for (const auto& kind : kinds) {
    int wrong = 0;
    for (int mm = 0; mm <= kind.limit; ++mm) {
      const commands::Encoded encoded = kind.encode(mm);
      ASSERT_TRUE(encoded.Ok()) << mm;
      MillimetreSink sink;
      vprinter::Decoder decoder(sink);
      decoder.Feed(encoded.bytes.data(), encoded.bytes.size());
      decoder.Finish();
      if (sink.mm.size() != 1 || sink.mm[0] != mm) {
        if (++wrong <= 5) ADD_FAILURE() << mm << " mm read back as " << (sink.mm.empty() ? -9 : sink.mm[0]);
      }
    }
    EXPECT_EQ(wrong, 0) << "of 0.." << kind.limit;
  }
}
