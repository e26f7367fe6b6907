// The trace log "PinLog.txt" beside the calling program: one line per step.
#pragma once
#include <cstddef>

namespace spoolkit {

// Appends the bytes of message (exactly length bytes) and a carriage return
// and line feed to the log. A log that cannot be opened or written shows a
// message box ("ERROR") and is otherwise ignored.
void WriteLog2File(const char* message, size_t length);
// One fixed trace line.
void logLine(const char* line);
// An error line: prefix + " err = " + number + CR LF (the writer adds its own line end).
void logError(const char* prefix, unsigned long error);

}  // namespace spoolkit
