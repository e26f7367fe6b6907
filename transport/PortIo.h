// Synchronous whole-buffer I/O shared by the serial and parallel ports.
#pragma once
#include <windows.h>

// Writes all length bytes in one synchronous WriteFile. A buffer that cannot
// be read (negative length, or no data with a positive length), a failed
// call and a call that accepted only part of the bytes all count as failure.
inline bool WriteWholeBuffer(HANDLE file, const unsigned char* data, int length) {
  if (length < 0 || (data == nullptr && length > 0)) return false;
  DWORD written = 0;
  if (!WriteFile(file, data, static_cast<DWORD>(length), &written, nullptr)) return false;
  return written == static_cast<DWORD>(length);
}

// One synchronous ReadFile of at most *replyLength bytes; the count read
// replaces *replyLength. Succeeds also when nothing was read.
inline int ReadReply(HANDLE file, unsigned char* reply, unsigned int* replyLength) {
  if (replyLength == nullptr || (reply == nullptr && *replyLength > 0)) return 0;
  DWORD read = 0;
  const BOOL ok = ReadFile(file, reply, *replyLength, &read, nullptr);
  *replyLength = read;
  return ok ? 1 : 0;
}
