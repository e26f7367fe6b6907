// The decoder on streams: pieces of any size, garbage, streams that end
// inside a command, and the replies of the two requests.
#include <gtest/gtest.h>

#include <random>

#include "settings/Encoders.h"
#include "tests/emulator/native/Collect.h"

using namespace vprinter_test;

namespace {

void Append(Bytes& to, const Bytes& bytes) { to.insert(to.end(), bytes.begin(), bytes.end()); }

// Several sends back to back with garbage between some of them.
Bytes MixedStream() {
  Bytes stream = {'x', 'y'};
  commands::PanelInput panel;
  panel.pageTop = panel.leftSpace = panel.compression = true;
  panel.pageTopMm = "100";
  panel.leftSpaceValue = "60";
  Append(stream, commands::EncodePanelCommands(panel).bytes);
  Append(stream, {0x00, 0xFF, 0x10, 0x99});  // garbage, then a prefix with an unknown letter
  commands::WifiInput wifi;
  wifi.ssid = "shop";
  wifi.security = commands::WifiSecurity::Wpa;
  wifi.pskKey = "secret-key";
  Append(stream, commands::EncodeWifiCommand(wifi).bytes);
  Append(stream, commands::EncodeBluetoothCommand({"bluetooth", "5291"}, nullptr).bytes);
  Append(stream, {0x1F, 0x1F, 0x10});  // prefixes that start nothing
  Append(stream, commands::EncodeSerialCommand({5, 0, 2, 1, 2}).bytes);
  Append(stream, {0x1F, 0x1B, 0x1A, 0x04, 0x01, 0x00});
  return stream;
}

std::vector<std::string> Lines(const Collect& sink) {
  std::vector<std::string> lines;
  for (const Json& e : sink.events) lines.push_back(e.dump());
  return lines;
}

TEST(Stream, AnyPieceSizeGivesTheSameEvents) {
  const Bytes stream = MixedStream();
  const std::vector<std::string> whole = Lines(DecodeJob(stream));
  EXPECT_EQ(Lines(DecodeJob(stream, 1)), whole);
  EXPECT_EQ(Lines(DecodeJob(stream, 7)), whole);
  // Random cuts.
  std::mt19937 random(42);
  for (int round = 0; round < 20; ++round) {
    vprinter::Printer printer{vprinter::PrinterConfig{}};
    Collect sink;
    vprinter::Session session(printer, sink, "test", nullptr, {});
    session.Start();
    for (size_t at = 0; at < stream.size();) {
      const size_t piece = std::min<size_t>(1 + random() % 40, stream.size() - at);
      session.Feed(stream.data() + at, piece);
      at += piece;
    }
    session.End("end");
    EXPECT_EQ(Lines(sink), whole) << "round " << round;
  }
}

TEST(Stream, GarbageIsUnframedAndTheNextCommandStillDecodes) {
  const Collect sink = DecodeJob(MixedStream());
  std::vector<std::string> names;
  for (const Json& e : sink.Of("command")) names.push_back(e["cmd"]);
  EXPECT_EQ(names, (std::vector<std::string>{"page_top", "left_space", "print_compression", "close", "wifi",
                                             "bluetooth", "serial", "model_name_query"}));
  const std::vector<Json> unframed = sink.Of("unframed");
  ASSERT_EQ(unframed.size(), 3u);
  EXPECT_EQ(unframed[0]["raw"], "78 79");
  EXPECT_EQ(unframed[0]["offset"], 0);
  EXPECT_EQ(unframed[1]["raw"], "00 FF 10 99");
  EXPECT_EQ(unframed[2]["raw"], "1F 1F 10");
  const Json end = sink.Of("job_end").at(0);
  EXPECT_EQ(end["bytes"], MixedStream().size());
  EXPECT_EQ(end["unframed"], 9);
}

TEST(Stream, EndInsideACommandIsReportedAsTruncated) {
  // Stream ends in the middle of a page top command.
  Collect sink = DecodeJob({0x10, 0x42, 0x01, 0x10, 0x44, 0x01});
  ASSERT_EQ(sink.Of("truncated").size(), 1u);
  EXPECT_EQ(sink.Of("truncated")[0]["cmd"], "page_top");
  EXPECT_EQ(sink.Of("truncated")[0]["raw"], "10 44 01");
  EXPECT_EQ(sink.Of("command").size(), 1u);
  // A length byte that runs past the end.
  sink = DecodeJob({0x1F, 0x77, 0xFF, 'a', 'b'});
  EXPECT_EQ(sink.Of("truncated").at(0)["cmd"], "wifi");
  EXPECT_TRUE(sink.Of("command").empty());
  // A lone prefix byte.
  sink = DecodeJob({0x1F});
  EXPECT_FALSE(sink.Of("truncated").at(0).contains("cmd"));
}

TEST(Stream, LongGarbageIsReportedInBoundedParts) {
  Bytes garbage(300000, 0x55);
  const Collect sink = DecodeJob(garbage, 4096);
  const std::vector<Json> unframed = sink.Of("unframed");
  ASSERT_EQ(unframed.size(), 5u);  // 4 x 65536 + the rest
  uint64_t total = 0;
  for (const Json& e : unframed) total += e["bytes"].get<uint64_t>();
  EXPECT_EQ(total, garbage.size());
  EXPECT_EQ(unframed[1]["offset"], 65536);
}

class Capture : public vprinter::ReplyChannel {
 public:
  bool Send(const std::vector<uint8_t>& bytes) override {
    sent.push_back(bytes);
    return true;
  }
  std::vector<std::vector<uint8_t>> sent;
};

TEST(Replies, NetworkTextWithItsZeroAndThe64ByteModelReply) {
  vprinter::PrinterConfig config;
  config.networkReply = "DHCP";
  config.model = "MQ8XX";
  vprinter::Printer printer(config);
  Collect sink;
  Capture back;
  vprinter::Session session(printer, sink, "test", &back, {});
  session.Start();
  const Bytes request = {0x1F, 0x73, 0x1F, 0x1B, 0x1A, 0x04, 0x01, 0x00, 0x1F, 0x48};
  session.Feed(request.data(), request.size());
  session.End("end");
  ASSERT_EQ(back.sent.size(), 2u);
  EXPECT_EQ(back.sent[0], (std::vector<uint8_t>{'D', 'H', 'C', 'P', 0}));
  ASSERT_EQ(back.sent[1].size(), 64u);
  EXPECT_EQ(back.sent[1][4], 6);  // name length + 1
  EXPECT_EQ(std::string(back.sent[1].begin() + 6, back.sent[1].begin() + 11), "MQ8XX");
  EXPECT_EQ(back.sent[1][11], 0);
  ASSERT_EQ(sink.Of("reply").size(), 2u);
  EXPECT_TRUE(sink.Of("reply")[0]["sent"].get<bool>());

  // --no-reply keeps them back but still reports them.
  Capture none;
  vprinter::Session quiet(printer, sink, "test", &none, {true, false});
  quiet.Start();
  quiet.Feed(request.data(), 2);
  quiet.End("end");
  EXPECT_TRUE(none.sent.empty());
  EXPECT_FALSE(sink.Of("reply").back()["sent"].get<bool>());
}

TEST(State, KeepsTheLastValidValueOfEachSettingAndForgetsOnFactoryRestore) {
  vprinter::Printer printer{vprinter::PrinterConfig{}};
  Collect sink;
  vprinter::Session session(printer, sink, "test", nullptr, {});
  session.Start();
  const Bytes first = {0x1F, 0x42, 0x00, 0x05, 0x1F, 0x42, 0x01, 0x10, 0x1F, 0x42, 0x01, 0x20};
  session.Feed(first.data(), first.size());
  Json state = printer.State();
  EXPECT_EQ(state["settings"]["bid"]["value"], 16);  // 0x20 is not valid and not kept
  const Bytes restore = commands::EncodeRestoreFactory().bytes;
  session.Feed(restore.data(), restore.size());
  EXPECT_TRUE(printer.State()["settings"].empty());
  session.End("end");
}

}  // namespace
