// Speed of the virtual printer's decoder on a large capture, as ratios
// against a baseline pass over the same bytes measured in the same run:
//   baseline  one pass that reads every byte (a checksum)
//   framing   the decoder alone (events counted, not described)
//   full      decode, describe and format every event as a JSON line
// The three are interleaved round by round; each line gives the median and
// the spread (min..max) over the rounds.
//   decoder_bench [MB] [rounds]
//   decoder_bench emit MB [random]   writes a capture to standard output
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "emulator/core/Session.h"
#include "settings/Encoders.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<unsigned char>;

// One block of typical sends, a little garbage between them.
Bytes Pattern() {
  Bytes block;
  auto add = [&block](const Bytes& b) { block.insert(block.end(), b.begin(), b.end()); };
  commands::PanelInput panel;
  panel.pinBroken = panel.pageTop = panel.tableAuto = panel.lineFeed = panel.direction = panel.pageLength =
      panel.leftSpace = panel.compression = true;
  panel.pageTopMm = "100";
  panel.leftSpaceValue = "60";
  add(commands::EncodePanelCommands(panel).bytes);
  add(commands::EncodeBidCommands({"16", 1}).bytes);
  add(commands::EncodeSerialCommand({5, 0, 2, 1, 2}).bytes);
  add(commands::EncodeAddressCommands({0xC0A80157, 0xFFFFFF00, 0xC0A80101}).bytes);
  commands::WifiInput wifi;
  wifi.ssid = "shop-floor-network";
  wifi.security = commands::WifiSecurity::Wpa;
  wifi.pskKey = "a-long-enough-pass-key";
  add(commands::EncodeWifiCommand(wifi).bytes);
  add(commands::EncodeBluetoothCommand({"bluetooth", "5291"}, nullptr).bytes);
  add({'n', 'o', 'i', 's', 'e'});
  return block;
}

Bytes Capture(size_t bytes) {
  const Bytes block = Pattern();
  Bytes capture;
  capture.reserve(bytes + block.size());
  while (capture.size() < bytes) capture.insert(capture.end(), block.begin(), block.end());
  return capture;
}

class CountFrames : public vprinter::DecoderSink {
 public:
  void OnCommand(const vprinter::Frame& frame) override { count += frame.size; }
  void OnUnframed(uint64_t, uint64_t n, const uint8_t*, size_t) override { count += n; }
  void OnTruncated(const vprinter::CommandLayout*, const uint8_t*, size_t n, uint64_t) override { count += n; }
  uint64_t count = 0;
};

class FormatLines : public vprinter::EventSink {
 public:
  void Emit(const vprinter::Json& event, const std::string&) override {
    chars += event.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).size() + 1;
  }
  uint64_t chars = 0;
};

uint64_t sink_ = 0;  // keeps results alive

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double Baseline(const Bytes& capture) {
  const auto start = Clock::now();
  uint64_t sum = 0;
  for (unsigned char b : capture) sum = sum * 31 + b;
  sink_ += sum;
  return Seconds(start);
}

double Framing(const Bytes& capture) {
  const auto start = Clock::now();
  CountFrames frames;
  vprinter::Decoder decoder(frames);
  for (size_t at = 0; at < capture.size(); at += 65536) {
    decoder.Feed(capture.data() + at, std::min<size_t>(65536, capture.size() - at));
  }
  decoder.Finish();
  if (frames.count != capture.size()) std::abort();
  sink_ += frames.count;
  return Seconds(start);
}

double Full(const Bytes& capture) {
  const auto start = Clock::now();
  vprinter::Printer printer{vprinter::PrinterConfig{}};
  FormatLines lines;
  vprinter::Session session(printer, lines, "bench", nullptr, {});
  session.Start();
  for (size_t at = 0; at < capture.size(); at += 65536) {
    session.Feed(capture.data() + at, std::min<size_t>(65536, capture.size() - at));
  }
  session.End("end");
  sink_ += lines.chars;
  return Seconds(start);
}

struct Spread {
  double median, min, max;
};
Spread Of(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return {values[values.size() / 2], values.front(), values.back()};
}

int Emit(size_t megabytes, bool random) {
  Bytes chunk = random ? Bytes(1 << 20) : Capture(1 << 20);
  unsigned state = 12345;
  for (size_t i = 0; i < megabytes; ++i) {
    if (random) {
      for (unsigned char& b : chunk) b = static_cast<unsigned char>((state = state * 1103515245 + 12345) >> 16);
    }
    if (fwrite(chunk.data(), 1, 1 << 20, stdout) != (1u << 20)) return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && strcmp(argv[1], "emit") == 0) {
    return Emit(static_cast<size_t>(atol(argv[2])), argc >= 4 && strcmp(argv[3], "random") == 0);
  }
  const size_t megabytes = argc > 1 ? static_cast<size_t>(atol(argv[1])) : 64;
  const int rounds = argc > 2 ? atoi(argv[2]) : 7;
  const Bytes capture = Capture(megabytes << 20);
  std::vector<double> base, framing, full, framingRatio, fullRatio;
  for (int round = 0; round < rounds; ++round) {
    const double b = Baseline(capture), f = Framing(capture), u = Full(capture);
    base.push_back(capture.size() / b / 1e6);
    framing.push_back(capture.size() / f / 1e6);
    full.push_back(capture.size() / u / 1e6);
    framingRatio.push_back(f / b);
    fullRatio.push_back(u / b);
  }
  const double mb = capture.size() / 1e6;
  printf("capture: %.1f MB of typical sends, %d rounds, interleaved\n", mb, rounds);
  const Spread sb = Of(base), sf = Of(framing), su = Of(full), rf = Of(framingRatio), ru = Of(fullRatio);
  printf("baseline (checksum pass): %8.1f MB/s  (%.1f..%.1f)\n", sb.median, sb.min, sb.max);
  printf("decoder framing:          %8.1f MB/s  (%.1f..%.1f)  time x%.2f of baseline (%.2f..%.2f)\n",
         sf.median, sf.min, sf.max, rf.median, rf.min, rf.max);
  printf("decode+describe+JSON:     %8.1f MB/s  (%.1f..%.1f)  time x%.2f of baseline (%.2f..%.2f)\n",
         su.median, su.min, su.max, ru.median, ru.min, ru.max);
  return sink_ == 42 ? 1 : 0;
}
