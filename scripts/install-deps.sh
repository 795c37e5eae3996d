#!/usr/bin/env bash
# Installs the Debian 12 packages Tessaly needs, by profile:
#
#   scripts/install-deps.sh [build|test|windows]...
#
#   build    build and run the program (scripts/run.sh)
#   windows  build the Windows program and run it under Wine (scripts/package-windows.sh)
#   test     everything scripts/test.sh runs: build, windows and the test tools (the default)
#
# Idempotent: packages already present are left alone.
set -euo pipefail

build=(
  build-essential cmake ninja-build pkg-config clang-format
  qtbase5-dev qtbase5-dev-tools qttools5-dev-tools libqt5svg5-dev
  libqt5webkit5-dev libxcb1-dev libx11-dev libxtst-dev
  libqrencode-dev libpci-dev pci.ids libcpp-httplib-dev
  libssl-dev ca-certificates  # the signer read from the signature itself; the roots vendors chain to
  zlib1g-dev    # the stand-in service's compressed answers
  libsqlite3-dev libpqxx-dev  # tessaly-service's two stores
  python3  # scripts/generate-catalogue, scripts/update-catalogue
  # The demo: a private X server, its screenshots, the session bus, the Chinese texts.
  xvfb xauth x11-utils xdotool imagemagick dbus dbus-x11
  fonts-wqy-microhei fonts-noto-cjk
  librsvg2-bin  # scripts/render-images.sh
)
windows=(
  g++-mingw-w64-i686-posix  # scripts/check-windows.sh
  wine64 g++-mingw-w64-x86-64 g++-mingw-w64-i686 doctest-dev
  # scripts/build-qt-windows.sh (apt-get source, Qt's configure) and the Windows package.
  dpkg-dev perl xz-utils nsis
  icu-devtools  # scripts/trim-icu-data: ICU's data for the Windows package, cut down
  qttranslations5-l10n  # Qt's own Chinese texts, shipped with the Windows program
  osslsigncode openssl  # installers signed by the tests, read back under Wine
  python3 zbar-tools  # the Windows program tests (tests/windows/programtests.py)
  # The product is a 32-bit Windows program: Wine runs it with its i386 loader.
  wine32:i386
)
tests=(
  clang libclang-rt-14-dev  # the second compiler; fuzz targets (libFuzzer), sanitizer runtimes
  zbar-tools curl  # the sign-in QR code read back; the download benchmark
  postgresql wrk openssl  # tessaly-service on PostgreSQL, TLS, its benchmark
  tinyproxy     # the proxy the network tests send downloads through
  osslsigncode  # reads installers' Authenticode signatures; tests sign their own
  chromium      # the page tests
  # The Debian package: its dependencies, its desktop entry and AppStream file checked.
  dpkg-dev appstream desktop-file-utils
)

profiles=("$@")
[ ${#profiles[@]} -gt 0 ] || profiles=(test)
packages=()
npm=0
for profile in "${profiles[@]}"; do
  case "$profile" in
    build) packages+=("${build[@]}") ;;
    windows) packages+=("${build[@]}" "${windows[@]}") ;;
    test)
      packages+=("${build[@]}" "${windows[@]}" "${tests[@]}")
      npm=1
      ;;
    *)
      echo "usage: $0 [build|test|windows]... (unknown profile: $profile)" >&2
      exit 2
      ;;
  esac
done

missing=()
for p in $(printf '%s\n' "${packages[@]}" | sort -u); do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ]; then
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
    ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The page tests run on Node.js with npm; the machine's own Node.js (which may
# come from outside Debian and carry npm inside) is kept when present.
if [ "$npm" = 1 ] && ! command -v npm >/dev/null; then
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends nodejs npm
fi
