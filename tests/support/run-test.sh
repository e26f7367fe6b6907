#!/bin/bash
# Runs one Windows test program under Wine with real printer ends laid:
#   COM5 <-> COM6  a socat pty pair (bytes written to COM5 arrive on COM6)
#   LPT5           a regular file, truncated before the test
# The test finds the Unix and Windows paths of its scratch folder in
# SW_TEST_DIR_UNIX and SW_TEST_DIR.
source "$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/scripts/env.sh"
DOS="$WINEPREFIX/dosdevices"

T="$(mktemp -d /tmp/swtest.XXXXXX)"
cleanup() {
  [ -n "${SOCAT_PID:-}" ] && kill "$SOCAT_PID" 2>/dev/null
  rm -f "$DOS/com5" "$DOS/com6" "$DOS/lpt5"
  rm -rf "$T"
}
trap cleanup EXIT

: > "$T/lpt5.bin"
ln -sfn "$T/lpt5.bin" "$DOS/lpt5"
socat pty,raw,echo=0,link="$T/comA" pty,raw,echo=0,link="$T/comB" 2>/dev/null &
SOCAT_PID=$!
for _ in $(seq 1 100); do
  [ -e "$T/comA" ] && [ -e "$T/comB" ] && break
  sleep 0.02
done
ln -sfn "$T/comA" "$DOS/com5"
ln -sfn "$T/comB" "$DOS/com6"

export SW_TEST_DIR_UNIX="$T"
export SW_TEST_DIR="Z:$(echo "$T" | tr / '\\')"
cd "$(dirname "$1")"
"$SW_WINE" "$@" > "$T/wine.out" 2>&1 &
WPID=$!
wait $WPID
RC=$?
cat "$T/wine.out"
exit $RC
