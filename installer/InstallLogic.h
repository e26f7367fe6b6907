// Platform-free decisions and text handling of Spoolkit: route choice,
// monitor and port names, bounded text building, quoting of command
// arguments, the INF catalogue and version test, the file list of the
// driver package, USB path matching and the model-name reply.
// Nothing here includes <windows.h>, so it also builds natively.
#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace spoolkit {

// ---- Text building (every fixed buffer is written through these) ----

// Copies src into out (capacity cap, terminator included). When src does not
// fit, out becomes empty and the result is false.
bool copyText(wchar_t* out, size_t cap, const wchar_t* src);
// out = concatenation of parts; all-or-nothing like copyText.
bool joinText(wchar_t* out, size_t cap, std::initializer_list<const wchar_t*> parts);
bool joinText(char* out, size_t cap, std::initializer_list<const char*> parts);

// True when s cannot be passed safely as a quoted argument of the "cmd /C"
// command line: a double quote or a line break would end the argument early;
// cmd.exe expands "%NAME%" even between quotes (and a variable's value may
// itself hold a quote); a trailing backslash would escape the closing quote
// in the receiving program's argument parsing.
bool hasUnsafeCommandChar(const wchar_t* s);
// Replaces the string in buf by the same string between double quotes.
// Refuses (false, buf unchanged) a string that hasUnsafeCommandChar refuses,
// and one whose quoted form does not fit in cap.
bool quoteInPlace(wchar_t* buf, size_t cap);

// The system's printer-install command for the four quoted arguments.
bool buildInstallCommand(wchar_t* out, size_t cap, const wchar_t* quotedPrinter,
                         const wchar_t* quotedInf, const wchar_t* quotedPort,
                         const wchar_t* quotedDriver);
// "cmd /C " + command.
bool buildProcessCommandLine(wchar_t* out, size_t cap, const wchar_t* command);

// ---- Paths ----

// Directory part of a full path, ending with its backslash ("" when there is none).
bool directoryOf(const wchar_t* fullPath, wchar_t* out, size_t cap);
// The Windows INF directory for a system directory such as C:\Windows\System32:
// the text before the second backslash, followed by "\inf".
bool windowsInfDirectory(const wchar_t* systemDir, wchar_t* out, size_t cap);

// ---- Installation route ----

enum class Route {
  CommandLine,            // doInstall -> InstallByCmd
  NewInstallCommandLine,  // doInstall -> NewInstall -> InstallByCmd
  NewInstallHardwareId,   // doInstall -> NewInstall -> execuByHardwardID
};

// The models whose port name decides between plug-and-play and command line.
bool isListedModel(const wchar_t* modelName);
// Route of NewInstall: a port whose name names USB but is not a monitor
// port ("USB PORT:" / "usb port:") goes plug-and-play.
Route newInstallRoute(const wchar_t* portName);
// Route for the model name the printer reported and the caller's port name.
Route chooseRoute(const wchar_t* modelName, const wchar_t* portName);
// Folder of the driver package for the system language.
const wchar_t* languageFolder(bool chineseSystem);
// Spooler environment name.
const wchar_t* environmentNameFor(bool is64BitSystem);

// ---- Monitor and port ----

bool isKorvelPort(const wchar_t* portName);
const wchar_t* monitorNameFor(const wchar_t* portName);
const char* monitorNameForA(const wchar_t* portName);
const char* spoolerPortNameFor(const wchar_t* portName);
// A monitor listed by GetMonitors: a TCP/IP or a USB printer monitor.
bool monitorQualifies(const wchar_t* monitorName);

// ---- INF catalogue and version test ----

extern const char kDriverVersionLine[];  // "DriverVer=08/17/2016, 2.2.0.0"

// True when the file content holds both the catalogue line of the driver and
// the driver version line, either as 8-bit text (driverNameA is the driver
// name in the ANSI code page) or as UTF-16LE text (driverNameW). The 8-bit
// test reads up to the first zero byte, the UTF-16LE test up to the first
// zero unit at an even offset, as C string searches would.
bool infContentMatches(const unsigned char* data, size_t size, const char* driverNameA,
                       const wchar_t* driverNameW);

// ---- File list of the driver package ----

// Appends "," + name to list (capacity cap); false (list unchanged) when it
// does not fit.
bool appendListEntry(wchar_t* list, size_t cap, const wchar_t* name);
// Appends the closing ",".
bool closeList(wchar_t* list, size_t cap);

// ---- USB model query ----

// Device interface path of the maker's printer: both ids in upper case or
// both in lower case.
bool usbPathMatches(const wchar_t* devicePath);
// Extracts the model name of a 64-byte reply: byte 4 is N; when N > 1 the
// name is the N - 1 bytes from byte 6 (at most 58), ended early by a zero.
// Returns true with the name in name (zero terminated, at most nameCap - 1
// bytes), or false when the reply carries no name (name untouched).
bool decodeModelReply(const unsigned char* reply, size_t replyCap, char* name, size_t nameCap);

// ---- Serial port name ----

// Port name without one trailing colon; false when it does not fit in cap.
bool portWithoutColon(const wchar_t* name, wchar_t* out, size_t cap);

}  // namespace spoolkit
