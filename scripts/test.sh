#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
TESSALY_WERROR=ON "$root/scripts/build.sh" -DTESSALY_WERROR=ON
cd "${TESSALY_BUILD_DIR:-$root/build}"
ctest --output-on-failure "$@"
