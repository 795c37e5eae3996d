# The cache of a Windows library the project builds itself (sourced by
# scripts/build-qt-windows.sh and scripts/build-qtwebkit-windows.sh). The caller
# sets cache, dest, stamp (a file in dest), configure_line, build_allowed (0 or
# 1) and say(). The stamp holds the configure line the copy was made with.

normalise() { tr -s ' \t\n\\' ' ' | sed 's/^ //; s/ $//'; }

stamp_matches() {
  [ -f "$stamp" ] && [ "$(normalise <"$stamp")" = "$(echo "$configure_line" | normalise)" ]
}

finish() {
  echo "$configure_line" >"$stamp.new"
  mv "$stamp.new" "$stamp"
  say "ready in $dest"
  echo "$dest"
}

# cache_lock NAME WHAT: one builder of NAME at a time; a second caller waits and
# then finds the stamp, or with build_allowed=0 ends with 1 at once. Then ends
# the script with the cached copy when its stamp matches.
cache_lock() {
  mkdir -p "$cache"
  exec 9>"$cache/$1.lock"
  if [ "$build_allowed" -eq 1 ]; then
    flock 9
  elif ! flock -n 9; then
    say "$2 is being built by another run right now"
    exit 1
  fi
  if stamp_matches; then
    say "cached copy matches the configure line"
    echo "$dest"
    exit 0
  fi
}
