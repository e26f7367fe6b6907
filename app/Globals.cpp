#include "app/Globals.h"

CMainDlg* MainDialog = nullptr;
HWND MainWindow = nullptr;
TransportSelection* CurrentSelection = nullptr;
wchar_t* PrinterAddressText = nullptr;
DCB* StoredSerialSettings = nullptr;
void (*RefreshCurrentSelection)() = nullptr;
