// Native fuzz target of the platform-free page logic (not part of the
// Windows build). Build and run on the Linux host:
//   clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -I. \
//     tests/settings/CommandFuzz.cpp settings/CommandFrame.cpp settings/Encoders.cpp -o /tmp/command-fuzz
//   /tmp/command-fuzz -max_total_time=60
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/Encoders.h"

using namespace commands;

namespace {
bool Lead(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t selector = data[0];
  const size_t split = 1 + (data[1] % (size - 1));
  const std::string first(reinterpret_cast<const char*>(data + 1), split - 1);
  const std::string second(reinterpret_cast<const char*>(data + split), size - split);

  NetworkReply reply = ParseNetworkReply(data + 1, size - 1);
  if (reply.count < 0 || reply.count > 4) abort();
  uint32_t address = 0;
  ParseDottedAddress(first, &address);

  NumberField field = ReadNumberField(first, selector * 300u);
  if (field.status == NumberStatus::Ok && field.value > selector * 300u) abort();

  WifiInput wifi;
  wifi.ssid = first;
  wifi.security = static_cast<WifiSecurity>(selector % 3);
  wifi.pskKey = second;
  wifi.wepKey = second;
  Encoded encoded = EncodeWifiCommand(wifi);
  if (encoded.Ok() && (encoded.bytes.size() > kWifiBufferBytes || encoded.bytes[2] != first.size())) abort();

  std::string cut = CutBluetoothName(first, (selector & 1) ? Lead : nullptr);
  if (cut.size() > kBluetoothNameMaxBytes || first.compare(0, cut.size(), cut) != 0) abort();
  encoded = EncodeBluetoothCommand(first, second, (selector & 1) ? Lead : nullptr);
  if (encoded.Ok() && encoded.bytes.size() != kBluetoothCommandBytes) abort();

  PanelInput panel;
  panel.pageTop = panel.leftSpace = panel.pinBroken = panel.compression = true;
  panel.pageTopMm = first;
  panel.leftSpaceValue = second;
  encoded = EncodePanelCommands(panel);
  if (encoded.Ok() && encoded.bytes.size() > kPageBufferBytes) abort();

  UserDefInput user{true, first, true, selector};
  encoded = EncodeUserDefCommands(user);
  if (encoded.Ok() && encoded.bytes.size() != 9) abort();
  return 0;
}
