#!/usr/bin/env bash
# Drives tessaly-service with wrk on loopback: sign-in polls and statistics
# pings per second, latency p50/p99 and the service's peak memory, on SQLite
# and (on a throw-away cluster) PostgreSQL, beside the same requests against
# the stand-in tessaly-devservice as reference. Prints; asserts nothing.
#
#   bench/service.sh [build-dir] [seconds] [connections]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-${TESSALY_BENCH_BUILD:-$root/build}}" && pwd)"
seconds="${2:-${TESSALY_BENCH_SECONDS:-10}}"
connections="${3:-${TESSALY_BENCH_CONNECTIONS:-64}}"
service="$build/bin/tessaly-service"
standin="$build/bin/tessaly-devservice"
if ! command -v wrk >/dev/null; then
  echo "service benchmark skipped: wrk is not installed (scripts/install-deps.sh installs it)"
  exit 0
fi
work="$(mktemp -d /tmp/tessaly-bench.XXXXXX)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# start NAME COMMAND...: starts a server, sets $url and $pid.
start() {
  local name="$1"; shift
  "$@" >"$work/$name.out" 2>"$work/$name.err" &
  pid=$!
  pids+=("$pid")
  for _ in $(seq 100); do
    url="$(sed -n 's/^listening on //p' "$work/$name.out")"
    [ -n "$url" ] && return 0
    sleep 0.1
  done
  echo "$name did not start: $(cat "$work/$name.err")"
  exit 1
}

# Requests per second of the stand-in, by kind, once measured.
declare -A reference=([poll]="${TESSALY_BENCH_REFERENCE_POLL:-}" [ping]="${TESSALY_BENCH_REFERENCE_PING:-}")

# measure LABEL KIND URL: one wrk run, one line of figures; the first run of
# a kind is the reference the later ones are compared with.
measure() {
  local label="$1" kind="$2" target="$3"
  local out
  out="$(wrk -t2 -c"$connections" -d"${seconds}s" --latency "$target")"
  local rate p50 p99 errors
  rate="$(awk '/^Requests\/sec/ {print $2}' <<<"$out")"
  p50="$(awk '$1 == "50%" {print $2}' <<<"$out")"
  p99="$(awk '$1 == "99%" {print $2}' <<<"$out")"
  errors="$(awk '/Non-2xx/ {print $NF}' <<<"$out")"
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "$label: the server ended during the run; its last words:"
    grep -v '^GET ' "$work"/*.err | tail -n 5
    exit 1
  fi
  local ratio="reference"
  if [ -n "${reference[$kind]}" ]; then
    ratio="$(awk -v a="$rate" -v b="${reference[$kind]}" 'BEGIN {printf "%.2f x stand-in", a / b}')"
  else
    reference[$kind]="$rate"
  fi
  printf '%-34s %10s req/s   p50 %8s   p99 %8s   peak RSS %6s MiB   %s%s\n' "$label" "$rate" "$p50" "$p99" \
    "$(awk '/VmHWM/ {printf "%.0f", $2 / 1024}' "/proc/$pid/status")" "$ratio" \
    "${errors:+   non-2xx $errors}"
}

config() {
  cat >"$work/config.json" <<JSON
{"database": "$1", "admin_token": "bench-admin-token-0123456789", "threads": 64,
 "limits": {"polls": {"per_minute": 0}, "pings": {"per_minute": 0}, "tickets": {"per_minute": 0}}}
JSON
}

query="version=4.0.0.4&system=10.0&product=graphics&exeName=&64bit=true&machineid=1-2-3"
bench() {
  local label="$1"
  local ticket
  ticket="$(curl -s -X POST -H 'Content-Length: 0' "$url/api/driverwechat/index/createloginqrcode" |
    sed -n 's/.*"ticket":"\([^"]*\)".*/\1/p')"
  measure "$label poll" poll "$url/api/driverwechat/index/querylogin?$query&ticket=$ticket"
  measure "$label ping" ping "$url/helper/statistics?$query&type=openness"
}

echo "wrk: 2 threads, $connections connections, ${seconds} s each, $(nproc) cores"
if [ -n "${TESSALY_TEST_DATABASE:-}" ]; then
  # Called again by tests/webservice/run.sh with a throw-away cluster.
  config "$TESSALY_TEST_DATABASE"
  start service "$service" --config "$work/config.json" --port 0
  bench "tessaly-service PostgreSQL"
  exit 0
fi

start standin "$standin" --port 0
bench "stand-in (reference)"
kill "$pid"

config "$work/service.db"
start service "$service" --config "$work/config.json" --port 0
bench "tessaly-service SQLite"
kill "$pid"

TESSALY_BENCH_BUILD="$build" TESSALY_BENCH_SECONDS="$seconds" TESSALY_BENCH_CONNECTIONS="$connections" \
  TESSALY_BENCH_REFERENCE_POLL="${reference[poll]}" TESSALY_BENCH_REFERENCE_PING="${reference[ping]}" \
  "$root/tests/webservice/run.sh" --postgresql "$0" | tail -n +2
