#include "transport/Announcement.h"

#include <cstdio>
#include <cstring>

void FormatDottedAddress(const unsigned char address[4], char out[16]) {
  snprintf(out, 16, "%u.%u.%u.%u", address[0], address[1], address[2], address[3]);
}

namespace {

// Position of the marker in the text that starts the datagram (up to its
// first zero byte), or `received` when it is not there.
size_t FindMarker(const unsigned char* datagram, size_t received) {
  size_t textLength = 0;
  while (textLength < received && datagram[textLength] != 0) ++textLength;
  if (textLength < kAnnouncementMarkerLength) return received;
  for (size_t at = 0; at + kAnnouncementMarkerLength <= textLength; ++at) {
    if (memcmp(datagram + at, kAnnouncementMarker, kAnnouncementMarkerLength) == 0) return at;
  }
  return received;
}

// Copies count announcement bytes starting at offset; bytes past the end
// of the datagram read as zero.
void TakeBytes(const unsigned char* datagram, size_t received, size_t offset, unsigned char* out,
               size_t count) {
  for (size_t i = 0; i < count; ++i) {
    out[i] = offset + i < received ? datagram[offset + i] : 0;
  }
}

}  // namespace

bool DecodeAnnouncement(const unsigned char* datagram, size_t received,
                        const unsigned char sender[4], FoundPrinter* out) {
  if (datagram == nullptr || out == nullptr) return false;
  const size_t marker = FindMarker(datagram, received);
  if (marker >= received) return false;

  memset(out, 0, sizeof(*out));
  if (sender != nullptr) FormatDottedAddress(sender, out->senderAddress);
  TakeBytes(datagram, received, marker + 7, out->mac, 6);
  unsigned char address[4];
  TakeBytes(datagram, received, marker + 17, address, 4);
  FormatDottedAddress(address, out->firstAddress);
  TakeBytes(datagram, received, marker + 21, address, 4);
  FormatDottedAddress(address, out->secondAddress);
  return true;
}
