// Program-wide values shared by the main dialog, the port configuration,
// the transports and the tab pages, and the two hooks through which the
// lower layers reach the main dialog. All of them live on the UI thread.
#pragma once
#include <windows.h>

enum TransportKind : int {
  Com = 0,
  Lpt = 1,
  Ethernet = 2,
  Usb = 3,
  PrinterDriver = 4,
};

constexpr int kTransportNameChars = 260;

// Where the next command goes.
struct TransportSelection {
  int kind;
  wchar_t name[kTransportNameChars];
};

constexpr int kPrinterAddressChars = 32;

extern HWND MainWindow;                     // owner of transport/config boxes
extern TransportSelection* CurrentSelection;// published by the main dialog
extern wchar_t* PrinterAddressText;         // 32 wide chars, dotted IPv4 text
extern DCB* StoredSerialSettings;           // null until a COM port was configured

// Set by the main dialog: reads the transport the dialog shows into
// CurrentSelection. Every dispatch calls it first, so a send always goes to
// the port, queue or printer on screen when the button was pressed.
extern void (*RefreshCurrentSelection)();

// Set by the main dialog: the check before a page with a port check sends.
// 1 when a command may be sent; 0 after a message box told the user why not.
extern int (*PreSendCheck)();
// Runs the main dialog's pre-send check; without a main dialog nothing may be sent.
inline int CheckPortReady() { return PreSendCheck != nullptr ? PreSendCheck() : 0; }
