#!/usr/bin/env bash
# Builds the program and its tests with AddressSanitizer and
# UndefinedBehaviorSanitizer (-DTESSALY_SANITIZE=ON) into a build folder of
# their own and runs the tests with CTest. The page tests (no C++) and the
# fuzz targets (sanitized already, so not built here) are left to the plain
# build.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${TESSALY_SANITIZE_BUILD_DIR:-${TESSALY_BUILD_DIR:-$root/build}-sanitize}"
TESSALY_BUILD_DIR="$build" "$root/scripts/build.sh" -DTESSALY_SANITIZE=ON -DTESSALY_WERROR=ON
# Leaks are counted only where the program runs as it does for a user,
# start to close (tst_product sets its own options for that run): test
# programs end without the application's quit, and Qt's platform plugins
# leave their screens to the end of the process. (strict_string_checks stays off: libxkbcommon, under every
# X11 test, hands strndup strings longer than their buffers.)
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
(cd "$build" && ctest --output-on-failure -E '^tst_pages$' "$@")
