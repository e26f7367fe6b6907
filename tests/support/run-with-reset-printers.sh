#!/bin/bash
# Runs a test program through run-test.sh with three native printers that end
# every job with a reset: 127.0.0.5:9100 without reading anything,
# 127.0.0.6:9100 after reading 65536 bytes and 127.0.0.7:9100 after 3.
set -u
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
BIN="$(mktemp -d /tmp/swreset.XXXXXX)"
cc -O1 -o "$BIN/reset-printer" "$HERE/reset-printer.c" || exit 1
"$BIN/reset-printer" 127.0.0.5 0 & P1=$!
"$BIN/reset-printer" 127.0.0.6 65536 & P2=$!
"$BIN/reset-printer" 127.0.0.7 3 & P3=$!
trap 'kill $P1 $P2 $P3 2>/dev/null; rm -rf "$BIN"' EXIT
sleep 0.2
export SW_RESET_PRINTERS=1
"$HERE/run-test.sh" "$@"
