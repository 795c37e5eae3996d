#!/usr/bin/env bash
# Builds QtWebKit 5.212 (WebKit1: QtWebKit and QtWebKitWidgets) for Windows with
# mingw-w64 from Debian 12's own source packages, against our Qt for Windows
# (scripts/build-qt-windows.sh), with the ICU, libxml2 and SQLite it needs built
# from Debian's sources too:
#
#   scripts/build-qtwebkit-windows.sh [--no-build] ARCH      (ARCH: x86_64 or i686)
#
# The result goes into ${TESSALY_CACHE_DIR:-~/.cache/tessaly}/qtwebkit-mingw-ARCH
# with a stamp holding the configure line, so nothing builds it twice:
#   - a cache whose stamp holds this script's configure line is used at once;
#   - a ready copy in the shared tool-chain folder (TESSALY_TOOLCHAINS_DIR, by
#     default ../shared/toolchains beside the repository) is unpacked when its
#     .sha256 file matches and its README (qtwebkit/README.md) documents this
#     script's configure line;
#   - otherwise everything is built: about three hours on two cores. Each finished
#     step leaves a stamp in the work folder (qtwebkit-work-ARCH) and is skipped
#     by the next run; the long step is ninja, which resumes where it stopped, so
#     a build that was cut off is simply started again.
# Every change to Debian's QtWebKit source is a patch in scripts/patches/qtwebkit-*.
# Progress goes to standard error; the last line on standard output is the
# folder to add to CMAKE_PREFIX_PATH. With --no-build it ends with 1 instead of
# building, when neither a cached nor a ready copy is there.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

build_allowed=1
if [ "${1:-}" = "--no-build" ]; then
  build_allowed=0
  shift
fi
arch="${1:-}"
case "$arch" in
  x86_64 | i686) triplet="$arch-w64-mingw32" ;;
  *)
    echo "usage: $0 [--no-build] x86_64|i686" >&2
    exit 2
    ;;
esac

cache="${TESSALY_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/tessaly}"
shared="${TESSALY_TOOLCHAINS_DIR:-$root/../shared/toolchains}"
dest="$cache/qtwebkit-mingw-$arch"
stamp="$dest/tessaly-configure.stamp"
work="$cache/qtwebkit-work-$arch"
jobs="${TESSALY_QTWEBKIT_JOBS:-$(nproc)}"
ready_name="qtwebkit-5.212-mingw-w64-$arch.tar.xz"

say() { echo "build-qtwebkit-windows ($arch): $*" >&2; }

# The one configure line, written as the tool-chain README documents it. What the
# pages do not use is off, which also shortens the build: WebKit2 and QML,
# WebChannel, video and audio, geolocation and sensors, OpenGL (so WebGL),
# plugins, XSLT, the inspector's UI, IndexedDB, WOFF2, hyphenation. zlib and libpng
# are Qt's own copies; Qt's bundled libpng calls the zlib Qt5Core exports, so
# Qt5Core comes after it on the link line.
configure_line='cmake -G Ninja <qtwebkit-src>
  -DCMAKE_TOOLCHAIN_FILE=<toolchain> -DCMAKE_PREFIX_PATH="<qt5-mingw64>;<prefix>"
  -DCMAKE_INSTALL_PREFIX=<install>
  -DCMAKE_BUILD_TYPE=Release
  -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG -g0" -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG -g0"
  -DCMAKE_CXX_FLAGS="-fpermissive -Wno-class-memaccess"
  -DPYTHON_EXECUTABLE=/usr/bin/python3 -DRUBY_EXECUTABLE=/usr/bin/ruby -DPERL_EXECUTABLE=/usr/bin/perl
  -DPORT=Qt -DENABLE_TOOLS=OFF -DENABLE_API_TESTS=OFF -DENABLE_TEST_SUPPORT=OFF
  -DENABLE_WEBKIT2=OFF -DENABLE_QT_WEBCHANNEL=OFF
  -DENABLE_VIDEO=OFF -DENABLE_WEB_AUDIO=OFF -DENABLE_LEGACY_WEB_AUDIO=OFF -DENABLE_MEDIA_SOURCE=OFF
  -DUSE_QT_MULTIMEDIA=OFF -DUSE_GSTREAMER=OFF -DUSE_MEDIA_FOUNDATION=OFF
  -DENABLE_GEOLOCATION=OFF -DENABLE_DEVICE_ORIENTATION=OFF
  -DENABLE_OPENGL=OFF -DENABLE_NETSCAPE_PLUGIN_API=OFF -DENABLE_XSLT=OFF -DENABLE_INSPECTOR_UI=OFF
  -DENABLE_INDEXED_DATABASE=OFF -DENABLE_DATABASE_PROCESS=OFF -DUSE_WOFF2=OFF -DUSE_LIBHYPHEN=OFF
  -DUSE_LD_GOLD=OFF -DUSE_LIBJPEG=OFF
  -DQT_BUNDLED_ZLIB=ON -DZLIB_INCLUDE_DIRS=<qt5-mingw64>/include/QtZlib
  -DQT_BUNDLED_PNG=ON -DPNG_INCLUDE_DIRS=<qt5-mingw64>/include/qtlibpng
  -DPNG_LIBRARIES="<qt5-mingw64>/lib/libqtlibpng.a;<qt5-mingw64>/lib/libQt5Core.a"'

