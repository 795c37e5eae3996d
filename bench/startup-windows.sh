#!/usr/bin/env bash
# Start-up of the Windows program under Wine against its floor: tessaly.exe with
# our runtime (the program folder of scripts/package-windows.sh) and
# tessaly-bareengine.exe (QtWebKit for Windows alone, loading the same start
# page) are started in turn in one warm Wine prefix on a private X server; for
# each run the time from process start until "loadedjs" and until the page has
# shown its adapters. Prints both medians and the ratio. Nothing is asserted.
# Usage: bench/startup-windows.sh [windows-build-dir] [runs]
#   (default build/windows/app-x86_64, 7 runs)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$root/build/windows/app-x86_64}"
runs="${2:-7}"
wine=/usr/lib/wine/wine64
command -v wine64 >/dev/null && wine="$(command -v wine64)"
wineserver=/usr/lib/wine/wineserver
for need in "$dir/install/tessaly.exe" "$dir/install/libwke.dll" "$dir/bin/tessaly-bareengine.exe" \
  "$root/build/bin/tessaly-devservice" "$wine"; do
  [ -e "$need" ] || { echo "startup-windows: $need is missing (scripts/package-windows.sh, scripts/build.sh)" >&2; exit 1; }
done
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a --server-args="-screen 0 1280x1024x24" "$0" "$@"
fi

scratch="$(mktemp -d)"
coproc DEVSERVICE { exec "$root/build/bin/tessaly-devservice" --port 0; }
trap 'kill "$DEVSERVICE_PID" 2>/dev/null || true; "$wineserver" -k 2>/dev/null || true; rm -rf "$scratch"' EXIT
read -r -t 10 ready <&"${DEVSERVICE[0]}"
export TESSALY_SERVICE_URL="${ready#listening on }" TESSALY_STATISTICS_URL="${ready#listening on }"
export WINEPREFIX="$scratch/prefix" WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all
app="$scratch/app"
cp -r "$dir/install" "$app"
cp "$dir/bin/tessaly-bareengine.exe" "$app/"
"$wine" wineboot -i >/dev/null 2>&1
"$wineserver" -w
# The server stays up between runs, as on a desktop where Windows is already running.
"$wineserver" -p

. "$root/bench/measure-start.sh"

in_app() { cd "$app" && exec "$wine" "$1"; }

# One run of a program of the folder.
measure() {
  local status=0
  measure_start "$scratch/out" in_app "$1" || status=$?
  # The Windows process outlives the Wine loader that started it.
  "$wine" taskkill /f /im "$1" >/dev/null 2>&1 || true
  [ "$status" -eq 0 ] || { echo "$1 did not show its page" >&2; return 1; }
}

measure tessaly.exe >/dev/null # warms the file cache and the prefix
measure tessaly-bareengine.exe >/dev/null
tl=() ts=() bl=() bs=()
for _ in $(seq 1 "$runs"); do
  read -r a b < <(measure tessaly.exe)
  tl+=("$a") ts+=("$b")
  read -r a b < <(measure tessaly-bareengine.exe)
  bl+=("$a") bs+=("$b")
done
echo "under Wine, start to loadedjs (ms):       tessaly.exe ${tl[*]}"
echo "                                          bare engine ${bl[*]}"
echo "under Wine, start to adapters shown (ms): tessaly.exe ${ts[*]}"
echo "                                          bare engine ${bs[*]}"
awk -v tl="$(median "${tl[@]}")" -v bl="$(median "${bl[@]}")" -v ts="$(median "${ts[@]}")" \
  -v bs="$(median "${bs[@]}")" 'BEGIN {
  printf "median start to loadedjs:       tessaly.exe %d ms, bare engine %d ms, ratio %.2f\n", tl, bl, tl / bl
  printf "median start to adapters shown: tessaly.exe %d ms, bare engine %d ms, ratio %.2f\n", ts, bs, ts / bs
}'
