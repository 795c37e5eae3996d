#!/usr/bin/env bash
# Installs what is missing, builds, and runs Tessaly.
#
# Unless TESSALY_SERVICE_URL names a service, the program runs as a demo: the
# stand-in service (devservice/) answers the service requests and serves the
# driver files, the program sees the sample desktop in samples/desktop
# (TESSALY_SYSROOT; an NVIDIA and an Intel adapter), and it runs from
# build/demo, a copy of the program whose driver catalogue points at the
# stand-in; the stand-in offers the same catalogue dated today, so the window
# shows it taken as an update. Without a display it runs under a private X server, saves a
# screenshot of the window every second into build/screenshots and stops after
# TESSALY_RUN_SECONDS (default 10).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${TESSALY_BUILD_DIR:-$root/build}"
"$root/scripts/install-deps.sh" build
"$root/scripts/build.sh"
bin="$build/bin"
app="$bin"

if [ -z "${TESSALY_SERVICE_URL:-}" ]; then
  "$root/scripts/generate-catalogue" --date "$(date +%F)" --output "$build/demo-catalogue.js" \
    --json "$build/demo-catalogue.json" >/dev/null
  coproc DEVSERVICE { exec "$bin/tessaly-devservice" --port 0 --catalogue "$build/demo-catalogue.json"; }
  devservice=$DEVSERVICE_PID
  trap 'kill "$devservice" 2>/dev/null || true' EXIT
  read -r -t 10 ready <&"${DEVSERVICE[0]}"
  url="${ready#listening on }"
  echo "Stand-in service: $url"
  export TESSALY_SERVICE_URL="$url"
  export TESSALY_STATISTICS_URL="${TESSALY_STATISTICS_URL:-$url}"
  export TESSALY_SYSROOT="${TESSALY_SYSROOT:-$root/samples/desktop}"
  echo "Sample machine: $TESSALY_SYSROOT"

  app="$build/demo"
  rm -rf "$app"
  mkdir -p "$app"
  cp "$bin/tessaly" "$bin/libwke.so" "$app/"
  cp -r "$bin/html" "$app/html"
  cat "$root/html/data/catalogue.js" "$root/samples/demo-catalogue.js" |
    sed "s|@SERVICE_URL@|$url|g" >"$app/html/data/catalogue.js"
fi

if [ -n "${DISPLAY:-}" ]; then
  "$app/tessaly"
  exit
fi

shots="$build/screenshots"
mkdir -p "$shots"
seconds="${TESSALY_RUN_SECONDS:-10}"
echo "No display: running under Xvfb for ${seconds}s; screenshots go to $shots"
xvfb-run -a --server-args="-screen 0 1024x768x24" bash -c '
  "$1/tessaly" & app=$!
  window=""
  for i in $(seq 1 "$3"); do
    sleep 1
    kill -0 "$app" 2>/dev/null || break
    # The main window is the largest visible one of the program.
    [ -n "$window" ] || window=$(for w in $(xdotool search --onlyvisible --pid "$app" 2>/dev/null); do
        xwininfo -id "$w" | awk -v w="$w" "/Width:/{x=\$2} /Height:/{y=\$2} END{print x*y, w}"
      done | sort -n | tail -1 | cut -d" " -f2)
    import -window "${window:-root}" "$2/tessaly-$(printf %02d "$i").png" 2>/dev/null || true
  done
  cp "$2/tessaly-$(printf %02d "$3").png" "$2/tessaly.png" 2>/dev/null || true
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
' run "$app" "$shots" "$seconds"
echo "Last screenshot: $shots/tessaly.png"
