// The spooler's ports and printers and the system's COM ports: what the main
// dialog lists and SetwrightCmd's list prints.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Spooler ports (EnumPortsW level 2) and COM ports of the COM-port interface class.
std::vector<std::wstring> EnumSpoolerPorts();
std::vector<std::wstring> EnumComPorts();
std::vector<std::wstring> EnumLocalPrinters();
