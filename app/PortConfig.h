// Config Port: the serial settings kept for every COM send, and the
// parallel ports' transmission retry timeout in the registry.
#pragma once
#include <windows.h>

// 1 when settings were applied (and kept); 0 after a failure message.
int ConfigureComPort(const wchar_t* portName);
// 0 when the registry key cannot be opened; 1 after the dialog closed.
int ConfigureLptPort(const wchar_t* portName);

extern int LptRetryTimeout;  // the value shown when the LPT dialog opens
