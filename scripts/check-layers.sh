#!/usr/bin/env bash
# Usage: check-layers.sh [ROOT]
# Lists the include graph between the folders of src/ and fails on an include
# that runs back up the layers. The order, lowest first; a folder may include
# only itself and the folders before it:
#   base widgets i18n hardware service account downloads webui app
# (resources holds no code). The link checks of the build enforce the same.
set -euo pipefail
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
layers="base widgets i18n hardware service account downloads webui app"

cd "$root"
grep -rn --include='*.cpp' --include='*.h' -E '^#include "[^"]+/[^"]+"' src |
  awk -v layers="$layers" '
    BEGIN { n = split(layers, names, " "); for (i = 1; i <= n; i++) rank[names[i]] = i }
    {
      split($0, parts, ":"); file = parts[1]
      match($0, /#include "[^"]+"/); target = substr($0, RSTART + 10, RLENGTH - 11)
      split(file, f, "/"); from = f[2]
      split(target, t, "/"); to = t[1]
      if (from == to) next
      if (!(from in rank) || !(to in rank)) { print "unknown folder in " file ": " target; bad = 1; next }
      edges[from " -> " to]++
      if (rank[to] > rank[from]) {
        print "back-up include: " file " includes " target " (" from " sits below " to ")"; bad = 1
      }
    }
    END {
      print "Include graph between src/ folders (includes per arrow):"
      cmd = "sort"
      for (e in edges) print "  " e "  " edges[e] | cmd
      close(cmd)
      if (bad) { print "Layer check FAILED"; exit 1 }
      print "Layer check passed: every include runs down the layers."
    }'
