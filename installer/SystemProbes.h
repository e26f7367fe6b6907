// Facts about the system and the calling program that the installation
// steps ask for: bitness, the driver environment name, the system language
// and the program's directory.
#pragma once
#include <cstddef>

namespace spoolkit {

// True on a 64-bit system (AMD64 or IA64), also for a 32-bit module under WOW64.
bool is64BitSystem();
// "Windows x64" or "Windows NT x86".
const wchar_t* environmentName();
// System default language is Chinese (PRC), 2052.
bool isChineseSystem();
// Directory of the calling program's executable with its trailing
// backslash, into out (capacity cap). False when the path does not fit.
bool programDirectory(wchar_t* out, size_t cap);

}  // namespace spoolkit
