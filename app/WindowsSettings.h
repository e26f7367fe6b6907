// String values of HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Windows.
#pragma once
#include <windows.h>

// Read/write a REG_SZ value of HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Windows.
// 1 when the key could be opened, 0 otherwise. buffer holds 260 wide characters.
int ReadWindowsString(const wchar_t* valueName, wchar_t* buffer);
int WriteWindowsString(const wchar_t* valueName, const wchar_t* text);
