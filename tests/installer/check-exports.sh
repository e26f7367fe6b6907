#!/bin/bash
# Checks that the 32-bit Spoolkit.dll exports exactly the ten functions under
# their plain names (no "@N" decoration, no extra symbols).
# Exit 77 (skipped) when the DLL has not been built.
DLL="$1"
if [ ! -f "$DLL" ]; then
  echo "skipped: $DLL not built"
  exit 77
fi
OBJDUMP=i686-w64-mingw32-objdump
if ! "$OBJDUMP" -f "$DLL" | grep -q "file format pei-i386"; then
  echo "not a 32-bit DLL: $DLL"
  exit 1
fi
actual="$("$OBJDUMP" -p "$DLL" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p' | sort)"
expected="$(printf '%s\n' ConfigCOM DeletePointer EnumPrinterPorts GetMonitors GetPrinterName \
  GetRegStr InstallDriver KVAddPort SetRegStr WriteLog | sort)"
if [ "$actual" != "$expected" ]; then
  echo "export names differ"
  echo "expected:"; echo "$expected"
  echo "actual:"; echo "$actual"
  exit 1
fi
echo "Spoolkit.dll exports the ten plain names"
