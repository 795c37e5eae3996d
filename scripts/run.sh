#!/usr/bin/env bash
# Installs what is missing, builds, and runs Tessaly from the build tree.
# Without a display it runs under a private X server, saves screenshots into
# build/screenshots and stops after TESSALY_RUN_SECONDS (default 10).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${TESSALY_BUILD_DIR:-$root/build}"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
bin="$build/bin"

# Unless told otherwise, the program talks to the local stand-in service.
if [ -z "${TESSALY_SERVICE_URL:-}" ]; then
  coproc DEVSERVICE { exec "$bin/tessaly-devservice" --port 0; }
  devservice=$DEVSERVICE_PID
  trap 'kill "$devservice" 2>/dev/null || true' EXIT
  read -r -t 10 ready <&"${DEVSERVICE[0]}"
  url="${ready#listening on }"
  echo "Stand-in service: $url"
  export TESSALY_SERVICE_URL="$url"
  export TESSALY_STATISTICS_URL="${TESSALY_STATISTICS_URL:-$url}"
fi

if [ -n "${DISPLAY:-}" ]; then
  "$bin/tessaly"
  exit
fi

shots="$build/screenshots"
mkdir -p "$shots"
seconds="${TESSALY_RUN_SECONDS:-10}"
echo "No display: running under Xvfb for ${seconds}s; screenshots go to $shots"
xvfb-run -a --server-args="-screen 0 1024x768x24" bash -c '
  "$1/tessaly" & app=$!
  for i in $(seq 1 "$3"); do
    sleep 1
    kill -0 "$app" 2>/dev/null || break
    import -window root "$2/tessaly-$(printf %02d "$i").png" 2>/dev/null || true
  done
  cp "$2/tessaly-$(printf %02d "$3").png" "$2/tessaly.png" 2>/dev/null || true
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
' run "$bin" "$shots" "$seconds"
echo "Last screenshot: $shots/tessaly.png"
