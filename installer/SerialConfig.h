// Default configuration of a serial port through the system's dialog.
#pragma once

namespace spoolkit {

// Shows the configuration dialog for the port (with or without one trailing
// colon) and stores the result as the port's default; 1 when stored.
int configCom(const wchar_t* portName);

}  // namespace spoolkit
