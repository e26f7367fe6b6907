// Placeholder until the transports land.
#include "transport/Device.h"

int SendCommand(const unsigned char*, int, int) { return 0; }
int QueryCommand(const unsigned char*, int, unsigned char*, unsigned int*, int) { return 0; }
int FindUsbPrinter(wchar_t*) { return 0; }
int IsSupportedUsbPath(const wchar_t*) { return 0; }
int ReadFromUsb(const wchar_t*, unsigned char*, unsigned int*, int) { return 0; }
