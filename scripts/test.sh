#!/usr/bin/env bash
# Installs what is missing, checks the layers, builds with warnings as errors,
# runs CTest (the fuzz targets among the tests), runs the tests again built with
# AddressSanitizer and UndefinedBehaviorSanitizer (scripts/test-sanitizers.sh),
# builds the tree a second time with clang and Make (warnings as errors too),
# then cross-compiles the Windows files and the whole Windows program with
# mingw-w64 and runs their tests under Wine (scripts/test-windows.sh).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${TESSALY_BUILD_DIR:-$root/build}"
"$root/scripts/install-deps.sh" test
"$root/scripts/check-layers.sh" >/dev/null || "$root/scripts/check-layers.sh"
TESSALY_WERROR=ON "$root/scripts/build.sh" -DTESSALY_WERROR=ON
(cd "$build" && ctest --output-on-failure "$@")
TESSALY_BUILD_DIR="$build" "$root/scripts/test-sanitizers.sh" "$@"

if command -v clang++ >/dev/null 2>&1; then
  echo "Building again with clang and Unix Makefiles"
  clang_build="${TESSALY_CLANG_BUILD_DIR:-$build-clang}"
  CC=clang CXX=clang++ cmake -S "$root" -B "$clang_build" -G "Unix Makefiles" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALY_WERROR=ON -DTESSALY_FUZZ=OFF >/dev/null
  if ! cmake --build "$clang_build" --parallel "$(nproc)" >"$clang_build/build.log" 2>&1; then
    grep -E -B2 -A6 "error|warning" "$clang_build/build.log" | head -n 80
    echo "clang build FAILED (full log: $clang_build/build.log)"
    exit 1
  fi
  echo "clang build: no warnings"
else
  echo "clang build skipped: clang++ is not installed (scripts/install-deps.sh installs it)."
fi

TESSALY_WERROR=ON "$root/scripts/test-windows.sh"
