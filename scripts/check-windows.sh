#!/usr/bin/env bash
# Compiles every Windows platform file (src/**/*_win.cpp) with the mingw-w64
# cross-compiler, warnings as errors, so Windows code is checked on Linux.
# Files that include Qt are skipped here: the whole Windows build
# (scripts/package-windows.sh, run by scripts/test-windows.sh) compiles them with Qt for Windows.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cxx="${TESSALY_MINGW_CXX:-i686-w64-mingw32-g++-posix}"
status=0
while IFS= read -r file; do
  if grep -q '^#include <Q' "$file"; then
    echo "skipped (uses Qt): ${file#$root/}"
    continue
  fi
  if "$cxx" -std=c++17 -fsyntax-only -Wall -Wextra -Wpedantic -Wnon-virtual-dtor \
      -Wold-style-cast -Werror -I"$root/src" -I"$root/runtime/include" "$file"; then
    echo "ok: ${file#$root/}"
  else
    status=1
  fi
done < <(find "$root/src" -name '*_win.cpp' | sort)
exit $status
