#!/bin/bash
# Peak memory of `virtual-printer decode -` over captures of growing size
# (typical sends, and random bytes), streamed through a pipe so no file is
# needed. Flat memory: the peak does not grow with the stream.
#   bench/decoder-memory.sh [native build folder]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
NATIVE="${1:-$ROOT/build/native}"
cmake --build "$NATIVE" -j2 --target virtual-printer decoder_bench -- --no-print-directory >/dev/null
for kind in typical random; do
  for mb in 16 256 1024; do
    arg=""; [ "$kind" = random ] && arg=random
    start=$(date +%s.%N)
    peak=$( { "$NATIVE/decoder_bench" emit "$mb" $arg | /usr/bin/time -f %M "$NATIVE/virtual-printer" decode - >/dev/null; } 2>&1 | tail -1)
    end=$(date +%s.%N)
    printf '%-8s %5d MB  peak RSS %6d kB  %.1f s\n' "$kind" "$mb" "$peak" "$(echo "$end - $start" | bc)"
  done
done
