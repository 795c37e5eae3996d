#!/usr/bin/env bash
# Usage: debpackage.sh BUILD_DIR VERSION DESKTOP_ID APPSTREAM_ID SYSROOT
# Makes the .deb of BUILD_DIR (into BUILD_DIR/package), unpacks it into a
# throw-away root (nothing is installed on this machine) and checks what
# "apt install ./tessaly_*.deb" on a fresh Debian would meet: every library
# the program and its runtime link is declared by its Debian package; apt
# resolves the dependencies from the archive as on a machine with nothing
# installed; the command, desktop entry, icon and AppStream file are where
# desktops look; the installed program, started as its desktop entry says,
# shows its page. Exits 77 (skipped, saying why) where a tool is missing.
set -euo pipefail
build="$1" version="$2" desktop_id="$3" appstream_id="$4" sysroot="$5"
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
skip_part() { echo "SKIP: $*"; }

for tool in cpack dpkg-deb dpkg-shlibdeps; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: no $tool here, so no Debian package (scripts/install-deps.sh test installs dpkg-dev)"
    exit 77
  fi
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$build/package"
rm -f "$build/package"/tessaly_*.deb
if ! (cd "$build" && cpack -G DEB -B "$build/package") >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "FAIL: cpack could not make the package"
  exit 1
fi
deb="$(ls "$build/package"/tessaly_*.deb)"
echo "Package: $deb ($(du -h "$deb" | cut -f1))"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = tessaly ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', the project's is $version"
depends="$(field Depends)"
echo "Depends: $depends"

root="$work/root"
dpkg-deb -x "$deb" "$root"
program_dir="$root/usr/lib/tessaly"
for file in tessaly libwke.so html/index.html html/data/catalogue.js; do
  [ -f "$program_dir/$file" ] || fail "usr/lib/tessaly/$file is not in the package"
done
[ "$(readlink -f "$root/usr/bin/tessaly")" = "$program_dir/tessaly" ] ||
  fail "usr/bin/tessaly does not lead to usr/lib/tessaly/tessaly"

# Every library the program and its runtime name themselves (ELF NEEDED), as
# this machine resolves it, must come from a package the .deb depends on
# (dpkg-shlibdeps names them). dpkg knows a library by the path its package
# ships, which with a merged /usr may differ from ldd's.
owner_of() {
  local candidate owner
  for candidate in "$1" "${1#/usr}" "/usr$1" "$(readlink -f "$1")"; do
    owner="$(dpkg -S "$candidate" 2>/dev/null | head -n 1 | sed 's/: .*//; s/,.*//; s/:.*//')"
    if [ -n "$owner" ]; then
      echo "$owner"
      return
    fi
  done
}
depend_names="$(tr ',|' '\n\n' <<<"$depends" | sed 's/(.*//; s/ //g')"
for binary in "$program_dir/tessaly" "$program_dir/libwke.so"; do
  while read -r soname; do
    # "name => path", or the loader's own line "path (address)".
    library="$(ldd "$binary" | awk -v name="$soname" '
      $1 == name && $2 == "=>" { print $3 } $1 ~ "/" name "$" { print $1 }' | head -n 1)"
    if [ -z "$library" ]; then
      fail "$(basename "$binary") needs $soname, which this machine does not have"
      continue
    fi
    owner="$(owner_of "$library")"
    if [ -z "$owner" ]; then
      fail "$(basename "$binary") links $library, which no Debian package installed"
    elif ! grep -qxF "$owner" <<<"$depend_names"; then
      fail "$(basename "$binary") links $library from $owner, which Depends does not name"
    fi
  done < <(readelf -d "$binary" | sed -n 's/.*Shared library: \[\(.*\)\]$/\1/p')
done

