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

# take_ready_copy TARBALL DOCUMENTED MARK WHAT: unpacks a ready copy from the
# shared tool-chain folder into dest when its .sha256 file matches, DOCUMENTED
# (the configure line its README gives) is this script's, and it holds one
# folder with MARK (a path inside it) in it.
take_ready_copy() {
  local tarball="$1" documented="$2" mark="$3" what="$4" file unpack top
  file="$(basename "$tarball")"
  if [ ! -f "$tarball" ]; then
    say "no ready copy in $(dirname "$tarball")"
    return 1
  fi
  if [ ! -f "$tarball.sha256" ] ||
    ! (cd "$(dirname "$tarball")" && sha256sum --quiet --strict -c "$file.sha256" >/dev/null 2>&1); then
    say "ready copy $file skipped: its checksum does not match $file.sha256"
    return 1
  fi
  if [ "$documented" != "$(echo "$configure_line" | normalise)" ]; then
    say "ready copy $file skipped: its documented configure line differs from this script's"
    return 1
  fi
  say "unpacking the ready copy $file"
  unpack="$(mktemp -d "$cache/unpack-$file.XXXXXX")"
  tar -xJf "$tarball" -C "$unpack"
  top="$(find "$unpack" -mindepth 1 -maxdepth 1 -type d)"
  if [ "$(echo "$top" | wc -l)" -ne 1 ] || [ ! -e "$top/$mark" ]; then
    say "ready copy $file skipped: it does not hold one $what folder"
    rm -rf "$unpack"
    return 1
  fi
  rm -rf "$dest"
  mv "$top" "$dest"
  rm -rf "$unpack"
}
