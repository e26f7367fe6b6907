// Synchronous whole-buffer I/O shared by the serial and parallel ports.
#pragma once
#include <windows.h>

#include <string>

#include "transport/Device.h"
#include "transport/SendReasons.h"

// Writes all length bytes with synchronous WriteFile calls (each at most
// 1 GiB); the outcome tells how many the port took. A missing buffer, a
// failed call and a call that took only part of the bytes (a time limit
// passed) all fail with failKey.
inline SendOutcome WriteWholeBuffer(HANDLE file, const unsigned char* data, size_t length,
                                    const char* failKey, DWORD limitMs) {
  if (data == nullptr && length > 0) {
    return FailedOutcome(failKey, "no bytes to send: the buffer is missing");
  }
  size_t done = 0;
  while (done < length) {
    const size_t left = length - done;
    const DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!WriteFile(file, data + done, chunk, &written, nullptr)) {
      const DWORD error = GetLastError();
      return FailedOutcome(failKey,
                           "the write failed (" + SystemErrorText(error) + ") after " +
                               std::to_string(done + written) + " of " + std::to_string(length) +
                               " bytes",
                           done + written);
    }
    done += written;
    if (written < chunk) {
      std::string why = "write cut at " + std::to_string(done) + " of " + std::to_string(length) +
                        " bytes";
      if (limitMs > 0) why += ": the port took no more within " + Seconds(limitMs);
      return FailedOutcome(failKey, why, done);
    }
  }
  return ConfirmedOutcome(length);
}
