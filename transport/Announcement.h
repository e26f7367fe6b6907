// Decoding of the UDP datagrams in which printers announce themselves.
// Platform-free: nothing here includes <windows.h>, so it builds natively
// for unit tests and fuzzing.
#pragma once
#include <cstddef>

// The marker that starts a printer announcement datagram.
constexpr char kAnnouncementMarker[] = "KVFOUND";
constexpr size_t kAnnouncementMarkerLength = 7;
// Bytes received per datagram; a longer datagram fails to arrive whole and
// the listener skips it.
constexpr size_t kAnnouncementDatagramBytes = 520;

// One announced printer. All fields are cleared before they are filled.
struct FoundPrinter {
  unsigned char mac[64];   // the MAC address in the first 6 bytes
  char senderAddress[64];  // the datagram's source address, dotted text
  char firstAddress[64];   // the announcement's first address, dotted text
  char secondAddress[64];  // the announcement's second address, dotted text
};

// Writes the four bytes of an IPv4 address (network order) as dotted text
// into out (at least 16 bytes).
void FormatDottedAddress(const unsigned char address[4], char out[16]);

// Decodes one received datagram of `received` bytes. The marker is looked
// for as text: the search stops at the first zero byte and at the end of
// the datagram. Bytes of the announcement that lie beyond the datagram read
// as zero. sender is the datagram's source address (network order). Returns
// true and fills out when the datagram is an announcement.
bool DecodeAnnouncement(const unsigned char* datagram, size_t received,
                        const unsigned char sender[4], FoundPrinter* out);
