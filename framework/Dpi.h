// The DPI a window is shown at, and system sizes for a DPI. Windows before
// 10 (1607) lack the per-window functions; there the system DPI stands in.
#pragma once
#include <windows.h>

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

constexpr UINT kDefaultDpi = 96;

// The DPI of the monitor window is shown on (as the system reports it to
// this process), or the system DPI where the system cannot tell per window.
UINT WindowDpi(HWND window);

// GetSystemMetrics(index) for dpi.
int SystemMetricForDpi(int index, UINT dpi);

// value (pixels at 96 DPI) at dpi.
inline int ScaleForDpi(int value, UINT dpi) { return ::MulDiv(value, static_cast<int>(dpi), kDefaultDpi); }
