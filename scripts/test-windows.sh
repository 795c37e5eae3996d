#!/usr/bin/env bash
# The Windows side of the tests, in throw-away Wine prefixes inside the build
# folder:
#  1. the Windows files (*_win.cpp) cross-compiled with mingw-w64 with their own
#     test program (tests/windows, doctest, no Qt), run under Wine;
#  2. the whole program for Windows (scripts/package-windows.sh: Qt for Windows
#     cached, ready or built, tessaly.exe, its install folder, zip and NSIS
#     installer) and its tests under Wine with Wine's X11 driver on a private X
#     server (tests/windows/programtests.py): the scripted web runtime plays a
#     page, the missing-runtime box, the silent install.
# x86_64 always. The i686 builds are made too (the program only when its Qt is
# there: scripts/build-qt-windows.sh i686 builds it in about an hour) and run
# only where this machine can run 32-bit programs at all (some kernels cannot:
# the 32-bit loader then fails with "Exec format error") and Wine has its
# 32-bit half. Skips, saying so, when Wine or the cross compiler is missing.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
linux_build="${TESSALY_BUILD_DIR:-$root/build}"
build="${TESSALY_WINDOWS_BUILD_DIR:-$linux_build/windows}"
werror="${TESSALY_WERROR:-OFF}"
export TESSALY_WINDOWS_BUILD_DIR="$build"

find_tool() {
  local name
  for name in "$@"; do
    if command -v "$name" >/dev/null 2>&1; then
      command -v "$name"
      return 0
    fi
    if [ -x "$name" ]; then
      echo "$name"
      return 0
    fi
  done
  return 1
}

# Debian's wine64 package keeps its loader out of PATH unless the wine package is there too.
wine64="$(find_tool wine64 /usr/lib/wine/wine64 || true)"
wineserver="$(find_tool wineserver /usr/lib/wine/wineserver || true)"
wine32="$(find_tool /usr/lib/wine/wine /usr/lib/i386-linux-gnu/wine/wine || true)"
if [ -z "$wine64" ] || [ -z "$wineserver" ]; then
  echo "Windows tests skipped: wine64 is not installed (scripts/install-deps.sh installs it)."
  exit 0
fi
if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1; then
  echo "Windows tests skipped: the mingw-w64 cross compiler is not installed" \
    "(scripts/install-deps.sh installs it)."
  exit 0
fi

# Whether this kernel runs 32-bit x86 programs: the 32-bit loader answering
# --version is enough. Prints the reason when it cannot.
can_run_32bit() {
  local loader="${TESSALY_LOADER32:-/lib/ld-linux.so.2}" answer
  if [ ! -e "$loader" ]; then
    echo "no 32-bit loader ($loader is missing)"
    return 1
  fi
  if ! answer="$("$loader" --version 2>&1)"; then
    echo "$loader --version: $(printf '%s\n' "$answer" | tail -n 1 | sed 's/^.*: //')"
    return 1
  fi
  return 0
}

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)

build_arch() {
  local arch="$1"
  local dir="$build/$arch"
  # Configured every time: the warnings setting of this run applies.
  cmake -S "$root/tests/windows" -B "$dir" "${generator[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" -DTESSALY_WERROR="$werror" >/dev/null
  cmake --build "$dir" --parallel "$(nproc)"
}

