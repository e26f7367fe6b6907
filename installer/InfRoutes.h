// The free steps of the INF installation routes: running the install
// command, counting the installed printers, reading and installing an INF,
// recording the package's file list.
#pragma once
#include <windows.h>

#include <vector>

namespace spoolkit {

int getSpecifiedPrinterCount(const wchar_t* driverName, const wchar_t* printerName);
bool ExecuteCmdByProcess(const wchar_t* application, const wchar_t* command);
bool FuncInst(const wchar_t* infPath, const wchar_t* hardwareId);
bool isValidFilePath(const wchar_t* path);
bool InstallInfFile(const wchar_t* hardwareId, const wchar_t* infPath, BOOL* rebootRequired);
bool SaveFileName(const wchar_t* srcDir, const wchar_t* driverName, const wchar_t* environment);
// Reads a whole file in binary mode (no end-of-file character, no line-end translation).
bool readWholeFile(const wchar_t* path, std::vector<unsigned char>& data);

}  // namespace spoolkit
