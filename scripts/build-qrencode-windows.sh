#!/usr/bin/env bash
# Builds libqrencode for Windows with mingw-w64 from Debian 12's source package
# (Debian ships it for Linux only), as a static library the Windows program
# links:
#
#   scripts/build-qrencode-windows.sh ARCH        (ARCH: x86_64 or i686)
#
# The result goes into ${TESSALY_CACHE_DIR:-~/.cache/tessaly}/qrencode-mingw-ARCH
# with a stamp of the source version and build options; a matching stamp returns
# at once. Progress goes to standard error; the last line on standard output is
# the folder to add to CMAKE_PREFIX_PATH.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

arch="${1:-}"
case "$arch" in
  x86_64 | i686) ;;
  *)
    echo "usage: $0 x86_64|i686" >&2
    exit 2
    ;;
esac

cache="${TESSALY_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/tessaly}"
dest="$cache/qrencode-mingw-$arch"
stamp="$dest/tessaly-build.stamp"
toolchain="$root/cmake/mingw-w64-$arch.cmake"
# Only the library: no command-line tool, hence no PNG.
options=(-DWITH_TOOLS=NO -DWITH_TESTS=NO -DWITHOUT_PNG=YES -DBUILD_SHARED_LIBS=NO
  -DCMAKE_BUILD_TYPE=Release)

say() { echo "build-qrencode-windows ($arch): $*" >&2; }

mkdir -p "$cache"
exec 9>"$cache/qrencode-mingw-$arch.lock"
flock 9

. "$root/scripts/debian-source.sh"
version="$(debian_source_version qrencode)"
wanted="qrencode ${version:-?} ${options[*]}"
if [ -n "$version" ] && [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$wanted" ]; then
  echo "$dest"
  exit 0
fi

src="$(debian_source_fetch qrencode "$cache/src")"
version="$(cat "$src/.tessaly-source")"
wanted="qrencode $version ${options[*]}"

build="$cache/build-qrencode-$arch"
rm -rf "$build" "$dest"
say "building qrencode $version"
cmake -S "$src" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" "${options[@]}" \
  -DCMAKE_INSTALL_PREFIX="$dest" >"$cache/build-qrencode-$arch.log" 2>&1 &&
  cmake --build "$build" --parallel "$(nproc)" >>"$cache/build-qrencode-$arch.log" 2>&1 &&
  cmake --install "$build" >>"$cache/build-qrencode-$arch.log" 2>&1 || {
  tail -n 30 "$cache/build-qrencode-$arch.log" >&2
  exit 1
}
rm -rf "$build"
echo "$wanted" >"$stamp"
say "ready in $dest"
echo "$dest"
