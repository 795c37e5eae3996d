#!/usr/bin/env bash
# Start-up against its floor: Tessaly and tessaly-bareengine (QtWebKit alone,
# loading the same start page) are started in turn, several times; for each
# run the time from process start until the page reports "loadedjs" and until
# it has shown its adapters. Tessaly runs on the sample desktop against the
# stand-in service. Prints the medians and Tessaly's ratio to the floor
# (aims: at most 1.2 for "loadedjs", 1.4 for the adapters).
# Usage: bench/startup.sh [build-dir] [runs]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="${1:-$root/build}/bin"
runs="${2:-9}"

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a --server-args="-screen 0 1024x768x24" "$0" "$@"
fi

coproc DEVSERVICE { exec "$bin/tessaly-devservice" --port 0; }
devservice=$DEVSERVICE_PID
scratch="$(mktemp -d)"
trap 'kill "$devservice" 2>/dev/null || true; rm -rf "$scratch"' EXIT
read -r -t 10 ready <&"${DEVSERVICE[0]}"
export TESSALY_SERVICE_URL="${ready#listening on }"
export TESSALY_STATISTICS_URL="$TESSALY_SERVICE_URL"
export TESSALY_SYSROOT="$root/samples/desktop"
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config"
# One session bus for every run, as on a desktop; without it each program
# would start a bus of its own.
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] && command -v dbus-launch >/dev/null; then
  eval "$(dbus-launch --sh-syntax)"
  trap 'kill "$devservice" "$DBUS_SESSION_BUS_PID" 2>/dev/null || true; rm -rf "$scratch"' EXIT
fi

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# Prints "<ms to loadedjs> <ms to adapters shown>" for one run of a program.
measure() {
  local program="$1" log="$scratch/run.log" start loaded="" shown="" t
  start=$(now_ms)
  "$bin/$program" >"$log" 2>&1 &
  local app=$!
  for _ in $(seq 1 5000); do
    t=$(now_ms)
    [ -z "$loaded" ] && grep -q 'loadedjs' "$log" && loaded=$((t - start))
    if [ -n "$loaded" ] && grep -q 'adapters shown' "$log"; then shown=$((t - start)); break; fi
    sleep 0.002
  done
  kill "$app" 2>/dev/null; wait "$app" 2>/dev/null || true
  [ -n "$shown" ] || { echo "$program did not show its page" >&2; cat "$log" >&2; return 1; }
  echo "$loaded $shown"
}

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

measure tessaly >/dev/null # the first runs warm the file cache
measure tessaly-bareengine >/dev/null
tl=() ts=() bl=() bs=()
for _ in $(seq 1 "$runs"); do
  read -r a b < <(measure tessaly)
  tl+=("$a") ts+=("$b")
  read -r a b < <(measure tessaly-bareengine)
  bl+=("$a") bs+=("$b")
done
echo "start to loadedjs (ms):       Tessaly ${tl[*]}"
echo "                              bare engine ${bl[*]}"
echo "start to adapters shown (ms): Tessaly ${ts[*]}"
echo "                              bare engine ${bs[*]}"
mtl=$(median "${tl[@]}") mbl=$(median "${bl[@]}") mts=$(median "${ts[@]}") mbs=$(median "${bs[@]}")
awk -v tl="$mtl" -v bl="$mbl" -v ts="$mts" -v bs="$mbs" 'BEGIN {
  printf "median start to loadedjs:       Tessaly %d ms, bare engine %d ms, ratio %.2f (aim: at most 1.2)\n", tl, bl, tl / bl
  printf "median start to adapters shown: Tessaly %d ms, bare engine %d ms, ratio %.2f (aim: at most 1.4)\n", ts, bs, ts / bs
}'
