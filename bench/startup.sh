#!/usr/bin/env bash
# Start-up against its floors: Tessaly, tessaly-bareengine (QtWebKit alone)
# loading the same start page, and tessaly-bareengine loading a trivial page
# are started in turn, several times; for each run the time from process start
# until the page reports "loadedjs" and until it has shown its adapters.
# Tessaly runs on the sample desktop against the stand-in service. Prints the
# medians and Tessaly's ratios to the trivial page (aims: at most 2.0 for
# "loadedjs", 2.3 for the adapters) and to the bare engine with our page.
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

# The floor of floors: a page that announces itself and shows nothing.
trivial="$scratch/trivial"
mkdir -p "$trivial"
cat >"$trivial/index.html" <<'EOF'
<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Tessaly</title></head>
<body><p>Tessaly</p>
<script>
document.addEventListener("DOMContentLoaded", function () {
  eMsg("loadedjs");
  setTimeout(function () { console.log("adapters shown: 0"); }, 0);
});
</script></body></html>
EOF

. "$root/bench/measure-start.sh"

# One run of a program of the build (with its arguments).
measure() {
  local program="$1"
  shift
  measure_start "$scratch/out" "$bin/$program" "$@" ||
    { echo "$program did not show its page" >&2; return 1; }
}

measure tessaly >/dev/null # the first runs warm the file cache
measure tessaly-bareengine >/dev/null
measure tessaly-bareengine "$trivial" >/dev/null
tl=() ts=() bl=() bs=() fl=() fs=()
for _ in $(seq 1 "$runs"); do
  read -r a b < <(measure tessaly)
  tl+=("$a") ts+=("$b")
  read -r a b < <(measure tessaly-bareengine)
  bl+=("$a") bs+=("$b")
  read -r a b < <(measure tessaly-bareengine "$trivial")
  fl+=("$a") fs+=("$b")
done
echo "start to loadedjs (ms):       Tessaly ${tl[*]}"
echo "                              bare engine ${bl[*]}"
echo "                              trivial page ${fl[*]}"
echo "start to adapters shown (ms): Tessaly ${ts[*]}"
echo "                              bare engine ${bs[*]}"
echo "                              trivial page ${fs[*]}"
mtl=$(median "${tl[@]}") mbl=$(median "${bl[@]}") mfl=$(median "${fl[@]}")
mts=$(median "${ts[@]}") mbs=$(median "${bs[@]}") mfs=$(median "${fs[@]}")
awk -v tl="$mtl" -v bl="$mbl" -v fl="$mfl" -v ts="$mts" -v bs="$mbs" -v fs="$mfs" 'BEGIN {
  printf "median start to loadedjs:       Tessaly %d ms, bare engine %d ms, trivial page %d ms\n", tl, bl, fl
  printf "  ratio to the trivial page %.2f (aim: at most 2.0), to the bare engine %.2f\n", tl / fl, tl / bl
  printf "median start to adapters shown: Tessaly %d ms, bare engine %d ms, trivial page %d ms\n", ts, bs, fs
  printf "  ratio to the trivial page %.2f (aim: at most 2.3), to the bare engine %.2f\n", ts / fs, ts / bs
}'
