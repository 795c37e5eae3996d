#!/usr/bin/env bash
# Usage: check-layers.sh [ROOT]
# Lists the include graph between the folders of src/ and fails on an include
# that runs back up the layers. The order, lowest first; a folder may include
# only itself and the folders before it:
#   base widgets i18n hardware service account downloads webui app
# (resources holds no code). The link checks of the build enforce the same.
set -euo pipefail
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
layers=(base widgets i18n hardware service account downloads webui app)

rank() {
  local i
  for i in "${!layers[@]}"; do
    [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }
  done
  echo -1
}

declare -A edges=()
status=0
while IFS= read -r line; do
  file="${line%%:*}"
  target="$(sed -E 's/.*#include "([^"]+)".*/\1/' <<<"${line#*:}")"
  from="$(cut -d/ -f1 <<<"${file#src/}")"
  to="${target%%/*}"
  [ "$to" = "$target" ] && continue # a header beside the file
  [ "$from" = "$to" ] && continue
  from_rank="$(rank "$from")"
  to_rank="$(rank "$to")"
  if [ "$from_rank" -lt 0 ] || [ "$to_rank" -lt 0 ]; then
    echo "unknown folder in $file: $target"
    status=1
    continue
  fi
  edges["$from -> $to"]=$((${edges["$from -> $to"]:-0} + 1))
  if [ "$to_rank" -gt "$from_rank" ]; then
    echo "back-up include: $file includes $target ($from sits below $to)"
    status=1
  fi
done < <(cd "$root" && grep -rn --include='*.cpp' --include='*.h' -E '^#include "[^"]+"' src | cut -d: -f1,3-)

echo "Include graph between src/ folders (includes per arrow):"
for edge in "${!edges[@]}"; do
  echo "  $edge  ${edges[$edge]}"
done | sort
if [ "$status" -ne 0 ]; then
  echo "Layer check FAILED"
else
  echo "Layer check passed: every include runs down the layers."
fi
exit "$status"
