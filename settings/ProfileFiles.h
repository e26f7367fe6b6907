// Profile files on Windows: reading a whole file (refused when too large
// before anything is read), writing one, and the ANSI code page conversion
// the encoders need.
#pragma once
#include <string>

#include "settings/Profile.h"

namespace profile {

// The whole file; false with a reason when it cannot be opened or read or
// is larger than kMaxProfileBytes.
bool ReadProfileFile(const std::wstring& path, std::string* text, std::string* why);
// Replaces the file with text; false with a reason on failure.
bool WriteProfileFile(const std::wstring& path, const std::string& text, std::string* why);
// UTF-8 to the ANSI code page, exactly or not at all (see AnsiText.h), and
// its lead bytes.
TextCodec AnsiCodec();

}  // namespace profile
