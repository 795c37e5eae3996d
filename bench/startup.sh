#!/usr/bin/env bash
# Prints the time from process start to the page's "loadedjs" report, median of
# several runs. Usage: bench/startup.sh [build-dir] [runs]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="${1:-$root/build}/bin"
runs="${2:-7}"

measure() {
  local log start end
  log="$(mktemp)"
  start=$(date +%s%N)
  "$bin/tessaly" >"$log" 2>&1 &
  local app=$!
  for _ in $(seq 1 400); do
    if grep -q '^loadedjs' "$log"; then break; fi
    sleep 0.005
  done
  end=$(date +%s%N)
  kill "$app" 2>/dev/null; wait "$app" 2>/dev/null || true
  grep -q '^loadedjs' "$log" || { rm -f "$log"; echo "no loadedjs" >&2; return 1; }
  rm -f "$log"
  echo $(( (end - start) / 1000000 ))
}

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a --server-args="-screen 0 1024x768x24" "$0" "$@"
fi
times=()
for _ in $(seq 1 "$runs"); do times+=("$(measure)"); done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
echo "start to loadedjs (ms): ${times[*]}"
echo "median: ${sorted[$(( ${#sorted[@]} / 2 ))]} ms"
