// Platform-free pieces of the transports: port name trimming, the USB
// device path match and the decoding of printer announcements. Nothing here
// includes <windows.h>, so it builds natively for unit tests and fuzzing.
#pragma once
#include <cstddef>

// Serial and parallel port names are trimmed into a work buffer of this size.
constexpr size_t kPortNameChars = 32;

// Copies name into out (capacity outChars, at least 1), dropping one
// trailing ':'. Returns false, with out cleared, when the trimmed name plus
// its terminator does not fit or name is null; a name is never cut.
bool TrimPortName(const wchar_t* name, wchar_t* out, size_t outChars);

// Writes prefix followed by text into out (capacity outChars). Returns
// false, with out cleared, when the whole result does not fit.
bool JoinText(const wchar_t* prefix, const wchar_t* text, wchar_t* out, size_t outChars);

// True when path names the supported printer: it contains both "VID_0FE6"
// and "PID_811E", or both "vid_0fe6" and "pid_811e" (case-sensitive).
int IsSupportedUsbPath(const wchar_t* path);

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