. "$root/scripts/toolchain-cache.sh"

# The configure line the ready copy's README documents: its indented
# "cmake -G Ninja <qtwebkit-src>" block with the continuation lines.
documented_line() {
  awk '
    /^[ \t]+cmake -G Ninja <qtwebkit-src>/ { taking = 1 }
    taking { print; if ($0 !~ /\\[ \t]*$/) exit }
  ' "$1" | normalise
}

cache_lock "qtwebkit-mingw-$arch" "QtWebKit for $arch"

take_qtwebkit_copy() {
  local readme="$shared/qtwebkit/README.md"
  take_ready_copy "$shared/$ready_name" "$( [ -f "$readme" ] && documented_line "$readme" || true)" \
    lib/cmake/Qt5WebKitWidgets/Qt5WebKitWidgetsConfig.cmake QtWebKit
}

if take_qtwebkit_copy; then
  finish
  exit 0
fi
if [ "$build_allowed" -eq 0 ]; then
  say "no QtWebKit for $arch yet (scripts/build-qtwebkit-windows.sh $arch builds it, in about three hours)"
  exit 1
fi

# --- Building from Debian's source packages ------------------------------------------------
for tool in "$triplet-gcc-posix" "$triplet-g++-posix" bison flex gperf ruby perl python3 cmake \
  ninja tclsh dpkg-source make patch; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    say "$tool is missing: run scripts/install-deps.sh windows first"
    exit 1
  fi
done

qt="$("$root/scripts/build-qt-windows.sh" "$arch" | tail -n 1)"
. "$root/scripts/debian-source.sh"
mkdir -p "$work"/{src,build,stamps,logs}
prefix="$work/prefix"   # ICU, libxml2 and SQLite for Windows
install="$work/install"
toolchain="$root/cmake/mingw-w64-$arch.cmake"
nice_run=(nice -n 19)

# step NAME FUNCTION: runs FUNCTION unless NAME is stamped, its output in logs/NAME.log.
step() {
  local name="$1" fn="$2" started=$SECONDS
  if [ -f "$work/stamps/$name" ]; then
    say "$name: done before, skipped"
    return 0
  fi
  say "$name: starting (log: $work/logs/$name.log)"
  if ! ("$fn") >>"$work/logs/$name.log" 2>&1; then
    tail -n 30 "$work/logs/$name.log" >&2
    say "$name failed; run the script again once it is mended (finished steps are skipped)"
    exit 1
  fi
  echo $((SECONDS - started)) >"$work/stamps/$name"
  say "$name: finished in $((SECONDS - started)) s"
}

src_of() { debian_source_fetch "$1" "$work/src" 2>>"$work/logs/sources.log"; }

step_sources() {
  local package
  for package in qtwebkit-opensource-src icu libxml2 sqlite3; do src_of "$package" >/dev/null; done
}

step_patch() {
  local src p
  src="$(src_of qtwebkit-opensource-src)"
  for p in "$root"/scripts/patches/qtwebkit-*.patch; do
    patch -d "$src" -p1 --forward <"$p"
  done
}

# Qt installs its bundled libpng's png.h but not the pnglibconf.h it includes; the
# one Qt was built with comes from the same qtbase source.
step_pnglibconf() {
  local qtsrc
  qtsrc="$(src_of qtbase-opensource-src)"
  mkdir -p "$prefix/include"
  cp "$qtsrc/src/3rdparty/libpng/pnglibconf.h" "$prefix/include/"
}

# ICU: a native build first, whose tools make the data; then the cross build.
step_icu_host() {
  local src
  src="$(src_of icu)/source"
  rm -rf "$work/build/icu-host" && mkdir -p "$work/build/icu-host" && cd "$work/build/icu-host"
  "${nice_run[@]}" "$src/configure" --disable-tests --disable-samples --disable-extras \
    --disable-layoutex --disable-icuio CFLAGS=-O1 CXXFLAGS=-O1
  "${nice_run[@]}" make -j"$jobs"
}

step_icu_cross() {
  local src
  src="$(src_of icu)/source"
  rm -rf "$work/build/icu-cross" && mkdir -p "$work/build/icu-cross" && cd "$work/build/icu-cross"
  "${nice_run[@]}" "$src/configure" --host="$triplet" --with-cross-build="$work/build/icu-host" \
    --prefix="$prefix" --enable-shared --disable-static --disable-tests --disable-samples \
    --disable-extras --disable-layoutex --disable-icuio --disable-tools \
    CC="$triplet-gcc-posix" CXX="$triplet-g++-posix" CFLAGS=-O2 CXXFLAGS=-O2 LIBS=-lstdc++
  "${nice_run[@]}" make -j"$jobs"
  make install
  # Windows looks for DLLs beside the program, not in lib/.
  mkdir -p "$prefix/bin"
  mv -f "$prefix"/lib/icu*.dll "$prefix/bin/"
}

