#pragma once
#include <windows.h>

// Creates the main dialog and runs the message loop until it closes.
// Returns the loop's exit code (1 OK, 2 Cancel/close box), or 0 when the
// main dialog cannot be created.
int Run(LPWSTR commandLine, int showCommand);
