#!/usr/bin/env bash
# Configures and builds Tessaly into ./build (or $TESSALY_BUILD_DIR); the
# arguments are CMake options.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${TESSALY_BUILD_DIR:-$root/build}"
generator=()
# A folder keeps the generator it was made with; a new one gets Ninja when there.
if [ ! -f "$build/CMakeCache.txt" ] && command -v ninja >/dev/null; then
  generator=(-G Ninja)
fi
# Configured every time, so the options given now are the ones built with
# (nothing is redone when they have not changed).
cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$build" --parallel "$(nproc)"
