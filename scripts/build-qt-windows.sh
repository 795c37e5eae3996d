#!/usr/bin/env bash
# Builds Qt 5 (qtbase) for Windows with mingw-w64 from Debian 12's own source
# package, so that the Windows program can be built here:
#
#   scripts/build-qt-windows.sh [--no-build] ARCH        (ARCH: x86_64 or i686)
#
# The result goes into a cache folder outside the work tree,
# ${TESSALY_CACHE_DIR:-~/.cache/tessaly}/qt5-mingw-ARCH, with a stamp that holds
# the configure line. A fresh build takes about an hour on two cores, so nothing
# builds it twice:
#   - a cache whose stamp holds this script's configure line is used at once;
#   - a ready copy in the shared tool-chain folder (TESSALY_TOOLCHAINS_DIR, by
#     default ../shared/toolchains beside the repository) is unpacked when its
#     .sha256 file matches and its README documents this script's configure line;
#   - otherwise the source package is fetched (deb-src line of the same archive,
#     apt-get source) and built.
# Progress goes to standard error; the last line on standard output is the Qt
# folder to give CMake as CMAKE_PREFIX_PATH. With --no-build it ends with 1
# instead of building, when neither a cached nor a ready copy is there.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

build_allowed=1
if [ "${1:-}" = "--no-build" ]; then
  build_allowed=0
  shift
fi
arch="${1:-}"
case "$arch" in
  x86_64) triplet=x86_64-w64-mingw32 prefix=/opt/qt5-mingw64 ;;
  i686) triplet=i686-w64-mingw32 prefix=/opt/qt5-mingw32 ;;
  *)
    echo "usage: $0 [--no-build] x86_64|i686" >&2
    exit 2
    ;;
esac

cache="${TESSALY_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/tessaly}"
shared="${TESSALY_TOOLCHAINS_DIR:-$root/../shared/toolchains}"
dest="$cache/qt5-mingw-$arch"
stamp="$dest/tessaly-configure.stamp"
jobs="${TESSALY_QT_JOBS:-$(nproc)}"

say() { echo "build-qt-windows ($arch): $*" >&2; }

# The one configure line, written as the tool-chain README documents it: the
# source folder is "<src>". No Wintab header in Debian's source, hence
# -no-feature-tabletevent; Schannel gives TLS without OpenSSL for Windows.
configure_args=(
  -xplatform win32-g++ -device-option "CROSS_COMPILE=$triplet-"
  -prefix "$prefix" -opensource -confirm-license -release -shared
  -nomake examples -nomake tests -no-opengl -no-dbus -no-icu
  -qt-zlib -qt-libpng -qt-libjpeg -qt-freetype -qt-pcre -qt-harfbuzz
  -schannel -no-openssl -no-sql-sqlite -no-sql-odbc -no-sql-psql -no-sql-mysql
  -no-feature-tabletevent -platform linux-g++
)
configure_line="<src>/configure ${configure_args[*]}"

. "$root/scripts/toolchain-cache.sh"

# The configure line a README section documents for one ready copy: the
# indented "<src>/configure" block (with its continuation lines) of the section
# headed by the copy's file name.
documented_line() {
  local readme="$1" file="$2"
  awk -v head="## $file" '
    /^## / { in_section = ($0 == head) }
    in_section && /^[ \t]+<src>\/configure/ { taking = 1 }
    taking { print; if ($0 !~ /\\[ \t]*$/) exit }
  ' "$readme" | normalise
}

cache_lock "qt5-mingw-$arch" "Qt for $arch"

# A ready copy from the shared tool-chain folder.
take_qt_copy() {
  local tarball
  [ -d "$shared" ] || return 1
  tarball="$(find "$shared" -maxdepth 1 -name "qt5.*-mingw-w64-$arch.tar.xz" | sort | tail -n 1)"
  take_ready_copy "${tarball:-$shared/qt5-mingw-w64-$arch.tar.xz}" \
    "$( [ -f "$shared/README.md" ] && documented_line "$shared/README.md" "$(basename "$tarball")" || true)" \
    lib/cmake/Qt5 Qt
}

if take_qt_copy; then
  finish
  exit 0
fi

if [ "$build_allowed" -eq 0 ]; then
  say "no Qt for $arch yet (scripts/build-qt-windows.sh $arch builds it, in about an hour)"
  exit 1
fi

# Building from Debian's source package.
for tool in "$triplet-gcc-posix" "$triplet-g++-posix" dpkg-source make perl; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    say "$tool is missing: run scripts/install-deps.sh first"
    exit 1
  fi
done

. "$root/scripts/debian-source.sh"
src="$(debian_source_fetch qtbase-opensource-src "$cache/src")"
version="$(cat "$src/.tessaly-source")"
# mingw-w64 names these libsecur32.a and libcrypt32.a; the linker on a
# case-sensitive file system does not find the capitalised names.
sed -i 's/-lSecur32/-lsecur32/; s/-lCrypt32/-lcrypt32/' "$src/src/network/ssl/ssl.pri"

build="$cache/build-qt-$arch"
staging="$cache/staging-$arch"
rm -rf "$build" "$staging"
mkdir -p "$build/toolbin"
# Qt calls the compilers by their triplet names; these point at the POSIX thread
# flavour, as the project's tool-chain files do.
for t in gcc g++ c++ cpp; do
  ln -s "$(command -v "$triplet-$t-posix")" "$build/toolbin/$triplet-$t"
done
export PATH="$build/toolbin:$PATH"

started=$SECONDS
say "configuring in $build"
(cd "$build" && "$src/configure" "${configure_args[@]}" >configure.log 2>&1) || {
  tail -n 40 "$build/configure.log" >&2
  exit 1
}
say "building with $jobs jobs (about an hour on two cores); log in $build/make.log"
(cd "$build" && make -j"$jobs" >make.log 2>&1) || {
  tail -n 40 "$build/make.log" >&2
  exit 1
}
(cd "$build" && make install INSTALL_ROOT="$staging" >install.log 2>&1) || {
  tail -n 40 "$build/install.log" >&2
  exit 1
}
rm -rf "$dest"
mv "$staging$prefix" "$dest"
rm -rf "$staging" "$build"
say "built qtbase $version in $(((SECONDS - started) / 60)) min"
finish
