#!/bin/bash
# Runs a test command (run-test.sh and the test program) in a Wine prefix
# made for it: created with wineboot, headless, served by a wineserver of its
# own, and removed afterwards.
set -u
source "$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/scripts/env.sh"
T="$(mktemp -d /tmp/swprefix.XXXXXX)"
export SW_WINEPREFIX="$T/prefix"
export WINEPREFIX="$SW_WINEPREFIX"
cleanup() {
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  rm -rf "$T"
}
trap cleanup EXIT
"$SW_WINE" wineboot -i >"$T/wineboot.log" 2>&1
"$SW_WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
wineserver -w
[ -f "$WINEPREFIX/system.reg" ] || { cat "$T/wineboot.log"; echo "FAIL: no fresh prefix"; exit 1; }
wineserver -p
"$@"
