// What the package tests look at in their prefix: files and folders, known
// folders, registry values, the deletions scheduled for the next restart.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace package_test {

// The folder of the running test program, with a trailing backslash: the
// packages lie below it in dist\.
std::wstring ProgramDir();
std::wstring KnownFolder(int csidl);
bool Exists(const std::wstring& path);
// Paths of the files below root (relative, backslashes), found recursively.
std::vector<std::wstring> ListFiles(const std::wstring& root);
std::string Narrow(const std::wstring& text);
std::wstring ReadText(const std::wstring& path);
bool WriteText(const std::wstring& path, const std::string& text);

// A string or number value below HKLM; "<missing>" / 0 when absent.
std::wstring RegistryText(const std::wstring& key, const wchar_t* name, HKEY root = HKEY_LOCAL_MACHINE);
DWORD RegistryNumber(const std::wstring& key, const wchar_t* name);
bool KeyExists(const std::wstring& key);

// The paths (without the \??\ prefix) that the system deletes at the next
// restart (PendingFileRenameOperations entries without a new name).
std::vector<std::wstring> DeletedAtRestart();

// Runs a command line and returns its exit code (999 when it does not end
// within two minutes).
DWORD RunCommand(const std::wstring& commandLine);

}  // namespace package_test
