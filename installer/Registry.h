// String values under HKEY_LOCAL_MACHINE for the installer.
#pragma once

namespace spoolkit {

// Sets valueName of the existing key keyPath to data (REG_SZ). 1 when the
// key could be opened, whatever the write gave; 0 otherwise.
int setRegStr(const wchar_t* keyPath, const wchar_t* valueName, const wchar_t* data);
// Reads valueName of keyPath into buffer (260 characters). 1 when the key
// could be opened, else 0. A missing value leaves buffer untouched; a value
// of another type, or one longer than 259 characters, leaves an empty
// string; the buffer is always terminated when it was written.
int getRegStr(const wchar_t* keyPath, const wchar_t* valueName, wchar_t* buffer);

}  // namespace spoolkit
