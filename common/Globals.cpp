#include "common/Globals.h"

HWND MainWindow = nullptr;
TransportSelection* CurrentSelection = nullptr;
wchar_t* PrinterAddressText = nullptr;
DCB* StoredSerialSettings = nullptr;
void (*RefreshCurrentSelection)() = nullptr;
int (*PreSendCheck)() = nullptr;
