#include "transport/TransportText.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

bool TrimPortName(const wchar_t* name, wchar_t* out, size_t outChars) {
  if (out == nullptr || outChars == 0) return false;
  out[0] = L'\0';
  if (name == nullptr) return false;
  // Measure without reading further than one character past what could fit.
  size_t length = 0;
  while (length <= outChars && name[length] != L'\0') ++length;
  if (length > 0 && length <= outChars && name[length - 1] == L':') --length;
  if (length >= outChars) return false;
  wmemcpy(out, name, length);
  out[length] = L'\0';
  return true;
}

bool JoinText(const wchar_t* prefix, const wchar_t* text, wchar_t* out, size_t outChars) {
  if (out == nullptr || outChars == 0) return false;
  out[0] = L'\0';
  if (prefix == nullptr || text == nullptr) return false;
  const size_t prefixLength = wcslen(prefix);
  const size_t textLength = wcslen(text);
  if (prefixLength >= outChars || textLength >= outChars - prefixLength) return false;
  wmemcpy(out, prefix, prefixLength);
  wmemcpy(out + prefixLength, text, textLength);
  out[prefixLength + textLength] = L'\0';
  return true;
}

int IsSupportedUsbPath(const wchar_t* path) {
  if (path == nullptr) return 0;
  if (wcsstr(path, L"PID_811E") != nullptr && wcsstr(path, L"VID_0FE6") != nullptr) return 1;
  if (wcsstr(path, L"pid_811e") != nullptr && wcsstr(path, L"vid_0fe6") != nullptr) return 1;
  return 0;
}

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
