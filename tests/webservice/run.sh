#!/usr/bin/env bash
# Runs the service's test programs: installs the phone's npm packages from the
# lock file, and with --postgresql first starts a throw-away PostgreSQL cluster
# on a loopback port (as an unprivileged user when run as root) and hands its
# address to the tests in TESSALY_TEST_DATABASE.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
if command -v npm >/dev/null; then
  (cd "$here" && npm install --no-audit --no-fund --loglevel=error >/dev/null) ||
    echo "npm install failed: the sign-in tests through the provider will skip"
fi
if [ "${1:-}" != "--postgresql" ]; then
  for program in "$@"; do "$program"; done
  exit 0
fi
shift
bin="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)"
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
  echo "PostgreSQL tests skipped: initdb is not installed (scripts/install-deps.sh installs postgresql)"
  exit 0
fi
cluster="$(mktemp -d /tmp/tessaly-pg.XXXXXX)"
as=()
if [ "$(id -u)" -eq 0 ]; then
  # initdb refuses to run as root.
  chown nobody "$cluster"
  as=(runuser -u nobody --)
fi
port="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
stop() {
  "${as[@]}" "$bin/pg_ctl" -D "$cluster/data" -m fast -w stop >/dev/null 2>&1 || true
  rm -rf "$cluster"
}
trap stop EXIT
"${as[@]}" "$bin/initdb" -D "$cluster/data" -U tessaly --auth=trust -E UTF8 >/dev/null
"${as[@]}" "$bin/pg_ctl" -D "$cluster/data" -l "$cluster/log" -w \
  -o "-c listen_addresses=127.0.0.1 -c port=$port -c unix_socket_directories=$cluster -c fsync=off" \
  start >/dev/null
"${as[@]}" "$bin/createdb" -h 127.0.0.1 -p "$port" -U tessaly tessaly
export TESSALY_TEST_DATABASE="postgresql://tessaly@127.0.0.1:$port/tessaly"
for program in "$@"; do "$program"; done