# apt on a machine with nothing installed: an empty dpkg status, this
# machine's package lists.
if ! command -v apt-get >/dev/null || ! ls /var/lib/apt/lists/*_Packages* >/dev/null 2>&1; then
  skip_part "dependencies not resolved against the archive: no apt package lists here (apt-get update)"
else
  mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial"
  : >"$work/apt/status"
  if ! apt-get -s -o Dir::State::status="$work/apt/status" -o Dir::Cache="$work/apt/cache" \
    -o Debug::NoLocking=1 install "$deb" >"$work/apt.log" 2>&1; then
    tail -n 20 "$work/apt.log"
    fail "apt cannot install the package on a machine with nothing installed"
  else
    echo "apt on an empty machine: $(grep -c '^Inst ' "$work/apt.log") packages to install"
    grep -q '^Inst tessaly ' "$work/apt.log" || fail "apt would not install tessaly itself"
  fi
fi

# Desktop entry, icon, AppStream file, where desktops look.
share="$root/usr/share"
entry="$share/applications/$desktop_id.desktop"
metainfo="$share/metainfo/$appstream_id.metainfo.xml"
if [ ! -f "$entry" ]; then
  fail "no usr/share/applications/$desktop_id.desktop"
else
  # The program announces its dock progress for the same id.
  grep -q "application://$desktop_id.desktop" "$program_dir/tessaly" ||
    fail "the program's dock progress names another desktop file than $desktop_id.desktop"
  icon="$(sed -n 's/^Icon=//p' "$entry")"
  [ -f "$share/icons/hicolor/48x48/apps/$icon.png" ] &&
    [ -f "$share/icons/hicolor/scalable/apps/$icon.svg" ] ||
    fail "the entry's icon '$icon' is not in usr/share/icons/hicolor"
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$entry" || fail "desktop-file-validate refuses $desktop_id.desktop"
  else
    skip_part "desktop entry not validated: no desktop-file-validate (desktop-file-utils)"
  fi
fi
if [ ! -f "$metainfo" ]; then
  fail "no usr/share/metainfo/$appstream_id.metainfo.xml"
elif command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 ||
    { cat "$work/appstream.log"; fail "appstreamcli validate refuses the metainfo file"; }
  grep -q "<launchable type=\"desktop-id\">$desktop_id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo file does not launch $desktop_id.desktop"
else
  skip_part "metainfo not validated: no appstreamcli (appstream)"
fi

# The installed program, started as the entry says (its command inside the
# throw-away root), until its page reports that it has loaded.
if [ -f "$entry" ]; then
  exec_path="$(sed -n 's/^Exec="\{0,1\}\([^" ]*\).*/\1/p' "$entry")"
  [ "$exec_path" = /usr/bin/tessaly ] || fail "the entry runs '$exec_path', not /usr/bin/tessaly"
  run=(env QT_QPA_PLATFORM=xcb)
  if command -v xvfb-run >/dev/null; then
    run=(xvfb-run -a --server-args="-screen 0 1024x768x24" "${run[@]}")
  else
    skip_part "no private X server (xvfb-run): the program runs offscreen"
    run=(env QT_QPA_PLATFORM=offscreen)
  fi
  mkdir -p "$work/home"
  log="$work/program.log"
  : >"$log"
  HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
    XDG_DATA_DIRS="$share:/usr/share" TESSALY_SYSROOT="$sysroot" \
    "${run[@]}" sh -c 'echo $$ >"$1.pid"; exec timeout 60 "$2"' run "$log" "$root$exec_path" \
    >"$log" 2>&1 &
  started=$!
  # Read as it is written, until the page reports or the program ends.
  timeout 90 tail -n +1 -f --pid="$started" "$log" | grep -q -m 1 loadedjs || true
  if grep -q loadedjs "$log"; then
    echo "Installed program: page loaded ($(grep -m 1 'web runtime' "$log" || echo 'runtime not named'))"
  else
    cat "$log"
    fail "the installed program did not report its page loaded"
  fi
  # The program's own id: the private X server ends with it.
  [ -s "$log.pid" ] && kill "$(cat "$log.pid")" 2>/dev/null || true
  wait "$started" 2>/dev/null || true
fi

if [ "$failures" -gt 0 ]; then
  echo "Debian package: $failures failures"
  exit 1
fi
echo "Debian package: installs, and its program starts from the install"
