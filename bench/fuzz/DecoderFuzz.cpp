// Native libFuzzer target for the virtual printer's decoder: any bytes, fed
// in pieces whose sizes come from the input itself, must frame exactly as
// the whole stream at once, never read out of bounds, and account for every
// byte; every framed command is described, and the masked hex of the whole
// input keeps the plain hex's shape with only key and PIN bytes as "**".
//   clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -I../.. -I/usr/include \
//     DecoderFuzz.cpp ../../emulator/core/*.cpp -o /tmp/decoder_fuzz
//   /tmp/decoder_fuzz -runs=1000000
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "emulator/core/Decoder.h"
#include "emulator/core/Describe.h"

namespace {

// Frames as (offset, size, command or unframed/truncated marker), each
// command also described (the field parsing runs on every frame).
class Frames : public vprinter::DecoderSink {
 public:
  void OnCommand(const vprinter::Frame& frame) override {
    const vprinter::Description d = vprinter::Describe(frame);
    seen.push_back({frame.offset, frame.size, frame.layout->name, d.ok});
    covered += frame.size;
  }
  void OnUnframed(uint64_t offset, uint64_t count, const uint8_t* head, size_t headSize) override {
    if (headSize > vprinter::kUnframedHeadBytes || headSize > count) __builtin_trap();
    seen.push_back({offset, count, "unframed", false});
    covered += count;
  }
  void OnTruncated(const vprinter::CommandLayout*, const uint8_t*, size_t size, uint64_t offset) override {
    seen.push_back({offset, size, "truncated", false});
    covered += size;
  }
  struct Seen {
    uint64_t offset, size;
    const char* what;
    bool ok;
    bool operator==(const Seen& o) const {
      return offset == o.offset && size == o.size && what == o.what && ok == o.ok;
    }
  };
  std::vector<Seen> seen;
  uint64_t covered = 0;
};

std::vector<Frames::Seen> Decode(const uint8_t* data, size_t size, size_t piece) {
  Frames frames;
  vprinter::Decoder decoder(frames);
  for (size_t at = 0; at < size;) {
    const size_t n = piece < size - at ? piece : size - at;
    // An exact copy of the piece, so a read past it is caught.
    std::vector<uint8_t> copy(data + at, data + at + n);
    decoder.Feed(copy.data(), copy.size());
    at += n;
  }
  decoder.Finish();
  // Every byte is in exactly one frame, run or truncated command.
  if (frames.covered != size || decoder.Consumed() != size) __builtin_trap();
  return frames.seen;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t piece = 1 + data[0] % 13;
  const auto whole = Decode(data + 1, size - 1, size);
  if (Decode(data + 1, size - 1, piece) != whole) __builtin_trap();
  const std::string plain = vprinter::HexBytes(data + 1, size - 1);
  const std::string masked = vprinter::HexMasked(data + 1, size - 1);
  if (masked.size() != plain.size()) __builtin_trap();
  for (size_t i = 0; i < plain.size(); ++i) {
    if (masked[i] != plain[i] && masked[i] != '*') __builtin_trap();
  }
  return 0;
}
