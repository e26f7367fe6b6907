// The rules for port and device names: which list entries name serial and
// parallel ports, the entries of the main dialog's port list, the trimming of
// a port name for opening it, and the match of the supported USB printer's
// device path. Platform-free: nothing here includes <windows.h>, so it builds
// natively for unit tests and fuzzing.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The entry of the port list that sends to the network printer.
constexpr wchar_t kEthernetEntry[] = L"Ethernet";

// Serial and parallel port names are trimmed into a work buffer of this size.
constexpr size_t kPortNameChars = 32;

// "COM..." or "LPT..." (any case) ending with ':', as the spooler lists them.
bool IsComPortName(const wchar_t* name);
bool IsLptPortName(const wchar_t* name);

// "COM" or "com" in a device's friendly name followed by its digits
// ("USB Serial Port (COM3)" gives "COM3"); empty when neither occurs.
std::wstring ComPortFromFriendlyName(const wchar_t* friendlyName);

// The port list's entries in the order they are added: COM ports found as
// device interfaces (with ':' appended), then the spooler's LPT ports, then,
// only when no COM interface was found, the spooler's COM ports; finally
// "Ethernet". An empty spooler list gives only "Ethernet".
std::vector<std::wstring> BuildPortEntries(const std::vector<std::wstring>& comInterfacePorts,
                                           const std::vector<std::wstring>& spoolerPorts);

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

// Reads a printer's IPv4 address strictly: four decimal numbers, each 0 to 255,
// separated by dots, no leading zeros (system parsers read "010" as octal 8,
// so such a text could reach another printer than the one checked), no
// signs, spaces or anything after. Returns null and sets *value (host byte
// order) when the text is an address, else a reason in plain English.
const char* ParseStrictIpv4(const char* text, uint32_t* value);
