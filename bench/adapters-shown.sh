#!/usr/bin/env bash
# Prints the time from process start until the start page shows the adapters
# with their drivers (its "adapters shown" line), on the sample desktop and
# against the stand-in service; median of several runs. Aim: under 1 s.
# Usage: bench/adapters-shown.sh [build-dir] [runs]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="${1:-$root/build}/bin"
runs="${2:-7}"

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

measure() {
  local log="$scratch/run.log" start end shown=""
  start=$(date +%s%N)
  "$bin/tessaly" >"$log" 2>&1 &
  local app=$!
  for _ in $(seq 1 2000); do
    if grep -q 'adapters shown: [1-9]' "$log"; then shown=1; break; fi
    sleep 0.002
  done
  end=$(date +%s%N)
  kill "$app" 2>/dev/null; wait "$app" 2>/dev/null || true
  [ -n "$shown" ] || { echo "the adapters were not shown" >&2; cat "$log" >&2; return 1; }
  echo $(( (end - start) / 1000000 ))
}

measure >/dev/null # first run warms the file cache
times=()
for _ in $(seq 1 "$runs"); do times+=("$(measure)"); done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
echo "start to adapters shown (ms): ${times[*]}"
echo "median: ${sorted[$(( ${#sorted[@]} / 2 ))]} ms (aim: under 1000 ms)"
