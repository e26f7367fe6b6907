#!/bin/bash
# The fleet bench: SetwrightCmd applies one profile (four groups, a BID value
# of each printer's own from the targets file) to a farm of virtual printers
# on loopback, 10 % of them dead and 5 % resetting. Each round runs, one
# after another:
#   baseline-50    50 printers, one target after another (--jobs 1)
#   fleet-100      100 printers, --jobs 256
#   fleet-1000     1,000 printers, --jobs 256
#   fleet-100-j32  100 printers, --jobs 32   (memory: the same number of
#   fleet-1000-j32 1,000 printers, --jobs 32  worker threads for both counts)
# and checks every run: each live printer holds exactly what it was sent,
# each dead one is failed in the report with its reason, no resetting one is
# confirmed. Prints the figures over all rounds (bench/README.md).
#   bench/fleet/run.sh [ROUNDS=3]
# FLEET_TIMEOUT (seconds, default 5) is given as --timeout and as
# --connect-timeout: a dead printer takes the whole of it. The runs go to
# FLEET_OUT (default build/fleet-bench), emptied first.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$ROOT/scripts/env.sh"
ROUNDS="${1:-3}"
TIMEOUT="${FLEET_TIMEOUT:-5}"
HERE="$ROOT/bench/fleet"
OUT="${FLEET_OUT:-$SW_BUILD/fleet-bench}"
VP="$SW_BUILD/native/virtual-printer"
CMD="$SW_BUILD/SetwrightCmd.exe"

cmake --build "$SW_BUILD" -j2 --target SetwrightCmd -- --no-print-directory >/dev/null
cmake -S "$ROOT/emulator/native" -B "$SW_BUILD/native" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$SW_BUILD/native" -j2 --target virtual-printer -- --no-print-directory >/dev/null
rm -rf "$OUT"
mkdir -p "$OUT"

# One wineserver for the whole run, so no run waits for one to start or end.
wineserver -k 2>/dev/null || true
wineserver -p
FARM_PID=""
finish() {
  [ -z "$FARM_PID" ] || kill "$FARM_PID" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
}
trap finish EXIT

# SetwrightCmd is given Windows paths: a path starting with "/" would be
# read as an option (Windows-style options are on in its parser).
winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }

# run NAME FIRST COUNT JOBS
run() {
  local dir="$OUT/$1" first="$2" count="$3" jobs="$4"
  mkdir -p "$dir"
  python3 "$HERE/fleet.py" targets "$first" "$count" "$dir/targets.csv"
  "$SW_WINE" "$CMD" apply "$(winpath "$HERE/fleet.ini")" --targets "$(winpath "$dir/targets.csv")" --dry-run > "$dir/dry.txt" 2>&1
  "$VP" serve --farm "$first" "$count" --farm-dead 10 --farm-reset 5 > "$dir/farm.jsonl" 2> "$dir/farm.err" &
  FARM_PID=$!
  for _ in $(seq 1 200); do
    [ "$(grep -sc '"event":"listening"' "$dir/farm.jsonl" || true)" -ge "$count" ] && break
    sleep 0.05
  done
  local idle
  idle="$(awk '/^VmRSS:/ {print $2}' "/proc/$FARM_PID/status")"
  python3 "$HERE/fleet.py" measure "$dir/cmd.json" -- "$SW_WINE" "$CMD" apply "$(winpath "$HERE/fleet.ini")" \
    --targets "$(winpath "$dir/targets.csv")" --jobs "$jobs" --timeout "$TIMEOUT" --connect-timeout "$TIMEOUT" \
    --report "$(winpath "$dir/report.jsonl")"
  # The farm's peak and its processor time, before it is stopped.
  local peak cpu
  peak="$(awk '/^VmHWM:/ {print $2}' "/proc/$FARM_PID/status")"
  cpu="$(awk -v hz="$(getconf CLK_TCK)" '{print ($14 + $15) / hz}' "/proc/$FARM_PID/stat")"
  echo "{\"idle_kb\": $idle, \"peak_kb\": $peak, \"cpu_s\": $cpu}" > "$dir/farm.json"
  kill -TERM "$FARM_PID"
  wait "$FARM_PID" || true
  FARM_PID=""
  python3 "$HERE/fleet.py" check "$dir" "$VP"
}

for round in $(seq 1 "$ROUNDS"); do
  # The order changes from round to round, so no scenario always runs
  # first (or always after another one).
  scenarios=("baseline-50 127.2.0.1 50 1" "fleet-100 127.3.0.1 100 256" "fleet-1000 127.1.0.1 1000 256"
             "fleet-100-j32 127.4.0.1 100 32" "fleet-1000-j32 127.5.0.1 1000 32")
  for k in 0 1 2 3 4; do
    set -- ${scenarios[$(( (k + round) % 5 ))]}
    run "$1.r$round" "$2" "$3" "$4"
  done
done
python3 "$HERE/fleet.py" summary "$TIMEOUT" "$OUT"/*.r* | tee "$OUT/summary.txt"
