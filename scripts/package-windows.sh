#!/usr/bin/env bash
# Builds Tessaly for Windows and packages it: one command for the zip and the
# NSIS installer.
#
#   scripts/package-windows.sh [--no-qt-build] [ARCH]     (ARCH: x86_64, the default, or i686)
#
# Takes Qt for Windows from scripts/build-qt-windows.sh (cached, ready copy, or
# built: about an hour; --no-qt-build ends with 1 instead) and libqrencode from
# scripts/build-qrencode-windows.sh, cross-compiles tessaly.exe with mingw-w64
# into ${TESSALY_BUILD_DIR:-build}/windows/app-ARCH, lays out the program
# folder there (install/) and makes the zip and the installer beside it. The
# last three lines on standard output are the program folder, the zip and the
# installer.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

qt_build=()
if [ "${1:-}" = "--no-qt-build" ]; then
  qt_build=(--no-build)
  shift
fi
arch="${1:-x86_64}"
case "$arch" in
  x86_64 | i686) ;;
  *)
    echo "usage: $0 [--no-qt-build] [x86_64|i686]" >&2
    exit 2
    ;;
esac
dir="${TESSALY_WINDOWS_BUILD_DIR:-${TESSALY_BUILD_DIR:-$root/build}/windows}/app-$arch"
werror="${TESSALY_WERROR:-OFF}"

qt="$("$root/scripts/build-qt-windows.sh" "${qt_build[@]}" "$arch" | tail -n 1)"
qrencode="$("$root/scripts/build-qrencode-windows.sh" "$arch" | tail -n 1)"
# Our web runtime needs QtWebKit for Windows, which takes hours to build: it is
# taken when cached or ready, never built from here.
prefix_path="$qt;$qrencode"
icu=()
if qtwebkit="$("$root/scripts/build-qtwebkit-windows.sh" --no-build "$arch" 2>/dev/null | tail -n 1)"; then
  prefix_path="$prefix_path;$qtwebkit"
  # ICU's data cut down to what the pages need: a quarter of its size.
  data="$(find "$qtwebkit/bin" -name 'icudt*.dll' | head -n 1)"
  mkdir -p "$dir/icu"
  if [ -n "$data" ] && { [ "$dir/icu/$(basename "$data")" -nt "$data" ] ||
    "$root/scripts/trim-icu-data" "$data" "$dir/icu/$(basename "$data")" "$arch-w64-mingw32"; }; then
    icu=(-DTESSALY_ICU_DATA_DLL="$dir/icu/$(basename "$data")")
  else
    echo "ICU's data not cut down (scripts/trim-icu-data failed): the whole of it is packaged." >&2
    icu=(-DTESSALY_ICU_DATA_DLL=)
  fi
else
  echo "Windows program ($arch) without its own web runtime: no QtWebKit for Windows" \
    "(scripts/build-qtwebkit-windows.sh $arch builds it, in about three hours)." >&2
fi

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
# Configured every time: options given now must not be dropped for an old cache.
cmake -S "$root" -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" \
  -DCMAKE_PREFIX_PATH="$prefix_path" -DTESSALY_WERROR="$werror" "${icu[@]}" >&2
cmake --build "$dir" --parallel "$(nproc)" >&2

# The program folder, laid out afresh: what a user unpacks or installs.
rm -rf "$dir/install"
cmake --install "$dir" --prefix "$dir/install" >/dev/null
(cd "$dir" && cpack -G "ZIP;NSIS" >/dev/null)
package="$(sed -n 's/^set(CPACK_PACKAGE_FILE_NAME "\(.*\)")$/\1/p' "$dir/CPackConfig.cmake")"
echo "Windows program ($arch): $dir/install" >&2
echo "$dir/install"
echo "$dir/$package.zip"
echo "$dir/$package.exe"
