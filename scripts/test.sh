#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: CTest for the program,
# then the Windows files cross-compiled and run under Wine (scripts/test-windows.sh).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
TESSALY_WERROR=ON "$root/scripts/build.sh" -DTESSALY_WERROR=ON
(cd "${TESSALY_BUILD_DIR:-$root/build}" && ctest --output-on-failure "$@")
TESSALY_WERROR=ON "$root/scripts/test-windows.sh"
