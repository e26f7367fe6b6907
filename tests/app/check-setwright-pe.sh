#!/bin/bash
# Checks the 32-bit Setwright.exe as shipped: a 32-bit Windows GUI program
# that imports only system DLLs (C++ runtime and libintl linked in), with
# its manifest (common controls 6, DPI awareness, no code page of its own),
# icon, version and dialog resources.
# Exit 77 (skipped) when the deliverable has not been built.
EXE="$1/Setwright.exe"
[ -f "$EXE" ] || { echo "no $EXE"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }
OBJ=i686-w64-mingw32-objdump
HEADERS="$($OBJ -p "$EXE")"
echo "$HEADERS" | grep -q 'file format pei-i386' || fail "not a 32-bit PE"
echo "$HEADERS" | grep -q 'Subsystem.*Windows GUI' || fail "not a GUI program"
DLLS="$(echo "$HEADERS" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)"
echo "imports: $(echo $DLLS)"
for dll in $DLLS; do
  case "$dll" in
    kernel32.dll|user32.dll|gdi32.dll|comctl32.dll|advapi32.dll|setupapi.dll|winspool.drv|ws2_32.dll|iphlpapi.dll|ole32.dll|msvcrt.dll|shell32.dll|comdlg32.dll) ;;
    api-ms-win-crt-*|api-ms-win-core-*) ;;
    *) fail "unexpected import $dll" ;;
  esac
done
# Version 1.0.0.1 and the manifest's dependency on common controls 6.
strings -el "$EXE" | grep -qx '1.0.0.1' || fail "no version 1.0.0.1"
strings "$EXE" | grep -q 'Microsoft.Windows.Common-Controls' || fail "no common-controls manifest"
strings "$EXE" | grep -q 'asInvoker' || fail "manifest does not ask for asInvoker"
# Per-monitor (v2) DPI awareness, system aware where Windows lacks it; the
# ANSI code page stays the system's (no active code page of its own).
MANIFEST="$(strings "$EXE" | sed -n '/<assembly/,/<\/assembly>/p')"
echo "$MANIFEST" | grep -q '<dpiAwareness[^>]*>PerMonitorV2, System</dpiAwareness>' || fail "manifest lacks per-monitor v2 DPI awareness"
echo "$MANIFEST" | grep -q '<dpiAware[^>]*>true</dpiAware>' || fail "manifest lacks the system-aware fallback"
echo "$MANIFEST" | grep -qi 'activeCodePage' && fail "manifest sets an active code page"
strings -el "$EXE" | grep -q 'Configure LPT Port' || fail "no LPT dialog template"
echo "Setwright.exe: 32-bit GUI, system imports only, resources present"