step_libxml2() {
  local src
  src="$(src_of libxml2)"
  rm -rf "$work/build/libxml2" && mkdir -p "$work/build/libxml2" && cd "$work/build/libxml2"
  cmake -G Ninja "$src" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=ON \
    -DLIBXML2_WITH_PYTHON=OFF -DLIBXML2_WITH_ICONV=OFF -DLIBXML2_WITH_ICU=OFF \
    -DLIBXML2_WITH_ZLIB=OFF -DLIBXML2_WITH_LZMA=OFF -DLIBXML2_WITH_PROGRAMS=OFF \
    -DLIBXML2_WITH_TESTS=OFF -DLIBXML2_WITH_FTP=OFF -DLIBXML2_WITH_HTTP=OFF -DLIBXML2_WITH_DEBUG=OFF
  "${nice_run[@]}" ninja -j"$jobs"
  ninja install
}

# SQLite: Debian's source is the full tree, so the amalgamation is made here first.
step_sqlite() {
  local src
  src="$(src_of sqlite3)"
  rm -rf "$work/build/sqlite" && mkdir -p "$work/build/sqlite" && cd "$work/build/sqlite"
  "$src/configure" --disable-tcl >/dev/null
  make sqlite3.c
  "${nice_run[@]}" "$triplet-gcc-posix" -O2 -DNDEBUG -DSQLITE_THREADSAFE=1 \
    -DSQLITE_ENABLE_COLUMN_METADATA -DSQLITE_ENABLE_FTS3 -DSQLITE_ENABLE_FTS3_PARENTHESIS \
    -DSQLITE_ENABLE_RTREE -DSQLITE_SECURE_DELETE -DSQLITE_ENABLE_UNLOCK_NOTIFY \
    -DSQLITE_ENABLE_DBSTAT_VTAB -DSQLITE_API='__declspec(dllexport)' -shared sqlite3.c \
    -o libsqlite3-0.dll -Wl,--out-implib,libsqlite3.dll.a -static-libgcc
  mkdir -p "$prefix"/{bin,lib,include}
  cp libsqlite3-0.dll "$prefix/bin/"
  cp libsqlite3.dll.a "$prefix/lib/"
  cp sqlite3.h sqlite3ext.h "$prefix/include/"
}

step_configure() {
  local line q
  mkdir -p "$work/build/qtwebkit" && cd "$work/build/qtwebkit"
  rm -f CMakeCache.txt
  line="$(echo "$configure_line" | normalise)"
  line="${line//<qtwebkit-src>/$(printf %q "$(src_of qtwebkit-opensource-src)")}"
  line="${line//<toolchain>/$(printf %q "$toolchain")}"
  q="$(printf %q "$qt")"
  line="${line//<qt5-mingw64>/$q}"
  line="${line//<prefix>/$(printf %q "$prefix")}"
  line="${line//<install>/$(printf %q "$install")}"
  eval "$line"
}

step_build() {
  cd "$work/build/qtwebkit"
  # The largest units need up to 2 GB each; a unit that died of memory pressure
  # gets one more try alone.
  "${nice_run[@]}" ninja -j"$jobs" || "${nice_run[@]}" ninja -j1
}

step_install() {
  local f
  rm -rf "$install"
  (cd "$work/build/qtwebkit" && ninja install)
  cp "$prefix"/bin/icu*.dll "$prefix/bin/libxml2.dll" "$prefix/bin/libsqlite3-0.dll" "$install/bin/"
  "$triplet-strip" --strip-unneeded "$install"/bin/*.dll
  mkdir -p "$install/share/licenses"
  cp "$(src_of qtwebkit-opensource-src)/LICENSE.LGPLv21" "$install/share/licenses/QtWebKit-LGPL-2.1.txt"
  cp "$(src_of icu)/LICENSE" "$install/share/licenses/ICU-LICENSE.txt"
  cp "$(src_of libxml2)/Copyright" "$install/share/licenses/libxml2-Copyright.txt"
  cp "$(src_of sqlite3)/LICENSE.md" "$install/share/licenses/SQLite-LICENSE.md"
  # The qmake and pkg-config files name the install folder; the folder moves.
  for f in "$install"/mkspecs/modules/*.pri; do
    [ -f "$f" ] && sed -i -e "s,$install/include,\$\$QT_MODULE_INCLUDE_BASE,g" \
      -e "s,$install/lib,\$\$QT_MODULE_LIB_BASE,g" -e "s,$install/bin,\$\$QT_MODULE_BIN_BASE,g" "$f"
  done
  for f in "$install"/lib/pkgconfig/*.pc; do
    [ -f "$f" ] && sed -i -e "s,$install,\${pcfiledir}/../..,g" "$f"
  done
  return 0
}

started=$SECONDS
step sources step_sources
step patch step_patch
step pnglibconf step_pnglibconf
step icu-host step_icu_host
step icu-cross step_icu_cross
step libxml2 step_libxml2
step sqlite step_sqlite
step configure step_configure
step build step_build
step install step_install
rm -rf "$dest"
cp -a "$install" "$dest"
say "built QtWebKit in $(((SECONDS - started) / 60)) min"
finish
