// The USB printer outside a send: the search for the supported printer among
// the present USB devices and the timed read of its reply.
#pragma once
#include <windows.h>

constexpr int kUsbPathChars = 260;
constexpr DWORD kUsbReplyWaitMs = 1000;

// Writes the device path of the first supported printer into outPath
// (kUsbPathChars); 1 when one was found, else 0 with outPath untouched.
int FindUsbPrinter(wchar_t* outPath);
// Timed read of a reply from the USB printer (1000 ms wait); shows its own failure boxes.
int ReadFromUsb(const wchar_t* devicePath, unsigned char* buffer, unsigned int* inOutLength,
                int unused);
