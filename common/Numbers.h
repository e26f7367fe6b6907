// Numbers typed by the user or stored as text. Platform-free: nothing here
// includes <windows.h>, so it builds natively for unit tests.
#pragma once

// Parses a decimal integer like the C runtime's wtoi: leading blanks and a
// sign allowed, stops at the first non-digit, 0 without digits; clamps
// instead of overflowing.
int ParseDecimal(const wchar_t* text);

// The value of a text made only of decimal digits, at most limit; an empty
// text is 0. False (value untouched) for any other character or a larger
// number.
bool ParseDigits(const wchar_t* text, unsigned limit, unsigned* value);
