#!/usr/bin/env bash
# The layer check passes on the tree as it is, and fails on a copy of it into
# which an include running back up the layers (and one from an unknown
# folder) has been written.
set -euo pipefail
check="$1"
root="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

"$check" "$root" >"$work/clean.log" || { cat "$work/clean.log"; echo "FAIL: the tree itself"; exit 1; }
grep -q "downloads -> account" "$work/clean.log" || { echo "FAIL: no graph printed"; exit 1; }

cp -r "$root/src" "$work/src"
sed -i '1a #include "webui/miniblinkdialog.h"' "$work/src/downloads/downloaderobj.cpp"
if "$check" "$work" >"$work/up.log"; then
  cat "$work/up.log"
  echo "FAIL: downloads including webui passed"
  exit 1
fi
grep -q "back-up include: src/downloads/downloaderobj.cpp includes webui/miniblinkdialog.h" "$work/up.log" ||
  { cat "$work/up.log"; echo "FAIL: the offending include is not named"; exit 1; }

# A sibling below its neighbour in the order: hardware may not use service.
rm -rf "$work/src" && cp -r "$root/src" "$work/src"
sed -i '1a #include "service/networkhelper.h"' "$work/src/hardware/graphicslist.cpp"
if "$check" "$work" >"$work/sibling.log"; then
  echo "FAIL: hardware including service passed"
  exit 1
fi
echo "layer check: clean tree passes, back-up includes fail"
