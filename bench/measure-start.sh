# Shared by the start-up benchmarks (sourced).
#
# measure_start FIFO COMMAND...: runs COMMAND and prints "<ms to loadedjs> <ms to
# adapters shown>" as its output says them; ends with 1 when it says neither
# within 60 s. The output is read as it comes, with the shell's own clock:
# nothing polls or forks while the program starts.
measure_start() {
  local fifo="$1" start loaded="" shown="" line t fd
  shift
  rm -f "$fifo" && mkfifo "$fifo"
  start=$EPOCHREALTIME
  "$@" >"$fifo" 2>&1 &
  local app=$!
  exec {fd}<"$fifo"
  while IFS= read -r -t 60 -u "$fd" line; do
    t=$EPOCHREALTIME
    case "$line" in
      *loadedjs*) [ -n "$loaded" ] || loaded=$(elapsed_ms "$start" "$t") ;;
      *"adapters shown"*) shown=$(elapsed_ms "$start" "$t"); break ;;
    esac
  done
  kill "$app" 2>/dev/null; wait "$app" 2>/dev/null || true
  exec {fd}<&-
  [ -n "$loaded" ] && [ -n "$shown" ] || return 1
  echo "$loaded $shown"
}

elapsed_ms() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%d", (b - a) * 1000 }'; }

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