# Files for the publisher check: a program of the build signed here with osslsigncode by a
# throw-away certificate, and a copy of it changed after signing.
make_signed_files() {
  local out="$1/authenticode"
  rm -rf "$out"
  mkdir -p "$out"
  if ! command -v osslsigncode >/dev/null 2>&1 || ! command -v openssl >/dev/null 2>&1; then
    echo "Publisher check under Wine: no signed files (osslsigncode or openssl is missing)."
    return 0
  fi
  cp "$1/wkestub.dll" "$out/plain.dll"
  if ! (cd "$out" &&
    openssl req -x509 -newkey rsa:2048 -nodes -keyout root.key -out root.crt -days 2 \
      -subj "/CN=Tessaly Test Root" -addext "basicConstraints=critical,CA:TRUE" \
      -addext "keyUsage=critical,keyCertSign" &&
    openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr \
      -subj "/O=Tessaly Test/CN=Tessaly Test Signer" &&
    printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signer.ext &&
    openssl x509 -req -in signer.csr -CA root.crt -CAkey root.key -CAcreateserial \
      -out signer.crt -days 2 -extfile signer.ext &&
    osslsigncode sign -certs signer.crt -key signer.key -n "Tessaly test" \
      -in plain.dll -out signed.dll &&
    cp signed.dll tampered.dll &&
    printf '\x90' | dd of=tampered.dll bs=1 seek=1100 conv=notrunc) >/dev/null 2>&1; then
    echo "Publisher check under Wine: signing failed, no signed files."
    rm -f "$out"/*.dll
  fi
}

# Runs one build's test program in a fresh prefix; its last line is "N passed, N failed".
run_arch() {
  local arch="$1" wine="$wine64"
  local dir="$build/$arch"
  local log="$dir/tst_windows.log"
  local -x WINEPREFIX="$dir/wineprefix" WINEDEBUG=-all
  # No browser or .NET run-time in the prefix: nothing here needs them.
  local -x WINEDLLOVERRIDES="mscoree,mshtml="
  rm -rf "$WINEPREFIX"
  local started=$SECONDS
  # The null display driver lets message boxes exist without an X server; Wine reads it
  # when its server starts, so the first server is left to end before the tests.
  "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  "$wineserver" -w
  echo "Wine prefix for $arch ready in $((SECONDS - started)) s"

  make_signed_files "$dir/bin"
  local status=0
  (cd "$dir/bin" && timeout 300 "$wine" tst_windows.exe) >"$log" 2>&1 || status=$?
  "$wineserver" -k 2>/dev/null || true
  cat "$log"
  local summary
  summary="$(grep -E '^[0-9]+ passed, [0-9]+ failed' "$log" | tail -n 1 | tr -d '\r' || true)"
  if [ "$status" -ne 0 ] || [ -z "$summary" ] || [ "${summary#* passed, }" != "0 failed" ]; then
    echo "Windows tests ($arch, $("$wine" --version)) FAILED: ${summary:-no result line, exit code $status}"
    return 1
  fi
  echo "Windows tests ($arch, $("$wine" --version)) passed: $summary"
}

# The stand-in service the program tests talk to is a Linux program of this tree.
devservice() {
  local program="$linux_build/bin/tessaly-devservice"
  if [ ! -x "$program" ]; then
    if [ ! -f "$linux_build/CMakeCache.txt" ]; then
      cmake -S "$root" -B "$linux_build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    fi
    cmake --build "$linux_build" --parallel "$(nproc)" --target tessaly-devservice >/dev/null
  fi
  echo "$program"
}

# The runtime's own test (tests/runtime) built for Windows, under Wine on a private X
# server, with the program folder's DLLs: the same checks as on Linux.
runtime_tests_arch() {
  local arch="$1" dir="$2" log status=0
  local -x WINEPREFIX="$dir/runtime-wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  log="$dir/tst_runtime.log"
  rm -rf "$WINEPREFIX"
  cp "$dir/bin/tst_runtime.exe" "$dir/install/"
  # Qt's test library, from the Qt the program was built with (<qt>/lib/cmake/Qt5).
  cp "$(sed -n 's/^Qt5_DIR:PATH=//p' "$dir/CMakeCache.txt")/../../../bin/Qt5Test.dll" "$dir/install/"
  (cd "$dir/install" && timeout 600 xvfb-run -a -s "-screen 0 1024x768x24" \
    sh -c "'$wine64' wineboot -i >/dev/null 2>&1; '$wineserver' -w;
      '$wine64' tst_runtime.exe -o tst_runtime.txt,txt") >"$log.out" 2>&1 || status=$?
  # QtTest's own report goes into a file: a Windows program's standard output does
  # not always reach the terminal through Wine.
  cat "$dir/install/tst_runtime.txt" >"$log" 2>/dev/null || true
  rm -f "$dir/install/tst_runtime.exe" "$dir/install/Qt5Test.dll" "$dir/install/tst_runtime.txt"
  grep -E "^(FAIL|SKIP|XFAIL)" "$log" || true
  if [ "$status" -ne 0 ] || ! grep -q "^Totals: .* 0 failed" "$log"; then
    echo "Runtime tests under Wine ($arch) FAILED (exit code $status; log: $log)"
    return 1
  fi
  echo "Runtime tests under Wine ($arch) passed: $(grep '^Totals' "$log" | tr -d '\r')"
}

# Builds and packages the program for one architecture; run=1 also runs its tests.
program_arch() {
  local arch="$1" run="$2" out app installer started=$SECONDS
  echo "Building the Windows program ($arch)"
  out="$(TESSALY_WERROR="$werror" "$root/scripts/package-windows.sh" "$arch")" || return 1
  app="$(sed -n 1p <<<"$out")"
  installer="$(sed -n 3p <<<"$out")"
  echo "Windows program ($arch) built and packaged in $((SECONDS - started)) s:" \
    "$(sed -n 2p <<<"$out"), $installer"
  if [ "$run" != 1 ]; then
    echo "Windows program tests ($arch) not run: the reason is given above."
    return 0
  fi
  local whole=()
  if [ -f "$app/libwke.dll" ]; then
    whole=(--real-runtime)
    runtime_tests_arch "$arch" "$(dirname "$app")" || return 1
  else
    echo "Whole-product run ($arch) skipped: the package has no web runtime of its own" \
      "(no QtWebKit for Windows: scripts/build-qtwebkit-windows.sh $arch)."
  fi
  python3 "$root/tests/windows/programtests.py" --wine "$wine64" --wineserver "$wineserver" \
    --arch "$arch" --app "$app" --installer "$installer" "${whole[@]}" \
    --runtime "$build/$arch/bin/scriptedwke.dll" --boxwatch "$build/$arch/bin/boxwatch.exe" \
    --devservice "$(devservice)" --work "$build/program-$arch" --shots "$build/screenshots"
}

status=0
echo "Building the Windows files with mingw-w64 (x86_64)"
build_arch x86_64
run_arch x86_64 || status=1
program_arch x86_64 1 || status=1

if command -v i686-w64-mingw32-g++-posix >/dev/null 2>&1; then
  echo "Building the Windows files with mingw-w64 (i686)"
  build_arch i686
  # wine64 hands a 32-bit program to the 32-bit loader, which Debian's wine32 brings.
  run32=0
  if ! why="$(can_run_32bit)"; then
    echo "Windows tests (i686) built but not run: this machine cannot run 32-bit programs ($why)."
  elif [ -n "$wine32" ]; then
    run32=1
    run_arch i686 || status=1
  else
    echo "Windows tests (i686) built but not run: this Wine cannot run 32-bit programs" \
      "(it needs Debian's wine32 package from the i386 architecture)."
  fi
  if "$root/scripts/build-qt-windows.sh" --no-build i686 >/dev/null; then
    program_arch i686 "$run32" || status=1
  else
    echo "Windows program (i686) not built: no Qt for i686 yet" \
      "(scripts/build-qt-windows.sh i686 builds it, in about an hour)."
  fi
else
  echo "Windows tests (i686) skipped: i686-w64-mingw32-g++-posix is not installed."
fi
exit "$status"
