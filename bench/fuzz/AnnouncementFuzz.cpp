// Native fuzz target for the platform-free transport code:
// announcement decoding, port name trimming and the USB path match.
//   clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -I../.. \
//     AnnouncementFuzz.cpp ../../transport/Announcement.cpp ../../transport/PortNames.cpp \
//     -o announcement_fuzz
//   ./announcement_fuzz -max_total_time=60
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <vector>

#include "transport/Announcement.h"
#include "transport/PortNames.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The datagram exactly as received: a copy of just `size` bytes, so any
  // read past it is caught.
  std::vector<unsigned char> datagram(data, data + size);
  const unsigned char sender[4] = {127, 0, 0, 1};
  FoundPrinter found;
  if (DecodeAnnouncement(datagram.data(), datagram.size(), sender, &found)) {
    if (memchr(found.firstAddress, 0, sizeof(found.firstAddress)) == nullptr) __builtin_trap();
    if (memchr(found.secondAddress, 0, sizeof(found.secondAddress)) == nullptr) __builtin_trap();
  }

  // The same bytes as a wide-character name (zero-terminated copy).
  std::vector<wchar_t> name(size / sizeof(wchar_t) + 1, L'\0');
  if (size >= sizeof(wchar_t)) memcpy(name.data(), data, (name.size() - 1) * sizeof(wchar_t));
  wchar_t trimmed[kPortNameChars];
  wchar_t path[kPortNameChars];
  if (TrimPortName(name.data(), trimmed, kPortNameChars)) {
    if (JoinText(L"\\\\.\\", trimmed, path, kPortNameChars) && wcslen(path) >= kPortNameChars) {
      __builtin_trap();
    }
  } else if (trimmed[0] != L'\0') {
    __builtin_trap();
  }
  IsSupportedUsbPath(name.data());
  return 0;
}
