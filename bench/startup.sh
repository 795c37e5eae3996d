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
mkdir -p "$HOME" "$XDG_CONFIG_HOME"
# One session bus for every run, as on a desktop; without it each program
# would start a bus of its own.
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] && command -v dbus-launch >/dev/null; then
  eval "$(dbus-launch --sh-syntax)"
  trap 'kill "$devservice" "$DBUS_SESSION_BUS_PID" 2>/dev/null || true; rm -rf "$scratch"' EXIT
fi

# Prints "<ms to loadedjs> <ms to adapters shown>" for one run of a program.
# Its output is read as it comes, with the shell's own clock: nothing polls
# or forks while the program starts.
measure() {
  local program="$1" fifo="$scratch/out" start loaded="" shown="" line t fd
  rm -f "$fifo" && mkfifo "$fifo"
  start=$EPOCHREALTIME
  "$bin/$program" >"$fifo" 2>&1 &
  local app=$!
  exec {fd}<"$fifo"
  while IFS= read -r -t 30 -u "$fd" line; do
    t=$EPOCHREALTIME
    case "$line" in
      *loadedjs*) [ -n "$loaded" ] || loaded=$(elapsed_ms "$start" "$t") ;;
      *"adapters shown"*) shown=$(elapsed_ms "$start" "$t"); break ;;
    esac
  done
  kill "$app" 2>/dev/null; wait "$app" 2>/dev/null || true
  exec {fd}<&-
  [ -n "$loaded" ] && [ -n "$shown" ] || { echo "$program did not show its page" >&2; return 1; }
  echo "$loaded $shown"
}

elapsed_ms() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%d", (b - a) * 1000 }'; }

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
